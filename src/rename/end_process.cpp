#include "rename/end_process.h"

#include "console/text_output.h"
#include "platform/platform.h"

namespace {

// Writes what the console holds; false when any of the report, now or
// before, never reached standard output.
bool console_flushed() {
  const bool batch_written = flush_console();
  return batch_written && std::fflush(stdout) == 0 && !std::ferror(stdout);
}

// A batch that renamed every file, or all but some: the statuses that a
// lost part of its report makes a failed run. That outweighs a failed
// rename, which the report would have shown.
bool went_through(exit_status status) {
  return status == k_exit_success || status == k_exit_some_renames_failed;
}

}  // namespace

void end_process(exit_status status, journal* output, run_record* record,
                 std::initializer_list<text_input*> inputs) {
  for (text_input* input : inputs)
    if (input != nullptr) close_input(*input);
  // The last rename's result goes in its line; a run that ends on an error
  // leaves its output file as complete as one that ends well.
  if (output != nullptr && !journal_close(*output)) {
    write_console_text(
        console_stream::out,
        u"\nCan't write to output file " + console_safe(output->name) + u"\n");
    if (went_through(status)) status = k_exit_failure;
  }
  // A report that never reached standard output is a failed run, even when
  // every rename went through.
  bool console_whole = console_flushed();
  if (!console_whole && went_through(status)) status = k_exit_failure;
  // Only now is the status the one the process ends with, so only now does
  // the record take its last lines. A batch whose record cannot be finished
  // has lost its account, whether it went through or Ctrl+C stopped it; a
  // run that ended early keeps the status that says why. The message that
  // says so reaches standard output as the report did.
  if (record != nullptr && !finish_run_record_reporting(
                               *record, status, exit_status_meaning(status))) {
    if (went_through(status) || status == k_exit_interrupted)
      status = k_exit_failure;
    console_whole = console_flushed() && console_whole;
  }
  if (!console_whole)
    write_console_8bit(console_stream::err,
                       "\nStandard output could not be written\n");
  std::fflush(stderr);
  exit_process(status);
}
