#include "journal/run_record.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "console/text_output.h"
#include "platform/file_hash.h"
#include "platform/platform.h"
#include "text/code_pages.h"
#include "text/unicode_text.h"

namespace {

void add_line(run_record& record, std::string_view key,
              std::string_view utf8_value) {
  if (record.file.file == nullptr) return;
  record.section += key;
  record.section += ": ";
  record.section += utf8_value;
  append_utf8_encoded(text_line_end(), record.section);
  add_report_fact(record.page, key, utf8_value);
}

constexpr std::string_view k_working_folder = "Working folder";
constexpr std::string_view k_exit_status = "Exit status";

}  // namespace

journal_open open_run_record(run_record& record, const wide_text& name,
                             std::initializer_list<const wide_text*> inputs,
                             bool append) {
  record.section.clear();
  const journal_open opened =
      open_journal(record.file, name, inputs, journal_start::keep);
  if (opened != journal_open::ok) return opened;
  std::int64_t length = 0;
  if (append) {
    if (regular_file_length(record.file.file, length)) record.file.end = length;
  } else if (!empty_journal(record.file)) {
    return journal_open::cannot_open;
  }
  return journal_open::ok;
}

journal_open open_record_page(run_record& record, const wide_text& name,
                              std::initializer_list<const wide_text*> inputs,
                              bool keep_earlier) {
  return open_report_page(record.page, name, inputs, keep_earlier);
}

void note_case(run_record& record, wide_view note) {
  std::string bytes;
  append_utf8_encoded(console_safe(note), bytes);
  add_line(record, "Case note", bytes);
  note_report_case(record.page, bytes);
}

void note_failure_reason(run_record& record, std::int64_t count,
                         wide_view reason) {
  const std::string number = std::to_string(count) + " ";
  note_value(record, "Failure reason",
             wide_text(number.begin(), number.end()) + wide_text(reason));
  add_report_reason(record.page, count, reason);
}

void note_failure(run_record& record, std::int64_t line, wide_view path,
                  wide_view reason, wide_view expected, wide_view computed) {
  add_report_failure(record.page, line, path, reason, expected, computed);
}

void note_earlier_failure(run_record& record, std::int64_t line, wide_view path,
                          wide_view fallback) {
  add_report_earlier_failure(record.page, line, path, fallback);
}

void note_value(run_record& record, std::string_view key, wide_view value) {
  std::string bytes;
  append_utf8_encoded(console_safe(value), bytes);
  add_line(record, key, bytes);
}

void note_value(run_record& record, std::string_view key,
                std::string_view value) {
  add_line(record, key, value);
}

void note_count(run_record& record, std::string_view key, std::int64_t count) {
  add_line(record, key, std::to_string(count));
}

void note_file(run_record& record, std::string_view title,
               const wide_text& name) {
  // A file is read for its hash only when the record is there to keep it.
  if (record.file.file == nullptr) return;
  note_value(record, title, name);
  std::string digest;
  wide_text reason;
  std::atomic<std::int64_t> bytes{0};
  const std::string key(title);
  if (hash_input_file(name, hash_kind::sha256, digest, reason, &bytes)) {
    note_count(record, key + " size", bytes.load());
    note_value(record, key + " SHA-256", digest);
  } else {
    note_value(record, key + " SHA-256", u"not read: " + reason);
  }
}

void begin_run_section(run_record& record, std::string_view program,
                       wide_view command_line) {
  // Sections are told apart by a blank line.
  if (record.file.end > 0) append_utf8_encoded(text_line_end(), record.section);
  name_report_program(record.page, program);
  note_value(record, "Program", std::string(program) + " " + FLDREN_VERSION);
  note_value(record, "Command line", command_line);
  wide_text folder;
  if (!current_folder(folder)) folder.clear();
  note_value(record, k_working_folder, folder);
  note_value(record, "User", user_name());
  note_value(record, "Computer", computer_name());
  note_value(record, "Started", utc_time_now());
}

