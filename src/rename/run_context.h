#pragma once

// The run context: the one set of state that every stage of a run reads and
// writes. It lives from the start of the run until the process ends.

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "exit_status.h"

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

struct run_options {
  bool output_requested = false;
  bool preview = false;  // report what each rename would do, rename nothing
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

struct run_context {
  run_options options;
  field_name_list field_names;
  selected_columns selected{};
  keyword_columns keywords;
  record_fields fields;
  path_parts parts;

  text_input field_list;
  text_input export_list;
  std::FILE* output_file = nullptr;
  bool output_failed = false;  // a line could not be written to it
  bool output_marked = false;  // its byte-order mark has been written
  // The export list's form, which the report takes on the console and in
  // the output file; 8-bit until the export list is open.
  text_form report_form;

  // In a preview, the names that earlier records would have taken and
  // freed, so that each record's outcome is the one the real run would give.
  std::unordered_set<wide_text> preview_taken;
  std::unordered_set<wide_text> preview_freed;

  std::int64_t processed = 0;
  std::int64_t renamed = 0;
  std::int64_t failed = 0;

  wide_text line;
  wide_text source_path;
  wide_text destination_path;
  wide_text report;
};

// Sets every part of the context to its start value.
void init_run_context(run_context& run);

// Closes every open file of the run, flushes the console and ends the
// process with the status. Never returns.
[[noreturn]] void end_run(run_context& run, exit_status status);

// Flushes the console and ends the process with the status, or with status
// 1 instead of 0 when standard output could not be written. Never returns.
[[noreturn]] void finish_process(exit_status status);
