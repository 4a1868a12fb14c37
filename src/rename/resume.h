#pragma once

// Continuing a run from its output file (-r). The earlier run's lines are
// read back, and each is held against the line this run composes for the
// same record of the list, so that nothing is renamed unless the job is
// the same one; a last line that a killed run left in flight is settled
// from the disk, and the run goes on with the next record.

#include <cstdint>

#include "rename/line_model.h"
#include "rename/shared_types.h"
#include "text/wide_text.h"

struct run_context;
struct record_plan;

// What a reading of an output file found: its whole lines, by result, and
// how its last line ends.
enum class last_line {
  none,       // the file ends at a line end (or holds nothing)
  in_flight,  // "Pending" or "Linking": the run was killed during a rename
  settled,    // a result, its line cut short after it
  cut_short,  // a line cut short before its result word
};

struct output_scan {
  std::int64_t whole_lines = 0;
  std::int64_t renamed = 0;
  std::int64_t failed = 0;
  last_line last = last_line::none;
  std::int64_t last_offset = 0;   // where the last line starts
  std::int64_t end = 0;           // where the last whole line ends
  std::int64_t foreign_line = 0;  // the number of a line fldren never writes
  bool relative_paths = false;    // some path depends on the run's folder
};

enum class scan_result { ok, preview, foreign_line, read_failed };

// Reads input, an output file, from its start to its end into scan.
// preview when a line reads "Planned" (a preview wrote the file);
// foreign_line, with its number, at the first line fldren does not write.
scan_result scan_output_file(text_input& input, output_scan& scan);

// The earlier run's side of a resumed run.
struct resume_state {
  text_input earlier;  // the output file as the earlier run left it
  output_scan scan;
  // The working folder the earlier run's record names, read before this
  // run adds its own section; empty when there is no record or no folder.
  wide_text earlier_folder;
  std::int64_t lines_read = 0;  // earlier lines held against records so far
  // The counts the earlier run's whole lines account for.
  std::int64_t processed = 0;
  std::int64_t renamed = 0;
  std::int64_t failed = 0;
};

// True while records of the list still have earlier lines to meet.
bool resuming(const run_context& run);

// Opens the output file -o names as the earlier run left it, reads it
// whole and says on the console what the earlier run did. Ends the run
// with status 1, nothing changed, when there is no run to continue: no
// such file, a preview's file, a line fldren does not write, or another
// encoding than the export list's.
void open_earlier_run(run_context& run);

enum class resume_step { handled, rename_now, stop };

// Meets the record with the earlier run's next line. A whole line must be
// the line this run composes for it (same source and new path, as the
// file system compares names); otherwise the run ends with status 1 and
// the line named, nothing renamed. Gives handled when the record is
// accounted for, rename_now when the earlier run did not rename it (its
// line is then written again by the rename), stop when the output file
// could not be written.
resume_step resume_record(run_context& run, const record_fields& fields,
                          record_plan& plan, wide_text& report);

// After the last record: ends the run with status 1 when the output file
// holds lines for records the list does not have.
void check_list_not_shorter(run_context& run);
