#pragma once

// The report of one rename: its console line and its output-file line, and
// reading an output-file line back, which is what lets fldren-undo take a
// run back from the file alone.

#include <cstdio>

#include "rename/run_context.h"

// One output-file line: source path, "==>", destination path, "Success" or
// "Failure", and the value of the first chosen column, TAB-separated.
struct report_line {
  wide_view source;
  wide_view destination;
  bool success = false;
  wide_view first_value;
};

// Reads line (its line feed, if any, ignored) as an output-file line; false,
// leaving entry unspecified, when it is anything else.
bool parse_report_line(wide_view line, report_line& entry);

// Where a report goes: the console in the encoding of the list it came
// from, and the output file when one is open.
struct report_target {
  text_encoding console_encoding = text_encoding::eight_bit;
  std::FILE* file = nullptr;
  text_form file_form;
  bool* file_marked = nullptr;  // whether the file's mark is written
};

// Writes "\n", source, TAB, "==>", TAB, destination, TAB and the result word
// to standard output, and the same fields without the line feed, then TAB
// and first_value, as one line of the target file. scratch is reused text.
// Returns false when the file line could not be written.
bool write_rename_report(const report_target& target, wide_view source,
                         wide_view destination, bool success,
                         wide_view first_value, wide_text& scratch);
