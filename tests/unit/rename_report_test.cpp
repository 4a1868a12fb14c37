#include "rename/rename_report.h"

#include <gtest/gtest.h>

TEST(ParseReportLine, ReadsOnlyLinesFldrenWrites) {
  const struct {
    const char16_t* line;
    bool readable;
    bool success;
  } cases[] = {
      {u"\\\\?\\C:\\a.txt\t==>\t\\\\?\\C:\\1_a.txt\tSuccess\t1\n", true, true},
      {u"\\\\?\\C:\\a.txt\t==>\t\\\\?\\C:\\1_a.txt\tFailure\t1", true, false},
      {u"a\t==>\tb\tSuccess\t", true, true},  // no chosen column
      {u"a\t==>\tb\tSuccess\n", false, false},
      {u"a\t==>\tb\tSuccess\t1\textra", false, false},
      {u"a\t->\tb\tSuccess\t1", false, false},
      {u"a\t==>\tb\tsuccess\t1", false, false},
      {u"\t==>\tb\tSuccess\t1", false, false},
      {u"a\t==>\t\tSuccess\t1", false, false},
      {u"", false, false},
      {u"junk", false, false},
  };
  for (const auto& c : cases) {
    report_line entry;
    const std::u16string line = c.line;
    ASSERT_EQ(parse_report_line(line, entry), c.readable)
        << std::string(line.begin(), line.end());
    if (c.readable) {
      EXPECT_EQ(entry.success, c.success);
    }
  }
  report_line entry;
  ASSERT_TRUE(parse_report_line(u"src\t==>\tdst\tSuccess\tv\n", entry));
  EXPECT_EQ(entry.source, u"src");
  EXPECT_EQ(entry.destination, u"dst");
  EXPECT_EQ(entry.first_value, u"v");
}
