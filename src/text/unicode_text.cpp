#include "text/unicode_text.h"

#include <algorithm>

namespace {

bool is_high_surrogate(char32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool is_low_surrogate(char32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

void append_code_point(char32_t code, std::u16string& text) {
  if (code < 0x10000) {
    text.push_back(static_cast<char16_t>(code));
    return;
  }
  code -= 0x10000;
  text.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
  text.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
}

}  // namespace

namespace {

// The length of the UTF-8 sequence led by lead, and the range its second
// byte must lie in; the narrower ranges shut out overlong forms,
// surrogates and code points above U+10FFFF. Length 0 for a byte that
// leads no sequence.
struct utf8_lead {
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  char32_t code = 0;
};

utf8_lead read_lead(unsigned char lead) {
  utf8_lead result;
  if (lead >= 0xC2 && lead <= 0xDF) {
    result.length = 2;
    result.code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    result.length = 3;
    result.code = lead & 0x0F;
    if (lead == 0xE0) result.low = 0xA0;
    if (lead == 0xED) result.high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    result.length = 4;
    result.code = lead & 0x07;
    if (lead == 0xF0) result.low = 0x90;
    if (lead == 0xF4) result.high = 0x8F;
  }
  return result;
}

// Reads the sequence whose lead is at bytes[i - 1], moving i past the
// bytes that belong to it; how many of its bytes were well-formed.
std::size_t read_sequence(std::string_view bytes, std::size_t& i,
                          utf8_lead& sequence) {
  std::size_t taken = 1;
  for (; taken < sequence.length && i < bytes.size(); ++taken, ++i) {
    const auto next = static_cast<unsigned char>(bytes[i]);
    if (next < sequence.low || next > sequence.high) break;
    sequence.code = (sequence.code << 6) | (next & 0x3F);
    sequence.low = 0x80;
    sequence.high = 0xBF;
  }
  return taken;
}

}  // namespace

void append_utf8_decoded(std::string_view bytes, std::u16string& text) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i++]);
    if (lead < 0x80) {
      text.push_back(lead);
      continue;
    }
    const std::size_t start = i - 1;
    utf8_lead sequence = read_lead(lead);
    if (sequence.length != 0 &&
        read_sequence(bytes, i, sequence) == sequence.length) {
      append_code_point(sequence.code, text);
      continue;
    }
    for (std::size_t at = start; at < i; ++at)
      text.push_back(unreadable_byte(static_cast<unsigned char>(bytes[at])));
  }
}

bool looks_like_utf8(std::string_view bytes, bool cut) {
  bool beyond_ascii = false;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i++]);
    if (lead < 0x80) continue;
    beyond_ascii = true;
    utf8_lead sequence = read_lead(lead);
    if (sequence.length == 0) return false;
    if (read_sequence(bytes, i, sequence) < sequence.length &&
        !(cut && i == bytes.size()))
      return false;
  }
  return beyond_ascii;
}

void append_utf8_encoded(std::u16string_view text, std::string& bytes) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t code = text[i];
    if (is_high_surrogate(code) && i + 1 < text.size() &&
        is_low_surrogate(text[i + 1])) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (is_unreadable_byte(static_cast<char16_t>(code))) {
      bytes.push_back(static_cast<char>(code & 0xFF));
      continue;
    } else if (is_high_surrogate(code) || is_low_surrogate(code)) {
      code = k_replacement_character;
    }
    if (code < 0x80) {
      bytes.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      bytes.push_back(static_cast<char>(0xC0 | (code >> 6)));
      bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      bytes.push_back(static_cast<char>(0xE0 | (code >> 12)));
      bytes.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      bytes.push_back(static_cast<char>(0xF0 | (code >> 18)));
      bytes.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
}

std::size_t whole_piece(std::u16string_view text, std::size_t at,
                        std::size_t most) {
  if (at >= text.size()) return 0;
  std::size_t units = std::min(most, text.size() - at);
  if (units > 1 && at + units < text.size() &&
      is_high_surrogate(text[at + units - 1]) &&
      is_low_surrogate(text[at + units]))
    --units;
  return units;
}

std::size_t utf8_length(std::u16string_view text) {
  std::size_t length = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char32_t unit = text[i];
    if (is_high_surrogate(unit) && i + 1 < text.size() &&
        is_low_surrogate(text[i + 1])) {
      length += 4;
      ++i;
    } else if (is_unreadable_byte(text[i]) || unit < 0x80) {
      length += 1;
    } else if (unit < 0x800) {
      length += 2;
    } else {
      length += 3;  // a lone surrogate too, written as U+FFFD
    }
  }
  return length;
}

void append_utf16_encoded(std::u16string_view text, bool big_endian,
                          std::string& bytes) {
  for (char16_t unit : text) {
    const auto low = static_cast<char>(unit & 0xFF);
    const auto high = static_cast<char>(unit >> 8);
    bytes.push_back(big_endian ? high : low);
    bytes.push_back(big_endian ? low : high);
  }
}

char16_t unreadable_byte(unsigned char byte) {
  return static_cast<char16_t>(0xDC00 + byte);
}

bool is_unreadable_byte(char16_t unit) {
  return unit >= 0xDC80 && unit <= 0xDCFF;
}

bool holds_lone_surrogate(std::u16string_view text) {
  // Looks at every unit without stopping first: each record's whole path
  // comes here, and almost none holds a surrogate at all.
  unsigned any = 0;
  for (char16_t unit : text)
    any |= static_cast<unsigned>(unit >= 0xD800 && unit <= 0xDFFF);
  if (any == 0) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (is_high_surrogate(text[i]) && i + 1 < text.size() &&
        is_low_surrogate(text[i + 1])) {
      ++i;
      continue;
    }
    if (is_high_surrogate(text[i]) || is_low_surrogate(text[i])) return true;
  }
  return false;
}
