#pragma once

// The run record kept beside an output file: who ran which program, with
// what command line, where and when, on which files (their size and
// SHA-256), and what came of it. UTF-8, one "Key: value" line each. Each
// run adds a section, written at its start and completed at its end, so
// that a killed run leaves at least its start.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "journal/journal.h"
#include "journal/report_page.h"
#include "text/text_form.h"
#include "text/wide_text.h"

struct run_record {
  journal file;         // opened, and compared with the inputs, as a journal
  std::string section;  // lines not yet written
  // The report page beside the output file, when it is open: every line
  // the record takes is a fact of the page too, from the same value.
  report_page page;
};

// Opens the run record named name, compared by identity with each of the
// inputs as open_journal compares, and emptied unless append: a continued
// run adds its section after the earlier run's.
journal_open open_run_record(run_record& record, const wide_text& name,
                             std::initializer_list<const wide_text*> inputs,
                             bool append);

// Opens the report page named name beside the record (report_page_name),
// compared by identity with each of the inputs; emptied, as the page is
// made again for every run, a continued one (keep_earlier) keeping the
// reasons its failures were listed with.
journal_open open_record_page(run_record& record, const wide_text& name,
                              std::initializer_list<const wide_text*> inputs,
                              bool keep_earlier = false);

// Adds the line "Case note: note", the examiner's words, and puts them in
// the page's heading.
void note_case(run_record& record, wide_view note);

// Adds the line "Failure reason: count reason", and the reason's bar to
// the page.
void note_failure_reason(run_record& record, std::int64_t count,
                         wide_view reason);

// Adds a failed record to the page (see add_report_failure); the record
// itself counts reasons only.
void note_failure(run_record& record, std::int64_t line, wide_view path,
                  wide_view reason, wide_view expected, wide_view computed);

// Adds a failure of the earlier run that a continued run met again (see
// add_report_earlier_failure).
void note_earlier_failure(run_record& record, std::int64_t line, wide_view path,
                          wide_view fallback);

// Adds the line "key: value"; a value's control characters and line
// separators are shown as the console shows them, so that every value
// keeps to its line. These and note_file add nothing to a record that is
// not open.
void note_value(run_record& record, std::string_view key, wide_view value);
void note_value(run_record& record, std::string_view key,
                std::string_view value);
void note_count(run_record& record, std::string_view key, std::int64_t count);

// A count and the key it is noted under.
struct noted_count {
  std::string_view key;
  std::int64_t count;
};

// Adds a "key: count" line for each, in order.
void note_counts(run_record& record, std::initializer_list<noted_count> counts);

// Adds title's lines for the file of that name: its path, its size in
// bytes and its SHA-256, or why it could not be read.
void note_file(run_record& record, std::string_view title,
               const wide_text& name);

// Adds the lines that begin a section: the program and its version, the
// command line as given, the working folder, the user, the computer and
// the time, a blank line first when the record holds an earlier section.
void begin_run_section(run_record& record, std::string_view program,
                       wide_view command_line);

// When the record is open, begins a section as begin_run_section does,
// for the command line argc and argv give, and adds its mode; false,
// adding nothing, when it is not.
bool open_run_section(run_record& record, std::string_view program, int argc,
                      char16_t** argv, std::string_view mode);

// Writes the lines added since the last write, and puts them on the disk.
// False, the record then closed, when they could not be written. Does
// nothing when the record is not open.
bool write_run_record(run_record& record);

// Adds the section's last lines, the time and the exit status, writes
// what is left and closes the record, then ends the page with the status
// and its meaning. False when a write failed, now or before. Does
// nothing, giving true, when the record is not open.
bool finish_run_record(run_record& record, int exit_status,
                       std::string_view meaning);

// Adds the lines that close a batch's section but for its end: whether
// Ctrl+C stopped it, and title's lines for the file the batch wrote, as it
// stands. finish_run_record then adds the time and the status.
void note_batch_end(run_record& record, std::string_view title,
                    const wide_text& name);

// write_run_record and finish_run_record that, when the record could not
// be written, say so on the console, naming it, followed by after. A
// failure that write_run_record_reporting said before is not said again.
bool write_run_record_reporting(run_record& record, wide_view after);
bool finish_run_record_reporting(run_record& record, int exit_status,
                                 std::string_view meaning);

// The command line as given, each argument that is empty or holds a space,
// a TAB or a double quote put in double quotes (a quote inside doubled).
wide_text command_line_text(int argc, char16_t** argv);

// True when the run record named name exists and its last section has no
// exit status: its run was killed, or lost its power, before its end.
bool run_record_unfinished(const wide_text& name);

// Adds the line that says in which encoding the export list was read (and
// so the output file written): "8-bit", "UTF-8", "UTF-16LE" or
// "UTF-16BE", with " with a byte-order mark" when it has one.
void note_encoding(run_record& record, const text_form& form);

// Adds the line that names the code page -e chose for 8-bit lists, when
// it chose one, and the machine's own (system_code_page) where it has one.
void note_code_pages(run_record& record, unsigned chosen, unsigned machine);

// The code page a run record's first section says -e chose for 8-bit
// lists; false when there is no record or no such line.
bool recorded_code_page(const wide_text& name, unsigned& code_page);

// The encoding a run record's first section says the export list was read
// in; false when there is no record or no such line.
bool recorded_encoding(const wide_text& name, text_encoding& encoding);

// The working folder recorded in a run record's first section, read from
// the record named name; false when there is no record or no such line.
bool recorded_working_folder(const wide_text& name, wide_text& folder);
