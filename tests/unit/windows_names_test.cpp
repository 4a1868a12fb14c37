#include "text/windows_names.h"

#include <gtest/gtest.h>

#include "text/name_trim.h"

TEST(CheckFileName, RefusesReservedStemsAndOverlongNames) {
  const struct {
    std::u16string name;
    name_problem expected;
  } cases[] = {
      {u"1234_Hard drive no2_mydoc.doc", name_problem::none},
      {u"CON", name_problem::reserved},
      {u"con.x_a.doc", name_problem::reserved},  // the stem ends at a dot
      {u"Nul .txt", name_problem::reserved},     // trailing spaces fall away
      {u"COM1_a.doc", name_problem::none},       // the stem is COM1_a
      {u"lpt9.doc", name_problem::reserved},
      {u"LPT0.doc", name_problem::reserved},
      {u"COM\u00B9.1", name_problem::reserved},  // superscript one
      {u"lpt\u00B3 .y", name_problem::reserved},
      {u"COM\u2074.1", name_problem::none},  // superscript four is no device
      {u"CONIN$.x", name_problem::reserved},
      {u"conout$", name_problem::reserved},
      {u"CONIN$1.x", name_problem::none},
      {u"1_a.doc.", name_problem::trailing_dot_or_space},
      {u"1_a.doc ", name_problem::trailing_dot_or_space},
      {u"1_a. doc", name_problem::none},
      {u"COM10.doc", name_problem::none},
      {u"AUXILIARY.doc", name_problem::none},
      {u"a.CON", name_problem::none},
      {std::u16string(255, u'a'), name_problem::none},
      {std::u16string(256, u'a'), name_problem::too_long},
      // Length counts UTF-16 units: a character beyond the Basic
      // Multilingual Plane takes two.
      {std::u16string(127, u'a') + u"\U0001F600\U0001F600", name_problem::none},
      {std::u16string(254, u'a') + u"\U0001F600", name_problem::too_long},
  };
  for (const auto& c : cases)
    EXPECT_EQ(check_file_name(c.name), c.expected)
        << std::string(c.name.begin(), c.name.end());
}

TEST(SafeNames, ReplaceWhatNoWindowsNameHolds) {
  const struct {
    const char16_t* value;
    char16_t forbidden;  // the first, which the reason names
    const char16_t* safe;
  } cases[] = {
      {u"12:30:05", u':', u"12_30_05"},
      {u"Laptop \"Bob\" <1> | a? b*", u'"', u"Laptop _Bob_ _1_ _ a_ b_"},
      {u"tab\there\x1f", u'\t', u"tab_here_"},
      {u"a\\b/c", 0, u"a_b_c"},  // separators are rules of their own
      {u"caf\u00e9 \u6587 #1 (x) [y] 100%", 0,
       u"caf\u00e9 \u6587 #1 (x) [y] 100%"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(first_forbidden_character(c.value), c.forbidden);
    std::u16string safe;
    append_safe_name(c.value, safe);
    EXPECT_EQ(safe, c.safe);
  }
}

TEST(TrimmedLength, CutsBetweenWholeCharactersToFitTheRoom) {
  const std::size_t none = std::u16string_view::npos;
  const struct {
    const char16_t* before;  // the values with their _
    std::u16string base;
    const char16_t* after;  // the extension
    name_room room;
    std::size_t kept;
  } cases[] = {
      // 1_abc~.txt is 10 units.
      {u"1_", u"abcdefghij", u".txt", {10, 0, true}, 3},
      // A surrogate pair is kept whole or not at all.
      {u"1_", u"ab\U0001F600cd", u"", {6, 0, true}, 2},
      {u"1_", u"ab\U0001F600cd", u"", {7, 0, true}, 4},
      // A combining accent stays with its letter; a variation selector
      // with its symbol; a joined emoji sequence is kept whole.
      {u"", u"abe\u0301cd", u"", {4, 0, true}, 2},
      {u"", u"a\u263A\uFE0Fb", u"", {3, 0, true}, 1},
      {u"", u"a\U0001F469\u200D\U0001F4BBz", u"", {5, 0, true}, 1},
      {u"", u"a\U0001F469\u200D\U0001F4BBz", u"", {7, 0, true}, 6},
      {u"", u"a\U0001F44D\U0001F3FDb", u"", {4, 0, true}, 1},
      // Bytes bind where the folder counts them: 3 a CJK character in
      // UTF-8, one a unit for an 8-bit list's names.
      {u"1_", u"\u6587\u6587\u6587", u"", {255, 8, true}, 1},
      {u"", u"\u00e9\u00e9\u00e9", u"", {255, 3, false}, 2},
      {u"", u"\u00e9\u00e9\u00e9", u"", {255, 3, true}, 1},
      // The values and the extension alone leave no room.
      {u"abcdefgh", u"x", u".txt", {10, 0, true}, none},
      {u"abcde", u"x", u".txt", {10, 0, true}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.base.begin(), c.base.end()));
    EXPECT_EQ(trimmed_length(c.before, c.base, c.after, c.room), c.kept);
  }
  // The example of the manual: 250 letters behind a prefix of 30 fit at
  // exactly 255 units.
  const std::u16string prefix = u"123456789012_Hard drive no2 _";
  const std::size_t kept = trimmed_length(
      prefix + u"_", std::u16string(250, u'a'), u".docx", name_room{});
  EXPECT_EQ(prefix.size() + 1 + kept + 1 + 5, k_max_name_units);
}
