#include "rename/run_context.h"

#include "rename/end_process.h"

void init_run_context(run_context& run) {
  run = run_context{};
  run.columns.selected.fill(-1);
}

void end_run(run_context& run, exit_status status) {
  if (run.hasher != nullptr) stop_hashing(*run.hasher);
  // A run that ends early says so in its record too.
  end_process(status, &run.output, &run.record_of_run,
              {&run.field_list, &run.export_list, &run.resume.earlier});
}
