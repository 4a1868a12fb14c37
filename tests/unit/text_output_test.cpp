#include "console/text_output.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/progress_line.h"
#include "platform/encoded_text.h"
#include "text/unicode_text.h"

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
      // Each byte that is no UTF-8 is carried as U+DC00 plus the byte.
      {"caf\xe9", u"caf\xDCE9"},                // Latin-1 text is no UTF-8
      {"a\xc3", u"a\xDCC3"},                    // truncated at the end
      {"\xe6\x96z", u"\xDCE6\xDC96z"},          // truncated before z
      {"\xc0\xaf", u"\xDCC0\xDCAF"},            // overlong
      {"\xed\xa0\x80", u"\xDCED\xDCA0\xDC80"},  // a surrogate
      {"\xf4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},  // past U+10FFFF
      {"\x80x", u"\xDC80x"},                              // a lone continuation
      {"\xff", u"\xDCFF"},
      {"\xef\xbf\xbd", u"\uFFFD"},  // a real U+FFFD is a character
  };
  for (const auto& c : cases) {
    std::u16string text;
    append_utf8_decoded(c.bytes, text);
    EXPECT_EQ(text, c.text) << c.bytes;
    // Written back, every byte is the one read.
    std::string back;
    append_utf8_encoded(text, back);
    EXPECT_EQ(back, c.bytes);
    EXPECT_EQ(utf8_length(text), back.size());
    // A file without a mark is read as UTF-8 only when it holds text beyond
    // ASCII and every piece of it decodes.
    const bool beyond_ascii =
        text.find_first_not_of(u"abcdefghijklmnopqrstuvwxyz") != text.npos;
    EXPECT_EQ(looks_like_utf8(c.bytes, false),
              beyond_ascii && !holds_lone_surrogate(text))
        << c.bytes;
  }
  // The first block of a longer file may end inside a character.
  EXPECT_TRUE(looks_like_utf8("\xc3\xa9 a\xe6\x96", true));
  EXPECT_FALSE(looks_like_utf8("\xc3\xa9 a\xe6z", true));
}

TEST(Utf8, LoneSurrogatesMarkTextThatCouldNotBeRead) {
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
  EXPECT_EQ(utf8_length(text), bytes.size());
  EXPECT_TRUE(holds_lone_surrogate(text));
  EXPECT_TRUE(holds_lone_surrogate(u"\xDC80"));
  EXPECT_FALSE(holds_lone_surrogate(u"a\uFFFD\U0001F600"));
}

TEST(ConsoleSafe, EscapesWhatWouldDriveTheTerminal) {
  const struct {
    std::u16string text;
    std::u16string shown;
  } cases[] = {
      {u"plain \u00e9\U0001F600", u"plain \u00e9\U0001F600"},
      {u"\x1b[2K\r", u"\\x1B[2K\\x0D"},
      {u"\x1b]0;title\x07", u"\\x1B]0;title\\x07"},
      {u"a\tb\nc\x7f\x85\x9f\xa0", u"a\\x09b\\x0Ac\\x7F\\x85\\x9F\xa0"},
      {std::u16string(1, u'\0') + u"x", u"\\x00x"},
      {u"caf\xDCE9", u"caf\\xE9"},  // a byte that was no UTF-8
      {u"\xD800z", u"\\uD800z"},    // a lone surrogate of a UTF-16 list
      // Every character at which Python's str.splitlines ends a line: a
      // value must never start a line of the run record of its own.
      {u"\n\r\x0b\x0c\x1c\x1d\x1e\x85\u2028\u2029",
       u"\\x0A\\x0D\\x0B\\x0C\\x1C\\x1D\\x1E\\x85\\u2028\\u2029"},
      {u"\u2027\u202A\u202F", u"\u2027\u202A\u202F"},  // their neighbours
  };
  for (const auto& c : cases) EXPECT_EQ(console_safe(c.text), c.shown);
}

