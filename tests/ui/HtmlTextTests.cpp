#include <gtest/gtest.h>

#include "ui/dialogs/portable/HtmlText.h"

namespace tw {
namespace {

TEST(HtmlText, TheCloseProgramsQuestionKeepsItsLook) {
  // The shape of the question the close-programs step asks.
  const std::string html =
      "The timeout allowed for termination of process 42 has been exceeded."
      "<br></br>Do you wish to force the termination of process <font style=\"font-family:Verdana, "
      "Tahoma, sans-serif;font-size:12px;font-style:normal;font-weight:bold;color:red\">"
      "iexplore.exe</font> anyway?";
  const auto runs = HtmlToRuns(html);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].Text,
            "The timeout allowed for termination of process 42 has been exceeded.\r\n"
            "Do you wish to force the termination of process ");
  EXPECT_FALSE(runs[0].Bold);
  EXPECT_EQ(runs[1].Text, "iexplore.exe");
  EXPECT_TRUE(runs[1].Bold);
  EXPECT_FALSE(runs[1].Italic);
  EXPECT_EQ(runs[1].Color, 0xFF0000u);
  EXPECT_EQ(runs[1].SizePx, 12);
  EXPECT_EQ(runs[2].Text, " anyway?");
  EXPECT_FALSE(runs[2].Color.has_value());
}

TEST(HtmlText, TextRules) {
  struct Case {
    const char* html;
    const char* text;
  };
  const Case cases[] = {
      {"a  \n  b", "a b"},
      {"<p>one</p><p>two</p>", "one\r\ntwo"},
      {"<div>  x </div>", "x"},
      {"1 &lt; 2 &amp;&amp; 3 &gt; 2 &quot;q&quot; &#65;&#x42;", "1 < 2 && 3 > 2 \"q\" AB"},
      {"caf&#233;", "caf\xC3\xA9"},
      {"a &unknown; b", "a &unknown; b"},
      {"x<script>alert(1)</script>y<style>p{}</style>z", "xyz"},
      {"<!-- hidden -->seen", "seen"},
      {"a < b", "a < b"},
      {"line<br>next<br/>last<br>", "line\r\nnext\r\nlast"},
      {"<unknown attr=1>kept</unknown>", "kept"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(RunsText(HtmlToRuns(c.html)), c.text) << c.html;
}

TEST(HtmlText, NestedStylesEndWithTheirTags) {
  const auto runs = HtmlToRuns("<b>bold <i>both</i></b> plain <a href=\"http://x.test/\" target=\"_blank\">link</a>");
  ASSERT_EQ(runs.size(), 4u);
  EXPECT_TRUE(runs[0].Bold && !runs[0].Italic);
  EXPECT_TRUE(runs[1].Bold && runs[1].Italic);
  EXPECT_EQ(runs[1].Text, "both");
  EXPECT_TRUE(!runs[2].Bold && !runs[2].Italic);
  EXPECT_EQ(runs[2].Text, " plain ");
  EXPECT_EQ(runs[3].Link, "http://x.test/");
  EXPECT_TRUE(runs[3].Underline);
  EXPECT_EQ(runs[3].Text, "link");
}

}  // namespace
}  // namespace tw
