#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cleaners/portable/NameFilter.h"

namespace tw {
namespace {

TEST(NameFilter, ExpressionsInOrderSearchedAnywhere) {
  const std::vector<std::string> names = {
      "url1", "URL2", "xurl3", "File1", "HRZR_PGYFRFFVBA", "HRZR_EHACNGU"};
  struct Case {
    std::string filter;
    std::vector<std::string> selected;
  } cases[] = {
      {"", names},
      {"^url[0-9]+$", {"url1"}},
      {"url", {"url1", "xurl3"}},
      {"(?i)^url", {"url1", "URL2"}},
      {"nothing", {}},
      // A name that two expressions match comes twice, in filter order.
      {"File;^url|^File", {"File1", "url1", "File1"}},
      {"^(?!HRZR_PGY)", {"url1", "URL2", "xurl3", "File1", "HRZR_EHACNGU"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SelectNames(names, c.filter), c.selected) << c.filter;
  EXPECT_TRUE(SelectNames({}, "x").empty());
  EXPECT_ANY_THROW(SelectNames(names, "(unclosed"));
}

}  // namespace
}  // namespace tw
