#pragma once

// Writing the program's wide text to the console and to the output file.

#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "rename/run_context.h"

// Narrows wide text one byte per unit, the inverse of how input bytes are
// read; a unit above 255 has no byte and becomes "?". Never fails.
std::string narrow_8bit(wide_view text);

// Writes 8-bit text to the console stream unchanged; false on a write error.
bool write_console_8bit(console_stream stream, std::string_view text);

// Writes wide text to the console stream, narrowed; false on a write error.
bool write_console_text(console_stream stream, wide_view text);

// Writes wide text to the file, narrowed, and hands it to the operating
// system at once; false when either step fails.
bool write_file_text(std::FILE* file, wide_view text);
