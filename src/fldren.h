#pragma once

// The driver of a fldren run.

#include <cstdint>
#include <string>

// Runs the whole program on the wide command line (the vector ends in a
// null entry). Never returns: every way out, a run that reaches its end
// included, ends the process with its status.
int run_main(int argc, char16_t** argv);

// The count with a comma between every three digits, right-aligned in 19
// characters: 1234567 gives "          1,234,567". Never fails.
std::string group_thousands(std::int64_t count);
