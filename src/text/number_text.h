#pragma once

// Counts as people read them.

#include <cstdint>
#include <string>

// The count (0 or more) with a comma between every three digits: 1234567
// gives "1,234,567". Never fails.
std::string grouped_digits(std::int64_t count);
