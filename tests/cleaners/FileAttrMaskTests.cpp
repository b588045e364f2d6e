#include <gtest/gtest.h>

#include "cleaners/portable/FileAttrMask.h"

namespace tw {
namespace {

TEST(AttributeMask, NamesAnywhereInTheTextBuildTheMask) {
  const std::pair<const char*, std::uint32_t> cases[] = {
      {"faAnyFile", 0x3F},
      {"faAnyFile;faNormal", 0xBF},
      {"faSymLink faAnyFile", 0x7F},
      {"faHidden,faSysFile", 0x06},
      {"faReadOnly|faArchive|faDirectory", 0x31},
      {"faNormal", 0x80},
      {"fahidden;FAHIDDEN", 0},  // case-sensitive
      {"", 0},
  };
  for (const auto& [names, mask] : cases) EXPECT_EQ(AttributeMask(names), mask) << names;
}

TEST(AttributeMask, AnEntryNeedsOneIncludedBitAndNoExcludedBit) {
  EXPECT_FALSE(AttributesPass(0x80, AttributeMask("faAnyFile"), 0));
  EXPECT_TRUE(AttributesPass(0x80, AttributeMask("faAnyFile;faNormal"), 0));
  EXPECT_TRUE(AttributesPass(0x22, AttributeMask("faAnyFile"), 0));
  EXPECT_FALSE(AttributesPass(0x22, AttributeMask("faAnyFile"), AttributeMask("faHidden")));
  EXPECT_FALSE(AttributesPass(0x10, AttributeMask("faAnyFile"), AttributeMask("faDirectory")));
  EXPECT_FALSE(AttributesPass(0x20, 0, 0));
}

}  // namespace
}  // namespace tw
