#include "rename/line_model.h"

namespace {

constexpr std::size_t k_input_block = 64 * 1024;

// Refills the buffer; false at end of input or on a read error.
bool fill_buffer(text_input& input) {
  if (input.at_end || input.file == nullptr) return false;
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

}  // namespace

void attach_input(text_input& input, std::FILE* file, const wide_text& name) {
  input.file = file;
  input.name = name;
  input.buffer.resize(k_input_block);
  input.position = 0;
  input.length = 0;
  input.at_end = false;
  input.read_failed = false;
}

void rewind_input(text_input& input) {
  if (input.file == nullptr) return;
  std::clearerr(input.file);
  if (std::fseek(input.file, 0, SEEK_SET) != 0) input.read_failed = true;
  input.position = 0;
  input.length = 0;
  input.at_end = false;
}

void close_input(text_input& input) {
  if (input.file != nullptr) std::fclose(input.file);
  input.file = nullptr;
}

bool read_line(text_input& input, wide_text& line) {
  if (input.position == input.length && !fill_buffer(input)) return false;
  line.clear();
  for (;;) {
    if (input.position == input.length && !fill_buffer(input)) return true;
    const unsigned char* block = input.buffer.data();
    std::size_t i = input.position;
    const std::size_t end = input.length;
    // Copy plain bytes in one run; stop at the two bytes that need a look.
    while (i < end && block[i] != '\n' && block[i] != '\r') ++i;
    line.append(block + input.position, block + i);
    input.position = i;
    if (i == end) continue;
    ++input.position;
    if (block[i] == '\n') {
      line.push_back(u'\n');
      return true;
    }
    // A CR: it joins a line feed that follows, even one in the next block.
    if (input.position == input.length && !fill_buffer(input)) {
      line.push_back(u'\r');
      return true;
    }
    if (input.buffer[input.position] == '\n') {
      ++input.position;
      line.push_back(u'\n');
      return true;
    }
    line.push_back(u'\r');
  }
}

void split_record(wide_view line, record_fields& fields) {
  if (!line.empty() && line.back() == u'\n') line.remove_suffix(1);
  fields.count = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= line.size(); ++i) {
    if (i < line.size() && line[i] != u'\t') continue;
    fields.columns[static_cast<std::size_t>(fields.count++)] =
        line.substr(start, i - start);
    if (fields.count == k_max_columns) return;
    start = i + 1;
  }
}
