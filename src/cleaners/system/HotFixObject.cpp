#include "cleaners/system/HotFixObject.h"

#include "cleaners/portable/SystemRules.h"
#include "cleaners/system/Removal.h"
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

bool TDeleteHotFixObject::FolderListed(const std::string&, const WIN32_FIND_DATAW& entry,
                                       std::uint32_t, std::uint32_t excludeMask) {
  return (entry.dwFileAttributes & excludeMask) == 0 &&
         MatchesHotFixPattern(Narrow(entry.cFileName));
}

bool TDeleteHotFixObject::FolderEntered(const WIN32_FIND_DATAW& entry) {
  return MatchesHotFixPattern(Narrow(entry.cFileName));
}

void TDeleteHotFixObject::CleanHotFixes(const std::string& root) {
  // Files first, then folders, each from the last line to the first: a folder is listed before
  // its contents, so deeper folders go first.
  for (bool folders : {false, true}) {
    for (int i = Found.Count() - 1; i >= 0; --i) {
      if (Aborted) return;
      const std::string& text = Found.Text(i);
      TChecked& record = Found.Record(i);
      if (!record.Checked || IsFolderPath(text) != folders) continue;
      bool removed = false;
      if (IsInsideWithoutLinks(root, text)) {
        if (!folders) removed = DeleteFileEntry(text);
        else removed = HoldsUntickedFinding(i) ? DeleteEmptyFolder(text) : DeleteFolderTree(text);
      }
      if (!removed) record.CleanSucceeded = false;
      ReportItem(text);
    }
  }
}

bool TDeleteHotFixObject::HoldsUntickedFinding(int index) const {
  const std::string prefix = Found.Text(index) + "\\";
  for (int i = 0; i < Found.Count(); ++i) {
    if (!Found.Record(i).Checked && Found.Text(i).starts_with(prefix)) return true;
  }
  return false;
}

}  // namespace tw
