// fldren-undo: takes back the renames of a fldren run from its output file.
// The output file is read twice: once to find every line whose rename may
// have been made, then line by line from the last, so that a chain of
// renames unwinds in the reverse of the order it was made, without holding
// the lines in memory.

#include <string>
#include <utility>
#include <vector>

#include "cli/undo_options.h"
#include "cli/usage.h"
#include "console/text_output.h"
#include "journal/journal.h"
#include "journal/run_record.h"
#include "platform/platform.h"
#include "platform/program_entry.h"
#include "rename/end_process.h"
#include "rename/exit_status.h"
#include "rename/input_files.h"
#include "rename/line_model.h"
#include "rename/rename_report.h"
#include "rename/rename_rules.h"
#include "rename/renamer.h"
#include "text/number_text.h"
#include "text/path_forms.h"

namespace {

struct undo_counts {
  std::int64_t lines_read = 0;
  std::int64_t undone = 0;
  std::int64_t failed = 0;
  std::int64_t skipped = 0;
};

struct undo_run {
  undo_options options;
  text_input input;  // the output file of the run to take back
  journal log;
  run_record record_of_run;  // beside the undo log, when there is one
  renamer disk;              // the real renamer
  std::vector<std::int64_t> undo_lines;  // offsets, in file order
  bool relative_paths = false;           // some line depends on its folder
  bool any_line = false;                 // some line is one fldren writes
  bool planned = false;  // a preview wrote the file: nothing was renamed
  undo_counts counts;
};

[[noreturn]] void end_undo(undo_run& run, exit_status status) {
  end_process(status, &run.log, &run.record_of_run, {&run.input});
}

// Ends the undo with status 1, nothing changed, when the undo log names a
// file that must not be emptied: an earlier undo's log is the only record
// of the names it gave back.
void refuse_earlier_log(undo_run& run, const wide_text& record_name) {
  const earlier_output earlier = classify_earlier_output(run.log, record_name);
  if (earlier == earlier_output::nothing_kept) return;
  journal_close(run.log);
  wide_view why;
  switch (earlier) {
    case earlier_output::in_flight:
    case earlier_output::stopped:
      why =
          u" holds an undo that was stopped before its end; it is the only "
          u"record of the names it gave back. Name another undo log";
      break;
    case earlier_output::renames:
      why =
          u" records the undos of an earlier fldren-undo; it is the only "
          u"record of them, and is never emptied. Name another undo log";
      break;
    case earlier_output::foreign:
      why =
          u" holds lines fldren does not write: it is no undo log, and is "
          u"not emptied. Name another undo log";
      break;
    case earlier_output::nothing_kept:
      break;
  }
  write_console_text(console_stream::out,
                     u"\nUndo log " + console_safe(run.log.name) +
                         wide_text(why) + u". Nothing was changed\n");
  end_undo(run, k_exit_failure);
}

void create_undo_log(undo_run& run) {
  const wide_text& name = run.options.log_name;
  // Refused before the log is made, so that nothing is.
  const wide_text page_name = report_page_name(native_path_style(), name);
  if (owner_of_page(page_name, "Undo log", name) == page_owner::other) {
    write_console_text(console_stream::out,
                       u"\nReport page " + console_safe(page_name) +
                           u" is not the page of this undo log (it is another "
                           u"log's, or no page of fldren's), and is not "
                           u"emptied. Name another undo log, or move that page "
                           u"away. Nothing was changed\n");
    end_undo(run, k_exit_failure);
  }
  // The log must never empty the output file it undoes, by any spelling.
  switch (open_journal(run.log, name, {&run.input.name}, journal_start::keep)) {
    case journal_open::ok:
      break;
    case journal_open::is_input:
      write_console_text(console_stream::out,
                         u"\nUndo log " + console_safe(name) +
                             u" is the output file itself; nothing was "
                             u"changed\n");
      end_undo(run, k_exit_failure);
    case journal_open::cannot_open:
      write_console_text(console_stream::out,
                         u"\nCan't create/open undo log " + console_safe(name) +
                             failure_text(run.log) + u"\n");
      end_undo(run, k_exit_failure);
  }
  // The undo's record goes beside its log, and is never a file of the
  // run it undoes, its record included.
  const wide_text record_name = run_record_name(native_path_style(), name);
  refuse_earlier_log(run, record_name);
  const wide_text run_record =
      run_record_name(native_path_style(), run.input.name);
  if (open_run_record(run.record_of_run, record_name,
                      {&run.input.name, &run_record, &run.log.name},
                      false) != journal_open::ok) {
    write_console_text(
        console_stream::out,
        u"\nCan't create/open run record " + console_safe(record_name) +
            u" as a file of its own" + failure_text(run.record_of_run.file) +
            u"; nothing was changed\n");
    journal_close(run.log);
    end_undo(run, k_exit_failure);
  }
  if (open_record_page(run.record_of_run, page_name,
                       {&run.input.name, &run_record, &run.log.name,
                        &record_name}) != journal_open::ok) {
    write_console_text(console_stream::out,
                       u"\nCan't create/open report page " +
                           console_safe(page_name) + u" as a file of its own" +
                           failure_text(run.record_of_run.page.file) +
                           u"; nothing was changed\n");
    journal_close(run.log);
    journal_close(run.record_of_run.file);
    end_undo(run, k_exit_failure);
  }
  if (!empty_journal(run.log)) {
    write_console_text(console_stream::out, u"\nCan't create/open undo log " +
                                                console_safe(name) +
                                                failure_text(run.log) + u"\n");
    end_undo(run, k_exit_failure);
  }
  // An undo log is itself an output file, in the run's own encoding, so
  // that undoing it redoes the run.
  run.log.form = run.input.form;
  write_console_text(console_stream::out,
                     u"\nUndo log created: " + console_safe(name));
}

void find_undo_lines(undo_run& run) {
  journal_line entry;
  wide_text line;
  for (;;) {
    const std::int64_t offset = line_offset(run.input);
    if (!read_line(run.input, line)) break;
    ++run.counts.lines_read;
    // A "Pending" line's rename may have been made before the run was
    // killed; whether it was is decided when its turn comes.
    const bool readable = read_journal_line(line, entry);
    run.any_line = run.any_line || readable;
    if (readable && entry.result == line_result::planned) {
      run.planned = true;
      ++run.counts.skipped;
    } else if (readable && entry.result != line_result::failure) {
      run.undo_lines.push_back(offset);
      run.relative_paths =
          run.relative_paths ||
          rename_path_is_relative(native_path_style(), entry.source) ||
          rename_path_is_relative(native_path_style(), entry.destination);
    } else {
      ++run.counts.skipped;
    }
  }
  if (run.input.read_failed) {
    write_console_text(
        console_stream::out,
        u"\nCan't read input file " + console_safe(run.input.name) + u"\n");
    end_undo(run, k_exit_failure);
  }
}

// A file of which no line is fldren's is no output file (the export list
// given by mistake, say): nothing in it can be undone, and saying "Skipped"
// for each line would hide the slip. An empty one has nothing to undo.
void refuse_foreign_file(undo_run& run) {
  if (run.any_line) return;
  if (run.counts.lines_read == 0) {
    write_console_text(console_stream::out,
                       u"\nThe output file " + console_safe(run.input.name) +
                           u" is empty: there is nothing to undo\n");
    return;
  }
  write_console_text(console_stream::out,
                     u"\nThe output file " + console_safe(run.input.name) +
                         u" holds no line fldren writes (is it an export "
                         u"list?); nothing was renamed\n");
  end_undo(run, k_exit_failure);
}

// A preview's output file shows renames that were never made: undoing
// them would take back a real run's renames of the same names.
void refuse_preview_file(undo_run& run) {
  if (!run.planned) return;
  write_console_text(console_stream::out,
                     u"\nThe output file " + console_safe(run.input.name) +
                         u" was written by a preview (its lines read \"" +
                         wide_text(result_word(line_result::planned)) +
                         u"\"): no file was renamed by it. Nothing was "
                         u"renamed\n");
  end_undo(run, k_exit_failure);
}

// Relative paths name other files in every other folder: they are taken
// against the folder the run was made in, never the one the undo runs in.
void refuse_relative_paths(undo_run& run) {
  if (!run.relative_paths || !run.options.folder.empty()) return;
  // The run's record says where it was made; taken only when that folder
  // is there.
  const wide_text record_name =
      run_record_name(native_path_style(), run.input.name);
  wide_text folder;
  wide_text unused;
  if (recorded_working_folder(record_name, folder) &&
      kind_of_name(folder, name_bytes::utf8, unused) == name_kind::directory) {
    write_console_text(console_stream::out,
                       u"\nRelative paths are taken against " +
                           console_safe(folder) +
                           u", the folder the run was made in, as its run "
                           u"record " +
                           console_safe(record_name) + u" says\n");
    run.options.folder = command_text_in_form(folder, run.disk.form);
    return;
  }
  wide_text here;
  // Built rather than assigned from a literal: g++ 12's -O2 sees an overlap
  // in assigning a short literal to a string that may hold a path.
  if (!resolve_full_path(u".", k_input_name_limit, here))
    here = wide_text(1, u'.');
  write_console_text(
      console_stream::out,
      u"\nThe output file " + console_safe(run.input.name) +
          u" holds relative paths, which name files of the folder fldren "
          u"ran in. Give that folder with -C FOLDER; the current folder, " +
          console_safe(here) + u", is not assumed. Nothing was renamed\n");
  end_undo(run, k_exit_failure);
}

wide_text in_run_folder(const undo_run& run, wide_view path) {
  if (run.options.folder.empty())
    return journal_path_in_form(native_path_style(), path);
  return rename_path_against(native_path_style(), path, run.options.folder);
}

enum class undo_step { undo, remove_new_name, skip };

// What to do for one line, from its result word and the disk. A "Success"
// line is undone; a line left in flight is settled from the disk: a rename
// that was made is undone, and of a rename by link killed between its two
// steps the second name, the run's own, goes.
undo_step choose_step(const undo_run& run, const wide_text& new_name,
                      const wide_text& old_name, line_result result) {
  // The run's rename left only the new name, so both names on one file are
  // an earlier undo's rename by link (ntfs-3g, sshfs), stopped between the
  // link and the removal: its second name goes, as a run's own would.
  // Asked before the rename, which Wine would take for done.
  if (result == line_result::success)
    return same_file_named(old_name, new_name, run.disk.form)
               ? undo_step::remove_new_name
               : undo_step::undo;
  switch (settle_in_flight(run.disk, old_name, new_name, result)) {
    case flight_end::made:
      return undo_step::undo;
    case flight_end::linked_twice:
      return undo_step::remove_new_name;
    case flight_end::not_made:
    case flight_end::both_names:
    case flight_end::no_name:
      break;
  }
  return undo_step::skip;
}

// Removes from, the second name of a file that to names too, and says so.
bool remove_new_name(undo_run& run, const wide_text& from) {
  const bool success = remove_second_name(run.disk, from);
  write_console_text(
      console_stream::out,
      u"\nBoth names lead to the same file; removed " + console_safe(from) +
          (success ? u""
                   : u": " + wide_text(result_word(line_result::failure))),
      run.input.form.encoding);
  return success;
}

// Undoes one line: from is its new name, to its old one. Writes the undo
// log's line first, as a run does; a refused undo's line reads "Failure"
// at once. Returns false when the undo log could not be written.
bool undo_line(undo_run& run, const journal_line& entry, const wide_text& from,
               const wide_text& to, undo_step step, wide_text& reason) {
  bool success = false;
  if (step == undo_step::remove_new_name) {
    if (!journal_begin(run.log, from, to, entry.first_value)) {
      reason = u"The undo log could not be written";
    } else {
      success = remove_new_name(run, from);
      journal_hold_result(run.log, success);
    }
  } else if (check_source(run.disk, from, reason) != refusal::none) {
    journal_refused(run.log, from, to, entry.first_value);
  } else if (!journal_begin(run.log, from, to, entry.first_value)) {
    reason = u"The undo log could not be written";
  } else {
    success = rename_file(run.disk, run.log, from, to, reason);
    journal_hold_result(run.log, success);
  }
  if (success) {
    ++run.counts.undone;
  } else {
    ++run.counts.failed;
    note_failure(run.record_of_run, 0, from, reason, {}, {});
  }
  return !run.log.failed;
}

void undo_renames(undo_run& run) {
  const text_encoding encoding = run.input.form.encoding;
  journal_line entry;
  wide_text line;
  wide_text report;
  wide_text reason;
  // Ctrl+C is taken between lines, as in a run.
  for (auto at = run.undo_lines.rbegin();
       at != run.undo_lines.rend() && !interrupted(); ++at) {
    if (!seek_input(run.input, *at) || !read_line(run.input, line) ||
        !read_journal_line(line, entry)) {
      write_console_text(console_stream::out,
                         u"\nCan't read input file " +
                             console_safe(run.input.name) +
                             u" again; the undo was stopped\n");
      end_undo(run, k_exit_failure);
    }
    const wide_text from = in_run_folder(run, entry.destination);
    const wide_text to = in_run_folder(run, entry.source);
    const undo_step step = choose_step(run, from, to, entry.result);
    if (step == undo_step::skip) {
      write_console_text(
          console_stream::out,
          u"\nNot renamed by the run, skipped: " + console_safe(to), encoding);
      ++run.counts.skipped;
      continue;
    }
    reason.clear();
    const std::int64_t undone = run.counts.undone;
    const bool logged = undo_line(run, entry, from, to, step, reason);
    write_report_console_line(encoding, from, to,
                              ended(run.counts.undone > undone), reason, {}, 0,
                              report);
    if (!logged) return;
  }
}

void write_undo_closing(const undo_counts& counts) {
  const std::string lines =
      "\n\nLines read:       " + group_thousands(counts.lines_read) +
      "\nUndone:           " + group_thousands(counts.undone) +
      "\nFailed:           " + group_thousands(counts.failed) +
      "\nSkipped:          " + group_thousands(counts.skipped) + "\n" +
      (interrupted() ? "Interrupted: the lines before the last one undone "
                       "were not looked at.\n"
                     : "");
  write_console_8bit(console_stream::out, lines);
}

// The undo's record: what is undone, from which output file.
void begin_undo_record(undo_run& run, int argc, char16_t** argv) {
  run_record& notes = run.record_of_run;
  if (!open_run_section(notes, "fldren-undo", argc, argv, "undo")) return;
  note_file(notes, "Output file undone", run.input.name);
  note_value(notes, "Undo log", run.log.name);
  if (!write_run_record_reporting(notes, u"; nothing was renamed"))
    end_undo(run, k_exit_failure);
}

// What came of the undo, and the undo log as it stands: the record's
// last lines but the status, which end_undo adds once it is final.
void note_undo_outcome(undo_run& run) {
  run_record& notes = run.record_of_run;
  const undo_counts& counts = run.counts;
  note_counts(notes, {{"Lines read", counts.lines_read},
                      {"Undone", counts.undone},
                      {"Failed", counts.failed},
                      {"Skipped", counts.skipped}});
  note_batch_end(notes, "Undo log", run.log.name);
}

}  // namespace

