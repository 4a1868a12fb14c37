#include "rename/input_files.h"

#include <string>

#include "console/text_output.h"
#include "platform/platform.h"
#include "rename/line_model.h"
#include "rename/resume.h"
#include "rename/run_context.h"
#include "text/code_pages.h"
#include "text/number_text.h"
#include "text/path_forms.h"

namespace {

// Opens the named file into slot, saying nothing; false, with shown the
// name to report (the one given when it does not resolve) and why the
// system's words or ours, when it cannot be opened.
bool open_quietly(text_input& slot, const wide_text& name, wide_text& shown,
                  wide_text& why) {
  if (!resolve_full_path(name, k_input_name_limit, shown)) {
    shown = name;
    why = name.empty() ? u"no name was given for it"
                       : u"the name cannot be made a full path";
    return false;
  }
  std::FILE* file = open_for_reading(shown);
  if (file == nullptr) {
    why = last_error_text();
    return false;
  }
  attach_input(slot, file, shown);
  return true;
}

void say_opened(const wide_text& name) {
  write_out(u"\nInput opened " + console_safe(name));
}

void say_cannot_open(const wide_text& name, const wide_text& why) {
  // Without a name, the reason is all there is to show.
  const wide_text after = why.empty()
                              ? wide_text()
                              : (name.empty() ? u"(" + console_safe(why) + u")"
                                              : u": " + console_safe(why));
  write_out(u"\ncan't open input file " + console_safe(name) + after);
}

}  // namespace

bool open_named_input(text_input& slot, const wide_text& name) {
  wide_text shown;
  wide_text why;
  if (!open_quietly(slot, name, shown, why)) {
    say_cannot_open(shown, why);
    return false;
  }
  say_opened(slot.name);
  return true;
}

namespace {

// The code page 8-bit lists are read in: -e's, or with -r the one the
// earlier run read them in, which its record names, so that a continued
// run reads the names the run read. A different -e with -r is a slip,
// refused before anything is opened.
unsigned lists_code_page(run_context& run) {
  unsigned code_page = run.options.code_page;
  const wide_text record =
      run_record_name(native_path_style(), run.options.output_file_name);
  text_encoding encoding = text_encoding::eight_bit;
  // A record that tells how the list was read but names no code page
  // tells that -e was not given.
  unsigned recorded = 0;
  if (run.options.resume && (recorded_code_page(record, recorded) ||
                             recorded_encoding(record, encoding))) {
    if (code_page != 0 && code_page != recorded) {
      write_out(u"\n-e " + decimal_text(code_page) +
                u" is not the code page the run to continue read its lists "
                u"in: its run record says " +
                (recorded == 0 ? u"none (-e was not given). Give no -e"
                               : decimal_text(recorded) + u". Give -e " +
                                     decimal_text(recorded) + u", or no -e") +
                u". Nothing was done\n");
      end_run(run, k_exit_bad_option);
    }
    code_page = recorded;
  }
  if (code_page != 0 && code_page != k_utf8_code_page &&
      !code_page_readable(code_page)) {
    write_out(u"\nThis system cannot read code page " +
              decimal_text(code_page) + u" (-e). Nothing was done\n");
    end_run(run, k_exit_failure);
  }
  return code_page;
}

}  // namespace

void open_lists(run_context& run) {
  const unsigned code_page = lists_code_page(run);
  run.options.code_page = code_page;
  wide_text shown;
  wide_text why;
  if (!open_quietly(run.field_list, run.options.field_list_name, shown, why)) {
    say_cannot_open(shown, why);
    end_run(run, k_exit_failure);
  }
  read_8bit_in(run.field_list, code_page);
  read_field_list(run);
  if (!open_quietly(run.export_list, run.options.export_list_name, shown,
                    why)) {
    say_opened(run.field_list.name);
    say_cannot_open(shown, why);
    end_run(run, k_exit_failure);
  }
  read_8bit_in(run.export_list, code_page);
}

void announce_lists(const run_context& run) {
  say_opened(run.field_list.name);
  say_opened(run.export_list.name);
}

field_list_result parse_field_list(text_input& input, field_name_list& list,
                                   int& line_number) {
  list = field_name_list{};
  rewind_input(input);
  wide_text line;
  line_number = 0;
  while (read_line(input, line)) {
    ++line_number;
    if (line.size() < 3) break;
    if (line.size() > k_max_field_line) return field_list_result::line_too_long;
    if (line.back() == u'\n') line.pop_back();
    while (!line.empty() && line.back() == u' ') line.pop_back();
    // A line of spaces would leave an empty title, which matches at the
    // first position of every header; it ends the list like a blank line.
    if (line.empty()) break;
    if (list.count == k_max_field_names)
      return field_list_result::too_many_titles;
    list.names[static_cast<std::size_t>(list.count++)] = line;
  }
  return input.read_failed ? field_list_result::read_failed
                           : field_list_result::ok;
}

