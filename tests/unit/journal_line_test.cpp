#include "journal/journal_line.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "journal/journal.h"
#include "platform/platform.h"
#include "rename/line_model.h"
#include "temp_dir.h"

TEST(ParseJournalLine, ReadsOnlyLinesFldrenWrites) {
  constexpr auto success = line_result::success;
  constexpr auto failure = line_result::failure;
  constexpr auto pending = line_result::pending;
  constexpr auto linking = line_result::linking;
  constexpr auto planned = line_result::planned;
  const struct {
    const char16_t* line;
    bool readable;
    line_result result;
  } cases[] = {
      {u"\\\\?\\C:\\a.txt\t==>\t\\\\?\\C:\\1_a.txt\tSuccess\t1\n", true,
       success},
      {u"\\\\?\\C:\\a.txt\t==>\t\\\\?\\C:\\1_a.txt\tFailure\t1", true, failure},
      {u"a\t==>\tb\tSuccess\t", true, success},  // no chosen column
      {u"a\t==>\tb\tPending\t1\n", true, pending},
      // A run killed in flight leaves its last line unfinished.
      {u"a\t==>\tb\tPending", true, pending},
      {u"a\t==>\tb\tLinking", true, linking},
      {u"a\t==>\tb\tLinking\t1\n", true, linking},
      // A last line cut right after its word: the word is whole.
      {u"a\t==>\tb\tSuccess", true, success},
      // A preview's file can never pass for a run's.
      {u"a\t==>\tb\tPlanned\t1\n", true, planned},
      // A refused record may lack a path; a made rename may not.
      {u"\t==>\t1_\tFailure\t1\n", true, failure},
      {u"a\t==>\t\tPending", false, failure},
      {u"a\t==>\t\tLinking", false, failure},
      {u"a\t==>\tb\tSuccess\n", false, failure},
      {u"a\t==>\tb\tPendin", false, failure},
      {u"a\t==>\tb\tSuccess\t1\textra", false, failure},
      {u"a\t->\tb\tSuccess\t1", false, failure},
      {u"a\t==>\tb\tsuccess\t1", false, failure},
      {u"\t==>\tb\tSuccess\t1", false, failure},
      {u"a\t==>\t\tSuccess\t1", false, failure},
      {u"", false, failure},
      {u"junk", false, failure},
  };
  for (const auto& c : cases) {
    journal_line entry;
    const std::u16string line = c.line;
    ASSERT_EQ(parse_journal_line(line, entry), c.readable)
        << std::string(line.begin(), line.end());
    if (c.readable) {
      EXPECT_EQ(entry.result, c.result);
    }
  }
  journal_line entry;
  ASSERT_TRUE(parse_journal_line(u"src\t==>\tdst\tSuccess\tv\n", entry));
  EXPECT_EQ(entry.source, u"src");
  EXPECT_EQ(entry.destination, u"dst");
  EXPECT_EQ(entry.first_value, u"v");
}

TEST(ReadJournalLine, TakesALastLineCutInItsWordForOneInFlight) {
  const struct {
    const char16_t* line;
    bool readable;
    line_result result;
  } cases[] = {
      {u"a\t==>\tb\tSuccess\t1\n", true, line_result::success},
      {u"a\t==>\tb\tSuccess", true, line_result::success},
      // A write cut inside the word, or a word half written over another:
      // the rename may have been made.
      {u"a\t==>\tb\tSucc", true, line_result::pending},
      {u"a\t==>\tb\tSuccing", true, line_result::pending},
      {u"a\t==>\tb\t", true, line_result::pending},
      // Cut before its destination ends: no rename was begun for it.
      {u"a\t==>\tb", false, line_result::failure},
      {u"a\t==>\t", false, line_result::failure},
      // Only a last line, without its line end, is read so.
      {u"a\t==>\tb\tSucc\n", false, line_result::failure},
      {u"a\t==>\tb\tSuccing\t1", false, line_result::failure},
      {u"\t==>\tb\tSucc", false, line_result::failure},
      {u"a\t->\tb\tSucc", false, line_result::failure},
  };
  for (const auto& c : cases) {
    journal_line entry;
    const std::u16string line = c.line;
    ASSERT_EQ(read_journal_line(line, entry), c.readable)
        << std::string(line.begin(), line.end());
    if (c.readable) {
      EXPECT_EQ(entry.result, c.result);
      EXPECT_EQ(entry.source, u"a");
      EXPECT_EQ(entry.destination, u"b");
    }
  }
}

