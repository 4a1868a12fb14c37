#pragma once

// Turning the command line into run_options, and what is wrong with a
// command line that does not give them.

#include <cstddef>

#include "cli/command_words.h"
#include "rename/shared_types.h"
#include "text/wide_text.h"

// The limit for a resolved option value, in characters.
inline constexpr std::size_t k_option_name_limit = 2048;

// What stopped the parsing, the first fault in the command line's order.
enum class option_error {
  none,
  question_mark,          // "?" among the letters
  illegal_letter,         // a letter that names no option
  missing_value,          // an option's value is neither attached nor next
  bad_move,               // a value of -m that is not FROM=TO
  bad_code_page,          // a value of -e that names no code page we read
  stray_word,             // an argument neither an option nor its value
  resume_without_output,  // -r without -o
};

struct options_result {
  run_options options;  // what was read before the error, if there is one
  option_error error = option_error::none;
  // help or version when an argument asked for it before any fault; the
  // options after it are not read.
  program_request request = program_request::run;
  // illegal_letter: the argument from that letter on; bad_move and
  // bad_code_page: the value of -m or -e; stray_word: the argument itself.
  // Empty otherwise.
  wide_text argument;
};

// Reads the options -x, -f, -o, -m, -c, -e, -k, -n, -s, -q, -r and -t of the
// wide command line (the vector ends in a null entry) into the result, each
// name resolved to an absolute path where it resolves, and notes --help,
// -h and --version. Every argument must be an option or an option's
// value. Stops at the first fault or request and says which; writes
// nothing and never ends the process.
options_result parse_options(int argc, char16_t** argv);

// Writes to standard output what the examiner reads for result's error:
// a line that names the fault, the usage pages for a missing value, and
// nothing for a "?" or no error. The caller ends the process afterwards.
void write_option_error(const options_result& result);
