#pragma once

#include <cstdint>

// Every status the programs end with. Scripts that drive fldren branch on
// these numbers, so they never change meaning.
enum exit_status : int {
  k_exit_success = 0,  // every record renamed, or there were none
  // Too short a command line or a call for help (the usage pages), an
  // input that cannot be opened or read, an output file or run record that
  // cannot be made, a required column missing, or no run to continue.
  k_exit_failure = 1,
  k_exit_csv_file = 2,  // the export list is comma-separated
  k_exit_some_renames_failed = 3,
  // -c: a file's contents differ from its record's hash (it kept its
  // name), whatever else failed: the list does not describe the export.
  k_exit_contents_differ = 4,
  // An illegal option letter, a "?" among the letters, a missing value, a
  // value of -m that is not FROM=TO, an option after the options' end, or
  // -r without -o.
  k_exit_bad_option = 5,
  k_exit_interrupted = 6,  // Ctrl+C: stopped in order after a record
};

// What a status means, in a few words, for the report page.
inline const char* exit_status_meaning(exit_status status) {
  switch (status) {
    case k_exit_success:
      return "every record went through, or there were none";
    case k_exit_failure:
      return "a file could not be opened, created, read or written, or a "
             "list or the output file was unusable";
    case k_exit_csv_file:
      return "the export list looks comma-separated";
    case k_exit_some_renames_failed:
      return "at least one record failed";
    case k_exit_contents_differ:
      return "at least one file's contents differ from its hash in the "
             "list, and it kept its name";
    case k_exit_bad_option:
      return "the command line was not understood";
    case k_exit_interrupted:
      return "Ctrl+C stopped the run after the record in flight";
  }
  return "an unknown status";
}

// The status of a batch of renames that ended in order: 1 when its output
// file lacks part of it, 6 when Ctrl+C stopped it, 4 when a file's
// contents differ from the list, 3 when any other rename failed, 0
// otherwise.
inline exit_status batch_status(bool output_whole, bool stopped,
                                std::int64_t failed,
                                std::int64_t contents_differ = 0) {
  if (!output_whole) return k_exit_failure;
  if (stopped) return k_exit_interrupted;
  if (contents_differ > 0) return k_exit_contents_differ;
  return failed > 0 ? k_exit_some_renames_failed : k_exit_success;
}
