#include "journal/journal_line.h"

#include <array>

#include "platform/encoded_text.h"
#include "platform/platform.h"

namespace {

constexpr wide_view k_words[] = {u"Success", u"Failure", u"Pending", u"Linking",
                                 u"Planned"};

// The two paths' join: TAB, arrow, TAB.
const wide_text& join() {
  static const wide_text text = u"\t" + wide_text(k_arrow) + u"\t";
  return text;
}

}  // namespace

wide_view result_word(line_result result) {
  return k_words[static_cast<std::size_t>(result)];
}

bool in_flight(line_result result) {
  return result == line_result::pending || result == line_result::linking;
}

namespace {

bool word_result(wide_view word, line_result& result) {
  for (std::size_t at = 0; at < std::size(k_words); ++at)
    if (word == k_words[at]) {
      result = static_cast<line_result>(at);
      return true;
    }
  return false;
}

}  // namespace

namespace {

// One field more than a line has, to tell a line with too many.
using line_fields = std::array<wide_view, k_line_fields + 1>;

// Cuts line (its line feed removed) at its TABs into fields; the count.
std::size_t split_line(wide_view line, line_fields& fields) {
  std::size_t count = 0;
  for (std::size_t start = 0; count < fields.size();) {
    const std::size_t tab = line.find(u'\t', start);
    fields[count++] =
        line.substr(start, tab == wide_view::npos ? tab : tab - start);
    if (tab == wide_view::npos) break;
    start = tab + 1;
  }
  return count;
}

bool ends_line(wide_view line) { return !line.empty() && line.back() == u'\n'; }

}  // namespace

bool parse_journal_line(wide_view line, journal_line& entry) {
  const bool whole = ends_line(line);
  if (whole) line.remove_suffix(1);
  line_fields fields;
  const std::size_t count = split_line(line, fields);
  if (count > k_line_fields || count < k_line_fields - 1) return false;
  if (!word_result(fields[3], entry.result)) return false;
  // A whole line ends at its result word only while its rename is in
  // flight; a line cut short may end there whatever its word.
  if (count == k_line_fields - 1 && whole && !in_flight(entry.result))
    return false;
  const bool paths = entry.result == line_result::failure ||
                     (!fields[0].empty() && !fields[2].empty());
  if (fields[1] != k_arrow || !paths) return false;
  entry.source = fields[0];
  entry.destination = fields[2];
  entry.first_value = count == k_line_fields ? fields[4] : wide_view();
  return true;
}

bool parse_cut_line(wide_view line, journal_line& entry) {
  if (ends_line(line)) return false;
  line_fields fields;
  const std::size_t count = split_line(line, fields);
  // The word, if any of it is there, is the fourth field and the last one
  // read: a garbled word followed by more fields is no cut line.
  if (count != k_line_fields - 1 || fields[1] != k_arrow || fields[0].empty() ||
      fields[2].empty())
    return false;
  entry.source = fields[0];
  entry.destination = fields[2];
  entry.first_value = {};
  // A whole word followed by the start of a cut TAB (half of a UTF-16
  // unit) still says what became of the rename.
  if (!word_result(fields[3].substr(0, k_result_word_units), entry.result))
    entry.result = line_result::pending;
  return true;
}

bool read_journal_line(wide_view line, journal_line& entry) {
  return parse_journal_line(line, entry) || parse_cut_line(line, entry);
}

bool holds_line_start(wide_view text) {
  return text.find(join()) != wide_view::npos;
}

void append_line_start(wide_view source, wide_view destination,
                       text_encoding encoding, std::string& bytes) {
  append_encoded(source, encoding, bytes);
  append_encoded(join(), encoding, bytes);
  append_encoded(destination, encoding, bytes);
  append_encoded(u"\t", encoding, bytes);
}

void append_result_word(line_result result, text_encoding encoding,
                        std::string& bytes) {
  append_encoded(result_word(result), encoding, bytes);
}

void append_line_tail(wide_view first_value, text_encoding encoding,
                      std::string& bytes) {
  append_encoded(u"\t", encoding, bytes);
  append_encoded(first_value, encoding, bytes);
  append_encoded(text_line_end(), encoding, bytes);
}
