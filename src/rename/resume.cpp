#include "rename/resume.h"

#include <string>

#include "console/text_output.h"
#include "journal/journal.h"
#include "journal/run_record.h"
#include "platform/platform.h"
#include "rename/input_files.h"
#include "rename/record_loop.h"
#include "rename/rename_rules.h"
#include "rename/run_context.h"
#include "text/number_text.h"
#include "text/path_forms.h"

namespace {

// The reason counted for the earlier run's failures: its output file
// keeps the result of each line, not why.
constexpr wide_view k_earlier_reason =
    u"Failed in the earlier run (its output file keeps no reason)";

}  // namespace

scan_result scan_output_file(text_input& input, output_scan& scan) {
  scan = output_scan{};
  rewind_input(input);
  scan.end = line_offset(input);
  wide_text line;
  journal_line entry;
  for (;;) {
    const std::int64_t offset = line_offset(input);
    if (!read_line(input, line)) break;
    const bool whole = !line.empty() && line.back() == u'\n';
    const bool readable = read_journal_line(line, entry);
    if (readable && entry.result == line_result::planned)
      return scan_result::preview;
    scan.relative_paths =
        scan.relative_paths ||
        (readable &&
         (rename_path_is_relative(native_path_style(), entry.source) ||
          rename_path_is_relative(native_path_style(), entry.destination)));
    if (whole) {
      // Only a line's result and its tail end it: a whole line is settled.
      if (!readable || in_flight(entry.result)) {
        scan.foreign_line = scan.whole_lines + 1;
        return scan_result::foreign_line;
      }
      ++scan.whole_lines;
      ++(entry.result == line_result::success ? scan.renamed : scan.failed);
      scan.end = line_offset(input);
      continue;
    }
    // The last line, without its line end: a run killed in flight, or a
    // write cut short (in its word, which is then settled from the disk as
    // one in flight, or before it). Only what reads as the start of
    // fldren's line is taken for one, so that no other file is ever cut.
    scan.last_offset = offset;
    if (readable)
      scan.last =
          in_flight(entry.result) ? last_line::in_flight : last_line::settled;
    else if (holds_line_start(line) || scan.whole_lines > 0)
      scan.last = last_line::cut_short;
    else {
      scan.foreign_line = scan.whole_lines + 1;
      return scan_result::foreign_line;
    }
  }
  return input.read_failed ? scan_result::read_failed : scan_result::ok;
}

bool resuming(const run_context& run) {
  if (!run.options.resume) return false;
  const output_scan& scan = run.resume.scan;
  return run.resume.lines_read <
         scan.whole_lines + (scan.last == last_line::none ? 0 : 1);
}

namespace {

// Two paths of one file or folder as the file system compares them: on
// Windows the earlier run composed from the name the disk stores, which
// may differ from the list's in case only, and a folder typed in another
// case is the same folder.
bool same_path_on_disk(wide_view earlier, wide_view now) {
  return journal_path_in_form(native_path_style(), earlier) == now ||
         (native_path_style() == path_style::windows &&
          upper_case_as_windows(earlier) == upper_case_as_windows(now));
}

[[noreturn]] void no_run_to_continue(run_context& run, wide_view why) {
  write_out(u"\nOutput file " + console_safe(run.options.output_file_name) +
            wide_text(why) +
            u"; there is no run to continue. Nothing was "
            u"renamed\n");
  end_run(run, k_exit_failure);
}

// Relative paths name files of the folder the earlier run was made in;
// continued from another, the same lines would rename other files, and one
// output file would hold renames of two folders, which fldren-undo would
// take against one. So a run is continued only in the folder its record
// names; without a record, only when its lines show that no path of it
// depends on the folder (a file without a line yet shows nothing). Ends
// the run with status 1 otherwise.
void refuse_another_folder(run_context& run) {
  const output_scan& scan = run.resume.scan;
  const bool any_line = scan.whole_lines > 0 ||
                        scan.last == last_line::in_flight ||
                        scan.last == last_line::settled;
  if (run.resume.earlier_folder.empty() && any_line && !scan.relative_paths)
    return;
  const wide_view what =
      any_line ? wide_view(u" holds relative paths")
               : wide_view(
                     u" holds no line yet, which would show whether "
                     u"its paths are relative");
  const wide_text& earlier_folder = run.resume.earlier_folder;
  if (earlier_folder.empty())
    no_run_to_continue(run, wide_text(what) +
                                u", and no run record beside it says which "
                                u"folder the earlier run was made in");
  wide_text here;
  if (current_folder(here) &&
      !same_path_on_disk(earlier_folder, console_safe(here)))
    no_run_to_continue(
        run,
        scan.relative_paths
            ? u" holds relative paths, which name files of " +
                  console_safe(earlier_folder) +
                  u", where the earlier run was made; continue it from "
                  u"there"
            : wide_text(any_line ? u" was begun in another folder" : what) +
                  u"; the earlier run was made in " +
                  console_safe(earlier_folder) + u": continue it from there");
}

}  // namespace

