#pragma once

// The report of one rename: its console line, the words of its result, and
// reading an output-file line back, which is what lets fldren-undo take a
// run back from the file alone.

#include "platform/platform.h"
#include "rename/shared_types.h"

// "Success" or "Failure"; a line whose rename is in flight reads
// "Pending", a word of the same length, until its result replaces it.
wide_view result_word(bool success);
inline constexpr wide_view k_pending_word = u"Pending";

enum class report_result { success, failure, pending };

// One output-file line: source path, "==>", destination path, the result
// word, and the value of the first chosen column, TAB-separated.
struct report_line {
  wide_view source;
  wide_view destination;
  report_result result = report_result::failure;
  wide_view first_value;
};

// Reads line (its line feed, if any, ignored) as an output-file line;
// false, leaving entry unspecified, when it is anything else. A "Pending"
// line may lack its last field: a run killed in flight leaves it so.
bool parse_report_line(wide_view line, report_line& entry);

// How names read from text of this encoding reach a POSIX file system.
name_bytes name_bytes_of(text_encoding encoding);

// The console line of one rename on standard output: "\n", source, TAB,
// "==>", TAB, destination, TAB and the result word, then for a failure a
// TAB and its reason, in the encoding of the list it came from, through
// the console's batch; without the first line feed when the cursor stands
// at_line_start already. scratch is reused text.
void write_report_console_line(text_encoding encoding, wide_view source,
                               wide_view destination, bool success,
                               wide_view reason, wide_text& scratch,
                               bool at_line_start = false);