void read_field_list(run_context& run) {
  int line_number = 0;
  const field_list_result read =
      parse_field_list(run.field_list, run.columns.field_names, line_number);
  // A list without a title would rename every file to its own name.
  const bool no_title =
      read == field_list_result::ok && run.columns.field_names.count == 0;
  // The list was opened in silence; a fault in it is told after it.
  if (read != field_list_result::ok || no_title)
    say_opened(run.field_list.name);
  switch (read) {
    case field_list_result::ok:
      if (!no_title) break;
      write_out(
          u"\nThe field list holds no title (its first line is missing, "
          u"blank or shorter than 3 characters, which ends the list); "
          u"nothing was renamed\n");
      end_run(run, k_exit_failure);
    case field_list_result::line_too_long:
      write_out(u"\nField list line " + decimal_text(line_number) +
                u" is longer than " +
                decimal_text(static_cast<std::int64_t>(k_max_field_line)) +
                u" characters; nothing was renamed\n");
      end_run(run, k_exit_failure);
    case field_list_result::too_many_titles:
      write_out(u"\nThe field list holds more than " +
                decimal_text(k_max_field_names) +
                u" titles; nothing was renamed\n");
      end_run(run, k_exit_failure);
    case field_list_result::read_failed:
      end_on_read_error(run, run.field_list);
  }
  close_input(run.field_list);
}

earlier_output classify_earlier_output(const journal& output,
                                       const wide_text& record_name) {
  // Only a file with lines in it can be a run's record; a device such as
  // NUL or /dev/null is read no further.
  std::int64_t length = 0;
  if (!regular_file_length(output.file, length) || length == 0)
    return earlier_output::nothing_kept;
  std::FILE* file = open_for_reading(output.name);
  if (file == nullptr) return earlier_output::foreign;
  text_input input;
  attach_input(input, file, output.name);
  output_scan scan;
  const scan_result read = scan_output_file(input, scan);
  close_input(input);
  switch (read) {
    case scan_result::preview:
      return earlier_output::nothing_kept;
    case scan_result::foreign_line:
    case scan_result::read_failed:
      return earlier_output::foreign;
    case scan_result::ok:
      break;
  }
  if (scan.last == last_line::in_flight) return earlier_output::in_flight;
  if (run_record_unfinished(record_name)) return earlier_output::stopped;
  if (scan.renamed > 0 || scan.last == last_line::settled)
    return earlier_output::renames;
  return earlier_output::nothing_kept;
}

namespace {

// Ends the run with status 1, nothing changed, when the output file must
// not be emptied; says why and what to do instead.
void refuse_earlier_output(run_context& run) {
  const earlier_output earlier = classify_earlier_output(
      run.output,
      run_record_name(native_path_style(), run.options.output_file_name));
  if (earlier == earlier_output::nothing_kept) return;
  journal_close(run.output);
  const wide_text name = u"\nOutput file " + console_safe(run.output.name);
  switch (earlier) {
    case earlier_output::in_flight:
      write_out(name +
                u" holds a run that was stopped during a rename; it is the "
                u"only record of that run's renames. Continue the run with "
                u"-r, or name another output file. Nothing was changed\n");
      break;
    case earlier_output::stopped:
      write_out(name +
                u" holds a run that was stopped before its end (its run "
                u"record has no exit status). Continue the run with -r, or "
                u"name another output file. Nothing was changed\n");
      break;
    case earlier_output::renames:
      write_out(name +
                u" records the renames of an earlier run; it is the only "
                u"record of them, and is never emptied. Continue that run "
                u"with -r, or name another output file. Nothing was "
                u"changed\n");
      break;
    case earlier_output::foreign:
      write_out(name +
                u" holds lines fldren does not write: it is no output file, "
                u"and is not emptied. Name another output file. Nothing was "
                u"changed\n");
      break;
    case earlier_output::nothing_kept:
      break;
  }
  end_run(run, k_exit_failure);
}

// Opens the output file without emptying it, once it is known to be none
// of the lists: emptying it must never empty one of the lists it reports.
void open_output_journal(run_context& run) {
  const wide_text& name = run.options.output_file_name;
  switch (open_journal(
      run.output, name,
      {&run.options.export_list_name, &run.options.field_list_name},
      journal_start::keep)) {
    case journal_open::ok:
      return;
    case journal_open::is_input:
      write_out(u"\nOutput file " + console_safe(name) +
                u" is one of the input files; nothing was changed\n");
      break;
    case journal_open::cannot_open:
      // Kept as it always was, the leading letter n included: scripts
      // match this line.
      write_out(u"nCan't create/open output filename " + console_safe(name) +
                failure_text(run.output));
      break;
  }
  end_run(run, k_exit_failure);
}

// Ends the run with status 1, nothing changed, when the page's place holds
// a page of another output file, or a file that is no page of ours: the
// only copy of that run's reasons, or someone's own file.
void refuse_other_page(run_context& run) {
  const wide_text name =
      report_page_name(native_path_style(), run.options.output_file_name);
  if (owner_of_page(name, "Output file", run.options.output_file_name) !=
      page_owner::other)
    return;
  journal_close(run.output);
  write_out(u"\nReport page " + console_safe(name) +
            u" is not the page of this output file (it is another output "
            u"file's, or no page of fldren's), and is not emptied. Name "
            u"another output file, or move that page away. Nothing was "
            u"changed\n");
  end_run(run, k_exit_failure);
}

}  // namespace

