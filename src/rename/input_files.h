#pragma once

// Opening the two input files, reading the field list, and creating the
// output file.

#include <cstddef>

#include "journal/journal.h"
#include "rename/line_model.h"
#include "rename/shared_types.h"
#include "text/wide_text.h"

struct run_context;

// The limit for a resolved input name, in characters.
inline constexpr std::size_t k_input_name_limit = 32768;

// Opens the named file into slot and reports it on the console; or reports
// that it cannot be opened, under the name it was given when that does not
// resolve, and returns false.
bool open_named_input(text_input& slot, const wide_text& name);

// Opens the field list and reads it, then opens the export list, all
// before the output file is made, so that a list that cannot be used ends
// the run with status 1 before any file is created or emptied. Says
// nothing when both can be used (announce_lists says it, after the output
// file's line); otherwise says that the lists before the fault were opened
// and what the fault is.
void open_lists(run_context& run);

// Says that both lists were opened, in the order they were.
void announce_lists(const run_context& run);

enum class field_list_result {
  ok,
  line_too_long,
  too_many_titles,
  read_failed
};

// Reads the titles of input into list, in order: the first line shorter
// than 3 characters, or of spaces only, ends it; trailing spaces are cut.
// Stops at the first line too long for a title, or the title beyond the
// most the list holds, with line_number at that line. Never ends the run.
field_list_result parse_field_list(text_input& input, field_name_list& list,
                                   int& line_number);

// Reads the titles of the open field list into run.columns.field_names, then
// closes it; on a fault, first says the list was opened. The first line shorter
// than 3 characters, or of spaces only, ends the list. Ends the run with status
// 1 when the list holds no title, on a line too long for a title, on more
// titles than the list holds, or on a read error.
void read_field_list(run_context& run);

// What an existing output file (or undo log) holds, as far as emptying it
// goes.
enum class earlier_output {
  nothing_kept,  // nothing, a device, or a preview's or refusals' lines
  renames,       // a line of a rename made or attempted
  in_flight,     // a killed batch's last line, its rename perhaps made
  stopped,       // a batch whose run record never got its end
  foreign,       // lines fldren does not write: the file is someone's own
};

// Whether output, opened without emptying it, may be emptied: a file that
// records renames is the only record of them, and a file fldren did not
// write is not fldren's to empty. record_name is its run record's name.
// Reads the file; changes nothing.
earlier_output classify_earlier_output(const journal& output,
                                       const wide_text& record_name);

// Creates the output file when one was requested, never on top of an input
// file; ends the run with status 1 when it cannot be created.
void create_output_file(run_context& run);

// Opens the report page beside the output file, emptied, which must be none
// of the run's files; ends the run with status 1, having closed the output
// file and run record, when it cannot be made. create_output_file opens it
// for a new run; a continued run, once the earlier run is known.
void open_report_page(run_context& run);

// Ends the run with status 1 after reporting that input could not be read.
[[noreturn]] void end_on_read_error(run_context& run, const text_input& input);
