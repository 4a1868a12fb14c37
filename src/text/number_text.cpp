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

std::u16string grouped_text(std::int64_t count) {
  const std::string digits = grouped_digits(count);
  return std::u16string(digits.begin(), digits.end());
}

std::u16string decimal_text(std::int64_t count) {
  const std::string digits = std::to_string(count);
  return std::u16string(digits.begin(), digits.end());
}

namespace {

constexpr std::size_t k_grouped_width = 19;

}  // namespace

std::string group_thousands(std::int64_t count) {
  std::string grouped = grouped_digits(count);
  if (grouped.size() < k_grouped_width)
    grouped.insert(0, k_grouped_width - grouped.size(), ' ');
  return grouped;
}
