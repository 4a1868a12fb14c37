#pragma once

// Wide text as the bytes of a file or a console stream, in the form of the
// text it came from. Beside the platform because 8-bit text is the
// system's own code page; Unicode forms are the pure rules of
// text/unicode_text.

#include <string>

#include "text/text_form.h"
#include "text/wide_text.h"

// Appends text encoded: 8-bit as the platform reads it back, UTF-8 (a byte
// that could not be read goes back as that byte, any other lone surrogate
// becomes U+FFFD), or UTF-16 unit for unit. Never fails.
void append_encoded(wide_view text, text_encoding encoding, std::string& bytes);

// The same, as a string of its own.
std::string encode_text(wide_view text, text_encoding encoding);

// The byte-order mark of the encoding; empty for 8-bit text.
std::string byte_order_mark(text_encoding encoding);
