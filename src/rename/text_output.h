#pragma once

// Writing the program's wide text to the console and to the output file,
// each in the form of the text it came from.

#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "rename/run_context.h"

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

// Writes line and the platform's line end to the file in form, after the
// byte-order mark if form has one and marked is still clear, and hands it
// all to the operating system at once; false when any step fails.
bool write_file_line(std::FILE* file, wide_view line, text_form form,
                     bool& marked);
