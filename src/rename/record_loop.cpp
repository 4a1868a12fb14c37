#include "rename/record_loop.h"

#include "platform/platform.h"
#include "rename/input_files.h"
#include "rename/line_model.h"
#include "rename/path_parts.h"
#include "rename/text_output.h"

namespace {

// Column number of the current record, or an empty view with ok cleared
// when the record does not hold it.
wide_view record_column(const run_context& run, std::int32_t column, bool& ok) {
  if (column < 0 || column >= run.fields.count) {
    ok = false;
    return {};
  }
  return run.fields.columns[static_cast<std::size_t>(column)];
}

// A NUL would cut the name short in the file system; U+FFFD stands for
// bytes of the list that could not be read, so the name is not known.
bool unusable_in_name(wide_view text) {
  return text.find_first_of(u"\0\uFFFD", 0, 2) != wide_view::npos;
}

bool holds_separator(wide_view text) {
  return text.find_first_of(u"\\/") != wide_view::npos;
}

void write_report(run_context& run, bool success) {
  const wide_view result = success ? u"Success" : u"Failure";
  wide_text& report = run.report;
  report.clear();
  report += u'\n';
  report += run.source_path;
  report += u"\t==>\t";
  report += run.destination_path;
  report += u'\t';
  report += result;
  write_console_text(console_stream::out, report, run.report_form.encoding);

  if (run.output_file == nullptr || run.output_failed) return;
  bool ok = true;
  const wide_view first_value = run.selected[0] >= 0
                                    ? record_column(run, run.selected[0], ok)
                                    : wide_view();
  report.erase(0, 1);
  report += u'\t';
  report += first_value;
  if (!write_file_line(run.output_file, report, run.report_form,
                       run.output_marked))
    run.output_failed = true;
}

}  // namespace

bool compose_paths(run_context& run) {
  bool columns_present = true;
  bool separator_found = false;
  const wide_view value =
      record_column(run, run.keywords.destination, columns_present);
  bool unusable_found = unusable_in_name(value);
  run.source_path.assign(k_extended_length_prefix);
  run.source_path += value;

  split_path(value, run.parts);
  wide_text& destination = run.destination_path;
  destination.assign(k_extended_length_prefix);
  destination += run.parts.drive;
  destination += run.parts.directory;
  for (std::int32_t column : run.selected) {
    if (column < 0) break;
    const wide_view selected = record_column(run, column, columns_present);
    // Values come from the evidence itself; a separator in one would move
    // the copy out of its directory.
    separator_found = separator_found || holds_separator(selected);
    unusable_found = unusable_found || unusable_in_name(selected);
    destination += selected;
    destination += u'_';
  }
  destination += run.parts.base_name;
  destination += run.parts.extension;

  // A new name equal to the old one already exists. Some systems report
  // such a rename done; the answer must not depend on the system.
  return columns_present && !unusable_found && !separator_found &&
         run.source_path != destination;
}

void rename_record(run_context& run) {
  const name_bytes form = run.report_form.encoding == text_encoding::eight_bit
                              ? name_bytes::eight_bit
                              : name_bytes::utf8;
  const bool success =
      compose_paths(run) &&
      rename_no_replace(run.source_path, run.destination_path, form);
  if (success)
    ++run.renamed;
  else
    ++run.failed;
  write_report(run, success);
}

void process_records(run_context& run) {
  rewind_input(run.export_list);
  wide_text& line = run.line;
  // The first line is the header.
  const bool has_header = read_line(run.export_list, line);
  while (has_header && read_line(run.export_list, line)) {
    // Blank lines between records (a line feed, perhaps one more character)
    // are not records.
    if (line.size() < 3) continue;
    split_record(line, run.fields);
    rename_record(run);
    ++run.processed;
    if (run.output_failed) return;
  }
  if (run.export_list.read_failed) end_on_read_error(run, run.export_list);
}
