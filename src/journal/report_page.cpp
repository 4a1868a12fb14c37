#include "journal/report_page.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "console/text_output.h"
#include "platform/platform.h"
#include "text/number_text.h"
#include "text/unicode_text.h"

namespace {

// Above this the page's bytes go to the file; a run's failures are never
// held whole.
constexpr std::size_t k_pending_limit = 64 * 1024;

// The line at the page's top, the same length before and after its end,
// so that it is written over in place.
constexpr std::size_t k_state_bytes = 400;

// The page's look: on screen, and on paper (A4 or Letter alike), where no
// row is cut and each table's head is repeated on every page.
constexpr std::string_view k_style =
    "body{font-family:sans-serif;margin:1.5em;color:#111;line-height:1.35}"
    "main{display:flex;flex-direction:column}"
    "header{order:1}#run{order:2}#outcome{order:3}#failures{order:4}"
    "h1{font-size:1.5em;margin:0 0 .3em}h2{font-size:1.2em;margin:1.2em 0 "
    ".4em;border-bottom:1px solid #999}"
    "table{border-collapse:collapse;width:100%}"
    "th,td{text-align:left;vertical-align:top;padding:.2em .5em;border:1px "
    "solid #ccc;overflow-wrap:anywhere}"
    "table.facts th{width:16em;font-weight:normal;color:#444}"
    "td.count,th.count{text-align:right;width:6em;white-space:nowrap}"
    "td.line{width:5em;text-align:right}"
    "code{font-family:monospace;font-size:.95em}"
    ".incomplete{background:#fdd;border:2px solid #a00;padding:.5em}"
    ".complete{background:#efe;border:1px solid #080;padding:.5em}"
    ".note{font-size:1.1em}"
    "svg{display:block}"
    "@media print{body{margin:0}thead{display:table-header-group}"
    "tr{break-inside:avoid}h2{break-after:avoid}"
    "@page{margin:15mm}}";

void append_escaped(std::string_view utf8, std::string& out) {
  for (const char c : utf8) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
}

// Text from the lists or the disk, shown as the console shows it (its
// control characters and text that could not be read as \x1B and the
// like), escaped for HTML.
std::string page_text(wide_view text) {
  std::string utf8;
  append_utf8_encoded(console_safe(text), utf8);
  std::string escaped;
  append_escaped(utf8, escaped);
  return escaped;
}

std::string escaped(std::string_view utf8) {
  std::string out;
  append_escaped(utf8, out);
  return out;
}

std::string state_line(std::string_view css_class, std::string_view text) {
  std::string line = "<p id=\"state\" class=\"";
  line += css_class;
  line += "\">";
  line += text;
  line += "</p>";
  // Spaces between elements are nothing on the page.
  if (line.size() < k_state_bytes)
    line.append(k_state_bytes - line.size(), ' ');
  line += '\n';
  return line;
}

std::string page_start(const report_page& page) {
  std::string start =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta "
      "charset=\"utf-8\">\n<title>";
  start += page.program + " report";
  if (!page.heading_note.empty()) start += ": " + page.heading_note;
  start += "</title>\n<style>";
  start += k_style;
  start += "</style>\n</head>\n<body>\n<main>\n<header>\n<h1>";
  start += page.program + " report</h1>\n";
  if (!page.heading_note.empty())
    start += "<p class=\"note\">Case note: " + page.heading_note + "</p>\n";
  return start;
}

void write_pending(report_page& page) {
  journal& file = page.file;
  if (file.file == nullptr || file.failed || page.pending.empty()) {
    page.pending.clear();
    return;
  }
  if (!write_file_at(file.file, file.end, page.pending)) {
    file.failed = true;
    file.failure = last_error_text();
  } else {
    file.end += static_cast<std::int64_t>(page.pending.size());
  }
  page.pending.clear();
}

void start_page(report_page& page) {
  if (page.started) return;
  page.started = true;
  std::string start = page_start(page);
  page.state_at = static_cast<std::int64_t>(start.size());
  start += state_line(
      "incomplete",
      "Incomplete: this run has not reached its end, or was stopped before "
      "it (killed, or its power lost). Its output file and run record hold "
      "what it did.");
  start +=
      "</header>\n<section id=\"run\">\n<h2>What was run</h2>\n"
      "<table class=\"facts\">\n";
  start += page.start_facts;
  start +=
      "</table>\n</section>\n<section id=\"failures\">\n<h2>Failures</h2>\n";
  if (!page.remark.empty()) start += "<p>" + page.remark + "</p>\n";
  start +=
      "<table class=\"failures\">\n<thead><tr><th class=\"line\">Line</th>"
      "<th>Old path</th><th>Reason</th></tr></thead>\n<tbody>\n";
  page.start_facts.clear();
  page.pending.insert(0, start);
}

// One bar for each reason, the longest for the commonest, each with its
// count and its reason beside it.
std::string reason_bars(const report_page& page) {
  if (page.reasons.empty()) return {};
  std::vector<std::pair<std::int64_t, std::string>> order = page.reasons;
  std::stable_sort(
      order.begin(), order.end(),
      [](const auto& a, const auto& b) { return a.first > b.first; });
  const std::int64_t most = order.front().first;
  std::string bars =
      "<h3>Failures by reason</h3>\n<table class=\"reasons\">\n<thead><tr>"
      "<th class=\"count\">Records</th><th>Reason</th><th></th></tr></thead>\n"
      "<tbody>\n";
  for (const auto& [count, reason] : order) {
    const std::int64_t width =
        most > 0 ? std::max<std::int64_t>(1, count * 300 / most) : 1;
    bars += "<tr><td class=\"count\">" + grouped_digits(count) + "</td><td>" +
            reason +
            "</td><td><svg width=\"300\" height=\"14\" role=\"img\" "
            "aria-label=\"" +
            grouped_digits(count) + "\"><rect width=\"" +
            std::to_string(width) +
            "\" height=\"14\" fill=\"#a33\"/></svg></td></tr>\n";
  }
  bars += "</tbody>\n</table>\n";
  return bars;
}

constexpr std::string_view k_row_start = "<tr><td class=\"line\">";
constexpr std::string_view k_cell_break = "</td><td>";
constexpr std::string_view k_row_end = "</td></tr>";

// Whether a reason cell read back holds only what this page writes there:
// escaped text, line breaks and code. The earlier page is a file anyone
// may have edited; nothing else of it is written again.
bool is_reason_cell(std::string_view cell) {
  std::string rest(cell);
  for (const std::string_view tag : {"<br>", "<code>", "</code>"})
    for (std::size_t at; (at = rest.find(tag)) != std::string::npos;)
      rest.erase(at, tag.size());
  return rest.find_first_of("<>") == std::string::npos;
}

// The reason cell of a failure row the page wrote, with the row's line;
// false for any other line.
bool parse_failure_row(std::string_view row, std::int64_t& line,
                       std::string_view& reason) {
  if (row.substr(0, k_row_start.size()) != k_row_start) return false;
  row.remove_prefix(k_row_start.size());
  const std::size_t digits = row.find(k_cell_break);
  if (digits == 0 || digits > 18) return false;
  line = 0;
  for (const char c : row.substr(0, digits)) {
    if (c < '0' || c > '9') return false;
    line = line * 10 + (c - '0');
  }
  row.remove_prefix(digits + k_cell_break.size());
  const std::size_t path_end = row.find(k_cell_break);
  if (path_end == std::string_view::npos ||
      row.substr(0, path_end).find('<') != std::string_view::npos)
    return false;
  row.remove_prefix(path_end + k_cell_break.size());
  if (row.size() < k_row_end.size() ||
      row.substr(row.size() - k_row_end.size()) != k_row_end)
    return false;
  reason = row.substr(0, row.size() - k_row_end.size());
  return is_reason_cell(reason);
}

std::string unescaped(std::string_view text) {
  constexpr struct {
    std::string_view entity;
    char c;
  } k_entities[] = {{"&amp;", '&'},
                    {"&lt;", '<'},
                    {"&gt;", '>'},
                    {"&quot;", '"'},
                    {"&#39;", '\''}};
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    bool replaced = false;
    for (const auto& known : k_entities)
      if (text.substr(at, known.entity.size()) == known.entity) {
        out += known.c;
        at += known.entity.size();
        replaced = true;
        break;
      }
    if (!replaced) out += text[at++];
  }
  return out;
}

