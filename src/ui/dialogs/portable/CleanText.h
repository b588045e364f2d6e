#pragma once
// The texts of the clean run that need no window: the summary after a clean, the shortened
// current-entry line of the progress dialog, and the default browser's name rules.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tw {

// What a clean did, counted over the work objects that ran.
struct TCleanCounts {
  int Checked = 0;  // ticked findings
  int Failed = 0;   // findings that could not be removed
  // Files were handed to the system for removal at the next restart (they count as failed).
  bool ScheduledAtRestart = false;
  int Skipped = 0;  // ticked findings left out of the clean (they need administrator rights)
  int Kept = 0;     // findings the protect list kept
  int Recycled = 0;  // removed findings that went into the Recycle Bin, and their bytes
  std::int64_t RecycledSize = 0;
  bool operator==(const TCleanCounts&) const = default;
};

// The summary dialog's text lines in Language. Nothing failed: three empty lines and the counts
// sentence with a full stop. Something failed: one empty line and the counts sentence, followed
// by a colon and the locked-files sentence when files wait for a restart, by a full stop
// otherwise. Skipped findings add an empty line and the sentence that says so; recycled ones
// an empty line and how many files (and bytes) can be restored from the Recycle Bin.
std::vector<std::string> CleanSummaryLines(const TCleanCounts& counts, int language);

// Text shortened to the longest prefix that, followed by "...", is narrower than Width as
// Measure counts it; Text itself when it is narrower than Width; empty when "..." alone does not
// fit. Prefixes end on whole UTF-8 characters.
std::string FitWithEllipsis(const std::string& text, int width,
                            const std::function<int(std::string_view)>& measure);

// The default browser kinds (BrowserKindOf), which pick the browser's name out of the first
// group's names.
inline constexpr int kBrowserOther = 1;
inline constexpr int kBrowserAolDesktop = 2;
inline constexpr int kBrowserAolExplorer = 3;
inline constexpr int kBrowserMsn = 4;

// The group name the progress caption shows: for group "g01" (the browsers) the Kind-th of its
// ";"-separated names unless Whole is set, the whole name otherwise.
std::string ProgressGroupName(std::string_view groupId, const std::string& name, int kind, bool whole);

}  // namespace tw