// Opens the report page beside the output file, which must be none of the
// files the run reads or writes, its record included.
void open_report_page(run_context& run) {
  const wide_text record_name =
      run_record_name(native_path_style(), run.options.output_file_name);
  const wide_text name =
      report_page_name(native_path_style(), run.options.output_file_name);
  switch (open_record_page(
      run.record_of_run, name,
      {&run.options.export_list_name, &run.options.field_list_name,
       &run.options.output_file_name, &record_name},
      run.options.resume)) {
    case journal_open::ok:
      return;
    case journal_open::is_input:
      write_out(u"\nReport page " + console_safe(name) +
                u" is one of the files of the run; nothing was changed\n");
      break;
    case journal_open::cannot_open:
      write_out(u"\nCan't create/open report page " + console_safe(name) +
                failure_text(run.record_of_run.page.file) +
                u"; nothing was changed\n");
      break;
  }
  journal_close(run.output);
  journal_close(run.record_of_run.file);
  end_run(run, k_exit_failure);
}

namespace {

// Opens the run record beside the output file, which must be none of the
// files the run reads or writes; a continued run appends to it.
void open_record(run_context& run, bool append) {
  const wide_text name =
      run_record_name(native_path_style(), run.options.output_file_name);
  switch (open_run_record(
      run.record_of_run, name,
      {&run.options.export_list_name, &run.options.field_list_name,
       &run.options.output_file_name},
      append)) {
    case journal_open::ok:
      // A continued run makes its page once the earlier run is known to
      // be the one continued: a refused -r leaves the page as it was.
      if (!append) open_report_page(run);
      return;
    case journal_open::is_input:
      write_out(u"\nRun record " + console_safe(name) +
                u" is one of the files of the run; nothing was changed\n");
      break;
    case journal_open::cannot_open:
      write_out(u"\nCan't create/open run record " + console_safe(name) +
                failure_text(run.record_of_run.file) +
                u"; nothing was changed\n");
      break;
  }
  journal_close(run.output);
  end_run(run, k_exit_failure);
}

// Opens the earlier run's output file, to be read back and, unless this
// is a preview, continued; nothing in it is emptied.
void open_output_to_continue(run_context& run) {
  const wide_text& name = run.options.output_file_name;
  std::FILE* file = open_for_reading(name);
  if (file == nullptr) {
    write_out(u"\nCan't open output file " + console_safe(name) +
              u"; there is no run to continue. Nothing was renamed\n");
    end_run(run, k_exit_failure);
  }
  attach_input(run.resume.earlier, file, name);
  // Read before this run's own section joins the record. The earlier run
  // wrote its lines in the encoding it read the list in, which its record
  // says: a guess from the file's own start could differ (a list whose
  // first letter beyond ASCII lies past what is looked at).
  const wide_text record = run_record_name(native_path_style(), name);
  if (!recorded_working_folder(record, run.resume.earlier_folder))
    run.resume.earlier_folder.clear();
  text_encoding written = text_encoding::eight_bit;
  if (recorded_encoding(record, written))
    read_input_as(run.resume.earlier, written);
  // A preview of the continued run writes nothing: the file is the
  // earlier run's record.
  if (run.options.preview) {
    write_out(u"\nOutput file read, not written: " + console_safe(name) +
              u"\n\n");
    return;
  }
  refuse_other_page(run);
  open_output_journal(run);
  open_record(run, true);
  write_out(u"\nOutput file to continue: " + console_safe(name) + u"\n\n");
}

}  // namespace

void create_output_file(run_context& run) {
  if (!run.options.output_requested) return;
  if (run.options.resume) {
    open_output_to_continue(run);
    return;
  }
  const wide_text& name = run.options.output_file_name;
  // Refused before the output file is made, so that nothing is.
  refuse_other_page(run);
  open_output_journal(run);
  refuse_earlier_output(run);
  open_record(run, false);
  if (!empty_journal(run.output)) {
    write_out(u"nCan't create/open output filename " + console_safe(name) +
              failure_text(run.output));
    end_run(run, k_exit_failure);
  }
  // A preview's lines must never pass for a run's.
  run.output.planned = run.options.preview;
  write_out(u"\nOutput file created: " + console_safe(name) + u"\n\n");
}

void end_on_read_error(run_context& run, const text_input& input) {
  write_out(u"\nCan't read input file " + console_safe(input.name) + u"\n");
  end_run(run, k_exit_failure);
}
