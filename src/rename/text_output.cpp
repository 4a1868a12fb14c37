#include "rename/text_output.h"

std::string narrow_8bit(wide_view text) {
  std::string bytes;
  bytes.resize(text.size());
  for (std::size_t i = 0; i < text.size(); ++i)
    bytes[i] = text[i] > 255 ? '?' : static_cast<char>(text[i]);
  return bytes;
}

bool write_console_8bit(console_stream stream, std::string_view text) {
  return write_console(stream, text);
}

bool write_console_text(console_stream stream, wide_view text) {
  return write_console(stream, narrow_8bit(text));
}

bool write_file_text(std::FILE* file, wide_view text) {
  const std::string bytes = narrow_8bit(text);
  // Flushed per call: a run that is killed still leaves every line it wrote
  // with the operating system.
  if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
    return false;
  return std::fflush(file) == 0;
}
