#pragma once

// The run context: the one set of state that lives from the start of a run
// until the process ends. What lives for one record belongs to that record.

#include <map>
#include <memory>
#include <vector>

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
  std::int64_t contents_differ = 0;  // -c: refused, contents not the list's
  std::map<wide_text, std::int64_t> reasons;  // failures by their reason
};

// What a run says once, where the cause of its failures is plain.
struct run_hints {
  // Records from the first on that failed for a missing folder of a drive
  // or share this machine does not reach; -1 once one did otherwise, or
  // once the hint was given.
  std::int64_t unreached = 0;
  // For each -m, in the options' order: whether a Destination began with
  // its FROM.
  std::vector<bool> moves_met;
  bool list_read_whole = false;  // every record of the list was looked at
};

struct run_context {
  run_options options;
  column_plan columns;
  text_input field_list;
  text_input export_list;    // its form is the report's, on console and file
  journal output;            // open when an output file was requested
  run_record record_of_run;  // beside the output file, when it is written
  renamer disk;  // the real renamer, or the preview's model over the disk
  // The folder relative Destination values are taken against on Windows,
  // learnt once: it does not change during a run. Empty where it could not
  // be learnt (and on Linux, whose paths need none).
  wide_text working_folder;
  run_counts counts;    // the whole job's, a resumed run's earlier part too
  resume_state resume;  // the earlier run, when continued with -r
  std::unique_ptr<file_hasher> hasher;  // -c's, once started
  progress_line progress;               // a quiet run's progress on a terminal
  run_hints hints;
};

// Sets every part of the context to its start value.
void init_run_context(run_context& run);

// Closes every open file of the run (the output file's last result
// written first), flushes the console, finishes the run record and ends
// the process, as end_process does. Never returns.
[[noreturn]] void end_run(run_context& run, exit_status status);
