#include "platform/encoded_text.h"

#include "platform/platform.h"
#include "text/unicode_text.h"

void append_encoded(wide_view text, text_encoding encoding,
                    std::string& bytes) {
  switch (encoding) {
    case text_encoding::eight_bit:
      append_8bit_encoded(text, bytes);
      break;
    case text_encoding::utf8:
      append_utf8_encoded(text, bytes);
      break;
    case text_encoding::utf16le:
    case text_encoding::utf16be:
      append_utf16_encoded(text, encoding == text_encoding::utf16be, bytes);
      break;
  }
}

std::string encode_text(wide_view text, text_encoding encoding) {
  std::string bytes;
  append_encoded(text, encoding, bytes);
  return bytes;
}

std::string byte_order_mark(text_encoding encoding) {
  if (encoding == text_encoding::eight_bit) return {};
  return encode_text(u"\uFEFF", encoding);
}
