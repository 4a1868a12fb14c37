#pragma once

// The types the stages of a run share: wide text, the tables the header
// analysis fills, a record's columns, a path's parts, and an input file.

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// All text inside the program is 16-bit wide text on every platform.
using wide_text = std::u16string;
using wide_view = std::u16string_view;

// The prefix that makes Windows take a path literally; it stands in front of
// both paths of every rename.
inline constexpr wide_view k_extended_length_prefix = u"\\\\?\\";

// The most columns of one record that are held.
inline constexpr int k_max_columns = 100;
// Entries of selected_columns, the closing -1 included.
inline constexpr int k_max_selected = 100;
// The most titles a field list may hold.
inline constexpr int k_max_field_names = 128;
// The most characters of one field-list line, its line feed included.
inline constexpr std::size_t k_max_field_line = 255;

// A moved export: Destination values that begin with from begin with to
// instead.
struct path_move {
  wide_text from;
  wide_text to;
};

struct run_options {
  bool output_requested = false;
  bool preview = false;     // report what each rename would do, rename nothing
  bool safe_names = false;  // characters no Windows name holds become '_'
  bool quiet = false;       // report failures only, and progress
  std::vector<path_move> moves;
  // Each name is the absolute path of the value given, or the value itself
  // when it could not be resolved; empty when the option was not given.
  wide_text export_list_name;
  wide_text field_list_name;
  wide_text output_file_name;
};

struct field_name_list {
  std::array<wide_text, k_max_field_names> names;
  int count = 0;
};

// Column numbers of the matched titles in field-list order, closed by -1.
using selected_columns = std::array<std::int32_t, k_max_selected>;

struct keyword_columns {
  std::int32_t destination = -1;
  std::int32_t path = -1;
  std::int32_t name = -1;
  std::int32_t evidence = -1;
};

// The columns of the current record: views into the current line, valid
// until the next line is read. count is the number of columns held.
struct record_fields {
  std::array<wide_view, k_max_columns> columns;
  int count = 0;
};

struct path_parts {
  wide_view drive;
  wide_view directory;
  wide_view base_name;
  wide_view extension;
};

// How a file's text is held. An 8-bit file is read byte for byte on POSIX
// and through the ANSI code page on Windows.
enum class text_encoding { eight_bit, utf8, utf16le, utf16be };

// The encoding of a file and whether it begins with a byte-order mark.
struct text_form {
  text_encoding encoding = text_encoding::eight_bit;
  bool byte_order_mark = false;
};

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

// What the header analysis found: the columns whose values go in front of
// each name, and the keyword columns.
struct column_plan {
  field_name_list field_names;
  selected_columns selected{};
  keyword_columns keywords;
};
