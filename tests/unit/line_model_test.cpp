#include "rename/line_model.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace {

std::vector<std::u16string> columns_of(std::u16string_view line) {
  record_fields fields;
  split_record(line, fields);
  std::vector<std::u16string> columns;
  for (int i = 0; i < fields.count; ++i)
    columns.emplace_back(fields.columns[static_cast<std::size_t>(i)]);
  return columns;
}

// Every line read_line gives for a file holding bytes, 8-bit text read
// in code_page (-e; 0 for none).
std::vector<std::u16string> lines_of(const std::string& bytes,
                                     unsigned code_page = 0) {
  scoped_temp_dir dir;
  const std::filesystem::path file = dir.write("input.txt", bytes);
  std::FILE* stream = std::fopen(file.string().c_str(), "rb");
  EXPECT_NE(stream, nullptr);
  text_input input;
  attach_input(input, stream, u"input.txt");
  read_8bit_in(input, code_page);
  std::vector<std::u16string> lines;
  std::u16string line;
  while (read_line(input, line)) lines.push_back(line);
  EXPECT_FALSE(input.read_failed);
  close_input(input);
  return lines;
}

using lines = std::vector<std::u16string>;

}  // namespace

TEST(SplitRecord, CutsAtEveryTab) {
  const struct {
    const char16_t* line;
    std::vector<std::u16string> columns;
  } cases[] = {
      {u"a\tb\n", {u"a", u"b"}},
      {u"a\t\tb", {u"a", u"", u"b"}},
      {u"a\t\t\tb", {u"a", u"", u"", u"b"}},
      {u"\tb", {u"", u"b"}},
      {u"a\tb\t", {u"a", u"b", u""}},
      {u"whole line\n", {u"whole line"}},
      {u"\n", {u""}},
      {u"a\r\tb\n", {u"a\r", u"b"}},
  };
  for (const auto& c : cases) EXPECT_EQ(columns_of(c.line), c.columns);
}

TEST(SplitRecord, HoldsNoMoreThanTheTableHas) {
  std::u16string line;
  for (int i = 0; i < 150; ++i) line += u"v" + std::u16string(1, u'\t');
  record_fields fields;
  split_record(line, fields);
  ASSERT_EQ(fields.count, k_max_columns);
  EXPECT_EQ(fields.columns[k_max_columns - 1], u"v");
}

TEST(SplitRecord, NulIsAnOrdinaryCharacter) {
  const std::u16string line(u"a\0b\tc", 5);
  EXPECT_EQ(columns_of(line), (lines{std::u16string(u"a\0b", 3), u"c"}));
}

TEST(ReadLine, FollowsTextModeLineEndsWithoutItsEndOfFile) {
  const struct {
    std::string bytes;
    lines expected;
  } cases[] = {
      {"", {}},
      {"one\ntwo\n", {u"one\n", u"two\n"}},
      {"no line feed", {u"no line feed"}},
      {"crlf\r\nnext\r\n", {u"crlf\n", u"next\n"}},
      {"lone\rcr\n", {u"lone\rcr\n"}},
      {"cr at end\r", {u"cr at end\r"}},
      {"two\r\r\n", {u"two\r\n"}},
      {"\n\n", {u"\n", u"\n"}},
      // Windows text mode would end the file at 0x1A; here it is a byte.
      {std::string("a\x1a"
                   "b\nc\n"),
       {u"a\x1a"
        u"b\n",
        u"c\n"}},
      {std::string("xa\0b\n", 5), {std::u16string(u"xa\0b\n", 5)}},
      {"\xe9\xff\n", {u"\u00e9\u00ff\n"}},
  };
  for (const auto& c : cases) EXPECT_EQ(lines_of(c.bytes), c.expected);
}

