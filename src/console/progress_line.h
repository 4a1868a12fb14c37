#pragma once

// The one line that shows a quiet run's progress on a terminal, drawn over
// itself at most five times a second: records done of the total, renamed,
// failed, records per second and the time left.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

struct progress_line {
  bool active = false;  // drawn only where a person watches
  std::int64_t total = 0;
  std::chrono::steady_clock::time_point start;
  std::chrono::steady_clock::time_point drawn_at;
  std::size_t width = 0;    // of the line as last drawn, 0 when none shows
  bool after_text = false;  // other text ends the cursor's line
  // The bytes -c has read and hashed so far, when it checks files.
  const std::atomic<std::int64_t>* hashed = nullptr;
};

// Starts drawing when standard output is a terminal or console window;
// total is the number of records to come.
void start_progress(progress_line& progress, std::int64_t total);

// The text of the line: "12,000 of 200,000 records, 11,990 renamed, 10
// failed, 4,000 a second, 0:47 left", and when files are hashed (hashed
// not negative) ", 1,536 MiB hashed, 180 MiB a second" before the time
// left. Never fails.
std::string progress_text(std::int64_t done, std::int64_t total,
                          std::int64_t renamed, std::int64_t failed,
                          double seconds, std::int64_t hashed = -1);

// Redraws the line when a fifth of a second has passed since it was last
// drawn.
void update_progress(progress_line& progress, std::int64_t done,
                     std::int64_t renamed, std::int64_t failed);

// Erases the line before other text is written. True when the cursor then
// stands at the start of an empty line, where that text need not begin
// with a line feed.
bool clear_progress(progress_line& progress);

// Notes that other text now ends the cursor's line, so that the next draw
// starts a line of its own below it.
void note_text_written(progress_line& progress);
