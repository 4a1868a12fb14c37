#pragma once

// One line of the output file (and of an undo log), composed and read back
// here and nowhere else: the source path, "==>", the destination path, the
// result word and the value of the first chosen column, TAB-separated, then
// the line end of the file's text form. The journal writes the line in two
// pieces around its result word, so that the word can be written over in
// place: every word has the same length.

#include <cstddef>
#include <string>

#include "text/text_form.h"
#include "text/wide_text.h"

enum class line_result { success, failure, pending, linking, planned };

// The arrow between a line's two paths, shown on the console too.
inline constexpr wide_view k_arrow = u"==>";

// The fields of a whole line.
inline constexpr int k_line_fields = 5;

// The word of each result, all of k_result_word_units units: "Success" and
// "Failure" end a line; "Pending" stands while its rename is in flight,
// "Linking" while a rename by link is (between the link and the removal of
// the old name both names lead to the file, and only this word tells that
// the second name is the run's own); a preview writes "Planned" where a
// rename would succeed, so that its file can never pass for a run's.
wide_view result_word(line_result result);
inline constexpr std::size_t k_result_word_units = 7;

// The result of a rename that ended: success or failure.
inline line_result ended(bool success) {
  return success ? line_result::success : line_result::failure;
}

// True for pending and linking: a rename begun and not seen to end.
bool in_flight(line_result result);

// One line read back. The views point into the text read.
struct journal_line {
  wide_view source;
  wide_view destination;
  line_result result = line_result::failure;
  wide_view first_value;
};

// Reads line (its line feed, if any, ignored) as a line fldren writes;
// false, leaving entry unspecified, when it is anything else. A line in
// flight may lack its last field: a run killed during its rename leaves it
// so; and so may any last line without its line end, cut short right after
// its result word. A refused record may have no path to show; a rename
// that was or may have been made always has both. Never fails otherwise.
bool parse_journal_line(wide_view line, journal_line& entry);

// Reads a last line, without its line end, that parse_journal_line does
// not: both paths whole, then its result word cut short or garbled (a
// write cut by a full disk or a kill). A whole word followed by a cut
// unit still gives its result; otherwise the rename may have been made,
// and entry reads pending: what became of it is for the disk to tell.
// False for a line cut before the TAB that ends its destination: the word
// that lets a rename begin was never written.
bool parse_cut_line(wide_view line, journal_line& entry);

// parse_journal_line, or for a line without its line end parse_cut_line:
// how -r and fldren-undo read each line of an output file.
bool read_journal_line(wide_view line, journal_line& entry);

// True when text holds the two paths' join (TAB, arrow, TAB): the start of
// a line, even one cut short before its result word.
bool holds_line_start(wide_view text);

// Appends, encoded, a line up to its result word: source, TAB, arrow, TAB,
// destination, TAB.
void append_line_start(wide_view source, wide_view destination,
                       text_encoding encoding, std::string& bytes);

// Appends the result word, encoded.
void append_result_word(line_result result, text_encoding encoding,
                        std::string& bytes);

// Appends, encoded, what follows a line's result word: TAB, the first
// value, the line end.
void append_line_tail(wide_view first_value, text_encoding encoding,
                      std::string& bytes);
