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

TEST(FoldTitle, KeepsLettersAndDigitsUpperCased) {
  const struct {
    const char16_t* title;
    std::size_t limit;
    const char16_t* folded;
  } cases[] = {
      {u"Int. ID", 99, u"INTID"},
      {u" a-b_c\t9\n", 99, u"ABC9"},
      {u"\u00e9t\u00e9", 99, u"\u00e9T\u00e9"},  // only A to Z are folded
      {u"a.b.c.d", 3, u"ABC"},                   // the limit counts kept ones
      {u"...", 99, u""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(fold_title(c.title, c.limit), std::u16string(c.folded));
}

TEST(FindClosestTitle,
     FewestEditsToAColumnTitlesStartWithoutCaseOrPunctuation) {
  std::u16string beyond;
  for (int i = 0; i < 100; ++i) beyond += u"Q\t";
  beyond += u"Int. ID\n";
  const struct {
    std::u16string header;
    const char16_t* title;
    const char16_t* closest;  // nullptr when none is close
  } cases[] = {
      {k_header, u"Int ID", u"Int. ID"},
      {k_header, u" Int. ID", u"Int. ID"},
      {k_header, u"int-id", u"Int. ID"},
      {k_header, u"Int. IDs", u"Int. ID"},
      {k_header, u"Evidence objet", u"Evidence object"},
      // The start of a title counts: a title matches a column's start.
      {k_header, u"Destinaton", u"Destination name"},
      {k_header, u"Bogus", nullptr},
      {k_header, u"...", nullptr},  // nothing left to compare
      // One edit for every three characters of the folded title.
      {u"ABCDEF\tQ\n", u"abxdyf", u"ABCDEF"},
      {u"ABCDEF\tQ\n", u"abxyzf", nullptr},
      {u"Int.ID\tInt ID\n", u"INT-ID", u"Int.ID"},    // the leftmost on a tie
      {u"Name\tInt. ID\r\n", u"Int ID", u"Int. ID"},  // without the line end
      {beyond, u"Int ID", nullptr},  // beyond the columns a record holds
  };
  for (const auto& c : cases) {
    wide_view closest = u"unchanged";
    const bool found = find_closest_title(c.header, c.title, closest);
    const std::u16string title = c.title;
    const std::string shown(title.begin(), title.end());
    EXPECT_EQ(found, c.closest != nullptr) << shown;
    EXPECT_EQ(std::u16string(closest),
              std::u16string(c.closest ? c.closest : u"unchanged"))
        << shown;
  }
}
