#include "console/text_output.h"

#include <chrono>

#include "platform/encoded_text.h"
#include "text/unicode_text.h"

namespace {

// U+2028 and U+2029 are no controls, but a reader that splits lines as
// Unicode does ends a line at each: shown as they are, they would let a
// name start a line of its own, on the console and in the run record.
constexpr char16_t k_line_separator = 0x2028;
constexpr char16_t k_paragraph_separator = 0x2029;

bool needs_escape(char16_t unit) {
  return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F) ||
         unit == k_line_separator || unit == k_paragraph_separator ||
         (unit >= 0xD800 && unit <= 0xDFFF);
}

void append_hex(char16_t code, int digits, wide_text& result) {
  constexpr char16_t k_digits[] = u"0123456789ABCDEF";
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
    result += k_digits[(code >> shift) & 0xF];
}

}  // namespace

void append_console_safe(wide_view text, wide_text& result) {
  // Most text needs no escape: one look, then one copy.
  std::size_t clean = 0;
  while (clean < text.size() && !needs_escape(text[clean])) ++clean;
  result.append(text.substr(0, clean));
  for (std::size_t i = clean; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (!needs_escape(unit)) {
      result += unit;
    } else if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() &&
               text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      result += unit;  // a pair: one character beyond the BMP
      result += text[++i];
    } else if (is_unreadable_byte(unit)) {
      result += u"\\x";
      append_hex(static_cast<char16_t>(unit & 0xFF), 2, result);
    } else if (unit > 0xFF) {
      result += u"\\u";
      append_hex(unit, 4, result);
    } else {
      result += u"\\x";
      append_hex(unit, 2, result);
    }
  }
}

wide_text console_safe(wide_view text) {
  wide_text result;
  append_console_safe(text, result);
  return result;
}

namespace {

constexpr std::size_t k_batch_bytes = 64 * 1024;
constexpr auto k_batch_age = std::chrono::milliseconds(250);

bool platform_is_window(console_stream stream) {
  return console_is_window(stream);
}

struct console_state {
  console_sink sink = {platform_is_window, write_console_window, write_console};
  int window = -1;  // whether standard output is a console window; -1 unknown
  // The batch of standard output: wide text for a console window, bytes
  // otherwise; never both.
  std::u16string wide;
  std::string bytes;
  std::chrono::steady_clock::time_point since;
  // A write to standard output failed: the report is not whole, whatever
  // later writes do.
  bool failed = false;
  // The encoding of the program's own messages, once a Unicode list set
  // it; the command line's until then.
  bool messages_set = false;
  text_encoding messages = text_encoding::eight_bit;
};

console_state& console() {
  static console_state state;
  return state;
}

bool out_is_window(console_state& state) {
  if (state.window < 0)
    state.window = state.sink.is_window(console_stream::out) ? 1 : 0;
  return state.window == 1;
}

void append_console_text(console_state& state, wide_view text,
                         text_encoding encoding) {
  if (out_is_window(state)) {
    state.wide += text;
    return;
  }
  append_encoded(
      text,
      encoding == text_encoding::eight_bit ? encoding : text_encoding::utf8,
      state.bytes);
}

}  // namespace

console_sink platform_console() {
  return {platform_is_window, write_console_window, write_console};
}

void set_console_sink(const console_sink& sink) {
  flush_console();
  console() = console_state();
  console().sink = sink;
}

bool flush_console() {
  console_state& state = console();
  bool ok = true;
  if (!state.wide.empty())
    ok = state.sink.write_wide(console_stream::out, state.wide);
  if (!state.bytes.empty())
    ok = state.sink.write_bytes(console_stream::out, state.bytes) && ok;
  state.wide.clear();
  state.bytes.clear();
  state.failed = state.failed || !ok;
  return !state.failed;
}

bool write_console_batched(wide_view text, text_encoding encoding) {
  console_state& state = console();
  const auto now = std::chrono::steady_clock::now();
  if (state.wide.empty() && state.bytes.empty()) state.since = now;
  append_console_text(state, text, encoding);
  if (state.bytes.size() < k_batch_bytes &&
      state.wide.size() * 2 < k_batch_bytes && now - state.since < k_batch_age)
    return true;
  return flush_console();
}

bool write_console_8bit(console_stream stream, std::string_view text) {
  const bool flushed = flush_console();
  const bool written = console().sink.write_bytes(stream, text);
  if (stream == console_stream::out && !written) console().failed = true;
  return written && flushed;
}

bool write_console_text(console_stream stream, wide_view text) {
  const console_state& state = console();
  return write_console_text(
      stream, text,
      state.messages_set ? state.messages : command_line_encoding());
}

void follow_list_encoding(text_encoding list) {
  if (list == text_encoding::eight_bit) return;
  console().messages_set = true;
  console().messages = list;
}

bool write_console_text(console_stream stream, wide_view text,
                        text_encoding encoding) {
  bool ok = flush_console();
  console_state& state = console();
  if (stream == console_stream::out) {
    append_console_text(state, text, encoding);
    return flush_console() && ok;
  }
  if (state.sink.is_window(stream))
    return state.sink.write_wide(stream, text) && ok;
  std::string bytes;
  append_encoded(
      text,
      encoding == text_encoding::eight_bit ? encoding : text_encoding::utf8,
      bytes);
  return state.sink.write_bytes(stream, bytes) && ok;
}
