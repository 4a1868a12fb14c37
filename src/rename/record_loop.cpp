#include "rename/record_loop.h"

#include "rename/input_files.h"
#include "rename/line_model.h"
#include "rename/rename_report.h"
#include "rename/rename_rules.h"
#include "rename/resume.h"
#include "rename/run_context.h"
#include "text/path_forms.h"

bool rename_record(run_context& run, const record_fields& fields,
                   record_plan& plan, wide_text& report) {
  plan.stored_name.clear();
  compose_record(run.options, run.columns, fields, plan);
  wide_text& stored = plan.listed_name;  // scratch until it is needed
  stored.clear();
  refusal refused = check_record(plan, run.names, plan.reason, &stored);
  if (refused == refusal::none && !stored.empty() &&
      stored != last_name(native_path_style(), plan.source)) {
    // The name on disk is what gets the values in front of it, what the
    // output file records and what an undo gives back.
    plan.stored_name = stored;
    plan.listed_name = last_name(native_path_style(), plan.source);
    compose_record(run.options, run.columns, fields, plan);
    refused = plan.refused;
    plan.reason = refusal_text(refused);
  } else {
    stored.clear();
  }
  // The file must be the one the list describes before it gets its name.
  if (refused == refusal::none && run.hasher != nullptr)
    refused =
        check_file_hash(run, run.counts.processed, fields, plan, plan.reason);
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
    success = rename_file(run.names, run.output, plan.source, plan.destination,
                          plan.reason);
    journal_settle(run.output, success);
  }
  // A quiet run shows its failures only.
  if (!success || !run.options.quiet) {
    const bool at_line_start = clear_progress(run.progress);
    write_report_console_line(run.export_list.form.encoding, plan.source,
                              plan.destination, success, plan.reason,
                              plan.listed_name, report, at_line_start);
    note_text_written(run.progress);
  }
  run_counts& counts = run.counts;
  ++counts.processed;
  if (success) {
    ++counts.renamed;
    if (plan.long_path) ++counts.long_paths;
  } else {
    ++counts.failed;
    ++counts.reasons[plan.reason];
  }
  update_progress(run.progress, counts.processed, counts.renamed,
                  counts.failed);
  return !run.output.failed;
}

std::int64_t count_records(text_input& input) {
  rewind_input(input);
  wide_text line;
  std::int64_t records = 0;
  const bool has_header = read_line(input, line);
  while (has_header && read_line(input, line))
    if (line.size() >= 3) ++records;
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
  // The first line is the header.
  const bool has_header = read_line(run.export_list, line);
  // Ctrl+C is taken between records: the one in flight is finished, its
  // line written whole, and the run ends in order.
  while (has_header && !interrupted() && read_line(run.export_list, line)) {
    // Blank lines between records (a line feed, perhaps one more character)
    // are not records.
    if (line.size() < 3) continue;
    split_record(line, fields);
    // A continued run first meets the earlier run's lines, renaming
    // nothing until the last of them.
    if (resuming(run)) {
      const resume_step step = resume_record(run, fields, plan, report);
      if (step == resume_step::stop) return;
      if (step == resume_step::handled) continue;
    }
    if (!rename_record(run, fields, plan, report)) return;
  }
  if (run.export_list.read_failed) end_on_read_error(run, run.export_list);
  if (!interrupted()) check_list_not_shorter(run);
}