void open_earlier_run(run_context& run) {
  resume_state& resume = run.resume;
  switch (scan_output_file(resume.earlier, resume.scan)) {
    case scan_result::ok:
      break;
    case scan_result::preview:
      no_run_to_continue(run, u" was written by a preview (its lines read \"" +
                                  wide_text(result_word(line_result::planned)) +
                                  u"\"): no file was renamed by it");
    case scan_result::foreign_line:
      no_run_to_continue(run, u" holds at line " +
                                  grouped_text(resume.scan.foreign_line) +
                                  u" a line fldren does not write");
    case scan_result::read_failed:
      end_on_read_error(run, resume.earlier);
  }
  const output_scan& scan = resume.scan;
  if ((scan.whole_lines > 0 || scan.last != last_line::none) &&
      resume.earlier.form.encoding !=
          written_form(run.export_list.form).encoding)
    no_run_to_continue(run,
                       u" is not in the export list's encoding: it was "
                       u"written from another list");
  refuse_another_folder(run);
  write_out(u"\nContinuing the run recorded in " +
            console_safe(run.options.output_file_name) +
            u": the earlier run did " + grouped_text(scan.whole_lines) +
            (scan.whole_lines == 1 ? u" record, " : u" records, ") +
            grouped_text(scan.renamed) + u" renamed and " +
            grouped_text(scan.failed) + u" failed.\n");
  if (scan.last == last_line::in_flight)
    write_out(
        u"Its last record was being renamed when it stopped; what became of "
        u"it is read from the disk.\n");
  rewind_input(resume.earlier);
  if (!run.options.preview) {
    open_report_page(run);
    add_report_remark(
        run.record_of_run.page,
        "This run continued an earlier one, and the page tells the whole "
        "job: the earlier run's failures are listed with the reasons its "
        "page gave them.");
  }
  // Nothing of the earlier run is cut off until every line of it has met
  // its record.
  if (!resuming(run) && !continue_journal(run.output, scan.end))
    end_run(run, k_exit_failure);
}

