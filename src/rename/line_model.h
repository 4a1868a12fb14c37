#pragma once

// How the lines of an input file are read, and how a record line is cut
// into its tab-delimited columns.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "rename/shared_types.h"
#include "text/text_form.h"
#include "text/wide_text.h"

// An input file read in blocks of bytes, split into lines by read_line.
struct text_input {
  std::FILE* file = nullptr;
  wide_text name;  // the resolved name it was opened under
  text_form form;
  std::size_t content_start = 0;  // the length of its byte-order mark
  std::string raw_line;           // the bytes of the line being read
  std::vector<unsigned char> buffer;
  std::int64_t buffer_offset = 0;  // where the buffer's first byte is held
  std::size_t position = 0;
  std::size_t length = 0;
  bool at_end = false;
  bool read_failed = false;
};

// Makes file the source of input, reading from its start, and finds its
// encoding: UTF-16LE, UTF-16BE or UTF-8 by a byte-order mark (which is
// then no part of the first line), UTF-16LE without one when the file
// begins with an ASCII character and a zero byte, UTF-8 without one when
// its first 64 KiB hold bytes beyond ASCII and all of them are well-formed
// UTF-8, 8-bit text otherwise.
void attach_input(text_input& input, std::FILE* file, const wide_text& name);

// Reads input, whose encoding attach_input found no byte-order mark to
// tell, in the encoding given (a decision taken once, elsewhere, from the
// whole of another file) instead of the one guessed from its start.
void read_input_as(text_input& input, text_encoding encoding);

// Reads input, when attach_input found it 8-bit, in the Windows code page
// the examiner named (-e); 65001 reads it as UTF-8. A byte-order mark or
// well-formed UTF-8 tells more than the examiner can, and is kept; 0
// keeps the system's own reading.
void read_8bit_in(text_input& input, unsigned code_page);

// Goes back to the start of the input; the next read_line gives line one.
void rewind_input(text_input& input);

// Where the next line read_line gives starts, as an offset in the file.
std::int64_t line_offset(const text_input& input);

// Goes to offset, the start of a line as line_offset gave it; false when
// the file cannot be positioned there.
bool seek_input(text_input& input, std::int64_t offset);

// Closes the input's file if it is open.
void close_input(text_input& input);

// Reads the next physical line, whatever its length, into line, decoded
// from the input's encoding (text that could not be read is carried as
// lone surrogates, see unreadable_byte). CR LF
// becomes a line feed, a lone CR, NUL and 0x1A are ordinary characters,
// and the line keeps its line feed. Returns false at end of input, leaving
// line as it was, or on a read error (input.read_failed), after which line
// holds no usable text.
bool read_line(text_input& input, wide_text& line);

// Cuts line at every TAB into fields, entry k being column k, after
// removing one final line feed. Holds at most k_max_columns columns and
// never writes past the table. Never fails.
void split_record(wide_view line, record_fields& fields);

// True when line, as read_line gives it, is a record: blank lines between
// records (a line feed, perhaps one more character) are not. The record
// loop, the count for the progress line and the hashing ahead all skip
// the same lines, so that their record numbers agree.
inline bool is_record_line(wide_view line) { return line.size() >= 3; }