bool write_run_record(run_record& record) {
  journal& file = record.file;
  if (file.file == nullptr) return true;
  if (!file.failed && !record.section.empty()) {
    if (!write_file_at(file.file, file.end, record.section) ||
        !flush_to_disk(file.file)) {
      file.failed = true;
      file.failure = last_error_text();
    } else
      file.end += static_cast<std::int64_t>(record.section.size());
  }
  record.section.clear();
  return write_report_page(record.page) && !file.failed;
}

bool finish_run_record(run_record& record, int exit_status,
                       std::string_view meaning) {
  if (record.file.file == nullptr) return true;
  note_value(record, "Ended", utc_time_now());
  note_count(record, k_exit_status, exit_status);
  const bool written = write_run_record(record);
  const bool closed = journal_close(record.file) && written;
  return finish_report_page(record.page, exit_status, meaning) && closed;
}

namespace {

void report_unwritten(const run_record& record, wide_view after) {
  // The record, or else the page beside it.
  const bool page = !record.file.failed && record.page.file.failed;
  const journal& file = page ? record.page.file : record.file;
  write_console_text(console_stream::out,
                     (page ? u"\nCan't write to report page "
                           : u"\nCan't write to run record ") +
                         console_safe(file.name) + failure_text(file) +
                         wide_text(after) + u"\n");
}

}  // namespace

bool write_run_record_reporting(run_record& record, wide_view after) {
  if (write_run_record(record)) return true;
  report_unwritten(record, after);
  return false;
}

bool finish_run_record_reporting(run_record& record, int exit_status,
                                 std::string_view meaning) {
  // A write that failed before was said then, and ended the run there.
  const bool said = record.file.failed || record.page.file.failed;
  if (finish_run_record(record, exit_status, meaning)) return true;
  if (!said) report_unwritten(record, u"");
  return false;
}

bool open_run_section(run_record& record, std::string_view program, int argc,
                      char16_t** argv, std::string_view mode) {
  if (record.file.file == nullptr) return false;
  begin_run_section(record, program, command_line_text(argc, argv));
  note_value(record, "Mode", mode);
  return true;
}

void note_counts(run_record& record,
                 std::initializer_list<noted_count> counts) {
  for (const noted_count& counted : counts)
    note_count(record, counted.key, counted.count);
}

void note_batch_end(run_record& record, std::string_view title,
                    const wide_text& name) {
  if (record.file.file == nullptr) return;
  note_value(record, "Interrupted", interrupted() ? "yes" : "no");
  note_file(record, title, name);
}

wide_text command_line_text(int argc, char16_t** argv) {
  wide_text line;
  for (int index = 0; index < argc; ++index) {
    const wide_view argument = argv[index];
    if (index > 0) line += u' ';
    if (!argument.empty() &&
        argument.find_first_of(u" \t\"") == wide_view::npos) {
      line += argument;
      continue;
    }
    line += u'"';
    for (const char16_t unit : argument) {
      if (unit == u'"') line += u'"';
      line += unit;
    }
    line += u'"';
  }
  return line;
}

namespace {

// The value of key in the first section of the run record named name, as
// its UTF-8 bytes; false when there is no record or no such line.
bool recorded_value(const wide_text& name, std::string_view key_name,
                    std::string& value) {
  std::FILE* file = open_for_reading(name);
  if (file == nullptr) return false;
  // The line is among those of the first section, after the command line,
  // which may be of any length: the section is read line by line up to
  // its end, holding one line at a time.
  const std::string key = std::string(key_name) + ": ";
  std::string line;
  char block[1 << 14];
  bool found = false;
  bool section_ended = false;
  for (std::size_t got; !found && !section_ended &&
                        (got = std::fread(block, 1, sizeof block, file)) > 0;) {
    for (std::size_t at = 0; at < got && !found && !section_ended;) {
      const char* end =
          static_cast<const char*>(std::memchr(block + at, '\n', got - at));
      const std::size_t stop =
          end == nullptr ? got : static_cast<std::size_t>(end - block);
      line.append(block + at, stop - at);
      at = stop + 1;
      if (end == nullptr) break;  // the line goes on in the next block
      std::string_view whole = line;
      if (!whole.empty() && whole.back() == '\r') whole.remove_suffix(1);
      if (whole.empty()) {
        section_ended = true;
      } else if (whole.substr(0, key.size()) == key) {
        value = whole.substr(key.size());
        found = true;
      }
      line.clear();
    }
  }
  std::fclose(file);
  return found;
}

}  // namespace