namespace {

std::string file_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The lines of a file as -r and fldren-undo read them.
std::vector<std::u16string> lines_of(const std::filesystem::path& path) {
  text_input input;
  std::FILE* file = open_for_reading(path.u16string());
  EXPECT_NE(file, nullptr);
  attach_input(input, file, path.u16string());
  std::vector<std::u16string> lines;
  std::u16string line;
  while (read_line(input, line)) lines.push_back(line);
  close_input(input);
  return lines;
}

struct written_line {
  std::u16string source;
  std::u16string destination;
  line_result result;
  std::u16string first_value;
};

}  // namespace

TEST(JournalLine, ReadsBackWhatTheJournalWritesWhereverTheFileIsCut) {
  const std::u16string name = u"\u00e9\u4e2d.doc";
  for (const text_form form : {text_form{text_encoding::utf8, true},
                               text_form{text_encoding::utf8, false},
                               text_form{text_encoding::utf16le, true},
                               text_form{text_encoding::utf16be, true}}) {
    SCOPED_TRACE(static_cast<int>(form.encoding));
    scoped_temp_dir dir;
    const std::filesystem::path path = dir.path() / "out.txt";
    journal log;
    ASSERT_EQ(open_journal(log, path.u16string(), {}), journal_open::ok);
    log.form = form;
    const std::vector<written_line> expected = {
        {u"a\\" + name, u"a\\1_" + name, line_result::failure, u"1"},
        {u"b.doc", u"2_b.doc", line_result::success, u"2"},
        {u"c.doc", u"3_c.doc", line_result::success, u""},
        {u"d.doc", u"4_d.doc", line_result::failure, u"4\u00e9"},
    };
    ASSERT_TRUE(journal_refused(log, expected[0].source,
                                expected[0].destination,
                                expected[0].first_value));
    ASSERT_TRUE(journal_begin(log, expected[1].source, expected[1].destination,
                              expected[1].first_value));
    journal_hold_result(log, true);
    ASSERT_TRUE(journal_begin(log, expected[2].source, expected[2].destination,
                              expected[2].first_value));
    ASSERT_TRUE(journal_linking(log));
    // A rename by link in flight: its line, and only its line, says so.
    std::vector<std::u16string> lines = lines_of(path);
    ASSERT_EQ(lines.size(), 3u);
    journal_line entry;
    ASSERT_TRUE(parse_journal_line(lines[2], entry));
    EXPECT_EQ(entry.result, line_result::linking);
    EXPECT_EQ(entry.source, expected[2].source);
    journal_hold_result(log, true);
    ASSERT_TRUE(journal_begin(log, expected[3].source, expected[3].destination,
                              expected[3].first_value));
    ASSERT_TRUE(parse_journal_line(lines_of(path).back(), entry));
    EXPECT_EQ(entry.result, line_result::pending);
    journal_hold_result(log, false);
    ASSERT_TRUE(journal_close(log));

    lines = lines_of(path);
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t at = 0; at < lines.size(); ++at) {
      ASSERT_TRUE(parse_journal_line(lines[at], entry)) << at;
      EXPECT_EQ(entry.source, expected[at].source);
      EXPECT_EQ(entry.destination, expected[at].destination);
      EXPECT_EQ(entry.result, expected[at].result);
      EXPECT_EQ(entry.first_value, expected[at].first_value);
    }

    // Cut at every byte, as a kill or a full disk may leave it: every whole
    // line reads as written, and a last line cut short reads as its own
    // paths and result (in flight while its word is not whole) once its
    // destination is whole, as nothing before. (Without a mark, a UTF-8
    // file cut inside a character is no longer told from 8-bit text.)
    if (!form.byte_order_mark) continue;
    const std::string whole = file_bytes(path);
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
      const std::filesystem::path part =
          dir.write("cut.txt", whole.substr(0, cut));
      const std::vector<std::u16string> read = lines_of(part);
      ASSERT_LE(read.size(), expected.size()) << cut;
      for (std::size_t at = 0; at < read.size(); ++at) {
        const written_line& line = expected[at];
        const bool ends = !read[at].empty() && read[at].back() == u'\n';
        const bool readable = read_journal_line(read[at], entry);
        const std::u16string start =
            line.source + u"\t==>\t" + line.destination + u"\t";
        ASSERT_EQ(readable,
                  ends || read[at].compare(0, start.size(), start) == 0)
            << cut << " line " << at;
        if (!readable) continue;
        EXPECT_EQ(entry.source, line.source) << cut;
        EXPECT_EQ(entry.destination, line.destination) << cut;
        EXPECT_TRUE(entry.result == line.result ||
                    (!ends && entry.result == line_result::pending))
            << cut;
      }
    }
  }
}
