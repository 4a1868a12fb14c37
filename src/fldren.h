#pragma once

// The driver of a fldren run. Its entry, run_main, is declared with the
// other program's in platform/program_entry.h, where the platform's main
// calls it.

#include <cstdint>
#include <string>

// The count with a comma between every three digits, right-aligned in 19
// characters: 1234567 gives "          1,234,567". Never fails.
std::string group_thousands(std::int64_t count);
