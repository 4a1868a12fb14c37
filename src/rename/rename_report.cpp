#include "rename/rename_report.h"

#include "console/text_output.h"
#include "text/number_text.h"

void write_report_console_line(text_encoding encoding, wide_view source,
                               wide_view destination, line_result result,
                               wide_view reason, wide_view listed_name,
                               std::size_t shortened_from, wide_text& scratch,
                               bool at_line_start) {
  // Text from the evidence is shown escaped, never obeyed; the output file
  // keeps it as it was read.
  scratch.assign(at_line_start ? 0 : 1, u'\n');
  append_console_safe(source, scratch);
  scratch += u'\t';
  scratch += k_arrow;
  scratch += u'\t';
  append_console_safe(destination, scratch);
  scratch += u'\t';
  scratch += result_word(result);
  if (result == line_result::failure && !reason.empty()) {
    scratch += u'\t';
    append_console_safe(reason, scratch);
  }
  if (!listed_name.empty()) {
    scratch += u"\t(the list says ";
    append_console_safe(listed_name, scratch);
    scratch += u')';
  }
  if (shortened_from != 0)
    scratch += u"\t(shortened from " +
               grouped_text(static_cast<std::int64_t>(shortened_from)) +
               u" characters)";
  write_console_batched(scratch, encoding);
}
