#include "rename/text_output.h"

#include <gtest/gtest.h>

TEST(Narrow8Bit, KeepsEveryByteAndMarksWiderUnits) {
  std::u16string text;
  for (char16_t unit = 0; unit < 256; ++unit) text.push_back(unit);
  text += u"\u0100\u20ac\xffff";
  const std::string bytes = narrow_8bit(text);
  ASSERT_EQ(bytes.size(), 259u);
  for (std::size_t i = 0; i < 256; ++i)
    EXPECT_EQ(static_cast<unsigned char>(bytes[i]), i);
  EXPECT_EQ(bytes.substr(256), "???");
}
