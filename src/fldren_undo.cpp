// fldren-undo: takes back the renames of a fldren run from its output file.
// The output file is read twice: once to find every "Success" line, then
// line by line from the last, so that a chain of renames unwinds in the
// reverse of the order it was made, without holding the lines in memory.

#include <string>
#include <vector>

#include "fldren.h"
#include "platform/platform.h"
#include "platform/program_entry.h"
#include "rename/input_files.h"
#include "rename/line_model.h"
#include "rename/rename_report.h"
#include "rename/run_context.h"
#include "rename/text_output.h"

namespace {

struct undo_run {
  text_input journal;  // the output file of the run to take back
  wide_text log_name;
  std::FILE* log = nullptr;
  bool log_marked = false;
  bool log_failed = false;
  std::vector<std::int64_t> success_lines;  // offsets, in file order
  std::int64_t lines_read = 0;
  std::int64_t undone = 0;
  std::int64_t failed = 0;
  std::int64_t skipped = 0;
  wide_text line;
  wide_text scratch;
};

[[noreturn]] void end_undo(undo_run& run, exit_status status) {
  close_input(run.journal);
  if (run.log != nullptr) std::fclose(run.log);
  run.log = nullptr;
  finish_process(status);
}

[[noreturn]] void show_undo_usage() {
  write_console_8bit(
      console_stream::out,
      "\nUsage: fldren-undo OUTPUTFILE [-o UNDOLOG]\n\n"
      "Takes back every rename that fldren reported \"Success\" in "
      "OUTPUTFILE,\n"
      "last first, never replacing a file. -o writes each undo to "
      "UNDOLOG.\n");
  finish_process(k_exit_bad_option);
}

bool is_option(wide_view argument) {
  return !argument.empty() && argument[0] == u'-';
}

// Reads OUTPUTFILE [-o UNDOLOG] or OUTPUTFILE -oUNDOLOG; anything else
// shows the usage text and ends with status 5.
void parse_undo_arguments(int argc, char16_t** argv, wide_text& journal,
                          wide_text& log) {
  if (argc < 2 || is_option(argv[1]) || wide_view(argv[1]).empty())
    show_undo_usage();
  journal = argv[1];
  if (argc == 2) return;
  const wide_view option = argv[2];
  if (option.size() < 2 || option[0] != u'-' ||
      (option[1] != u'o' && option[1] != u'O'))
    show_undo_usage();
  wide_view value;
  if (option.size() > 2 && argc == 3)
    value = option.substr(2);
  else if (option.size() == 2 && argc == 4)
    value = argv[3];
  if (value.empty() || is_option(value)) show_undo_usage();
  if (!resolve_full_path(value, k_input_name_limit, log)) log = value;
}

void create_undo_log(undo_run& run) {
  // The log must never empty the output file it undoes.
  if (same_file(run.log_name, run.journal.name)) {
    write_console_text(console_stream::out,
                       u"\nUndo log " + run.log_name +
                           u" is the output file itself; nothing was "
                           u"changed\n");
    end_undo(run, k_exit_failure);
  }
  run.log = create_for_writing(run.log_name);
  if (run.log == nullptr) {
    write_console_text(console_stream::out,
                       u"\nCan't create/open undo log " + run.log_name + u"\n");
    end_undo(run, k_exit_failure);
  }
  write_console_text(console_stream::out,
                     u"\nUndo log created: " + run.log_name);
}

void find_success_lines(undo_run& run) {
  report_line entry;
  for (;;) {
    const std::int64_t offset = line_offset(run.journal);
    if (!read_line(run.journal, run.line)) break;
    ++run.lines_read;
    if (parse_report_line(run.line, entry) && entry.success)
      run.success_lines.push_back(offset);
    else
      ++run.skipped;
  }
  if (run.journal.read_failed) {
    write_console_text(console_stream::out,
                       u"\nCan't read input file " + run.journal.name + u"\n");
    end_undo(run, k_exit_failure);
  }
}

void undo_renames(undo_run& run) {
  const text_form form = run.journal.form;
  const name_bytes names = name_bytes_of(form.encoding);

  report_line entry;
  for (auto at = run.success_lines.rbegin(); at != run.success_lines.rend();
       ++at) {
    if (!seek_input(run.journal, *at) || !read_line(run.journal, run.line) ||
        !parse_report_line(run.line, entry)) {
      write_console_text(console_stream::out,
                         u"\nCan't read input file " + run.journal.name +
                             u" again; the undo was stopped\n");
      end_undo(run, k_exit_failure);
    }
    const std::u16string from(entry.destination);
    const std::u16string to(entry.source);
    bool success = rename_no_replace(from, to, names);
    // As in a run: an undo that cannot be logged is taken back.
    if (run.log != nullptr &&
        !write_report_file_line(run.log, form, run.log_marked, from, to,
                                success, entry.first_value, run.scratch)) {
      run.log_failed = true;
      if (success && rename_no_replace(to, from, names)) success = false;
    }
    write_report_console_line(form.encoding, from, to, success, run.scratch);
    if (success)
      ++run.undone;
    else
      ++run.failed;
    if (run.log_failed) return;
  }
}

void write_undo_closing(const undo_run& run) {
  const std::string lines =
      "\n\nLines read:       " + group_thousands(run.lines_read) +
      "\nUndone:           " + group_thousands(run.undone) +
      "\nFailed:           " + group_thousands(run.failed) +
      "\nSkipped:          " + group_thousands(run.skipped) + "\n";
  write_console_8bit(console_stream::out, lines);
}

}  // namespace

int run_undo_main(int argc, char16_t** argv) {
  static undo_run run;
  wide_text journal_name;
  parse_undo_arguments(argc, argv, journal_name, run.log_name);
  if (!open_named_input(run.journal, journal_name))
    end_undo(run, k_exit_failure);
  if (!run.log_name.empty()) create_undo_log(run);
  write_console_8bit(console_stream::out, "\n\n");
  find_success_lines(run);
  undo_renames(run);
  if (run.log_failed)
    write_console_text(console_stream::out,
                       u"\nCan't write to undo log " + run.log_name +
                           u"; the undo was stopped after the last line "
                           u"shown",
                       run.journal.form.encoding);
  write_undo_closing(run);
  if (run.log_failed) end_undo(run, k_exit_failure);
  end_undo(run, run.failed > 0 ? k_exit_some_renames_failed : k_exit_success);
}
