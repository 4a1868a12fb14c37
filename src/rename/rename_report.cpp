#include "rename/rename_report.h"

#include "rename/text_output.h"

namespace {

constexpr wide_view k_success = u"Success";
constexpr wide_view k_failure = u"Failure";
constexpr wide_view k_arrow = u"==>";
constexpr std::size_t k_report_fields = 5;

}  // namespace

bool parse_report_line(wide_view line, report_line& entry) {
  if (!line.empty() && line.back() == u'\n') line.remove_suffix(1);
  wide_view fields[k_report_fields];
  std::size_t count = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= line.size(); ++i) {
    if (i < line.size() && line[i] != u'\t') continue;
    if (count == k_report_fields) return false;
    fields[count++] = line.substr(start, i - start);
    start = i + 1;
  }
  if (count != k_report_fields || fields[1] != k_arrow) return false;
  if (fields[3] != k_success && fields[3] != k_failure) return false;
  if (fields[0].empty() || fields[2].empty()) return false;
  entry.source = fields[0];
  entry.destination = fields[2];
  entry.success = fields[3] == k_success;
  entry.first_value = fields[4];
  return true;
}

name_bytes name_bytes_of(text_encoding encoding) {
  return encoding == text_encoding::eight_bit ? name_bytes::eight_bit
                                              : name_bytes::utf8;
}

namespace {

void compose_report(wide_view source, wide_view destination, bool success,
                    wide_text& scratch) {
  scratch += source;
  scratch += u'\t';
  scratch += k_arrow;
  scratch += u'\t';
  scratch += destination;
  scratch += u'\t';
  scratch += success ? k_success : k_failure;
}

}  // namespace

bool write_report_file_line(std::FILE* file, text_form form, bool& marked,
                            wide_view source, wide_view destination,
                            bool success, wide_view first_value,
                            wide_text& scratch) {
  scratch.clear();
  compose_report(source, destination, success, scratch);
  scratch += u'\t';
  scratch += first_value;
  return write_file_line(file, scratch, form, marked);
}

void write_report_console_line(text_encoding encoding, wide_view source,
                               wide_view destination, bool success,
                               wide_text& scratch) {
  scratch.assign(1, u'\n');
  compose_report(source, destination, success, scratch);
  write_console_text(console_stream::out, scratch, encoding);
}
