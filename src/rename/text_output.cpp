#include "rename/text_output.h"

#include "rename/unicode_text.h"

std::string encode_text(wide_view text, text_encoding encoding) {
  std::string bytes;
  switch (encoding) {
    case text_encoding::eight_bit:
      return encode_8bit(text);
    case text_encoding::utf8:
      append_utf8_encoded(text, bytes);
      break;
    case text_encoding::utf16le:
    case text_encoding::utf16be:
      append_utf16_encoded(text, encoding == text_encoding::utf16be, bytes);
      break;
  }
  return bytes;
}

std::string byte_order_mark(text_encoding encoding) {
  if (encoding == text_encoding::eight_bit) return {};
  return encode_text(u"\uFEFF", encoding);
}

bool write_console_8bit(console_stream stream, std::string_view text) {
  return write_console(stream, text);
}

bool write_console_text(console_stream stream, wide_view text,
                        text_encoding encoding) {
  if (encoding == text_encoding::eight_bit)
    return write_console(stream, encode_8bit(text));
  if (write_console_window(stream, text)) return true;
  return write_console(stream, encode_text(text, text_encoding::utf8));
}

bool write_file_line(std::FILE* file, wide_view line, text_form form,
                     bool& marked) {
  std::string bytes;
  if (form.byte_order_mark && !marked) bytes = byte_order_mark(form.encoding);
  bytes += encode_text(line, form.encoding);
  bytes += encode_text(text_line_end(), form.encoding);
  // Flushed per line: a run that is killed still leaves every line it
  // wrote with the operating system.
  if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
    return false;
  marked = true;
  return std::fflush(file) == 0;
}
