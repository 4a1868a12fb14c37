#include "journal/journal.h"

#include "console/text_output.h"
#include "platform/encoded_text.h"

namespace {

// A preview's journal writes "Planned" where a run's writes "Success".
line_result result_of(const journal& journal, bool success) {
  return success && journal.planned ? line_result::planned : ended(success);
}

}  // namespace

namespace {

// On a file system Windows reads, mounted on Linux, a name that differs
// from an input's only in case is that input to Windows, though the Linux
// driver keeps the two apart.
bool windows_twin(const wide_text& name, const wide_text& input) {
  if (name == input ||
      upper_case_as_windows(name) != upper_case_as_windows(input))
    return false;
  folder_limits limits;
  return limits_of_folder(wide_text(parent_folder(native_path_style(), name)),
                          name_bytes::eight_bit, limits) &&
         limits.windows_file_system;
}

}  // namespace

journal_open open_journal(journal& journal, const wide_text& name,
                          std::initializer_list<const wide_text*> inputs,
                          journal_start start) {
  for (const wide_text* input : inputs)
    if (windows_twin(name, *input)) return journal_open::is_input;
  bool created = false;
  std::FILE* file = open_for_writing(name, created);
  if (file == nullptr) {
    journal.failure = last_error_text();
    return journal_open::cannot_open;
  }
  // Opened without emptying it: a name that leads to an input by another
  // spelling must not cost that input its contents. A file whose identity
  // is not known could be an input by another name: it is not emptied.
  file_identity own;
  if (!identity_of_file(file, own) || !same_identity(own, own)) {
    std::fclose(file);
    journal.failure = u"its identity cannot be learnt, so it could be an input";
    return journal_open::cannot_open;
  }
  for (const wide_text* input : inputs) {
    file_identity other;
    if (identity_of_name(*input, other) && same_identity(other, own)) {
      std::fclose(file);
      // Made by this open, so the input named the same way did not exist:
      // taken away again, so that nothing is changed, unless another
      // program has put a file of its own under the name meanwhile.
      file_identity now;
      if (created && identity_of_name(name, now) && same_identity(now, own))
        remove_file(name);
      return journal_open::is_input;
    }
  }
  if (start == journal_start::empty && !empty_file(file)) {
    journal.failure = last_error_text();
    std::fclose(file);
    return journal_open::cannot_open;
  }
  journal.file = file;
  journal.name = name;
  journal.failed = false;
  journal.failure.clear();
  journal.holding = false;
  journal.end = 0;
  journal.flushed_at = std::chrono::steady_clock::now();
  return journal_open::ok;
}

bool empty_journal(journal& journal) {
  if (empty_file(journal.file)) return true;
  journal.failure = last_error_text();
  std::fclose(journal.file);
  journal.file = nullptr;
  return false;
}

bool continue_journal(journal& journal, std::int64_t offset) {
  if (journal.file == nullptr) return true;
  if (!cut_file(journal.file, offset)) {
    journal.failed = true;
    return false;
  }
  journal.end = offset;
  return true;
}

namespace {

// Appends the held line's result word and the rest of its line.
void append_held(journal& journal) {
  append_result_word(result_of(journal, journal.held_success),
                     journal.form.encoding, journal.bytes);
  journal.bytes += journal.held_tail;
}

constexpr auto k_flush_every = std::chrono::seconds(1);

bool write_from(journal& journal, std::int64_t offset) {
  if (!write_file_at(journal.file, offset, journal.bytes)) {
    journal.failed = true;
    journal.failure = last_error_text();
    // A write cut short may have stopped inside the held line's result
    // word; that line goes again on its own, so that no line reads half a
    // word.
    if (journal.holding && offset == journal.result_at) {
      journal.bytes.clear();
      append_held(journal);
      write_file_at(journal.file, journal.result_at, journal.bytes);
    }
    return false;
  }
  journal.end = offset + static_cast<std::int64_t>(journal.bytes.size());
  // On the disk itself at most once a second: a power loss then costs at
  // most the last second's lines, while the system's cache, which a kill
  // never loses, holds every line at once.
  const auto now = std::chrono::steady_clock::now();
  if (now - journal.flushed_at >= k_flush_every) {
    journal.flushed_at = now;
    if (!flush_to_disk(journal.file)) {
      journal.failed = true;
      return false;
    }
  }
  return true;
}

}  // namespace

