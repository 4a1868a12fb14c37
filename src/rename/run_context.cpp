#include "rename/run_context.h"

#include "platform/platform.h"
#include "rename/line_model.h"
#include "rename/text_output.h"

void init_run_context(run_context& run) {
  run = run_context{};
  run.selected.fill(-1);
}

void end_run(run_context& run, exit_status status) {
  close_input(run.field_list);
  close_input(run.export_list);
  if (run.output_file != nullptr) std::fclose(run.output_file);
  run.output_file = nullptr;
  finish_process(status);
}

void finish_process(exit_status status) {
  // A report that never reached standard output is a failed run, even when
  // every rename went through.
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    write_console_8bit(console_stream::err,
                       "\nStandard output could not be written\n");
    if (status == k_exit_success) status = k_exit_failure;
  }
  std::fflush(stderr);
  exit_process(status);
}
