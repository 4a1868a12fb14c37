#pragma once

// The one way out of both programs once they have started: every open file
// closed, the console flushed, the status settled, and then the run record
// finished with the status the process ends with.

#include <initializer_list>

#include "journal/journal.h"
#include "journal/run_record.h"
#include "rename/exit_status.h"
#include "rename/line_model.h"

// Closes the files given (a null one is passed over), the journal's last
// result written first, flushes the console, then finishes the run record
// (when given and open) with the status the process ends with, and ends
// the process with it: status 1 instead of 0 or 3 when the journal's last
// result or standard output could not be written, and instead of 0, 3 or 6
// when the record could not be finished (which is said on the console).
// Both programs end through here. Never returns.
[[noreturn]] void end_process(exit_status status, journal* output,
                              run_record* record,
                              std::initializer_list<text_input*> inputs);
