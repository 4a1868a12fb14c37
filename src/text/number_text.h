#pragma once

// Counts as people read them.

#include <cstdint>
#include <string>

// The count (0 or more) with a comma between every three digits: 1234567
// gives "1,234,567". Never fails.
std::string grouped_digits(std::int64_t count);

// The same as wide text, for messages.
std::u16string grouped_text(std::int64_t count);

// The count in plain decimal digits, as wide text: 1234567 gives
// "1234567". Never fails.
std::u16string decimal_text(std::int64_t count);

// The count grouped as grouped_digits, right-aligned in 19 characters:
// 1234567 gives "          1,234,567". Never fails.
std::string group_thousands(std::int64_t count);
