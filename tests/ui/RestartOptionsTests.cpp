#include <gtest/gtest.h>

#include "ui/main/portable/RestartOptions.h"

namespace tw {
namespace {

TEST(RestartOptions, SwitchesAreReadBackAsWritten) {
  TRestartOptions options;
  options.Mode = 5;
  options.Items = std::vector<std::string>{"g00-i01", "g00-i12"};
  options.Scan = true;
  options.WaitPid = 4242;
  const std::string parameters = RestartParameters(options);
  EXPECT_EQ(parameters, "-MODE:5 \"-ITEMS:g00-i01,g00-i12\" -SCAN -WAITPID:4242");
  // As the process receives them: split at blanks, the quotes gone.
  EXPECT_EQ(ReadRestartOptions({"-MODE:5", "-ITEMS:g00-i01,g00-i12", "-SCAN", "-WAITPID:4242"}), options);
  // No tick at all is a list, and stays one.
  TRestartOptions none;
  none.Items.emplace();
  EXPECT_EQ(RestartParameters(none), "\"-ITEMS:\"");
  EXPECT_EQ(ReadRestartOptions({"-ITEMS:"}), none);
}

TEST(RestartOptions, ForeignOrBadSwitchesAreLeftAlone) {
  const TRestartOptions read =
      ReadRestartOptions({"/mode=3", "-HIDE", "-MODE:9", "-WAITPID:x", "-SCANNER", "/scan", "MODE:2"});
  ASSERT_TRUE(read.Mode.has_value());
  EXPECT_EQ(*read.Mode, 3);  // "-MODE:9" is out of range: the valid one stands
  EXPECT_TRUE(read.Scan);
  EXPECT_EQ(read.WaitPid, 0u);
  EXPECT_FALSE(read.Items.has_value());
  EXPECT_EQ(ReadRestartOptions({}), TRestartOptions());
}

}  // namespace
}  // namespace tw
