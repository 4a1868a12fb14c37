#include "rename/header_analysis.h"

#include <algorithm>
#include <string>
#include <vector>

#include "console/text_output.h"
#include "rename/input_files.h"
#include "rename/line_model.h"
#include "rename/run_context.h"
#include "text/number_text.h"

namespace {

char16_t fold_case(char16_t unit) {
  return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 32) : unit;
}

// Compares by length, not by terminator: a NUL read from the file is an
// ordinary character here.
bool matches_at(wide_view header, std::size_t position, wide_view text,
                bool ignore_case) {
  if (header.size() - position < text.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t left = header[position + i];
    char16_t right = text[i];
    if (ignore_case) {
      left = fold_case(left);
      right = fold_case(right);
    }
    if (left != right) return false;
  }
  return true;
}

// The fewest single-character edits that turn title into a start of text,
// the empty start and the whole of text included; or some count above
// most, once every start is known to lie farther than most.
std::size_t edits_to_a_start(wide_view title, wide_view text,
                             std::size_t most) {
  std::vector<std::size_t> row(text.size() + 1);
  for (std::size_t j = 0; j <= text.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= title.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= text.size(); ++j) {
      const std::size_t above = row[j];
      const std::size_t replaced =
          diagonal + (title[i - 1] == text[j - 1] ? 0 : 1);
      row[j] = std::min({above + 1, row[j - 1] + 1, replaced});
      diagonal = above;
    }
    // No later row holds fewer edits than this one's fewest.
    if (*std::min_element(row.begin(), row.end()) > most) return most + 1;
  }
  return *std::min_element(row.begin(), row.end());
}

// The header's line end is no part of its last title.
wide_view without_line_end(wide_view text) {
  if (!text.empty() && text.back() == u'\n') text.remove_suffix(1);
  if (!text.empty() && text.back() == u'\r') text.remove_suffix(1);
  return text;
}

// The most characters of a header shown when a column it needs is missing:
// enough to tell a file that is no export list, never a screenful.
constexpr std::size_t k_header_shown = 100;

wide_text listed_in_prose(const std::vector<const char16_t*>& names) {
  wide_text listed;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) listed += i + 1 == names.size() ? u" and " : u", ";
    listed += names[i];
  }
  return listed;
}

// Follows the message of a missing keyword column: which of them are
// missing and what the header holds, shortened, so that a file given in
// place of the export list (a picture, the field list) shows at once.
void say_what_the_header_holds(const run_context& run, wide_view header,
                               const keyword_columns& found) {
  std::vector<const char16_t*> missing;
  if (found.name < 0) missing.push_back(u"Name");
  if (found.path < 0) missing.push_back(u"Path");
  if (found.evidence < 0) missing.push_back(u"Evidence");
  if (found.destination < 0) missing.push_back(u"Destination");
  wide_text line = u"The header's titles lack " + listed_in_prose(missing);
  const wide_view shown = without_line_end(header);
  if (shown.empty()) {
    line += u"; the header is empty\n";
  } else {
    const auto columns = 1 + std::count(shown.begin(), shown.end(), u'\t');
    line += u"; the header holds " + grouped_text(columns) +
            (columns == 1 ? u" column, " : u" columns, ") +
            grouped_text(static_cast<std::int64_t>(shown.size())) +
            u" characters";
    if (shown.size() <= k_header_shown) {
      line += u": '" + console_safe(shown) + u"'\n";
    } else {
      std::size_t cut = k_header_shown;
      // A character of two UTF-16 units is shown whole or not at all.
      if (shown[cut - 1] >= 0xD800 && shown[cut - 1] <= 0xDBFF) --cut;
      line += u", the first " + grouped_text(static_cast<std::int64_t>(cut)) +
              u" of them: '" + console_safe(shown.substr(0, cut)) + u"'\n";
    }
  }
  write_console_text(console_stream::err, line, run.output.form.encoding);
}

// Ends the run with status 1 when a title of the field list, at the given
// places of the list, names no column: one line for each, with the closest
// column title when one is close.
void refuse_unmatched_titles(run_context& run, wide_view header,
                             const std::vector<int>& unmatched) {
  if (unmatched.empty()) return;
  wide_text lines;
  for (const int i : unmatched) {
    const wide_text& title =
        run.columns.field_names.names[static_cast<std::size_t>(i)];
    // Every line before a title holds a title: the first line that holds
    // none ends the list. So the title at place i stands on line i + 1.
    lines += (lines.empty() ? u"\nField list line " : u"Field list line ") +
             decimal_text(i + 1) + u", '" + console_safe(title) +
             u"', names no column of the export list";
    wide_view closest;
    if (find_closest_title(header, title, closest))
      lines += u" (did you mean '" + console_safe(closest) + u"'?)";
    lines += u"; nothing was renamed\n";
  }
  // The lines quote the header: shown as the export list's reports are.
  write_console_text(console_stream::out, lines, run.output.form.encoding);
  end_run(run, k_exit_failure);
}

wide_text read_header(run_context& run) {
  wide_text header;
  rewind_input(run.export_list);
  read_line(run.export_list, header);
  if (run.export_list.read_failed) end_on_read_error(run, run.export_list);
  return header;
}

}  // namespace

bool looks_comma_separated(wide_view line) {
  const long length = static_cast<long>(line.size());
  for (long i = length - 3; i >= 1; --i) {
    const auto at = static_cast<std::size_t>(i);
    if (line[at] == u'"' && line[at - 1] == u',') return true;
  }
  return false;
}

