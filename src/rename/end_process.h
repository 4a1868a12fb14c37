#pragma once

// The one way out of both programs once they have started: every open file
// closed, the console flushed, the status settled.

#include <initializer_list>

#include "journal/journal.h"
#include "rename/exit_status.h"
#include "rename/line_model.h"

// Closes the files given (a null one is passed over), the journal's last
// result written first, flushes the console and ends the process with the
// status, or with status 1 instead of 0 when standard output could not be
// written. Both programs end through here. Never returns.
[[noreturn]] void end_process(exit_status status, journal* output,
                              std::initializer_list<text_input*> inputs);
