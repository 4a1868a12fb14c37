#include "console/progress_line.h"

#include "console/text_output.h"
#include "platform/platform.h"
#include "text/number_text.h"

namespace {

constexpr auto k_redraw_every = std::chrono::milliseconds(200);

std::string minutes_and_seconds(std::int64_t seconds) {
  const std::int64_t rest = seconds % 60;
  return std::to_string(seconds / 60) + (rest < 10 ? ":0" : ":") +
         std::to_string(rest);
}

}  // namespace

void start_progress(progress_line& progress, std::int64_t total) {
  progress = progress_line{};
  progress.active = console_is_terminal(console_stream::out);
  progress.total = total;
  progress.start = std::chrono::steady_clock::now();
  progress.drawn_at = progress.start;
}

std::string progress_text(std::int64_t done, std::int64_t total,
                          std::int64_t renamed, std::int64_t failed,
                          double seconds, std::int64_t hashed) {
  std::string text = grouped_digits(done) + " of " + grouped_digits(total) +
                     " records, " + grouped_digits(renamed) + " renamed, " +
                     grouped_digits(failed) + " failed";
  if (seconds <= 0 || done == 0) return text;
  const double rate = static_cast<double>(done) / seconds;
  const std::int64_t left = total > done ? total - done : 0;
  text += ", " + grouped_digits(static_cast<std::int64_t>(rate)) + " a second";
  // Hashing reads every byte: on a large export the bytes, not the
  // records, tell how the run goes.
  if (hashed >= 0) {
    constexpr std::int64_t k_mebibyte = 1 << 20;
    text += ", " + grouped_digits(hashed / k_mebibyte) + " MiB hashed, " +
            grouped_digits(static_cast<std::int64_t>(
                static_cast<double>(hashed / k_mebibyte) / seconds)) +
            " MiB a second";
  }
  // An estimate needs a second of work to go on, and one under a second
  // ("0:00 left" all through a short run) tells nothing.
  const double estimate = static_cast<double>(left) / rate;
  if (seconds < 1.0 || estimate < 1.0) return text;
  return text + ", " +
         minutes_and_seconds(static_cast<std::int64_t>(estimate)) + " left";
}

void update_progress(progress_line& progress, std::int64_t done,
                     std::int64_t renamed, std::int64_t failed) {
  if (!progress.active) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - progress.drawn_at < k_redraw_every && !progress.after_text) return;
  progress.drawn_at = now;
  const std::chrono::duration<double> elapsed = now - progress.start;
  std::string line =
      progress_text(done, progress.total, renamed, failed, elapsed.count(),
                    progress.hashed == nullptr ? -1 : progress.hashed->load());
  // A line as wide as the window would wrap, and every redraw would leave
  // a line behind.
  const std::size_t columns = console_columns(console_stream::out);
  if (columns > 1 && line.size() >= columns) line.resize(columns - 1);
  const std::size_t width = line.size();
  // Spaces over what a longer line drew before.
  if (width < progress.width) line.append(progress.width - width, ' ');
  progress.width = width;
  write_console_8bit(console_stream::out,
                     (progress.after_text ? "\n" : "\r") + line);
  progress.after_text = false;
}

bool clear_progress(progress_line& progress) {
  if (!progress.active) return false;
  if (progress.width > 0)
    write_console_8bit(console_stream::out,
                       "\r" + std::string(progress.width, ' ') + "\r");
  progress.width = 0;
  return !progress.after_text;
}

void note_text_written(progress_line& progress) {
  progress.after_text = progress.active;
}
