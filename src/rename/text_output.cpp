#include "rename/text_output.h"

#include "rename/unicode_text.h"

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

namespace {

// Every console line the programs write passes through here; one buffer
// kept for them all spares an allocation per line.
std::string& write_buffer() {
  static std::string buffer;
  buffer.clear();
  return buffer;
}

}  // namespace

std::string byte_order_mark(text_encoding encoding) {
  if (encoding == text_encoding::eight_bit) return {};
  return encode_text(u"\uFEFF", encoding);
}

bool write_console_8bit(console_stream stream, std::string_view text) {
  return write_console(stream, text);
}

bool write_console_text(console_stream stream, wide_view text,
                        text_encoding encoding) {
  if (encoding != text_encoding::eight_bit &&
      write_console_window(stream, text))
    return true;
  std::string& bytes = write_buffer();
  append_encoded(
      text,
      encoding == text_encoding::eight_bit ? encoding : text_encoding::utf8,
      bytes);
  return write_console(stream, bytes);
}
