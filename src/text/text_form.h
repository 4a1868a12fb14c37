#pragma once

// How a file holds its text. An 8-bit file is read byte for byte on POSIX
// and through the ANSI code page on Windows, unless the examiner names
// its code page (-e).

enum class text_encoding { eight_bit, utf8, utf16le, utf16be };

// The encoding of a file and whether it begins with a byte-order mark.
struct text_form {
  text_encoding encoding = text_encoding::eight_bit;
  bool byte_order_mark = false;
  // For 8-bit text, the Windows code page it is read in; 0 for the
  // system's own reading.
  unsigned code_page = 0;
};

// The form the text of a file read in form is written back in: its own,
// so that a report gives back the bytes it read; but text read in a
// chosen code page is Unicode once read, and goes out as UTF-8 with a
// byte-order mark, which holds every name it gave and which every reader,
// fldren-undo and -r among them, tells without being told.
inline text_form written_form(const text_form& form) {
  if (form.encoding == text_encoding::eight_bit && form.code_page != 0)
    return {text_encoding::utf8, true, 0};
  return form;
}
