#include "text/hash_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::u16string k_md5 = u"900150983cd24fb0d6963f7d28e17f72";
const std::u16string k_sha1 = u"a9993e364706816aba3e25717850c26c9cd0d89d";
const std::u16string k_sha256 =
    u"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

std::string narrow(const std::u16string& text) {
  return std::string(text.begin(), text.end());
}

}  // namespace

TEST(HashKindOfHex, TellsTheKindByTheNumberOfHexDigits) {
  const struct {
    std::u16string value;
    hash_kind expected;
  } cases[] = {
      {k_md5, hash_kind::md5},
      {k_sha1, hash_kind::sha1},
      {k_sha256, hash_kind::sha256},
      {u"D41D8CD98F00B204E9800998ECF8427E", hash_kind::md5},
      {u"dA39a3EE5e6b4b0d3255bfef95601890afd80709", hash_kind::sha1},
      // Lists pad their columns with spaces.
      {u"  " + k_md5 + u" ", hash_kind::md5},
      {u" " + k_sha256, hash_kind::sha256},
      // One digit short or over is no digest at all.
      {k_md5.substr(1), hash_kind::none},
      {k_md5 + u"0", hash_kind::none},
      {k_sha1.substr(1), hash_kind::none},
      {k_sha256 + u"0", hash_kind::none},
      {k_sha256.substr(1), hash_kind::none},
      {u"", hash_kind::none},
      {u"    ", hash_kind::none},
      // Whatever is not a digit, where the count alone would pass.
      {u"0x" + k_sha256.substr(2), hash_kind::none},
      {k_md5.substr(0, 31) + u"g", hash_kind::none},
      {k_md5.substr(0, 16) + u" " + k_md5.substr(17), hash_kind::none},
      {u"\t" + k_md5.substr(1), hash_kind::none},
      {k_md5.substr(1) + u"\u00a0", hash_kind::none},
      // Units whose low byte is a hex digit: '0' (U+0130), 'A' (U+0141),
      // 'a' (U+FF41, a full-width a), and a full-width digit.
      {k_md5.substr(1) + u"\u0130", hash_kind::none},
      {k_md5.substr(1) + u"\u0141", hash_kind::none},
      {k_md5.substr(1) + u"\uff41", hash_kind::none},
      {k_md5.substr(1) + u"\uff10", hash_kind::none},
  };
  for (const auto& c : cases)
    EXPECT_EQ(hash_kind_of_hex(c.value), c.expected) << narrow(c.value);
  for (const hash_kind kind :
       {hash_kind::md5, hash_kind::sha1, hash_kind::sha256})
    EXPECT_EQ(hash_kind_of_hex(std::u16string(hex_length_of(kind), u'F')),
              kind);
}

TEST(HexDigestMatches, ComparesTheDigitsWhateverTheirCase) {
  const std::string computed = narrow(k_sha256);
  std::u16string upper = k_sha256;
  for (char16_t& unit : upper)
    if (unit >= u'a' && unit <= u'f') unit = static_cast<char16_t>(unit - 32);
  std::u16string last_differs = k_sha256;
  last_differs.back() = u'e';
  std::u16string first_differs = k_sha256;
  first_differs.front() = u'c';
  const struct {
    std::string computed;
    std::u16string listed;
    bool expected;
  } cases[] = {
      {computed, k_sha256, true},
      {computed, upper, true},
      {computed, u" " + upper + u"  ", true},
      {computed, last_differs, false},
      {computed, first_differs, false},
      // The start of a longer digest, or a shorter digest of one file, is
      // another value.
      {computed, k_sha256.substr(0, 32), false},
      {computed.substr(0, 32), k_sha256, false},
      {narrow(k_md5), k_md5, true},
      {narrow(k_md5), k_sha1, false},
      // Nothing computed matches nothing listed, or a bad value.
      {"", u"", false},
      {"", u"  ", false},
      {"0x" + computed.substr(2), u"0x" + k_sha256.substr(2), false},
      // A unit whose low byte is the digit computed holds there.
      {computed, k_sha256.substr(0, 63) + u"\u0164", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(hex_digest_matches(c.computed, c.listed), c.expected)
        << c.computed << " against " << narrow(c.listed);
}

TEST(LowerHexOf, GivesTwoLowercaseDigitsEachByte) {
  const unsigned char bytes[] = {0x00, 0x09, 0x0a, 0x7f, 0x80, 0xf0, 0xff};
  std::string hex = "stale";
  lower_hex_of(bytes, sizeof bytes, hex);
  EXPECT_EQ(hex, "00090a7f80f0ff");
  lower_hex_of(bytes, 0, hex);
  EXPECT_EQ(hex, "");
}
