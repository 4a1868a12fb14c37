#include "text/hash_text.h"

namespace {

bool is_hex_digit(char16_t unit) {
  return (unit >= u'0' && unit <= u'9') || (unit >= u'a' && unit <= u'f') ||
         (unit >= u'A' && unit <= u'F');
}

// A hex digit in lower case; other units as they are.
char16_t lower_hex(char16_t unit) {
  return unit >= u'A' && unit <= u'F' ? static_cast<char16_t>(unit + 0x20)
                                      : unit;
}

// value without the ASCII spaces at either end.
wide_view trimmed(wide_view value) {
  const std::size_t first = value.find_first_not_of(u' ');
  if (first == wide_view::npos) return wide_view();
  const std::size_t last = value.find_last_not_of(u' ');
  return value.substr(first, last - first + 1);
}

}  // namespace

std::size_t hex_length_of(hash_kind kind) {
  switch (kind) {
    case hash_kind::md5:
      return 32;
    case hash_kind::sha1:
      return 40;
    case hash_kind::sha256:
      return 64;
    case hash_kind::none:
      break;
  }
  return 0;
}

hash_kind hash_kind_of_hex(wide_view value) {
  const wide_view digits = trimmed(value);
  for (const char16_t unit : digits)
    if (!is_hex_digit(unit)) return hash_kind::none;
  for (const hash_kind kind :
       {hash_kind::md5, hash_kind::sha1, hash_kind::sha256})
    if (digits.size() == hex_length_of(kind)) return kind;
  return hash_kind::none;
}

bool hex_digest_matches(std::string_view computed, wide_view listed) {
  if (hash_kind_of_hex(listed) == hash_kind::none) return false;
  const wide_view digits = trimmed(listed);
  if (digits.size() != computed.size()) return false;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    const auto unit =
        static_cast<char16_t>(static_cast<unsigned char>(computed[i]));
    if (!is_hex_digit(unit) || lower_hex(unit) != lower_hex(digits[i]))
      return false;
  }
  return true;
}

void lower_hex_of(const unsigned char* bytes, std::size_t count,
                  std::string& hex) {
  static constexpr char k_digits[] = "0123456789abcdef";
  hex.resize(count * 2);
  for (std::size_t i = 0; i < count; ++i) {
    hex[2 * i] = k_digits[bytes[i] >> 4];
    hex[2 * i + 1] = k_digits[bytes[i] & 0x0F];
  }
}
