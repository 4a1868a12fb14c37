#pragma once

// fldren-undo's command line: OUTPUTFILE [-o UNDOLOG] [-C FOLDER].

#include <optional>

#include "text/wide_text.h"

struct undo_options {
  wide_text journal_name;  // the output file of the run to take back
  wide_text log_name;      // empty when no undo log was asked for
  wide_text folder;        // the folder the run was made in, if given
};

// Reads OUTPUTFILE followed by -o UNDOLOG and -C FOLDER in any order, each
// value attached to its letter or the next argument, the two names
// resolved to absolute paths where they resolve (OUTPUTFILE is kept as
// given: opening it resolves it). Empty when the command line is not one
// fldren-undo takes, and the usage text is to be shown; writes nothing and
// never ends the process.
std::optional<undo_options> parse_undo_arguments(int argc, char16_t** argv);

// Writes fldren-undo's usage text to standard output. The caller ends the
// process afterwards.
void show_undo_usage();