// The value of the page's first row of key, as the record held it; false
// when the page's start holds no such row.
bool first_fact(std::FILE* file, std::string_view key, std::string& value) {
  const std::string row = "<tr><th>" + escaped(key) + "</th><td>";
  constexpr std::string_view k_row_tail = "</td></tr>";
  // The start of a page is its facts; its failures come after.
  constexpr std::size_t k_longest_start = 4 << 20;
  std::string line;
  std::size_t read = 0;
  for (int c; (c = std::fgetc(file)) != EOF && read < k_longest_start; ++read) {
    if (c != '\n') {
      if (line.size() < k_longest_start) line += static_cast<char>(c);
      continue;
    }
    if (line.rfind("<section id=\"failures\">", 0) == 0) return false;
    if (line.rfind(row, 0) == 0 &&
        line.size() >= row.size() + k_row_tail.size() &&
        line.compare(line.size() - k_row_tail.size(), k_row_tail.size(),
                     k_row_tail) == 0) {
      value = unescaped(std::string_view(line).substr(
          row.size(), line.size() - row.size() - k_row_tail.size()));
      return true;
    }
    line.clear();
  }
  return false;
}

void read_earlier_reasons(report_page& page, const wide_text& name) {
  std::FILE* file = open_for_reading(name);
  if (file == nullptr) return;
  // A row longer than this is no row of ours (a path is at most 32,767
  // units): it is passed over, never held.
  constexpr std::size_t k_longest_row = 1 << 20;
  std::string row;
  bool too_long = false;
  char block[1 << 14];
  for (std::size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) {
    for (std::size_t at = 0; at < got;) {
      const char* end =
          static_cast<const char*>(std::memchr(block + at, '\n', got - at));
      const std::size_t stop =
          end == nullptr ? got : static_cast<std::size_t>(end - block);
      if (!too_long && row.size() + (stop - at) <= k_longest_row)
        row.append(block + at, stop - at);
      else
        too_long = true;
      at = stop + 1;
      if (end == nullptr) break;
      std::int64_t line = 0;
      std::string_view reason;
      if (!too_long && parse_failure_row(row, line, reason) &&
          static_cast<std::int64_t>(page.earlier_reasons.size()) <
              k_page_failure_rows)
        page.earlier_reasons[line] = std::string(reason);
      row.clear();
      too_long = false;
    }
  }
  std::fclose(file);
}

}  // namespace

