// The driver: sets up the run context and runs the stages in their fixed
// order. The export list is read three times from its start: for the
// delimiter check, for the header analysis, and by the record loop; a
// quiet run on a terminal reads it once more first, to count its records
// for the progress line, and -c reads it a fourth time alongside the loop,
// a few records ahead, to hash their files. Each reading is a stream, so a
// list of any length takes the same memory.

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/options.h"
#include "cli/usage.h"
#include "console/progress_line.h"
#include "console/text_output.h"
#include "journal/journal.h"
#include "journal/run_record.h"
#include "platform/file_hash.h"
#include "platform/platform.h"
#include "platform/program_entry.h"
#include "rename/hash_check.h"
#include "rename/header_analysis.h"
#include "rename/input_files.h"
#include "rename/record_loop.h"
#include "rename/renamer.h"
#include "rename/run_context.h"
#include "text/number_text.h"
#include "text/windows_names.h"

namespace {

// The gate lets through a command line whose first argument asks for help
// or the version by name, and one of at least three arguments whose first
// argument does not ask for help with "?" or "-?".
bool passes_argument_gate(int argc, char16_t** argv) {
  if (argc >= 2 && request_of(argv[1]) != program_request::run) return true;
  if (argc < 4) return false;
  const char16_t* first = argv[1];
  if (first[0] == u'?') return false;
  // An empty first argument has no second character to look at.
  return first[0] == u'\0' || first[1] != u'?';
}

// Under the counts, so that the counts stand in one column.
constexpr std::string_view k_count_indent = "                  ";

// One line per reason of failure, most frequent first (ties in the order
// of the reasons' text), each count in the column of the counts above.
wide_text reason_lines(const run_counts& counts) {
  std::vector<std::pair<std::int64_t, const wide_text*>> order;
  for (const auto& [reason, count] : counts.reasons)
    order.emplace_back(-count, &reason);
  std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first < b.first : *a.second < *b.second;
  });
  wide_text lines;
  for (const auto& [negated, reason] : order) {
    const std::string count =
        std::string(k_count_indent) + group_thousands(-negated) + "  ";
    lines.append(count.begin(), count.end());
    append_console_safe(*reason, lines);
    lines += u'\n';
  }
  return lines;
}

// A run without -o: its renames can be taken back only by hand.
constexpr std::string_view k_no_record =
    "No output file: nothing records these renames for fldren-undo to take "
    "back (-o names one).\n";

void write_closing_lines(const run_context& run) {
  const run_counts& counts = run.counts;
  // A preview renames nothing, and its count must not read as if it had.
  const std::string renamed_label =
      run.options.preview ? "\nWould be renamed: " : "\nRenamed:          ";
  write_console_8bit(
      console_stream::out,
      "\n\nRecords processed:" + group_thousands(counts.processed) +
          renamed_label + group_thousands(counts.renamed) +
          "\nFailed:           " + group_thousands(counts.failed) + "\n");
  write_console_text(console_stream::out, reason_lines(counts),
                     run.output.form.encoding);
  std::string lines;
  if (counts.contents_differ > 0)
    lines += "Contents differ:  " + group_thousands(counts.contents_differ) +
             "\n" + std::string(k_count_indent) +
             "These files differ from the hash in the list; each kept its "
             "name.\n";
  // A continued run counts the whole job above, and its own part here.
  if (run.options.resume) {
    const resume_state& earlier = run.resume;
    lines += "This run:\nRecords processed:" +
             group_thousands(counts.processed - earlier.processed) +
             renamed_label + group_thousands(counts.renamed - earlier.renamed) +
             "\nFailed:           " +
             group_thousands(counts.failed - earlier.failed) + "\n";
  }
  if (counts.long_paths > 0)
    lines += "Long paths:       " + group_thousands(counts.long_paths) + "\n" +
             std::string(k_count_indent) +
             "Explorer and most programs cannot open a path longer than " +
             std::to_string(k_classic_path_limit) + " characters.\n";
  const std::int64_t access_times = files_read_changing_access_time();
  if (access_times > 0)
    lines += "Access times:     " + group_thousands(access_times) + "\n" +
             std::string(k_count_indent) +
             "Reads of -c that the system would not let keep the file's "
             "access time;\n" +
             std::string(k_count_indent) +
             "it may have changed (on Linux, run -c as the files' owner to "
             "keep it).\n";
  if (run.disk.creation_times_restored > 0)
    lines += "Creation times:   " +
             group_thousands(run.disk.creation_times_restored) + "\n" +
             std::string(k_count_indent) +
             "Windows gave these files the creation time of a file renamed "
             "away from their new name\n" +
             std::string(k_count_indent) +
             "moments before; each was set back to the file's own.\n";
  write_console_8bit(console_stream::out, lines);
  lines.clear();
  // A -m that moved nothing was likely mistyped: the records it was meant
  // for failed, or were renamed where the list first said.
  if (run.hints.list_read_whole)
    for (std::size_t i = 0; i < run.hints.moves_met.size(); ++i)
      if (!run.hints.moves_met[i])
        write_console_text(
            console_stream::out,
            u"-m moved nothing: no Destination of the list begins with " +
                console_safe(run.options.moves[i].from) + u"\n",
            run.output.form.encoding);
  if (run.options.preview) lines += "Preview only: no file was renamed.\n";
  if (!run.options.preview && !run.options.output_requested)
    lines += k_no_record;
  if (interrupted())
    lines +=
        "Interrupted: the records after the last one counted were not "
        "looked at.\n";
  write_console_8bit(console_stream::out, lines);
  // The way on from Ctrl+C, while the command is still on the screen.
  if (interrupted() && !run.options.preview && run.options.output_requested)
    write_console_text(console_stream::out,
                       u"To go on, give the same command with -r: it "
                       u"continues the run that " +
                           console_safe(run.options.output_file_name) +
                           u" records.\n");
}

