#pragma once

// The services fldren takes from the operating system. This header and its
// two implementations, platform_windows.cpp and platform_posix.cpp, are the
// only code that knows which system it runs on.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// Resolves name to an absolute path of fewer than limit characters into
// result. Fails, leaving result unchanged, on an empty name or a path that
// does not fit. The file need not exist.
bool resolve_full_path(std::u16string_view name, std::size_t limit,
                       std::u16string& result);

// Opens an existing file for reading its bytes unchanged; null on failure.
std::FILE* open_for_reading(const std::u16string& path);

// Creates the file, or empties it if it exists, for writing bytes
// unchanged; null on failure.
std::FILE* create_for_writing(const std::u16string& path);

// The line end of text files written here: CR LF on Windows, LF elsewhere.
std::u16string_view text_line_end();

// Appends 8-bit text decoded to wide text: byte for byte on POSIX, through
// the ANSI code page on Windows. Never fails.
void decode_8bit(std::string_view bytes, std::u16string& text);

// Appends wide text encoded as 8-bit text, the inverse of decode_8bit; a
// character that has no 8-bit form becomes "?". Never fails.
void append_8bit_encoded(std::u16string_view text, std::string& bytes);

// The same, as a string of its own.
inline std::string encode_8bit(std::u16string_view text) {
  std::string bytes;
  append_8bit_encoded(text, bytes);
  return bytes;
}

// Positions the file at offset bytes from its start, beyond 2 GiB too;
// false on failure.
bool seek_file(std::FILE* file, std::int64_t offset);

// True when both names lead to the same existing file.
bool same_file(const std::u16string& first, const std::u16string& second);

// How wide text from a list becomes a file-system name on POSIX: byte for
// byte when it came from 8-bit text, as UTF-8 when it came from Unicode
// text. Windows takes wide names as they are.
enum class name_bytes { eight_bit, utf8 };

// Renames the file from to to, both given with the extended-length prefix.
// Never replaces an existing file: fails when to exists, and fails rather
// than risk a replace when the file system cannot promise that. Refuses a
// directory: moving one would move every file below it too.
bool rename_no_replace(const std::u16string& from, const std::u16string& to,
                       name_bytes form);

// True when a file or directory of that name, given with the
// extended-length prefix, exists.
bool path_exists(const std::u16string& path, name_bytes form);

enum class console_stream { out, err };

// Writes bytes unchanged to standard output or standard error; false when
// the stream reports an error.
bool write_console(console_stream stream, std::string_view bytes);

// Writes wide text through a console window's own wide-character output.
// Returns false, writing nothing, when the stream is not a console window
// (redirected, or not on Windows); the caller then writes bytes.
bool write_console_window(console_stream stream, std::u16string_view text);

// Clears the screen when standard output is a terminal; does nothing when
// it is redirected, so that no control text lands in a file.
void clear_screen();

// Takes one character from standard input, waiting for it; returns at once
// at end of input.
void wait_for_key();

// Ends the process with the status; open C streams are flushed and closed.
[[noreturn]] void exit_process(int status);
