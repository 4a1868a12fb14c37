#include "rename/record_loop.h"

#include "console/text_output.h"
#include "rename/input_files.h"
#include "rename/line_model.h"
#include "rename/rename_report.h"
#include "rename/rename_rules.h"
#include "rename/resume.h"
#include "rename/run_context.h"
#include "text/path_forms.h"

bool rename_record(run_context& run, std::int64_t record,
                   const record_fields& fields, record_plan& plan,
                   wide_text& report) {
  compose_source(run.options, run.columns, fields, run.working_folder, plan);
  plan.listed_hash.clear();
  plan.computed_hash.clear();
  look_at_source(run.disk, plan);
  compose_destination(run.options, run.columns, fields,
                      room_of(run.disk, plan.source), plan);
  refusal refused = check_record(plan, run.disk);
  // The file must be the one the list describes before it gets its name.
  if (refused == refusal::none && run.hasher != nullptr)
    refused = check_file_hash(run, record, fields, plan, plan.reason);
  // Ctrl+C came while the file was hashed: the record is left for -r, as
  // the records after it are, with no line and no count.
  if (refused == refusal::hash_stopped) return true;
  if (refused == refusal::hash_differs) ++run.counts.contents_differ;
  bool success = false;
  if (refused != refusal::none) {
    // Nothing is attempted, and the line says so from the start.
    journal_refused(run.output, plan.source, plan.destination,
                    plan.first_value);
  } else if (!journal_begin(run.output, plan.source, plan.destination,
                            plan.first_value)) {
    // The line must be on disk before the rename, so that no rename lacks
    // one; without it there is no rename.
    plan.reason = u"The output file could not be written";
  } else {
    success = rename_file(run.disk, run.output, plan.source, plan.destination,
                          plan.reason);
    journal_hold_result(run.output, success);
  }
  end_record(run, plan, success, report);
  return !run.output.failed;
}

void count_record(run_context& run, bool success, wide_view reason,
                  bool long_path) {
  run_counts& counts = run.counts;
  ++counts.processed;
  if (success) {
    ++counts.renamed;
    if (long_path) ++counts.long_paths;
  } else {
    ++counts.failed;
    ++counts.reasons[wide_text(reason)];
  }
  update_progress(run.progress, counts.processed, counts.renamed,
                  counts.failed);
}

namespace {

// Enough records in a row to tell a moved export from one mistyped value.
constexpr std::int64_t k_unreached_before_hint = 3;

void say_moved_export(run_context& run) {
  clear_progress(run.progress);
  write_console_8bit(
      console_stream::out,
      "\nThe first records name folders of a drive or share that this "
      "machine does not have: if the export was moved or copied, -m "
      "FROM=TO maps the list's paths to where they are now\n");
  note_text_written(run.progress);
  run.hints.unreached = -1;
}

// An export list made where the export was, used where it is not, fails
// every record for a missing folder: said once, early.
void watch_for_moved_export(run_context& run, const record_plan& plan,
                            bool success) {
  std::int64_t& unreached = run.hints.unreached;
  if (unreached < 0) return;
  if (success || plan.source_kind != name_kind::no_folder ||
      !names_another_drive(native_path_style(), plan.source,
                           run.working_folder)) {
    unreached = -1;
    return;
  }
  if (++unreached == k_unreached_before_hint) say_moved_export(run);
}

void note_move(run_context& run, const record_plan& plan) {
  if (plan.move == nullptr) return;
  run.hints.moves_met[static_cast<std::size_t>(
      plan.move - run.options.moves.data())] = true;
}

}  // namespace

void end_record(run_context& run, const record_plan& plan, bool success,
                wide_text& report) {
  // A quiet run shows its failures only.
  if (!success || !run.options.quiet) {
    const bool at_line_start = clear_progress(run.progress);
    // A preview's line says what would be done, as its output file does.
    const line_result result =
        success && run.options.preview ? line_result::planned : ended(success);
    write_report_console_line(run.output.form.encoding, plan.source,
                              plan.destination, result, plan.reason,
                              plan.listed_name, plan.shortened_from, report,
                              at_line_start);
    note_text_written(run.progress);
  }
  count_record(run, success, plan.reason, plan.long_path);
  if (!success) {
    const wide_text computed(plan.computed_hash.begin(),
                             plan.computed_hash.end());
    note_failure(run.record_of_run, plan.list_line, plan.source, plan.reason,
                 plan.listed_hash, computed);
  }
  watch_for_moved_export(run, plan, success);
}

std::int64_t count_records(text_input& input) {
  rewind_input(input);
  wide_text line;
  std::int64_t records = 0;
  const bool has_header = read_line(input, line);
  while (has_header && read_line(input, line))
    if (is_record_line(line)) ++records;
  return records;
}

void process_records(run_context& run) {
  rewind_input(run.export_list);
  // Kept from record to record to spare allocations; nothing in them
  // outlives the record.
  wide_text line;
  record_fields fields;
  record_plan plan;
  wide_text report;
  std::int64_t record = 0;  // the number of the record among the list's
  run.hints.moves_met.assign(run.options.moves.size(), false);
  // The first line is the header; line numbers count every line, as an
  // editor shows them.
  const bool has_header = read_line(run.export_list, line);
  std::int64_t line_number = 1;
  // Ctrl+C is taken between records: the one in flight is finished, its
  // line written whole, and the run ends in order.
  while (has_header && !interrupted() && read_line(run.export_list, line)) {
    ++line_number;
    if (!is_record_line(line)) continue;
    split_record(line, fields);
    plan.list_line = line_number;
    // A continued run first meets the earlier run's lines, renaming
    // nothing until the last of them.
    const std::int64_t number = record++;
    if (resuming(run)) {
      const resume_step step = resume_record(run, fields, plan, report);
      if (step == resume_step::stop) return;
      note_move(run, plan);
      if (step == resume_step::handled) continue;
    }
    const bool written = rename_record(run, number, fields, plan, report);
    note_move(run, plan);
    if (!written) return;
  }
  if (run.export_list.read_failed) end_on_read_error(run, run.export_list);
  if (interrupted()) return;
  check_list_not_shorter(run);
  // A list of fewer records than the hint waits for, all failing so.
  if (run.hints.unreached > 0) say_moved_export(run);
  run.hints.list_read_whole = true;
}
