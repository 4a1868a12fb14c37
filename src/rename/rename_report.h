#pragma once

// The report of one rename: its console line, and reading an output-file
// line back, which is what lets fldren-undo take a run back from the file
// alone. The journal writes the lines and owns their result words.

#include "journal/journal.h"
#include "text/text_form.h"
#include "text/wide_text.h"

enum class report_result { success, failure, pending, linking, planned };

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
// or "Linking" line may lack its last field: a run killed in flight leaves
// it so.
bool parse_report_line(wide_view line, report_line& entry);

// The console line of one rename on standard output: "\n", source, TAB,
// "==>", TAB, destination, TAB and the result word, then for a failure a
// TAB and its reason, and when the list spelt the old name otherwise than
// the disk holds it, a TAB and "(the list says " listed_name ")"; in the
// encoding of the list it came from, through the console's batch; without
// the first line feed when the cursor stands at_line_start already.
// scratch is reused text.
void write_report_console_line(text_encoding encoding, wide_view source,
                               wide_view destination, bool success,
                               wide_view reason, wide_view listed_name,
                               wide_text& scratch, bool at_line_start = false);
