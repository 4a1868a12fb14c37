#include "rename/rename_report.h"

#include <gtest/gtest.h>

TEST(ParseReportLine, ReadsOnlyLinesFldrenWrites) {
  constexpr auto success = report_result::success;
  constexpr auto failure = report_result::failure;
  constexpr auto pending = report_result::pending;
  constexpr auto planned = report_result::planned;
  const struct {
    const char16_t* line;
    bool readable;
    report_result result;
  } cases[] = {
      {u"\\\\?\\C:\\a.txt\t==>\t\\\\?\\C:\\1_a.txt\tSuccess\t1\n", true,
       success},
      {u"\\\\?\\C:\\a.txt\t==>\t\\\\?\\C:\\1_a.txt\tFailure\t1", true, failure},
      {u"a\t==>\tb\tSuccess\t", true, success},  // no chosen column
      {u"a\t==>\tb\tPending\t1\n", true, pending},
      // A run killed in flight leaves its last line unfinished.
      {u"a\t==>\tb\tPending", true, pending},
      // A preview's file can never pass for a run's.
      {u"a\t==>\tb\tPlanned\t1\n", true, planned},
      // A refused record may lack a path; a made rename may not.
      {u"\t==>\t1_\tFailure\t1\n", true, failure},
      {u"a\t==>\t\tPending", false, failure},
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
    report_line entry;
    const std::u16string line = c.line;
    ASSERT_EQ(parse_report_line(line, entry), c.readable)
        << std::string(line.begin(), line.end());
    if (c.readable) {
      EXPECT_EQ(entry.result, c.result);
    }
  }
  report_line entry;
  ASSERT_TRUE(parse_report_line(u"src\t==>\tdst\tSuccess\tv\n", entry));
  EXPECT_EQ(entry.source, u"src");
  EXPECT_EQ(entry.destination, u"dst");
  EXPECT_EQ(entry.first_value, u"v");
}
