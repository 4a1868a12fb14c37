#pragma once

// Checking each exported file against the hash its record holds (-c): the
// file is hashed before it is renamed, and a file whose contents differ is
// left as it is. Files are hashed ahead of the record loop, a few at a
// time in worker threads, so that the disk keeps reading while records are
// renamed; memory stays bounded whatever the files' sizes: each worker
// holds one block, and at most k_files_ahead records wait for their turn.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "rename/line_model.h"
#include "rename/rename_rules.h"
#include "rename/shared_types.h"
#include "text/hash_text.h"
#include "text/wide_text.h"

struct run_context;

inline constexpr std::int64_t k_files_ahead = 8;

// One file's hash as a worker found it, with the state of the file it
// read, so that the record loop knows it is the file it renames, as it was
// when read.
struct hash_outcome {
  bool done = false;
  bool hashed = false;
  std::string hex;
  wide_text reason;
  file_state read;
};

struct hash_job {
  std::int64_t record = 0;
  wide_text path;
  hash_kind kind = hash_kind::none;
};

struct file_hasher {
  text_input ahead;  // a second reading of the export list, records ahead
  bool has_header = false;
  std::int64_t next_record = 0;  // the record ahead gives next
  std::mutex lock;
  std::condition_variable changed;
  std::deque<hash_job> jobs;                      // waiting for a worker
  std::map<std::int64_t, hash_outcome> outcomes;  // by record, until taken
  bool stopping = false;
  std::vector<std::thread> workers;
  std::atomic<std::int64_t> bytes{0};  // read and hashed so far
};

// Starts hashing ahead when -c names a column: opens the export list a
// second time and starts the workers. Ends the run with status 1 when the
// list cannot be opened again.
void start_hashing(run_context& run);

// Checks the file of record number record (counted from 0 among the
// list's records) against the hash of its record: none when its contents
// match. Otherwise the refusal, with reason: the value is no MD5, SHA-1
// or SHA-256 (hash_value), the old name is a symbolic link, whose
// contents no list vouches for (symbolic_link), the file could not be read
// (cannot_look, the system's words), or its contents differ
// (hash_differs). A digest hashed ahead counts only while the name leads to
// the file read, unchanged since (still_as_read); else it is hashed again.
refusal check_file_hash(run_context& run, std::int64_t record,
                        const record_fields& fields, record_plan& plan,
                        wide_text& reason);

// Stops the workers, a hash in progress at its next block, and waits for
// them. Does nothing when none were started.
void stop_hashing(file_hasher& hasher);