namespace {

// Puts in journal.bytes the held line's result and the rest of its line
// (or an empty file's byte-order mark), then a new line up to its result
// word. Returns where the bytes go; result_at is where the word will stand.
std::int64_t start_line(journal& journal, wide_view source,
                        wide_view destination, std::int64_t& result_at) {
  std::string& bytes = journal.bytes;
  bytes.clear();
  const std::int64_t offset = journal.holding ? journal.result_at : journal.end;
  if (journal.holding)
    append_held(journal);
  else if (journal.end == 0 && journal.form.byte_order_mark)
    bytes = byte_order_mark(journal.form.encoding);
  append_line_start(source, destination, journal.form.encoding, bytes);
  result_at = offset + static_cast<std::int64_t>(bytes.size());
  return offset;
}

// Writes the held line's result and a new line whose result word reads
// result. A line in flight is held, its tail to follow with its result;
// another line is written whole.
bool write_line(journal& journal, wide_view source, wide_view destination,
                wide_view first_value, line_result result, bool in_flight) {
  if (journal.file == nullptr) return true;
  if (journal.failed) return false;
  std::int64_t result_at = 0;
  const std::int64_t offset =
      start_line(journal, source, destination, result_at);
  append_result_word(result, journal.form.encoding, journal.bytes);
  if (!in_flight)
    append_line_tail(first_value, journal.form.encoding, journal.bytes);
  if (!write_from(journal, offset)) return false;
  journal.holding = in_flight;
  if (!in_flight) return true;
  journal.result_at = result_at;
  journal.held_success = false;
  journal.held_tail.clear();
  append_line_tail(first_value, journal.form.encoding, journal.held_tail);
  return true;
}

}  // namespace

bool journal_begin(journal& journal, wide_view source, wide_view destination,
                   wide_view first_value) {
  return write_line(journal, source, destination, first_value,
                    line_result::pending, true);
}

bool journal_refused(journal& journal, wide_view source, wide_view destination,
                     wide_view first_value) {
  return write_line(journal, source, destination, first_value,
                    line_result::failure, false);
}

bool journal_settle_last(journal& journal, std::int64_t line_at,
                         wide_view source, wide_view destination,
                         wide_view first_value, bool success) {
  if (journal.file == nullptr) return true;
  if (journal.failed) return false;
  const text_encoding encoding = journal.form.encoding;
  std::string& bytes = journal.bytes;
  bytes.clear();
  append_line_start(source, destination, encoding, bytes);
  const std::int64_t word_at =
      line_at + static_cast<std::int64_t>(bytes.size());
  bytes.clear();
  append_result_word(result_of(journal, success), encoding, bytes);
  append_line_tail(first_value, encoding, bytes);
  const std::int64_t end = word_at + static_cast<std::int64_t>(bytes.size());
  if (!write_file_at(journal.file, word_at, bytes) ||
      !cut_file(journal.file, end)) {
    journal.failed = true;
    return false;
  }
  journal.holding = false;
  journal.end = end;
  return true;
}

bool journal_linking(journal& journal) {
  if (journal.file == nullptr || !journal.holding) return true;
  if (journal.failed) return false;
  // In place of "Pending", the same length: the file keeps its length.
  std::string& word = journal.bytes;
  word.clear();
  append_result_word(line_result::linking, journal.form.encoding, word);
  if (!write_file_at(journal.file, journal.result_at, word)) {
    journal.failed = true;
    return false;
  }
  return true;
}

void journal_hold_result(journal& journal, bool success) {
  // After a failed write the line held is an earlier record's.
  if (!journal.failed) journal.held_success = success;
}

bool journal_close(journal& journal) {
  if (journal.file == nullptr) return true;
  if (journal.holding && !journal.failed) {
    journal.bytes.clear();
    append_held(journal);
    write_from(journal, journal.result_at);
  }
  journal.holding = false;
  if (!journal.failed && !flush_to_disk(journal.file)) journal.failed = true;
  if (std::fclose(journal.file) != 0) journal.failed = true;
  journal.file = nullptr;
  return !journal.failed;
}

wide_text failure_text(const journal& journal) {
  return journal.failure.empty() ? wide_text()
                                 : u": " + console_safe(journal.failure);
}

bool close_journal_reporting(journal& journal, const journal_words& words) {
  const bool stopped = journal.failed;
  if (journal_close(journal) && !stopped) return true;
  // The name came from the command line, not from the list: it is shown as
  // every other message shows it, whatever the list's encoding.
  write_console_text(console_stream::out,
                     u"\nCan't write to " + wide_text(words.title) + u" " +
                         console_safe(journal.name) +
                         wide_text(stopped ? words.stopped : words.missing));
  return false;
}