page_owner owner_of_page(const wide_text& name, std::string_view key,
                         const wide_text& owner) {
  std::FILE* file = open_for_reading(name);
  if (file == nullptr) return page_owner::none;
  std::string value;
  const bool empty = std::fgetc(file) == EOF;
  std::rewind(file);
  const bool found = !empty && first_fact(file, key, value);
  std::fclose(file);
  if (empty) return page_owner::none;
  if (!found) return page_owner::other;
  // The name as the page shows it, or the file it leads to: a name typed
  // in another case on Windows is the same file.
  wide_text recorded;
  append_utf8_decoded(value, recorded);
  if (recorded == console_safe(owner)) return page_owner::same;
  file_identity was;
  file_identity is;
  return identity_of_name(recorded, was) && identity_of_name(owner, is) &&
                 same_identity(was, is)
             ? page_owner::same
             : page_owner::other;
}

journal_open open_report_page(report_page& page, const wide_text& name,
                              std::initializer_list<const wide_text*> inputs,
                              bool keep_earlier) {
  // What the run record has told the page so far stays: a continued run
  // opens its page late.
  page.file = journal{};
  if (page.program.empty()) page.program = "fldren";
  const journal_open opened =
      open_journal(page.file, name, inputs, journal_start::keep);
  if (opened != journal_open::ok) return opened;
  if (keep_earlier) read_earlier_reasons(page, name);
  if (!empty_journal(page.file)) return journal_open::cannot_open;
  return journal_open::ok;
}

void name_report_program(report_page& page, std::string_view program) {
  page.program = escaped(program);
}

