#pragma once

// Examining the export list's header: refusing comma-separated files,
// matching the field-list titles to columns and finding the keyword columns.

#include <cstddef>
#include <cstdint>

#include "rename/shared_types.h"
#include "text/wide_text.h"

struct run_context;

// The most titles that may match, one entry of selected_columns being kept
// for the closing -1.
inline constexpr int k_max_matched_titles = k_max_selected - 1;

// True when the line holds a comma directly followed by a double quote,
// looking from its fourth-last character back to its second.
bool looks_comma_separated(wide_view line);

// The column number of the first position in header where title is a
// prefix of the text, ignoring the case of A to Z; -1 when there is none.
std::int32_t find_title_column(wide_view header, wide_view title);

// A title as titles are compared for closeness: A to Z upper-cased, every
// other ASCII character but 0 to 9 left out (spaces, punctuation, control
// characters), characters beyond ASCII kept as they are; at most limit
// characters of it. Never fails.
wide_text fold_title(wide_view title, std::size_t limit);

// For a title that names no column: the title of one of the header's first
// k_max_columns columns (those a record holds) whose folded text
// (fold_title) begins the fewest single-character edits (insertions,
// deletions, replacements) away from the folded title, when that is at
// most one edit for every three characters of the folded title; the
// leftmost on a tie. Sets closest to that column's title as the header
// holds it, without its line end, and returns true; false, closest left
// as it was, when no title is that close.
bool find_closest_title(wide_view header, wide_view title, wide_view& closest);

// The rightmost columns where the Destination (any case), Path, Name and
// Evidence keywords appear in header; -1 for each one absent.
keyword_columns find_keyword_columns(wide_view header);

// Reads the export list's first line and ends the run with status 2 when it
// looks comma-separated.
void check_delimiter(run_context& run);

// Rereads the header, fills run.columns (the selected columns, the keyword
// columns and, with -c, the hash column), and ends the run with status 1
// when a required column is missing (saying which, and what the header
// holds), -c's title names no column, too many titles match, or a
// field-list title names no column (naming each, with its line and the
// closest column title).
void locate_columns(run_context& run);