std::int32_t find_title_column(wide_view header, wide_view title) {
  std::int32_t column = 0;
  for (std::size_t position = 0; position < header.size(); ++position) {
    // A TAB only separates columns; it is never part of a match's start.
    if (header[position] == u'\t') {
      ++column;
      continue;
    }
    if (matches_at(header, position, title, true)) return column;
  }
  return -1;
}

wide_text fold_title(wide_view title, std::size_t limit) {
  wide_text folded;
  for (const char16_t unit : title) {
    if (folded.size() >= limit) break;
    if (unit >= 0x80 || (unit >= u'0' && unit <= u'9') ||
        (unit >= u'A' && unit <= u'Z'))
      folded.push_back(unit);
    else if (unit >= u'a' && unit <= u'z')
      folded.push_back(fold_case(unit));
  }
  return folded;
}

bool find_closest_title(wide_view header, wide_view title, wide_view& closest) {
  const wide_text folded = fold_title(title, title.size());
  // A title of spaces and punctuation only is close to every column.
  if (folded.empty()) return false;
  const std::size_t most = folded.size() / 3;
  // Each folded character beyond these is one more edit: a longer column
  // title is folded no further, so a header of any size costs little.
  const std::size_t compared = folded.size() + most;
  std::size_t fewest = most + 1;
  std::size_t start = 0;
  for (int column = 0; column < k_max_columns && start <= header.size();
       ++column) {
    std::size_t end = header.find(u'\t', start);
    if (end == wide_view::npos) end = header.size();
    const wide_view there = without_line_end(header.substr(start, end - start));
    const std::size_t edits =
        edits_to_a_start(folded, fold_title(there, compared), most);
    if (edits < fewest) {
      fewest = edits;
      closest = there;
    }
    start = end + 1;
  }
  return fewest <= most;
}

keyword_columns find_keyword_columns(wide_view header) {
  keyword_columns found;
  std::int32_t column = 0;
  for (std::size_t position = 0; position < header.size(); ++position) {
    if (header[position] == u'\t') {
      ++column;
      continue;
    }
    // Later matches replace earlier ones: the rightmost column wins.
    if (matches_at(header, position, u"Destination", true))
      found.destination = column;
    if (matches_at(header, position, u"Path", false)) found.path = column;
    if (matches_at(header, position, u"Name", false)) found.name = column;
    if (matches_at(header, position, u"Evidence", false))
      found.evidence = column;
  }
  return found;
}

void check_delimiter(run_context& run) {
  const wide_text line = read_header(run);
  if (!looks_comma_separated(line)) return;
  // Kept byte for byte, as written for the first versions: scripts match it.
  write_console_8bit(
      console_stream::out,
      "The first record shows this to be a CSV delimited file\n");
  // The line keeps its line feed; what it holds is shown, never obeyed.
  const wide_view shown =
      wide_view(line).substr(0, line.size() - (line.back() == u'\n' ? 1 : 0));
  write_console_text(console_stream::out, u"\n" + console_safe(shown) + u"\n\n",
                     run.output.form.encoding);
  write_console_8bit(console_stream::out,
                     "This program only works on tab delimited files.\n");
  end_run(run, k_exit_csv_file);
}

void locate_columns(run_context& run) {
  const wide_text header = read_header(run);
  column_plan& columns = run.columns;

  columns.selected.fill(-1);
  int matched = 0;
  std::vector<int> unmatched;
  for (int i = 0; i < columns.field_names.count; ++i) {
    const std::int32_t column = find_title_column(
        header, columns.field_names.names[static_cast<std::size_t>(i)]);
    if (column < 0) {
      unmatched.push_back(i);
      continue;
    }
    if (matched == k_max_matched_titles) {
      const std::string most = std::to_string(k_max_matched_titles);
      write_console_8bit(console_stream::out,
                         "\nMore than " + most +
                             " titles of the field list were found in the "
                             "header; at most " +
                             most +
                             " can be added to a name. Nothing was "
                             "renamed\n");
      end_run(run, k_exit_failure);
    }
    columns.selected[static_cast<std::size_t>(matched++)] = column;
  }

  // -c's title is matched as a field-list title is.
  if (!run.options.hash_title.empty()) {
    columns.hash_column = find_title_column(header, run.options.hash_title);
    if (columns.hash_column < 0) {
      write_console_text(console_stream::out,
                         u"\nThe hash column " +
                             console_safe(run.options.hash_title) +
                             u" of -c is not in the header of the export "
                             u"list. Nothing was renamed\n",
                         run.output.form.encoding);
      end_run(run, k_exit_failure);
    }
  }

  columns.keywords = find_keyword_columns(header);
  if (columns.keywords.name < 0 || columns.keywords.path < 0 ||
      columns.keywords.evidence < 0) {
    // Kept word for word, the four items it speaks of included: examiners'
    // scripts and notes quote it.
    write_console_8bit(
        console_stream::err,
        "\nCan't find one of the following in the x-ways data file\n"
        "Please make sure the 2nd item on command line contains proper "
        "fields\n"
        "Name, Path, Description, Evidence object\n"
        "The program needs all 4 items to properly locate the original "
        "location\n"
        "of the files to process.\n\n");
    say_what_the_header_holds(run, header, columns.keywords);
    end_run(run, k_exit_failure);
  }
  // Without a Destination column no record names a file to rename.
  if (columns.keywords.destination < 0) {
    write_console_8bit(console_stream::err,
                       "\nCan't find a Destination column in the x-ways data "
                       "file\nNothing was renamed\n\n");
    say_what_the_header_holds(run, header, columns.keywords);
    end_run(run, k_exit_failure);
  }
  // Last, so that a file that is no export list is told as such first: a
  // title left out would rename every file without its value.
  refuse_unmatched_titles(run, header, unmatched);
}
