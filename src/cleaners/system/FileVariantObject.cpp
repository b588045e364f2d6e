#include "cleaners/system/FileVariantObject.h"

#include "platform/FileRemoval.h"
#include "engine/portable/TextUtility.h"
#include "platform/Handles.h"
#include "platform/Text.h"

namespace tw {

void TFileVariantObject::ProcessFolder(const std::string& folder, std::uint32_t includeMask,
                                       std::uint32_t excludeMask) {
  if (CleanMode) TDeleteFileObject::ProcessFolder(folder, includeMask, excludeMask);
  else WalkFolder(folder, includeMask, excludeMask);
}

bool TFileVariantObject::WalkFolder(const std::string& folder, std::uint32_t includeMask,
                                    std::uint32_t excludeMask) {
  const bool listFolders = FileFilter.starts_with("*.*");
  auto excluded = [&](const std::string& name) {
    for (int i = 1, n = FieldCount(ExcludeFolder); i <= n; ++i) {
      if (GetField(ExcludeFolder, i) == name) return true;
    }
    return false;
  };
  const std::wstring longFolder = LongPathW(folder);

  for (int field = 1, fields = FieldCount(FileFilter); field <= fields; ++field) {
    WIN32_FIND_DATAW entry;
    unique_hfind files(::FindFirstFileExW((longFolder + Utf8ToWide(GetField(FileFilter, field))).c_str(),
                                          FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr,
                                          0));
    if (files) {
      do {
        if (Aborted) return false;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            FileListed(folder, entry, includeMask, excludeMask))
          AddEntry(folder, entry);
      } while (::FindNextFileW(files.get(), &entry));
    }

    unique_hfind folders(::FindFirstFileExW((longFolder + L"*").c_str(), FindExInfoBasic, &entry,
                                            FindExSearchNameMatch, nullptr, 0));
    if (!folders) continue;
    do {
      if (Aborted) return false;
      const std::string name = WideToUtf8(entry.cFileName);
      if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || IsDotEntry(name) ||
          excluded(name))
        continue;
      if (listFolders && FolderListed(folder, entry, includeMask, excludeMask))
        AddEntry(folder, entry);
      // A junction or symbolic link is never entered: it may lead anywhere.
      if (Recurse && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
          FolderEntered(folder, entry)) {
        ProcessFolder(folder + name + "\\", includeMask, excludeMask);
        if (Aborted) return false;
      }
    } while (::FindNextFileW(folders.get(), &entry));
  }
  return true;
}

void TFileVariantObject::AddEntry(const std::string& folder, const WIN32_FIND_DATAW& entry) {
  WIN32_FIND_DATAA sizeOnly{};
  sizeOnly.nFileSizeHigh = entry.nFileSizeHigh;
  sizeOnly.nFileSizeLow = entry.nFileSizeLow;
  AddFinding(folder + WideToUtf8(entry.cFileName), std::make_unique<TFileChecked>(sizeOnly));
}

}  // namespace tw
