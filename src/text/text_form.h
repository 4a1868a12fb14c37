#pragma once

// How a file holds its text. An 8-bit file is read byte for byte on POSIX
// and through the ANSI code page on Windows.

enum class text_encoding { eight_bit, utf8, utf16le, utf16be };

// The encoding of a file and whether it begins with a byte-order mark.
struct text_form {
  text_encoding encoding = text_encoding::eight_bit;
  bool byte_order_mark = false;
};
