#include "rename/text_output.h"

#include <gtest/gtest.h>

#include "rename/unicode_text.h"

TEST(EncodeText, WritesEachUnicodeFormAsRead) {
  const std::u16string text = u"A\u00e9\u6587\U0001F600";
  EXPECT_EQ(encode_text(text, text_encoding::utf8),
            "A\xc3\xa9\xe6\x96\x87\xf0\x9f\x98\x80");
  EXPECT_EQ(encode_text(text, text_encoding::utf16le),
            std::string("A\0\xe9\0\x87\x65\x3d\xd8\x00\xde", 10));
  EXPECT_EQ(encode_text(text, text_encoding::utf16be),
            std::string("\0A\0\xe9\x65\x87\xd8\x3d\xde\x00", 10));
  EXPECT_EQ(byte_order_mark(text_encoding::utf8), "\xef\xbb\xbf");
  EXPECT_EQ(byte_order_mark(text_encoding::utf16le), "\xff\xfe");
  EXPECT_EQ(byte_order_mark(text_encoding::utf16be), "\xfe\xff");
  EXPECT_EQ(byte_order_mark(text_encoding::eight_bit), "");
}

TEST(Utf8, DecodesWellFormedTextAndMarksEachIllFormedPiece) {
  const struct {
    std::string bytes;
    std::u16string text;
  } cases[] = {
      {"plain", u"plain"},
      {"\xc3\xa9\xe6\x96\x87\xf0\x9f\x98\x80", u"\u00e9\u6587\U0001F600"},
      {"caf\xe9", u"caf\uFFFD"},                // Latin-1 text is no UTF-8
      {"a\xc3", u"a\uFFFD"},                    // truncated at the end
      {"\xe6\x96z", u"\uFFFDz"},                // truncated before z
      {"\xc0\xaf", u"\uFFFD\uFFFD"},            // overlong
      {"\xed\xa0\x80", u"\uFFFD\uFFFD\uFFFD"},  // a surrogate
      {"\xf4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
      {"\x80x", u"\uFFFDx"},                              // a lone continuation
      {"\xff", u"\uFFFD"},
  };
  for (const auto& c : cases) {
    std::u16string text;
    append_utf8_decoded(c.bytes, text);
    EXPECT_EQ(text, c.text) << c.bytes;
    // A file without a mark is read as UTF-8 only when it holds text beyond
    // ASCII and every piece of it decodes.
    const bool beyond_ascii =
        text.find_first_not_of(u"abcdefghijklmnopqrstuvwxyz") != text.npos;
    EXPECT_EQ(looks_like_utf8(c.bytes, false),
              beyond_ascii && text.find(u'\uFFFD') == text.npos)
        << c.bytes;
  }
  // The first block of a longer file may end inside a character.
  EXPECT_TRUE(looks_like_utf8("\xc3\xa9 a\xe6\x96", true));
  EXPECT_FALSE(looks_like_utf8("\xc3\xa9 a\xe6z", true));
}

TEST(Utf8, LoneSurrogatesAreReplacedBothWays) {
  std::u16string text = u"a";
  text += static_cast<char16_t>(0xD800);
  text += u"b";
  text += static_cast<char16_t>(0xDC00);
  text += u"\U0001F600";
  std::string bytes;
  append_utf8_encoded(text, bytes);
  EXPECT_EQ(bytes,
            "a\xef\xbf\xbd"
            "b\xef\xbf\xbd\xf0\x9f\x98\x80");
  replace_lone_surrogates(text);
  EXPECT_EQ(text, u"a\uFFFDb\uFFFD\U0001F600");
}
