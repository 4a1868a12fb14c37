#include "rename/record_loop.h"

#include "platform/platform.h"
#include "rename/input_files.h"
#include "rename/line_model.h"
#include "rename/path_parts.h"
#include "rename/rename_report.h"
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

// Whether a name exists as the run so far would have left it: names earlier
// records would have taken exist, names they would have freed do not.
bool exists_in_preview(const run_context& run, const wide_text& path,
                       name_bytes form) {
  if (run.preview_taken.count(path) != 0) return true;
  if (run.preview_freed.count(path) != 0) return false;
  return path_exists(path, form);
}

// The outcome the rename would have, recorded so that later records see it.
bool preview_rename(run_context& run, name_bytes form) {
  if (!exists_in_preview(run, run.source_path, form) ||
      exists_in_preview(run, run.destination_path, form))
    return false;
  run.preview_taken.erase(run.source_path);
  run.preview_freed.insert(run.source_path);
  run.preview_freed.erase(run.destination_path);
  run.preview_taken.insert(run.destination_path);
  return true;
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
  const name_bytes form = name_bytes_of(run.report_form.encoding);
  bool success = compose_paths(run);
  if (success && run.options.preview)
    success = preview_rename(run, form);
  else if (success)
    success = rename_no_replace(run.source_path, run.destination_path, form);

  // The output-file line comes first: a rename that cannot be logged is
  // taken back, so that the file can always undo the run.
  if (run.output_file != nullptr) {
    bool ok = true;
    const wide_view first_value = run.selected[0] >= 0
                                      ? record_column(run, run.selected[0], ok)
                                      : wide_view();
    if (!write_report_file_line(run.output_file, run.report_form,
                                run.output_marked, run.source_path,
                                run.destination_path, success, first_value,
                                run.report)) {
      run.output_failed = true;
      if (success && !run.options.preview &&
          rename_no_replace(run.destination_path, run.source_path, form))
        success = false;
    }
  }
  write_report_console_line(run.report_form.encoding, run.source_path,
                            run.destination_path, success, run.report);
  if (success)
    ++run.renamed;
  else
    ++run.failed;
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
