#pragma once

// Turning the command line into run_options, and what is wrong with a
// command line that does not give them.

#include <cstddef>

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
  late_option,            // an option after the argument the options end at
  resume_without_output,  // -r without -o
};

struct options_result {
  run_options options;  // what was read before the error, if there is one
  option_error error = option_error::none;
  // illegal_letter: the argument from that letter on; bad_move: the value
  // of -m; late_option: the option that comes too late. Empty otherwise.
  wide_text argument;
  wide_text options_end;  // late_option: the argument the options end at
};

// Reads the options -x, -f, -o, -m, -c, -n, -s, -q and -r of the wide
// command line (the vector ends in a null entry) into the result, each
// name resolved to an absolute path where it resolves. Stops at the first
// fault and says which; writes nothing and never ends the process.
options_result parse_options(int argc, char16_t** argv);

// Writes to standard output what the examiner reads for result's error:
// a line that names the fault, the usage pages for a missing value, and
// nothing for a "?" or no error. The caller ends the process afterwards.
void write_option_error(const options_result& result);
