#include "rename/line_model.h"

#include "platform/platform.h"
#include "text/code_pages.h"
#include "text/unicode_text.h"

namespace {

constexpr std::size_t k_input_block = 64 * 1024;

// Refills the buffer; false at end of input or on a read error.
bool fill_buffer(text_input& input) {
  if (input.at_end || input.file == nullptr) return false;
  input.buffer_offset += static_cast<std::int64_t>(input.length);
  input.position = 0;
  input.length =
      std::fread(input.buffer.data(), 1, input.buffer.size(), input.file);
  if (input.length == 0) {
    input.at_end = true;
    if (std::ferror(input.file)) input.read_failed = true;
    return false;
  }
  return true;
}

bool more_bytes(text_input& input) {
  return input.position < input.length || fill_buffer(input);
}

// The encoding of a file from its first bytes: a byte-order mark, or an
// ASCII character followed by a zero byte (a header in UTF-16LE without a
// mark, since a header begins with ASCII titles), or UTF-8 without a mark
// when the first block holds text beyond ASCII that is all well-formed
// UTF-8 (8-bit text in a code page almost never is), or else 8-bit text.
void detect_form(text_input& input) {
  const unsigned char* b = input.buffer.data();
  const std::size_t n = input.length;
  input.form = text_form{};
  input.content_start = 0;
  if (n >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
    input.form = {text_encoding::utf16le, true};
    input.content_start = 2;
  } else if (n >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
    input.form = {text_encoding::utf16be, true};
    input.content_start = 2;
  } else if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
    input.form = {text_encoding::utf8, true};
    input.content_start = 3;
  } else if (n >= 2 && b[0] >= 0x20 && b[0] <= 0x7E && b[1] == 0) {
    input.form = {text_encoding::utf16le, false};
  } else if (looks_like_utf8(
                 std::string_view(reinterpret_cast<const char*>(b), n),
                 n == input.buffer.size())) {
    input.form = {text_encoding::utf8, false};
  }
}

// Reads one line's bytes, its line feed kept and a CR before it dropped.
bool read_byte_line(text_input& input, std::string& raw) {
  if (!more_bytes(input)) return false;
  raw.clear();
  while (more_bytes(input)) {
    const unsigned char* block = input.buffer.data();
    std::size_t i = input.position;
    while (i < input.length && block[i] != '\n') ++i;
    const bool line_end = i < input.length;
    raw.append(reinterpret_cast<const char*>(block) + input.position,
               i - input.position);
    input.position = line_end ? i + 1 : i;
    if (line_end) {
      if (!raw.empty() && raw.back() == '\r') raw.pop_back();
      raw.push_back('\n');
      return true;
    }
  }
  // A line cut short by a read error is no line: its last column could
  // name another file.
  return !input.read_failed;
}

bool read_utf16_line(text_input& input, wide_text& line) {
  if (!more_bytes(input)) return false;
  const bool big_endian = input.form.encoding == text_encoding::utf16be;
  line.clear();
  while (more_bytes(input)) {
    const unsigned char first = input.buffer[input.position++];
    if (!more_bytes(input)) {
      // Half a unit at the end of the file.
      line.push_back(unreadable_byte(first));
      break;
    }
    const unsigned char second = input.buffer[input.position++];
    const auto unit = static_cast<char16_t>(big_endian ? (first << 8) | second
                                                       : (second << 8) | first);
    if (unit == u'\n') {
      if (!line.empty() && line.back() == u'\r') line.pop_back();
      line.push_back(u'\n');
      break;
    }
    line.push_back(unit);
  }
  // Lone surrogates stay as they are: they mark text that could not be
  // read, and go back to a UTF-16 output file as they came.
  return !input.read_failed;
}

}  // namespace

void attach_input(text_input& input, std::FILE* file, const wide_text& name) {
  input.file = file;
  input.name = name;
  input.buffer.resize(k_input_block);
  input.buffer_offset = 0;
  input.position = 0;
  input.length = 0;
  input.at_end = false;
  input.read_failed = false;
  fill_buffer(input);
  detect_form(input);
  input.position = input.content_start;
}

void read_input_as(text_input& input, text_encoding encoding) {
  if (!input.form.byte_order_mark) input.form.encoding = encoding;
}

void read_8bit_in(text_input& input, unsigned code_page) {
  if (input.form.encoding != text_encoding::eight_bit) return;
  if (code_page == k_utf8_code_page)
    input.form.encoding = text_encoding::utf8;
  else
    input.form.code_page = code_page;
}

void rewind_input(text_input& input) {
  if (input.file == nullptr) return;
  if (!seek_input(input, 0)) input.read_failed = true;
  // The byte-order mark is not part of the first line.
  if (fill_buffer(input))
    input.position = std::min(input.content_start, input.length);
}

std::int64_t line_offset(const text_input& input) {
  return input.buffer_offset + static_cast<std::int64_t>(input.position);
}

bool seek_input(text_input& input, std::int64_t offset) {
  if (input.file == nullptr) return false;
  std::clearerr(input.file);
  input.position = 0;
  input.length = 0;
  input.at_end = false;
  input.buffer_offset = offset;
  return seek_file(input.file, offset);
}

void close_input(text_input& input) {
  if (input.file != nullptr) std::fclose(input.file);
  input.file = nullptr;
}

bool read_line(text_input& input, wide_text& line) {
  if (input.form.encoding == text_encoding::utf16le ||
      input.form.encoding == text_encoding::utf16be)
    return read_utf16_line(input, line);
  if (!read_byte_line(input, input.raw_line)) return false;
  line.clear();
  if (input.form.encoding == text_encoding::utf8)
    append_utf8_decoded(input.raw_line, line);
  else
    decode_code_page(input.form.code_page, input.raw_line, line);
  return true;
}

void split_record(wide_view line, record_fields& fields) {
  if (!line.empty() && line.back() == u'\n') line.remove_suffix(1);
  fields.count = 0;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find(u'\t', start);
    fields.columns[static_cast<std::size_t>(fields.count++)] =
        line.substr(start, tab == wide_view::npos ? tab : tab - start);
    if (tab == wide_view::npos || fields.count == k_max_columns) return;
    start = tab + 1;
  }
}
