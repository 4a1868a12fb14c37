#pragma once

// The output file as a write-ahead journal: each line is on disk, its
// result reading "Pending", before its rename is made, and gets its result
// in place afterwards. A run killed at any moment leaves a line for every
// rename it made; at most the last line still reads "Pending" (or
// "Linking", for a rename by link), and may lack its last field and line
// end. The line itself is journal_line's.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "journal/journal_line.h"
#include "platform/platform.h"
#include "text/path_forms.h"
#include "text/text_form.h"
#include "text/wide_text.h"

struct journal {
  std::FILE* file = nullptr;
  wide_text name;
  text_form form;
  bool failed = false;  // a write did not reach the file
  // The system's words for the first failure to open or write it.
  wide_text failure;
  // A preview's journal: a line whose rename would succeed reads
  // "Planned", so that the file can never pass for a run's.
  bool planned = false;
  // The line whose rename is in flight: where its result word starts in
  // the file, the bytes that follow the word (TAB, first value, line end),
  // and its result once known.
  bool holding = false;
  std::int64_t result_at = 0;
  std::string held_tail;
  bool held_success = false;
  std::int64_t end = 0;  // the length of the file as written so far
  std::string bytes;     // reused for every write
  // When the file was last put on the disk itself.
  std::chrono::steady_clock::time_point flushed_at;
};

enum class journal_start { empty, keep };

enum class journal_open { ok, is_input, cannot_open };

// Opens (creating when missing) the file named name as journal, but first
// compares it by identity with each of the inputs (names that need not
// exist): the file is emptied (start empty) only when it is none of them,
// whatever spelling, link or case leads to it; with start keep it is left
// as it is, for empty_journal or continue_journal to decide. On is_input
// nothing is changed.
journal_open open_journal(journal& journal, const wide_text& name,
                          std::initializer_list<const wide_text*> inputs,
                          journal_start start = journal_start::empty);

// Empties a journal opened with start keep; false, closing it, when the
// file cannot be emptied.
bool empty_journal(journal& journal);

// Makes the next line of a journal opened with start keep go at offset,
// the start of a line, cutting off whatever follows it (a line a killed
// run left in flight or cut short). Returns false, setting
// journal.failed, when the file cannot be cut.
bool continue_journal(journal& journal, std::int64_t offset);

// Writes the result of the line in flight, if any, and the new line up to
// its result word, which reads "Pending", in one write. Returns false,
// setting journal.failed, when the write fails (or failed before); the
// rename must then not be made. Does nothing when the journal is not open.
bool journal_begin(journal& journal, wide_view source, wide_view destination,
                   wide_view first_value);

// Settles the last line of a file the journal continues, in place: the
// line at line_at, whose start (source, TAB, arrow, TAB, destination, TAB)
// stands on disk as composed from these paths, gets its result word and
// the rest of its line written over whatever followed its start (a word
// in flight, cut or garbled, a tail cut short); only then is the file cut
// after it, so that at every moment the file holds a line for the rename.
// Returns false, setting journal.failed, when the write or the cut fails.
// Does nothing when the journal is not open.
bool journal_settle_last(journal& journal, std::int64_t line_at,
                         wide_view source, wide_view destination,
                         wide_view first_value, bool success);

// Writes the result of the line in flight, if any, and a whole line for a
// rename that is not attempted (its record was refused), its result
// reading "Failure" from the start: "Pending" means an attempt, nothing
// else. Returns false, setting journal.failed, when the write fails (or
// failed before). Does nothing when the journal is not open.
bool journal_refused(journal& journal, wide_view source, wide_view destination,
                     wide_view first_value);

// Makes the line in flight read "Linking" in place of "Pending", before a
// rename by link is begun. Returns false, setting journal.failed, when
// that cannot be written; the link must then not be made. Does nothing
// when the journal is not open.
bool journal_linking(journal& journal);

// Holds the result of the line journal_begin just wrote, to be written with
// the next line or by journal_close; does nothing after a failed write.
// Never fails.
void journal_hold_result(journal& journal, bool success);

// Writes the result of the line in flight, if any, and closes the file.
// Returns false when the result could not be written (journal.failed).
// Does nothing when the journal is not open.
bool journal_close(journal& journal);

// ": " and the system's words for why journal could not be opened or
// written, or nothing when the system said nothing: what follows a
// message's file name.
wide_text failure_text(const journal& journal);

// What a journal is called in its program's messages, and what a failed
// write means for the batch it records.
struct journal_words {
  wide_view title;    // "output file"
  wide_view stopped;  // a line could not be written, so the batch stopped
  wide_view missing;  // only the last line's result could not be written
};

// Closes the journal as journal_close does. When the file then lacks part
// of the batch, says so on the console with words, naming the file as the
// command line gave it, and returns false.
bool close_journal_reporting(journal& journal, const journal_words& words);