namespace {

[[noreturn]] void end_on_other_line(run_context& run, const journal_line& entry,
                                    const record_plan& plan) {
  const wide_text number = grouped_text(run.resume.lines_read);
  const wide_text arrow = u"  " + wide_text(k_arrow) + u"  ";
  write_out(u"\nLine " + number + u" of output file " +
            console_safe(run.options.output_file_name) +
            u" is not the line this run writes for record " + number +
            u" of the list:\n  the file holds  " + console_safe(entry.source) +
            arrow + console_safe(entry.destination) + u"\n  this run writes " +
            console_safe(plan.source) + arrow + console_safe(plan.destination) +
            u"\nThe export list, the field list, -m or -s differ from the "
            u"earlier run's. Nothing was renamed\n");
  end_run(run, k_exit_failure);
}

// A rename the earlier run began and did not see end: what the disk holds
// now tells what became of it. Gives rename_now when the rename was not
// made; otherwise writes the line again, whole, with what became of it.
resume_step settle_earlier_rename(run_context& run, const journal_line& entry,
                                  record_plan& plan, wide_text& report) {
  plan.source = entry.source;
  plan.destination = entry.destination;
  plan.listed_name.clear();
  plan.reason.clear();
  plan.listed_hash.clear();
  plan.computed_hash.clear();
  bool success = false;
  switch (
      settle_in_flight(run.disk, plan.source, plan.destination, entry.result)) {
    case flight_end::not_made:
      if (!continue_journal(run.output, run.resume.scan.last_offset))
        return resume_step::stop;
      return resume_step::rename_now;
    case flight_end::made:
      success = true;
      break;
    case flight_end::linked_twice:
      // A rename by link killed between its two steps: the old name is the
      // second one, and it goes, as the rename would have done.
      success = remove_second_name(run.disk, plan.source);
      if (!success) plan.reason = u"The old name could not be removed";
      break;
    case flight_end::both_names:
      plan.reason = u"Both the old and the new name exist";
      break;
    case flight_end::no_name:
      plan.reason = u"Neither the old nor the new name exists";
      break;
  }
  // Written over the line in place: the line is never away from the file
  // while its rename stands.
  if (!journal_settle_last(run.output, run.resume.scan.last_offset, plan.source,
                           plan.destination, plan.first_value, success))
    return resume_step::stop;
  end_record(run, plan, success, report);
  return resume_step::handled;
}

}  // namespace

resume_step resume_record(run_context& run, const record_fields& fields,
                          record_plan& plan, wide_text& report) {
  resume_state& resume = run.resume;
  wide_text line;
  journal_line entry;
  if (!read_line(resume.earlier, line)) {
    if (resume.earlier.read_failed) end_on_read_error(run, resume.earlier);
    no_run_to_continue(run, u" changed while it was read");
  }
  ++resume.lines_read;
  // Composed as the earlier run composed it, a name cut by -t the same.
  compose_source(run.options, run.columns, fields, run.working_folder, plan);
  compose_destination(run.options, run.columns, fields,
                      room_of(run.disk, plan.source), plan);
  const bool last = !resuming(run);
  const last_line ending = resume.scan.last;
  const bool cut_short = last && ending == last_line::cut_short;
  // The line was read before; a file changed since is no record.
  if (!cut_short && !read_journal_line(line, entry))
    no_run_to_continue(run, u" changed while it was read");
  // A line cut short before its result word holds too little to compare,
  // and its rename was never begun: its record is made now, and its line
  // written again.
  if (cut_short) {
    if (!continue_journal(run.output, resume.scan.last_offset))
      return resume_step::stop;
    return resume_step::rename_now;
  }
  if (!same_path_on_disk(entry.source, plan.source) ||
      !same_path_on_disk(entry.destination, plan.destination))
    end_on_other_line(run, entry, plan);
  if (last && ending == last_line::in_flight)
    return settle_earlier_rename(run, entry, plan, report);
  const bool success = entry.result == line_result::success;
  if (last && ending == last_line::settled) {
    // Its result is known; only its end is missing.
    if (!journal_settle_last(run.output, resume.scan.last_offset, entry.source,
                             entry.destination, plan.first_value, success))
      return resume_step::stop;
  } else {
    ++resume.processed;
    ++(success ? resume.renamed : resume.failed);
    if (last && !continue_journal(run.output, resume.scan.end))
      return resume_step::stop;
  }
  count_record(run, success, k_earlier_reason, plan.long_path);
  if (!success)
    note_earlier_failure(run.record_of_run, plan.list_line, plan.source,
                         k_earlier_reason);
  return resume_step::handled;
}

void check_list_not_shorter(run_context& run) {
  if (!resuming(run)) return;
  const output_scan& scan = run.resume.scan;
  write_out(
      u"\nOutput file " + console_safe(run.options.output_file_name) +
      u" holds lines for " +
      grouped_text(scan.whole_lines + (scan.last == last_line::none ? 0 : 1)) +
      u" records; the export list has only " +
      grouped_text(run.resume.lines_read) +
      u". The export list, the field list, -m or -s differ from the "
      u"earlier run's. Nothing was renamed\n");
  end_run(run, k_exit_failure);
}
