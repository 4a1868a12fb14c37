#pragma once

// The run context: the one set of state that lives from the start of a run
// until the process ends. What lives for one record belongs to that record.

#include <initializer_list>
#include <map>
#include <memory>

#include "console/progress_line.h"
#include "journal/journal.h"
#include "journal/run_record.h"
#include "rename/exit_status.h"
#include "rename/hash_check.h"
#include "rename/line_model.h"
#include "rename/renamer.h"
#include "rename/resume.h"
#include "rename/shared_types.h"

struct run_counts {
  std::int64_t processed = 0;
  std::int64_t renamed = 0;
  std::int64_t failed = 0;
  std::int64_t long_paths = 0;  // renamed to a path most programs can't open
  std::map<wide_text, std::int64_t> reasons;  // failures by their reason
};

struct run_context {
  run_options options;
  column_plan columns;
  text_input field_list;
  text_input export_list;  // its form is the report's, on console and file
  journal output;          // open when an output file was requested
  run_record record;       // beside the output file, when it is written
  renamer names;           // the real one, or the preview's
  run_counts counts;       // the whole job's, a resumed run's earlier part too
  resume_state resume;     // the earlier run, when continued with -r
  std::unique_ptr<file_hasher> hasher;  // -c's, once started
  progress_line progress;               // a quiet run's progress on a terminal
};

// Sets every part of the context to its start value.
void init_run_context(run_context& run);

// Closes every open file of the run (the output file's last result
// written first), flushes the console and ends the process with the status.
// Never returns.
[[noreturn]] void end_run(run_context& run, exit_status status);

// Closes the files given (a null one is passed over), the journal's last
// result written first, flushes the console and ends the process with the
// status, or with status 1 instead of 0 when standard output could not be
// written. Both programs end through here. Never returns.
[[noreturn]] void end_process(exit_status status, journal* output,
                              std::initializer_list<text_input*> inputs);
