#pragma once

// Encoding the program's wide text for the console and the output file,
// each in the form of the text it came from, and writing it to the console.

#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "rename/shared_types.h"

// Appends text encoded: 8-bit as the platform reads it back, UTF-8 (a lone
// surrogate becomes U+FFFD), or UTF-16 unit for unit. Never fails.
void append_encoded(wide_view text, text_encoding encoding, std::string& bytes);

// The same, as a string of its own.
std::string encode_text(wide_view text, text_encoding encoding);

// The byte-order mark of the encoding; empty for 8-bit text.
std::string byte_order_mark(text_encoding encoding);

// Writes 8-bit text to the console stream unchanged; false on a write error.
bool write_console_8bit(console_stream stream, std::string_view text);

// Writes wide text to the console stream: 8-bit text as the platform
// encodes it; Unicode text through a console window's wide output, or as
// UTF-8 when the stream is redirected. False on a write error.
bool write_console_text(console_stream stream, wide_view text,
                        text_encoding encoding = text_encoding::eight_bit);
