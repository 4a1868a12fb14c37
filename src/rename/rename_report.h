#pragma once

// The report of one rename: its console line and its output-file line, and
// reading an output-file line back, which is what lets fldren-undo take a
// run back from the file alone.

#include <cstdio>

#include "platform/platform.h"
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

// How names read from text of this encoding reach a POSIX file system.
name_bytes name_bytes_of(text_encoding encoding);

// The output-file line of one rename: source, "==>", destination, result
// word and first_value, TAB-separated. Written in form (after the mark if
// marked is clear) and handed to the operating system before the caller
// goes on, so that no later rename precedes it. scratch is reused text.
// Returns false when it could not be written.
bool write_report_file_line(std::FILE* file, text_form form, bool& marked,
                            wide_view source, wide_view destination,
                            bool success, wide_view first_value,
                            wide_text& scratch);

// The console line of one rename on standard output: "\n", source, TAB,
// "==>", TAB, destination, TAB and the result word, in the encoding of the
// list it came from.
void write_report_console_line(text_encoding encoding, wide_view source,
                               wide_view destination, bool success,
                               wide_text& scratch);