namespace {

// What a console sink was given, in order: 'w' for wide text, 'b' for
// bytes, then the text.
std::vector<std::string> console_calls;
bool sink_window = false;

bool recorded_is_window(console_stream) { return sink_window; }

bool record_wide(console_stream, std::u16string_view text) {
  std::string call = "w";
  append_utf8_encoded(text, call);
  console_calls.push_back(call);
  return true;
}

bool record_bytes(console_stream, std::string_view bytes) {
  console_calls.push_back("b" + std::string(bytes));
  return true;
}

}  // namespace

TEST(ConsoleBatch, ReportLinesGoOutTogetherAndInTheirOrder) {
  // On a console window every line takes the wide path, an 8-bit list's
  // too; redirected, the same lines are the bytes of their encoding.
  for (const bool window : {true, false}) {
    sink_window = window;
    console_calls.clear();
    set_console_sink({recorded_is_window, record_wide, record_bytes});
    EXPECT_TRUE(write_console_batched(u"\nA\u00e9", text_encoding::eight_bit));
    EXPECT_TRUE(write_console_batched(u"\nB", text_encoding::eight_bit));
    EXPECT_TRUE(console_calls.empty());
    EXPECT_TRUE(write_console_8bit(console_stream::out, "\n\nEnd\n"));
    const std::string first =
        window ? "w\nA\xc3\xa9\nB"
               : "b" + encode_text(u"\nA\u00e9\nB", text_encoding::eight_bit);
    EXPECT_EQ(console_calls, (std::vector<std::string>{first, "b\n\nEnd\n"}));
    // A batch of 64 KiB goes out by itself.
    console_calls.clear();
    for (int i = 0; i < 70000 / 8; ++i)
      write_console_batched(u"\n1234567", text_encoding::eight_bit);
    EXPECT_EQ(console_calls.size(), window ? 2u : 1u);
    flush_console();
  }
  set_console_sink(platform_console());
}

namespace {

int writes_to_refuse = 0;  // the next writes that fail

bool refusing_bytes(console_stream, std::string_view) {
  if (writes_to_refuse == 0) return true;
  --writes_to_refuse;
  return false;
}

}  // namespace

TEST(ConsoleBatch, AFailedWriteIsNotForgotten) {
  // One lost piece of the report makes the whole report untrue, however
  // well the later pieces go: the run must end saying so.
  set_console_sink({recorded_is_window, record_wide, refusing_bytes});
  sink_window = false;
  writes_to_refuse = 1;
  write_console_batched(u"\nlost", text_encoding::eight_bit);
  EXPECT_FALSE(flush_console());
  write_console_batched(u"\nwritten", text_encoding::eight_bit);
  EXPECT_FALSE(flush_console());
  set_console_sink(platform_console());
}

TEST(ProgressText, GivesAnEstimateOnlyWhenOneIsWorthShowing) {
  const struct {
    std::int64_t done;
    double seconds;
    const char* text;
  } cases[] = {
      {0, 0.0, "0 of 1,000 records, 0 renamed, 0 failed"},
      // Under a second of work, the rate is shown, not yet an estimate.
      {500, 0.5, "500 of 1,000 records, 500 renamed, 0 failed, 1,000 a second"},
      {500, 2.0,
       "500 of 1,000 records, 500 renamed, 0 failed, 250 a second, 0:02 left"},
      // Less than a second to go: no "0:00 left".
      {999, 5.0, "999 of 1,000 records, 999 renamed, 0 failed, 199 a second"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(progress_text(c.done, 1000, c.done, 0, c.seconds, -1), c.text)
        << c.done << " in " << c.seconds;
}

TEST(WholePiece, NeverEndsBetweenTheHalvesOfAPair) {
  const std::u16string text = u"ab\U0001F600c";  // a, b, high, low, c
  const struct {
    std::size_t at;
    std::size_t most;
    std::size_t units;
  } cases[] = {
      {0, 3, 2},             // would end after the high half
      {0, 4, 4}, {2, 1, 1},  // one unit always goes, even a half
      {3, 5, 2}, {5, 3, 0}, {0, 9, 5},
  };
  for (const auto& c : cases)
    EXPECT_EQ(whole_piece(text, c.at, c.most), c.units)
        << c.at << " " << c.most;
}
