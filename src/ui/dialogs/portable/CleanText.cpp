#include "ui/dialogs/portable/CleanText.h"

#include "database/portable/ItemIds.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "support/Fields.h"
#include "support/Format.h"

namespace tw {

namespace {

// The size as the status bar gives it: in the largest of GB, MB and KB that shows it above 1.
std::string RecycledSizeText(std::int64_t bytes) {
  const double kb = static_cast<double>(bytes) / 1024, mb = kb / 1024, gb = mb / 1024;
  if (gb > 1) return Format("%f GB", gb);
  if (mb > 1) return Format("%f MB", mb);
  return Format("%f KB", kb);
}

}  // namespace

std::vector<std::string> CleanSummaryLines(const TCleanCounts& counts, int language) {
  const std::string counted(StrRes(kRowCleaningCounts, language));
  const int removed = counts.Checked - counts.Failed;
  std::vector<std::string> lines;
  if (counts.Failed == 0) {
    lines = {"", "", "", Format(counted + ".", removed, counts.Failed, counts.Checked)};
  } else {
    const std::string tail = counts.ScheduledAtRestart ? ":" + std::string(StrRes(kRowCleaningNeedsReboot, language)) : ".";
    lines = {"", Format(counted + tail, removed, counts.Failed, counts.Checked)};
  }
  if (counts.Skipped > 0) {
    lines.push_back("");
    lines.push_back(Format(std::string(StrRes(kRowSkippedForRights, language)), counts.Skipped));
  }
  if (counts.Kept > 0) {
    lines.push_back("");
    lines.push_back(Format(std::string(StrRes(kRowKeptProtected, language)), counts.Kept));
  }
  if (counts.Recycled > 0) {
    lines.push_back("");
    lines.push_back(Format(std::string(StrRes(kRowRecycledSummary, language)), counts.Recycled,
                           RecycledSizeText(counts.RecycledSize)));
  }
  return lines;
}

std::string FitWithEllipsis(const std::string& text, int width,
                            const std::function<int(std::string_view)>& measure) {
  if (measure(text) < width) return text;
  if (measure("...") >= width) return {};
  // Prefix lengths that end on a character boundary.
  std::vector<std::size_t> cuts{0};
  for (std::size_t i = 1; i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) cuts.push_back(i);
  std::size_t low = 0, high = cuts.size() - 1;  // cuts[low] fits
  while (low < high) {
    const std::size_t mid = (low + high + 1) / 2;
    if (measure(text.substr(0, cuts[mid]) + "...") < width) low = mid;
    else high = mid - 1;
  }
  return text.substr(0, cuts[low]) + "...";
}

std::string ProgressGroupName(std::string_view groupId, const std::string& name, int kind, bool whole) {
  if (whole || groupId != kGroupSystemBrowser) return name;
  return GetField(name, kind);
}

}  // namespace tw
