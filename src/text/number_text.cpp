#include "text/number_text.h"

std::string grouped_digits(std::int64_t count) {
  const std::string digits = std::to_string(count);
  std::string grouped;
  int copied = 0;
  for (std::size_t i = digits.size(); i > 0; --i) {
    grouped.insert(grouped.begin(), digits[i - 1]);
    ++copied;
    if (copied % 3 == 0 && i > 1) grouped.insert(grouped.begin(), ',');
  }
  return grouped;
}
