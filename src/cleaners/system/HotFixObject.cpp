#include "cleaners/system/HotFixObject.h"

#include "cleaners/portable/SystemRules.h"
#include "platform/FileRemoval.h"
#include "platform/Text.h"

namespace tw {

void TDeleteHotFixObject::ProcessFolder(const std::string& folder, std::uint32_t includeMask,
                                        std::uint32_t excludeMask) {
  if (CleanMode) CleanHotFixes(folder);
  else TFileVariantObject::ProcessFolder(folder, includeMask, excludeMask);
}

bool TDeleteHotFixObject::FileListed(const std::string& folder, const WIN32_FIND_DATAW& entry,
                                     std::uint32_t, std::uint32_t excludeMask) {
  return MatchesHotFixPattern(folder) && (entry.dwFileAttributes & excludeMask) == 0;
}

// A folder whose name has the pattern, or any folder inside such a folder (its whole tree is
// listed).
bool TDeleteHotFixObject::FolderListed(const std::string& folder, const WIN32_FIND_DATAW& entry,
                                       std::uint32_t, std::uint32_t excludeMask) {
  return (entry.dwFileAttributes & excludeMask) == 0 && FolderEntered(folder, entry);
}

bool TDeleteHotFixObject::FolderEntered(const std::string& folder, const WIN32_FIND_DATAW& entry) {
  return MatchesHotFixPattern(folder) || MatchesHotFixPattern(WideToUtf8(entry.cFileName));
}

void TDeleteHotFixObject::CleanHotFixes(const std::string& root) {
  // Files first, then folders, each from the last line to the first: a folder is listed before
  // its contents, so deeper folders go first. A folder is removed only when it is empty: what
  // goes is exactly what was listed and ticked.
  for (bool folders : {false, true}) {
    for (int i = Found.Count() - 1; i >= 0; --i) {
      if (Aborted) return;
      const std::string& text = Found.Text(i);
      TChecked& record = Found.Record(i);
      if (!record.Checked || IsFolderPath(text) != folders) continue;
      bool removed = false;
      if (IsInsideWithoutLinks(root, text))
        removed = folders ? DeleteEmptyFolder(text) : DeleteFileEntry(text);
      if (!removed) record.CleanSucceeded = false;
      ReportItem(text);
    }
  }
}

}  // namespace tw
