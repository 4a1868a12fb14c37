#pragma once

// The console: text from the evidence made safe to show, and the batches
// that carry it to standard output in the form of the text it came from.

#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "text/text_form.h"
#include "text/wide_text.h"

// Appends text with every control character (U+0000 to U+001F, U+007F to
// U+009F) written as "\x1B", the line and paragraph separators as "\u2028"
// and "\u2029", and every lone surrogate, which stands for text that could
// not be read, as "\x85" for a byte or "\uD800" otherwise, so that text
// from the evidence shows as what it is, never drives the terminal and
// never ends a line by any reader's rule. For the console and the run
// record: the output file keeps the text as read. Never fails.
void append_console_safe(wide_view text, wide_text& result);

// The same, as text of its own.
wide_text console_safe(wide_view text);

// Where console text goes: the platform's services, or a test's own.
struct console_sink {
  bool (*is_window)(console_stream);
  bool (*write_wide)(console_stream, std::u16string_view);
  bool (*write_bytes)(console_stream, std::string_view);
};

// The platform's console; the sink in use until set_console_sink.
console_sink platform_console();

// Sends every later console write to sink, after writing what the batch
// holds. For tests.
void set_console_sink(const console_sink& sink);

// Writes 8-bit text to the console stream unchanged, after the batch; false
// on a write error.
bool write_console_8bit(console_stream stream, std::string_view text);

// Writes wide text to the console stream, after the batch: through a
// console window's wide output, whatever the encoding, so that every
// character shows; otherwise as bytes, 8-bit text as the platform encodes
// it and Unicode text as UTF-8. False on a write error.
bool write_console_text(console_stream stream, wide_view text,
                        text_encoding encoding);

// The same for the program's own messages and names from the command
// line, in the command line's encoding (command_line_encoding), or after
// follow_list_encoding in the list's.
bool write_console_text(console_stream stream, wide_view text);

// From here on the program's own messages go out as the report lines of a
// Unicode list do, UTF-8 where they are bytes: a redirected output then
// holds one encoding, not the command line's code page beside the list's
// UTF-8. An 8-bit list changes nothing: its report lines are in the code
// page already. Never fails.
void follow_list_encoding(text_encoding list);

// One of the program's messages to standard output, as write_console_text
// writes it.
inline bool write_out(wide_view text) {
  return write_console_text(console_stream::out, text);
}

// Adds text for standard output to the batch, which is written as it
// reaches 64 KiB, when a quarter of a second has passed since the batch's
// first text, and by any other console write or flush_console: a console
// window takes a round trip per write, so a line each would cost more than
// the renames. The same bytes or characters as write_console_text. False
// when a write failed.
bool write_console_batched(wide_view text, text_encoding encoding);

// Writes what the batch holds. False on a write error.
bool flush_console();