void note_report_case(report_page& page, std::string_view utf8_note) {
  page.heading_note = escaped(utf8_note);
}

void add_report_remark(report_page& page, std::string_view utf8_text) {
  page.remark = escaped(utf8_text);
}

void add_report_fact(report_page& page, std::string_view key,
                     std::string_view utf8_value) {
  std::string& rows = page.started ? page.end_facts : page.start_facts;
  rows += "<tr><th>";
  append_escaped(key, rows);
  rows += "</th><td>";
  append_escaped(utf8_value, rows);
  rows += "</td></tr>\n";
}

void add_report_reason(report_page& page, std::int64_t count,
                       wide_view reason) {
  if (page.file.file == nullptr) return;
  page.reasons.emplace_back(count, page_text(reason));
}

namespace {

// A failure row, its reason cell already HTML; past the page's most rows
// only counted.
void append_row(report_page& page, std::int64_t line, wide_view path,
                std::string_view reason_cell) {
  if (page.file.file == nullptr) return;
  if (page.rows >= k_page_failure_rows) {
    ++page.rows_left_out;
    return;
  }
  start_page(page);
  ++page.rows;
  std::string& row = page.pending;
  row += k_row_start;
  if (line > 0) row += std::to_string(line);
  row +=
      std::string(k_cell_break) + page_text(path) + std::string(k_cell_break);
  row += reason_cell;
  row += k_row_end;
  row += '\n';
  if (row.size() > k_pending_limit) write_pending(page);
}

}  // namespace

void add_report_failure(report_page& page, std::int64_t line, wide_view path,
                        wide_view reason, wide_view expected,
                        wide_view computed) {
  if (page.file.file == nullptr) return;
  std::string cell = page_text(reason);
  if (!expected.empty() || !computed.empty())
    cell += "<br>Expected: <code>" + page_text(expected) +
            "</code><br>Computed: <code>" + page_text(computed) + "</code>";
  append_row(page, line, path, cell);
}

void add_report_earlier_failure(report_page& page, std::int64_t line,
                                wide_view path, wide_view fallback) {
  const auto earlier = page.earlier_reasons.find(line);
  if (earlier == page.earlier_reasons.end()) {
    add_report_failure(page, line, path, fallback);
    return;
  }
  // Written as the earlier page wrote it, hashes and all.
  const std::string cell = std::move(earlier->second);
  page.earlier_reasons.erase(earlier);
  append_row(page, line, path, cell);
}

bool write_report_page(report_page& page) {
  if (page.file.file == nullptr) return true;
  start_page(page);
  write_pending(page);
  return !page.file.failed;
}

bool finish_report_page(report_page& page, int exit_status,
                        std::string_view meaning) {
  if (page.file.file == nullptr) return true;
  start_page(page);
  std::string& end = page.pending;
  if (page.rows == 0)
    end += "<tr><td colspan=\"3\">No record failed.</td></tr>\n";
  end += "</tbody>\n</table>\n";
  if (page.rows_left_out > 0)
    end += "<p>The first " + grouped_digits(k_page_failure_rows) +
           " failures are listed here; " + grouped_digits(page.rows_left_out) +
           " more are in the output file, each on its line reading "
           "Failure.</p>\n";
  end +=
      "</section>\n<section id=\"outcome\">\n<h2>Outcome</h2>\n"
      "<p class=\"status\">Exit status " +
      std::to_string(exit_status) + ": " + escaped(meaning) +
      "</p>\n<table class=\"facts\">\n" + page.end_facts + "</table>\n" +
      reason_bars(page) + "</section>\n</main>\n</body>\n</html>\n";
  write_pending(page);
  // The line at the top, written over in place: of the same length, or
  // it would cut into the page.
  std::string done =
      state_line("complete", "Complete: the run ended with exit status " +
                                 std::to_string(exit_status) + ", " +
                                 escaped(meaning) + ".");
  if (done.size() != k_state_bytes + 1)
    done = state_line("complete", "Complete: exit status " +
                                      std::to_string(exit_status) + ".");
  journal& file = page.file;
  if (!file.failed && !write_file_at(file.file, page.state_at, done)) {
    file.failed = true;
    file.failure = last_error_text();
  }
  return journal_close(file);
}
