#include "rename/end_process.h"

#include "console/text_output.h"
#include "platform/platform.h"

void end_process(exit_status status, journal* output,
                 std::initializer_list<text_input*> inputs) {
  for (text_input* input : inputs)
    if (input != nullptr) close_input(*input);
  // The last rename's result goes in its line; a run that ends on an error
  // leaves its output file as complete as one that ends well.
  if (output != nullptr && !journal_close(*output)) {
    write_console_text(
        console_stream::out,
        u"\nCan't write to output file " + console_safe(output->name) + u"\n");
    if (status == k_exit_success || status == k_exit_some_renames_failed)
      status = k_exit_failure;
  }
  // A report that never reached standard output is a failed run, even when
  // every rename went through.
  const bool batch_written = flush_console();
  if (!batch_written || std::fflush(stdout) != 0 || std::ferror(stdout)) {
    write_console_8bit(console_stream::err,
                       "\nStandard output could not be written\n");
    // The report the examiner was to read is lost: that outweighs a
    // failed rename, which the report would have shown.
    if (status == k_exit_success || status == k_exit_some_renames_failed)
      status = k_exit_failure;
  }
  std::fflush(stderr);
  exit_process(status);
}
