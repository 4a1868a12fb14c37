#include "rename/header_analysis.h"

#include <gtest/gtest.h>

namespace {

const std::u16string k_header =
    u"Name\tPath\tInt. ID\tEvidence object\tDestination name\n";

}  // namespace

TEST(LooksCommaSeparated, WantsACommaBeforeADoubleQuote) {
  const struct {
    const char16_t* line;
    bool comma_separated;
  } cases[] = {
      {u"\"a\",\"b\"\n", true},
      {u"\"a\",\"b\"", true},
      {u"a,b,c\n", false},
      {u"Name\tPath\n", false},
      {u"", false},
      {u",\"", false},      // too short: the last two places are not read
      {u",\"x\n", true},    // comma at 0, quote at 1, the lowest place read
      {u"ab,\"\n", false},  // the quote stands third from the end
      {u"a,\"bc\n", true},
  };
  for (const auto& c : cases) {
    const std::u16string line = c.line;
    EXPECT_EQ(looks_comma_separated(line), c.comma_separated)
        << std::string(line.begin(), line.end());
  }
}

TEST(FindTitleColumn, FirstCaseInsensitivePrefixAnywhereInTheHeader) {
  const struct {
    const char16_t* header;
    const char16_t* title;
    std::int32_t column;
  } cases[] = {
      {k_header.c_str(), u"Int. ID", 2},
      {k_header.c_str(), u"Evidence object", 3},
      {k_header.c_str(), u"Bogus", -1},
      {k_header.c_str(), u"int. id", 2},
      {k_header.c_str(), u"INT. ID", 2},
      {u"Name\tUnique ID\tInt. ID\n", u"ID", 1},
      {u"\tName\tPath\n", u"Name", 1},
      {u"Name\tPath\n", u"Path\n", 1},    // the line feed belongs to the last
      {u"Name\tPath", u"Path plus", -1},  // runs past the end of the header
      {u"Na\tme", u"Na\tme", 0},          // a match may span a TAB
      {u"\u00c9t\tx", u"\u00e9t", -1},    // only A to Z are folded
  };
  for (const auto& c : cases)
    EXPECT_EQ(find_title_column(c.header, c.title), c.column);
}

TEST(FindKeywordColumns, RightmostMatchOfEachKeyword) {
  const struct {
    const char16_t* header;
    keyword_columns expected;
  } cases[] = {
      {k_header.c_str(), {4, 1, 0, 3}},
      // 'Destination Name' to the right of 'Name' takes the Name entry.
      {u"Name\tPath\tEvidence object\tDestination Name\n", {3, 1, 3, 2}},
      {u"Destination Name\tName\tPath\tEvidence\n", {0, 2, 1, 3}},
      // Two columns holding 'destination' in any case: the right one wins.
      {u"destination\tName\tPath\tEvidence\tDESTINATION\n", {4, 2, 1, 3}},
      {u"name\tpath\tevidence\tDestination\n", {3, -1, -1, -1}},
      {u"", {-1, -1, -1, -1}},
  };
  for (const auto& c : cases) {
    const keyword_columns found = find_keyword_columns(c.header);
    EXPECT_EQ(found.destination, c.expected.destination);
    EXPECT_EQ(found.path, c.expected.path);
    EXPECT_EQ(found.name, c.expected.name);
    EXPECT_EQ(found.evidence, c.expected.evidence);
  }
}
