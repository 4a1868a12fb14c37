#pragma once

// The console line of one rename. The output file's line is the journal's
// (journal/journal_line.h); this line shows the same paths and result.

#include "journal/journal_line.h"
#include "text/text_form.h"
#include "text/wide_text.h"

// The console line of one rename on standard output: "\n", source, TAB,
// "==>", TAB, destination, TAB and the result word, then for a failure a
// TAB and its reason, and when the list spelt the old name otherwise than
// the disk holds it, a TAB and "(the list says " listed_name ")"; when -t
// shortened the new name, a TAB and "(shortened from N characters)"; in
// the encoding of the list it came from, through the console's batch;
// without the first line feed when the cursor stands at_line_start
// already. scratch is reused text.
void write_report_console_line(text_encoding encoding, wide_view source,
                               wide_view destination, line_result result,
                               wide_view reason, wide_view listed_name,
                               std::size_t shortened_from, wide_text& scratch,
                               bool at_line_start = false);
