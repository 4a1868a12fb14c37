#include "text/number_text.h"

#include <gtest/gtest.h>

TEST(GroupThousands, RightAlignsGroupedDigits) {
  const struct {
    std::int64_t count;
    const char* grouped;
  } cases[] = {
      {0, "                  0"},       {7, "                  7"},
      {999, "                999"},     {1000, "              1,000"},
      {1234, "              1,234"},    {123456, "            123,456"},
      {1234567, "          1,234,567"}, {2147483647, "      2,147,483,647"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(group_thousands(c.count), c.grouped) << c.count;
}
