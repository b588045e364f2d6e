#pragma once
// The small HTML of the program's notices, turned into formatted runs of text for windows that
// cannot show HTML: line breaks, paragraphs, bold, italic, underline, colour and size.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tw {

struct TTextRun {
  std::string Text;  // "\r\n" marks a line break
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  std::optional<std::uint32_t> Color;  // 0x00RRGGBB
  int SizePx = 0;                      // 0: the window's size
  std::string Link;                    // the address of an enclosing <a href>
  bool operator==(const TTextRun&) const = default;
};

// Runs of the document's visible text, in order; adjacent runs of the same look are merged.
// Unknown tags are dropped with their markup (their text stays); script and style contents are
// dropped; entities (&amp; &lt; &gt; &quot; &apos; &nbsp; &#N; &#xN;) are decoded; white space
// is collapsed as a browser does.
std::vector<TTextRun> HtmlToRuns(std::string_view html);

// The plain text of the runs.
std::string RunsText(const std::vector<TTextRun>& runs);

}  // namespace tw
