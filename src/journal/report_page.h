#pragma once

// The report page kept beside an output file: one self-contained HTML5
// file in UTF-8 for the case file. What was run (the run record's facts,
// from the same values), the outcome at a glance with a bar for each
// failure reason, and every failure with its reason, written as it
// happens. No script, style sheet, font or image from anywhere else; every
// text from the lists or the disk escaped. Until its end the page says it
// is incomplete, so that a killed run's page says so.

#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "journal/journal.h"
#include "text/wide_text.h"

// The failures a page lists; the output file holds the rest, and the
// reason counts stay whole.
inline constexpr std::int64_t k_page_failure_rows = 10000;

struct report_page {
  journal file;  // opened, and compared with the inputs, as a journal
  std::string program;
  std::string heading_note;  // the case note, escaped
  std::string remark;        // said above the failures, escaped
  std::string start_facts;   // rows of "What was run", until the page starts
  std::string end_facts;     // rows of the outcome, written at its end
  std::string pending;       // bytes not yet written
  bool started = false;
  std::int64_t state_at = 0;  // where the line that says it is incomplete is
  std::int64_t rows = 0;      // failure rows written
  std::int64_t rows_left_out = 0;
  std::vector<std::pair<std::int64_t, std::string>> reasons;  // escaped
  // A continued run's: the reason cell of each failure the earlier page
  // listed, by its line, until the failure is met again.
  std::map<std::int64_t, std::string> earlier_reasons;
};

// What a file where a page is to go holds: nothing (or it is missing),
// the page of the file named owner (whose fact key names it), or anything
// else: another file's page, or no page of ours, which is never emptied.
enum class page_owner { none, same, other };
page_owner owner_of_page(const wide_text& name, std::string_view key,
                         const wide_text& owner);

// Opens and empties the page named name, compared by identity with each
// of the inputs as open_journal compares. With keep_earlier (a continued
// run), the reasons of the failures the page listed are read first, so
// that the new page gives them again: the output file keeps none.
journal_open open_report_page(report_page& page, const wide_text& name,
                              std::initializer_list<const wide_text*> inputs,
                              bool keep_earlier = false);

// The program the page is of ("fldren"), for its title.
void name_report_program(report_page& page, std::string_view program);

// The examiner's case note for the page's heading, as the run record
// holds it (UTF-8).
void note_report_case(report_page& page, std::string_view utf8_note);

// A sentence said above the failures (UTF-8).
void add_report_remark(report_page& page, std::string_view utf8_text);

// A fact as the run record holds it (UTF-8): "What was run" until the
// page's start is written, the outcome after.
void add_report_fact(report_page& page, std::string_view key,
                     std::string_view utf8_value);

// A failure reason and how many records failed for it, for its bar.
void add_report_reason(report_page& page, std::int64_t count, wide_view reason);

// A failed record: its line number in the list it came from (0 when none
// is known), its old path and its reason, and for a file whose contents
// differ, the hash the list holds and the one computed. Written as the
// run goes, not kept; past k_page_failure_rows only counted.
void add_report_failure(report_page& page, std::int64_t line, wide_view path,
                        wide_view reason, wide_view expected = {},
                        wide_view computed = {});

// A failure of the earlier run met again by a continued run, at line of
// the list: its reason as the earlier page gave it, or fallback when that
// page did not list it (it was killed before writing it, or had listed
// its most).
void add_report_earlier_failure(report_page& page, std::int64_t line,
                                wide_view path, wide_view fallback);

// Writes what was added since the last write, the page's start first;
// false, the page then closed, when it could not be written. Does nothing
// when the page is not open.
bool write_report_page(report_page& page);

// Ends the page: the outcome, the bars, the count of failures left out,
// and the line at its top made to say that the run ended with
// exit_status, meaning that; then puts it on the disk and closes it. False
// when a write failed, now or before. True when the page is not open.
bool finish_report_page(report_page& page, int exit_status,
                        std::string_view meaning);