// The record's start: what runs, on which lists, as it begins.
void begin_run_record(run_context& run, int argc, char16_t** argv) {
  run_record& notes = run.record_of_run;
  if (!open_run_section(notes, "fldren", argc, argv,
                        run.options.preview ? "preview" : "run"))
    return;
  if (!run.options.case_note.empty()) note_case(notes, run.options.case_note);
  note_value(notes, "Resumed", run.options.resume ? "yes" : "no");
  note_file(notes, "Export list", run.options.export_list_name);
  note_file(notes, "Field list", run.options.field_list_name);
  note_encoding(notes, run.export_list.form);
  note_code_pages(notes, run.options.code_page, system_code_page());
  note_value(notes, "Output file", run.options.output_file_name);
  if (!write_run_record_reporting(notes, u"; nothing was renamed"))
    end_run(run, k_exit_failure);
}

// What came of the run, and the output file as it stands: the record's
// last lines but the status, which end_run adds once it is final.
void note_run_outcome(run_context& run) {
  run_record& notes = run.record_of_run;
  const run_counts& counts = run.counts;
  note_counts(notes, {{"Records processed", counts.processed},
                      {"Renamed", counts.renamed},
                      {"Failed", counts.failed},
                      {"Contents differ", counts.contents_differ}});
  // Each reason with its count: "Failure reason: 2 No file of the old
  // name exists".
  for (const auto& [reason, count] : counts.reasons)
    note_failure_reason(notes, count, reason);
  if (run.options.resume)
    note_counts(notes,
                {{"Records processed by this run",
                  counts.processed - run.resume.processed},
                 {"Renamed by this run", counts.renamed - run.resume.renamed},
                 {"Failed by this run", counts.failed - run.resume.failed}});
  // Evidence read changed: the record says so.
  const std::int64_t access_times = files_read_changing_access_time();
  if (access_times > 0)
    note_counts(notes, {{"Reads not keeping access times", access_times}});
  note_batch_end(notes, "Output file", run.options.output_file_name);
}

}  // namespace

int run_main(int argc, char16_t** argv) {
  static run_context run;
  init_run_context(run);

  if (!passes_argument_gate(argc, argv)) {
    show_usage(usage_call::command_line);
    end_run(run, k_exit_failure);
  }
  options_result parsed = parse_options(argc, argv);
  run.options = std::move(parsed.options);
  if (parsed.error != option_error::none) {
    write_option_error(parsed);
    end_run(run, k_exit_bad_option);
  }
  switch (parsed.request) {
    case program_request::run:
      break;
    case program_request::help:
      show_usage(usage_call::help);
      end_run(run, k_exit_success);
    case program_request::version:
      show_version("fldren");
      end_run(run, k_exit_success);
  }
  // Both lists are usable before the output file is made: a mistyped name
  // must not cost an earlier output file its lines.
  open_lists(run);
  // The report speaks the export list's encoding, on the console and in
  // the output file, so that every name it shows is the name it read.
  const text_form report_form = written_form(run.export_list.form);
  follow_list_encoding(report_form.encoding);
  create_output_file(run);
  begin_run_record(run, argc, argv);
  announce_lists(run);
  run.output.form = report_form;
  run.disk.form = name_bytes_of(report_form.encoding);
  // -m came from the command line: its text meets the list's names in the
  // form they are held in.
  for (path_move& move : run.options.moves) {
    move.from = command_text_in_form(move.from, run.disk.form);
    move.to = command_text_in_form(move.to, run.disk.form);
  }
  run.options.hash_title =
      command_text_in_form(run.options.hash_title, run.disk.form);
  run.disk.mode =
      run.options.preview ? renamer_mode::preview : renamer_mode::real;
  // Only Windows gives a renamed file the creation time of another, and
  // only its paths need the current folder to be made whole.
  run.disk.keep_creation_times = native_path_style() == path_style::windows;
  if (run.disk.keep_creation_times)
    run.disk.tunnel_window = tunnel_window_of(read_tunnel_settings());
  if (native_path_style() == path_style::windows &&
      !current_folder(run.working_folder))
    run.working_folder.clear();
  check_delimiter(run);
  write_console_8bit(console_stream::out, "\n\n");
  locate_columns(run);
  if (run.options.preview)
    write_console_8bit(console_stream::out,
                       "\nPreview: no file is renamed; each line shows what "
                       "the rename would do.\n");
  else if (!run.options.output_requested)
    write_console_8bit(console_stream::out, "\n" + std::string(k_no_record));
  // A quiet run on a terminal shows its progress against the whole list,
  // which takes one more reading of it.
  if (run.options.quiet && console_is_terminal(console_stream::out))
    start_progress(run.progress, count_records(run.export_list));
  if (run.options.resume) open_earlier_run(run);
  start_hashing(run);
  if (run.hasher != nullptr) run.progress.hashed = &run.hasher->bytes;
  catch_interrupts();
  process_records(run);
  clear_progress(run.progress);

  // The last line's result goes in before the closing lines, which must
  // say whether the output file holds the whole run.
  const bool whole = close_journal_reporting(
      run.output,
      {u"output file", u"; the run was stopped after the last record shown",
       u"; the last record's result is missing from it"});
  write_closing_lines(run);
  const exit_status status = batch_status(
      whole, interrupted(), run.counts.failed, run.counts.contents_differ);
  note_run_outcome(run);
  end_run(run, status);
}
