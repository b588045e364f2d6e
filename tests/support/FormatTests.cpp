#include <gtest/gtest.h>

#include "support/Exceptions.h"
#include "support/Format.h"

namespace tw {
namespace {

TEST(Format, Placeholders) {
  EXPECT_EQ(Format("%s: %d", std::string("count"), 42), "count: 42");
  EXPECT_EQ(Format("%f MB", 1500000 / 1048576.0), "1.43 MB");
  EXPECT_EQ(Format("%.0f", 2.6), "3");
  EXPECT_EQ(Format("[%-20s]", "left"), "[left                ]");
  EXPECT_EQ(Format("[%3d]", 7), "[  7]");
  EXPECT_EQ(Format("100%% %s", "done"), "100% done");
  EXPECT_EQ(Format("%d", 0xFFFFFFFFFFull), "1099511627775");
  EXPECT_EQ(Format("%d", -5LL), "-5");
  EXPECT_EQ(Format("%s", std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Format, DecimalSeparator) {
  SetDecimalSeparator(',');
  EXPECT_EQ(Format("%f KB", 1.5), "1,50 KB");
  SetDecimalSeparator('.');
  EXPECT_EQ(Format("%f KB", 1.5), "1.50 KB");
}

TEST(Format, MismatchesRaise) {
  EXPECT_THROW(Format("%d", "text"), EConvertError);
  EXPECT_THROW(Format("%s", 3), EConvertError);
  EXPECT_THROW(Format("%s %s", "one"), EConvertError);
  EXPECT_THROW(Format("50%"), EConvertError);
  EXPECT_THROW(Format("%q", 1), EConvertError);
}

TEST(Format, SizeTextTakesTheLargestUnitAboveOne) {
  SetDecimalSeparator('.');
  const struct {
    std::int64_t bytes;
    const char* text;
  } cases[] = {
      {0, "0.00 KB"},
      {900, "0.88 KB"},
      {1500000, "1.43 MB"},
      // Exactly 1 MB is not above 1 MB: it shows in KB.
      {1024 * 1024, "1024.00 KB"},
      {1024LL * 1024 * 1024 * 3, "3.00 GB"},
  };
  for (const auto& c : cases) EXPECT_EQ(SizeText(c.bytes), c.text) << c.bytes;
  EXPECT_STREQ(SizeParts(1500000).Unit, "MB");
  SetDecimalSeparator(',');
  EXPECT_EQ(SizeText(1500000), "1,43 MB");
  SetDecimalSeparator('.');
}

}  // namespace
}  // namespace tw
