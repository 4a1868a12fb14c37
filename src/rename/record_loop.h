#pragma once

// The working loop: every record's exported file renamed to its prefixed
// name, each outcome reported on the console and in the output file.

#include "rename/run_context.h"

// Composes run.source_path and run.destination_path from the record in
// run.fields, using run.parts, missing columns counting as empty text.
// Returns false when the record's file must be left alone: a column it
// lacks, a NUL in a value used (the file system would see a shorter name)
// or U+FFFD (it stands for bytes of the list that could not be decoded),
// a separator in a selected value (it would move the file elsewhere), or a
// destination equal to the source, which exists.
bool compose_paths(run_context& run);

// Handles the record that split_record has just set: renames its file when
// nothing forbids it, reports the outcome and counts it.
void rename_record(run_context& run);

// Renames every record after the header. Stops after the current record
// when the output file cannot be written (run.output_failed).
void process_records(run_context& run);
