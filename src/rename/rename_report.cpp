#include "rename/rename_report.h"

#include "console/text_output.h"
#include "rename/line_model.h"

namespace {

constexpr wide_view k_arrow = u"==>";
constexpr int k_report_fields = 5;

}  // namespace

bool parse_report_line(wide_view line, report_line& entry) {
  // The same cut as a record's: the report is itself a tab-delimited list.
  record_fields fields;
  split_record(line, fields);
  if (fields.count > k_report_fields) return false;
  const wide_view word = fields.count >= 4 ? fields.columns[3] : wide_view();
  if (word == result_word(true))
    entry.result = report_result::success;
  else if (word == result_word(false))
    entry.result = report_result::failure;
  else if (word == k_pending_word)
    entry.result = report_result::pending;
  else if (word == k_linking_word)
    entry.result = report_result::linking;
  else if (word == k_planned_word)
    entry.result = report_result::planned;
  else
    return false;
  const bool whole =
      fields.count == k_report_fields ||
      (fields.count == 4 && (entry.result == report_result::pending ||
                             entry.result == report_result::linking));
  // A refused record may have no path to show (an empty Destination); a
  // rename that was or may be made always has both.
  const bool paths = entry.result == report_result::failure ||
                     (!fields.columns[0].empty() && !fields.columns[2].empty());
  if (!whole || fields.columns[1] != k_arrow || !paths) return false;
  entry.source = fields.columns[0];
  entry.destination = fields.columns[2];
  entry.first_value =
      fields.count == k_report_fields ? fields.columns[4] : wide_view();
  return true;
}

void write_report_console_line(text_encoding encoding, wide_view source,
                               wide_view destination, bool success,
                               wide_view reason, wide_view listed_name,
                               wide_text& scratch, bool at_line_start) {
  // Text from the evidence is shown escaped, never obeyed; the output file
  // keeps it as it was read.
  scratch.assign(at_line_start ? 0 : 1, u'\n');
  append_console_safe(source, scratch);
  scratch += u'\t';
  scratch += k_arrow;
  scratch += u'\t';
  append_console_safe(destination, scratch);
  scratch += u'\t';
  scratch += result_word(success);
  if (!success && !reason.empty()) {
    scratch += u'\t';
    append_console_safe(reason, scratch);
  }
  if (!listed_name.empty()) {
    scratch += u"\t(the list says ";
    append_console_safe(listed_name, scratch);
    scratch += u')';
  }
  write_console_batched(scratch, encoding);
}
