#include "rename/hash_check.h"

#include <algorithm>

#include "console/text_output.h"
#include "platform/file_hash.h"
#include "rename/input_files.h"
#include "rename/run_context.h"

namespace {

// Two workers keep one disk busy, and a second disk too; more would only
// make one disk seek between files.
constexpr unsigned k_workers = 2;

void hash_files(file_hasher& hasher, name_bytes form) {
  for (;;) {
    hash_job job;
    {
      std::unique_lock<std::mutex> held(hasher.lock);
      hasher.changed.wait(
          held, [&] { return hasher.stopping || !hasher.jobs.empty(); });
      if (hasher.stopping) return;
      job = std::move(hasher.jobs.front());
      hasher.jobs.pop_front();
    }
    hash_outcome outcome;
    // The state comes from the open file read, not from the name: a file
    // put under the name, or written to, before or after the read is not
    // what was hashed, and the record loop sees so.
    outcome.hashed = hash_file(job.path, form, job.kind, outcome.hex,
                               outcome.reason, &hasher.bytes, &outcome.read);
    outcome.done = true;
    {
      const std::lock_guard<std::mutex> held(hasher.lock);
      hasher.outcomes[job.record] = std::move(outcome);
    }
    hasher.changed.notify_all();
  }
}

wide_view hash_value_of(const run_context& run, const record_fields& fields) {
  const std::int32_t column = run.columns.hash_column;
  return column >= 0 && column < fields.count
             ? fields.columns[static_cast<std::size_t>(column)]
             : wide_view();
}

// Reads records ahead of the loop until the one after record plus
// k_files_ahead has been given to the workers; records before first are
// passed over (a continued run's earlier part).
void read_ahead(run_context& run, std::int64_t first) {
  file_hasher& hasher = *run.hasher;
  wide_text line;
  record_fields fields;
  record_plan plan;
  while (hasher.has_header && hasher.next_record <= first + k_files_ahead &&
         read_line(hasher.ahead, line)) {
    if (!is_record_line(line)) continue;
    const std::int64_t record = hasher.next_record++;
    if (record < first) continue;
    split_record(line, fields);
    const hash_kind kind = hash_kind_of_hex(hash_value_of(run, fields));
    if (kind == hash_kind::none) continue;
    compose_source(run.options, run.columns, fields, run.working_folder, plan);
    {
      const std::lock_guard<std::mutex> held(hasher.lock);
      hasher.jobs.push_back({record, plan.source, kind});
      hasher.outcomes[record] = hash_outcome{};
    }
    hasher.changed.notify_one();
  }
}

// Drops what was hashed ahead for records before record: they were
// refused before their hash was asked for. Keeps memory bounded.
void forget_before(file_hasher& hasher, std::int64_t record) {
  const std::lock_guard<std::mutex> held(hasher.lock);
  hasher.jobs.erase(
      std::remove_if(hasher.jobs.begin(), hasher.jobs.end(),
                     [&](const hash_job& job) { return job.record < record; }),
      hasher.jobs.end());
  // A file still being hashed puts its outcome back when done; a later
  // call drops it then.
  hasher.outcomes.erase(hasher.outcomes.begin(),
                        hasher.outcomes.lower_bound(record));
}

// The worker's outcome for record, waited for; false when there is none
// (the record was not hashed ahead).
bool take_outcome(run_context& run, std::int64_t record,
                  hash_outcome& outcome) {
  file_hasher& hasher = *run.hasher;
  std::unique_lock<std::mutex> held(hasher.lock);
  const auto found = hasher.outcomes.find(record);
  if (found == hasher.outcomes.end()) return false;
  hasher.changed.wait(held, [&] { return found->second.done; });
  outcome = std::move(found->second);
  hasher.outcomes.erase(found);
  return true;
}

}  // namespace

void start_hashing(run_context& run) {
  if (run.columns.hash_column < 0) return;
  run.hasher = std::make_unique<file_hasher>();
  file_hasher& hasher = *run.hasher;
  std::FILE* file = open_for_reading(run.export_list.name);
  if (file == nullptr) {
    const wide_text why = last_error_text();
    write_console_text(
        console_stream::out,
        u"\ncan't open input file " + console_safe(run.export_list.name) +
            u" a second time, to hash ahead" +
            (why.empty() ? wide_text() : u": " + console_safe(why)) + u"\n");
    end_run(run, k_exit_failure);
  }
  attach_input(hasher.ahead, file, run.export_list.name);
  // The same file, read as the loop reads it, a code page of -e included.
  hasher.ahead.form = run.export_list.form;
  wide_text header;
  hasher.has_header = read_line(hasher.ahead, header);
  for (unsigned i = 0; i < k_workers; ++i)
    hasher.workers.emplace_back(hash_files, std::ref(hasher), run.disk.form);
}

refusal check_file_hash(run_context& run, std::int64_t record,
                        const record_fields& fields, record_plan& plan,
                        wide_text& reason) {
  const wide_view listed = hash_value_of(run, fields);
  const hash_kind kind = hash_kind_of_hex(listed);
  if (kind == hash_kind::none) {
    reason = refusal_text(refusal::hash_value);
    return refusal::hash_value;
  }
  forget_before(*run.hasher, record);
  read_ahead(run, record);
  hash_outcome outcome;
  const bool ahead = take_outcome(run, record, outcome);
  // Looked at once the worker is done, as late as can be before the
  // rename: an earlier record's rename may have put another file under the
  // name, or another program written to it in place, since it was read.
  file_state now;
  const bool looked = state_of_rename_path(plan.source, run.disk.form, now);
  if (looked && now.symbolic_link) {
    reason = refusal_text(refusal::symbolic_link);
    return refusal::symbolic_link;
  }
  if (!ahead || !outcome.hashed || !looked ||
      !still_as_read(outcome.read, now)) {
    outcome.reason.clear();
    outcome.hashed = hash_file(plan.source, run.disk.form, kind, outcome.hex,
                               outcome.reason, &run.hasher->bytes);
  }
  // A hash that Ctrl+C stopped, ahead or now, says nothing of the file.
  if (!outcome.hashed && interrupted()) return refusal::hash_stopped;
  if (!outcome.hashed) {
    reason = u"The file could not be read for its hash: " + outcome.reason;
    return refusal::cannot_look;
  }
  if (!hex_digest_matches(outcome.hex, listed)) {
    plan.listed_hash = listed;
    plan.computed_hash = outcome.hex;
    reason = refusal_text(refusal::hash_differs);
    return refusal::hash_differs;
  }
  return refusal::none;
}

void stop_hashing(file_hasher& hasher) {
  {
    const std::lock_guard<std::mutex> held(hasher.lock);
    hasher.stopping = true;
  }
  stop_hashing_files();
  hasher.changed.notify_all();
  for (std::thread& worker : hasher.workers)
    if (worker.joinable()) worker.join();
  hasher.workers.clear();
  close_input(hasher.ahead);
}
