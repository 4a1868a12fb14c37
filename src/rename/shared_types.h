#pragma once

// The types the stages of a run share: the options, the tables the header
// analysis fills, a record's columns and a path's parts. Plain values, with
// no file or run behind them, so that the pure pieces can take them too.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "text/path_forms.h"
#include "text/wide_text.h"

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
  bool preview = false;     // report what each rename would do, rename nothing
  bool safe_names = false;  // characters no Windows name holds become '_'
  bool quiet = false;       // report failures only, and progress
  bool resume = false;      // continue the run whose output file -o names
  bool trim = false;        // shorten a name too long for its folder
  // -k: the examiner's case note for the run record and the report page.
  wide_text case_note;
  // -e: the Windows code page 8-bit lists are read in; 0 when not given.
  unsigned code_page = 0;
  // -c: the title of the column holding each file's hash; empty when each
  // file is not to be checked.
  wide_text hash_title;
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

// What the header analysis found: the columns whose values go in front of
// each name, and the keyword columns.
struct column_plan {
  field_name_list field_names;
  selected_columns selected{};
  keyword_columns keywords;
  std::int32_t hash_column = -1;  // -c's column, -1 when not asked for
};