int run_undo_main(int argc, char16_t** argv) {
  static undo_run run;
  undo_arguments parsed = parse_undo_arguments(argc, argv);
  switch (parsed.outcome) {
    case undo_parse::ok:
      break;
    case undo_parse::usage:
    case undo_parse::stray_word:
      write_undo_fault(parsed);
      end_process(k_exit_bad_option, nullptr, nullptr, {});
    case undo_parse::help:
      show_undo_usage();
      end_process(k_exit_success, nullptr, nullptr, {});
    case undo_parse::version:
      show_version("fldren-undo");
      end_process(k_exit_success, nullptr, nullptr, {});
  }
  run.options = std::move(parsed.options);
  if (!open_named_input(run.input, run.options.journal_name))
    end_undo(run, k_exit_failure);
  follow_list_encoding(run.input.form.encoding);
  run.disk.form = name_bytes_of(run.input.form.encoding);
  run.disk.keep_creation_times = native_path_style() == path_style::windows;
  if (run.disk.keep_creation_times)
    run.disk.tunnel_window = tunnel_window_of(read_tunnel_settings());
  // The folder came from the command line; it is joined with the output
  // file's paths, in the form they are held in.
  run.options.folder = command_text_in_form(run.options.folder, run.disk.form);
  if (!run.options.log_name.empty()) create_undo_log(run);
  begin_undo_record(run, argc, argv);
  write_console_8bit(console_stream::out, "\n\n");
  find_undo_lines(run);
  refuse_foreign_file(run);
  refuse_preview_file(run);
  refuse_relative_paths(run);
  catch_interrupts();
  undo_renames(run);

  const bool whole = close_journal_reporting(
      run.log,
      {u"undo log", u"; the undo was stopped after the last line shown",
       u"; the last undo's result is missing from it"});
  write_undo_closing(run.counts);
  const exit_status status =
      batch_status(whole, interrupted(), run.counts.failed);
  note_undo_outcome(run);
  end_undo(run, status);
}
