#include "text/windows_names.h"

#include <gtest/gtest.h>

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
