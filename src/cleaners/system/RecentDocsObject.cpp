#include "cleaners/system/RecentDocsObject.h"

#include <shlobj.h>

#include "platform/FileRemoval.h"
#include "engine/Utility.h"
#include "platform/Handles.h"
#include "platform/ShellFolders.h"
#include "platform/Text.h"

namespace tw {

namespace {

// A link holds no data: it is removed itself, as without recycling. A folder is not a finding.
bool IsLinkOrFolder(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(LongPathW(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY));
}

}  // namespace

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

std::string TRecentDocsObject::Folder() const {
  return RecentFolder.empty() ? SpecialFolderUtf8(CSIDL_RECENT) : RecentFolder;
}

std::optional<std::string> TRecentDocsObject::PlaceText() const {
  std::string folder = Folder();
  if (folder.empty()) return std::nullopt;
  return folder;
}

TOpenPlace TRecentDocsObject::OpenPlace(int) const {
  std::string folder = Folder();
  if (folder.empty()) return {};
  return {TOpenPlace::TKind::Folder, std::move(folder)};
}

void TRecentDocsObject::Clean() {
  // Recycling: the shortcuts go to the Recycle Bin together, in one call of the shell.
  TRecycleBatch batch([&](const TRecycleEntry& entry) {
    TChecked& record = Found.Record(entry.Tag);
    record.Recycled = entry.Outcome == TRecycleOutcome::Recycled;
    if (entry.Outcome == TRecycleOutcome::NotRecycled) record.CleanSucceeded = false;
    ReportItem(Found.Text(entry.Tag));
  });
  for (int i = Found.Count() - 1; i >= 0 && !Aborted; --i) {
    TChecked& record = Found.Record(i);
    if (!record.Checked) continue;
    const std::string& name = Found.Text(i);
    // A finding is a name in the folder; anything else is not removed.
    const bool bareName = !RecentFolder.empty() && !name.empty() &&
                          name.find_first_of("\\/:") == std::string::npos && name != "." &&
                          name != "..";
    if (bareName && Recycle && !IsLinkOrFolder(RecentFolder + name)) {
      batch.Add(RecentFolder + name, i);
      continue;
    }
    if (!bareName || !DeleteFileEntry(RecentFolder + name)) record.CleanSucceeded = false;
    ReportItem(name);
  }
  batch.Flush();
  for (std::string& problem : batch.Problems) PartialErrors.push_back({kNotRecycledClass, std::move(problem)});
}

}  // namespace tw
