#pragma once

// The working loop: every record's exported file renamed to its prefixed
// name, each outcome reported on the console and in the output file.

#include <cstdint>

#include "rename/line_model.h"
#include "rename/rename_rules.h"
#include "rename/shared_types.h"
#include "text/wide_text.h"

struct run_context;

// Handles one record: composes its paths, checks the rules, writes its
// output-file line ahead of the rename, renames (or, in a preview, models
// the rename), and reports the outcome on the console. Returns false when
// the output file could not be written (the record's file is then left as
// it was, unless its rename was made and only its result is missing); the
// run must then stop. record is the record's number among the list's
// records, from 0; plan and report are scratch text that the caller keeps
// from record to record.
bool rename_record(run_context& run, std::int64_t record,
                   const record_fields& fields, record_plan& plan,
                   wide_text& report);

// Ends one record, whatever decided it: its report line on the console
// (plan's paths, reason and listed name; a quiet run shows failures only),
// its counts, and the progress line. Never fails.
void end_record(run_context& run, const record_plan& plan, bool success,
                wide_text& report);

// The counts of a record that the earlier run of a resumed one decided:
// its result counted under reason, nothing shown. Never fails.
void count_record(run_context& run, bool success, wide_view reason,
                  bool long_path);

// The number of records after the header, as process_records counts them;
// reads the input from its start.
std::int64_t count_records(text_input& input);

// Renames every record after the header. Stops after the current record
// when the output file cannot be written (run.output.failed).
void process_records(run_context& run);