TEST(ReadLine, FindsTheEncodingByItsMark) {
  const struct {
    std::string bytes;
    lines expected;
  } cases[] = {
      {std::string("\xff\xfeN\0a\0\r\0\n\0\x87\x65\n\0", 14),
       {u"Na\n", u"\u6587\n"}},
      {std::string("\xfe\xff\0N\x65\x87\0\n", 8), {u"N\u6587\n"}},
      {std::string("N\0a\0\n\0", 6), {u"Na\n"}},  // UTF-16LE, no mark
      {"\xef\xbb\xbfN\xc3\xa9\r\nx\n", {u"N\u00e9\n", u"x\n"}},
      {"\xef\xbb\xbf", {}},
      // Ill-formed pieces are carried as lone surrogates, never dropped.
      {std::string("\xff\xfeN\0\x00\xdc\n\0x", 9),
       {u"N\xDC00\n", u"\xDC78"}},  // a lone surrogate, an odd byte
      {"\xef\xbb\xbf"
       "a\xe6\x96\n",
       {u"a\xDCE6\xDC96\n"}},
      // No mark and no zero byte: 8-bit, byte for byte.
      {"\xff\xfd\n", {u"\u00ff\u00fd\n"}},
  };
  for (const auto& c : cases) EXPECT_EQ(lines_of(c.bytes), c.expected);
}

TEST(ReadLine, ReadsEightBitTextInTheCodePageNamed) {
  // The same on both builds: Windows decodes with MultiByteToWideChar,
  // Linux with iconv. A byte that is no text in the page is carried as
  // itself, never as the page's default character (in 932 Windows would
  // read "81 7F" as U+30FB, a name the list does not hold).
  const struct {
    unsigned code_page;
    std::string bytes;
    lines expected;
  } cases[] = {
      {1251, "\xc8\xe2\xe0\xed.doc\n", {u"\u0418\u0432\u0430\u043d.doc\n"}},
      {1252, "\x80\x92\n", {u"\u20ac\u2019\n"}},
      {1253, "\xc1\n", {u"\u0391\n"}},
      {936, "\xc4\xe3\n", {u"\u4f60\n"}},
      {949, "\xb0\xa1\n", {u"\uac00\n"}},
      {950, "\xa4\x40\n", {u"\u4e00\n"}},
      {932, "a\x82\xa0\n", {u"a\u3042\n"}},
      {932, "a\x81\x7f\n", {u"a\xDC81\x7f\n"}},    // a lead byte, no trail
      {932, "x\x82\xa0\xb1", {u"x\u3042\uff71"}},  // half-width after
      {932, "\xa0\x82", {u"\xDCA0\xDC82"}},  // undefined; a lead at the end
      // UTF-8 that is not well-formed: read as UTF-8 all the same.
      {65001, "\xc3\xa9\xff\n", {u"\u00e9\xDCFF\n"}},
      // A mark, or well-formed UTF-8, tells more than -e.
      {1251, "\xef\xbb\xbf\xd0\x98\n", {u"\u0418\n"}},
      {1251, "\xd0\x98\n", {u"\u0418\n"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code_page);
    EXPECT_EQ(lines_of(c.bytes, c.code_page), c.expected);
  }
}

TEST(ReadLine, ReadsLongLinesWholeAcrossBlocks) {
  // Lines far longer than one read block, with a CR LF split between two
  // blocks, must arrive whole and as one line each.
  const std::string first(64 * 1024 - 1, 'a');
  const std::string second(200 * 1024, 'b');
  const lines expected = {std::u16string(first.begin(), first.end()) + u"\n",
                          std::u16string(second.begin(), second.end())};
  EXPECT_EQ(lines_of(first + "\r\n" + second), expected);
}

TEST(ReadLine, StartsAgainAfterRewindBehindTheMark) {
  scoped_temp_dir dir;
  const auto file = dir.write("input.txt", "\xef\xbb\xbfheader\nrecord\n");
  text_input input;
  attach_input(input, std::fopen(file.string().c_str(), "rb"), u"input.txt");
  std::u16string line;
  ASSERT_TRUE(read_line(input, line));
  ASSERT_TRUE(read_line(input, line));
  EXPECT_FALSE(read_line(input, line));
  EXPECT_EQ(line, u"record\n");  // left as it was at end of file
  rewind_input(input);
  ASSERT_TRUE(read_line(input, line));
  EXPECT_EQ(line, u"header\n");
  close_input(input);
}
