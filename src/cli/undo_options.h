#pragma once

// fldren-undo's command line: OUTPUTFILE [-o UNDOLOG] [-C FOLDER].

#include "cli/command_words.h"
#include "text/wide_text.h"

struct undo_options {
  wide_text journal_name;  // the output file of the run to take back
  wide_text log_name;      // empty when no undo log was asked for
  wide_text folder;        // the folder the run was made in, if given
};

// What reading the command line came to.
enum class undo_parse {
  ok,          // the options are read
  usage,       // not a command line fldren-undo takes: show the usage text
  stray_word,  // an argument after OUTPUTFILE that is no option nor value
  help,        // --help or -h, before any fault
  version,     // --version, before any fault
};

struct undo_arguments {
  undo_options options;  // what was read, whole only when ok
  undo_parse outcome = undo_parse::ok;
  wide_text argument;  // stray_word: the argument itself
};

// Reads OUTPUTFILE followed by -o UNDOLOG and -C FOLDER in any order, each
// value attached to its letter or the next argument, the two names
// resolved to absolute paths where they resolve (OUTPUTFILE is kept as
// given: opening it resolves it), and notes --help, -h and --version
// anywhere. Stops at the first fault or request in the command line's
// order; writes nothing and never ends the process.
undo_arguments parse_undo_arguments(int argc, char16_t** argv);

// Writes what the examiner reads for a stray word, or the usage text for
// usage; nothing for another outcome. The caller ends the process
// afterwards.
void write_undo_fault(const undo_arguments& parsed);

// Writes fldren-undo's usage text to standard output. The caller ends the
// process afterwards.
void show_undo_usage();
