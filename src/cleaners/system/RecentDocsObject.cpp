#include "cleaners/system/RecentDocsObject.h"

#include <shlobj.h>

#include "platform/FileRemoval.h"
#include "engine/Utility.h"
#include "platform/Handles.h"
#include "platform/ShellFolders.h"
#include "platform/Text.h"

namespace tw {

void TRecentDocsObject::Execute() {
  if (CleanMode) Clean();
  else Scan();
}

void TRecentDocsObject::Scan() {
  RecentFolder = SpecialFolderUtf8(CSIDL_RECENT);
  if (RecentFolder.empty()) return;
  WIN32_FIND_DATAW entry;
  unique_hfind find(::FindFirstFileExW((LongPathW(RecentFolder) + L"*").c_str(), FindExInfoBasic,
                                       &entry, FindExSearchNameMatch, nullptr, 0));
  if (!find) return;
  do {
    if (Aborted) return;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    // The folder's own display settings, not a document.
    if (::CompareStringOrdinal(entry.cFileName, -1, L"desktop.ini", -1, TRUE) == CSTR_EQUAL)
      continue;
    WIN32_FIND_DATAA sizeOnly{};
    sizeOnly.nFileSizeHigh = entry.nFileSizeHigh;
    sizeOnly.nFileSizeLow = entry.nFileSizeLow;
    AddFinding(WideToUtf8(entry.cFileName), std::make_unique<TFileChecked>(sizeOnly));
  } while (::FindNextFileW(find.get(), &entry));
}

TFindingPlace TRecentDocsObject::FindingPlace(const std::string& text, const TChecked&) const {
  if (RecentFolder.empty()) return {};
  return {TFindingPlace::TKind::Path, RecentFolder + text, false};
}

void TRecentDocsObject::Clean() {
  for (int i = Found.Count() - 1; i >= 0; --i) {
    if (Aborted) return;
    TChecked& record = Found.Record(i);
    if (!record.Checked) continue;
    const std::string& name = Found.Text(i);
    // A finding is a name in the folder; anything else is not removed.
    const bool bareName = !RecentFolder.empty() && !name.empty() &&
                          name.find_first_of("\\/:") == std::string::npos && name != "." &&
                          name != "..";
    if (!bareName || !DeleteFileEntry(RecentFolder + name)) record.CleanSucceeded = false;
    ReportItem(name);
  }
}

}  // namespace tw