bool recorded_working_folder(const wide_text& name, wide_text& folder) {
  std::string value;
  if (!recorded_value(name, k_working_folder, value)) return false;
  folder.clear();
  append_utf8_decoded(value, folder);
  return true;
}

namespace {

constexpr std::string_view k_encoding = "Export list encoding";

constexpr struct {
  text_encoding encoding;
  std::string_view name;
} k_encoding_names[] = {{text_encoding::eight_bit, "8-bit"},
                        {text_encoding::utf8, "UTF-8"},
                        {text_encoding::utf16le, "UTF-16LE"},
                        {text_encoding::utf16be, "UTF-16BE"}};

}  // namespace

void note_encoding(run_record& record, const text_form& form) {
  for (const auto& known : k_encoding_names)
    if (known.encoding == form.encoding)
      note_value(record, k_encoding,
                 std::string(known.name) +
                     (form.byte_order_mark ? " with a byte-order mark" : ""));
}

bool recorded_encoding(const wide_text& name, text_encoding& encoding) {
  std::string value;
  if (!recorded_value(name, k_encoding, value)) return false;
  for (const auto& known : k_encoding_names)
    if (value == known.name ||
        value == std::string(known.name) + " with a byte-order mark") {
      encoding = known.encoding;
      return true;
    }
  return false;
}

namespace {

constexpr std::string_view k_chosen_code_page = "Code page of 8-bit lists (-e)";

}  // namespace

void note_code_pages(run_record& record, unsigned chosen, unsigned machine) {
  if (chosen != 0)
    note_value(record, k_chosen_code_page, std::to_string(chosen));
  if (machine != 0)
    note_value(record, "Code page of this machine", std::to_string(machine));
}

bool recorded_code_page(const wide_text& name, unsigned& code_page) {
  std::string value;
  if (!recorded_value(name, k_chosen_code_page, value)) return false;
  const std::u16string digits(value.begin(), value.end());
  return parse_code_page(digits, code_page);
}

bool run_record_unfinished(const wide_text& name) {
  std::FILE* file = open_for_reading(name);
  if (file == nullptr) return false;
  // Sections are a few dozen lines each; a continued run adds one. A
  // record of more than a few MiB is no record of these runs: its end is
  // looked at only.
  constexpr long k_most = 4 << 20;
  std::string bytes;
  if (std::fseek(file, 0, SEEK_END) == 0) {
    const long size = std::ftell(file);
    std::fseek(file, size > k_most ? size - k_most : 0, SEEK_SET);
  }
  char block[1 << 14];
  for (std::size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;)
    bytes.append(block, got);
  std::fclose(file);
  // The last section begins after the last blank line.
  std::size_t start = 0;
  for (const char* blank : {"\n\n", "\n\r\n"}) {
    const std::size_t at = bytes.rfind(blank);
    if (at != std::string::npos && at + std::strlen(blank) > start)
      start = at + std::strlen(blank);
  }
  const std::string key = std::string(k_exit_status) + ": ";
  const std::string_view section = std::string_view(bytes).substr(start);
  return section.find(key) != 0 &&
         section.find("\n" + key) == std::string_view::npos;
}
