#include "cleaners/browsers/BrowserFilesObject.h"

#include <windows.h>

#include <algorithm>

#include "cleaners/browsers/portable/BrowserPlaces.h"
#include "cleaners/browsers/portable/SQLite.h"
#include "engine/portable/TextUtility.h"
#include "platform/Handles.h"

namespace tw {

namespace {

std::string WithSlash(std::string text) {
  if (!text.empty() && text.back() != '\\') text += '\\';
  return text;
}

bool StartsWithIgnoreCase(const std::string& text, const std::string& prefix) {
  return !prefix.empty() && text.size() >= prefix.size() &&
         UpperAscii(text.substr(0, prefix.size())) == UpperAscii(prefix);
}

bool Names(const std::string& list, const std::string& name) {
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    std::string item = list.substr(start, end - start);
    item.erase(0, item.find_first_not_of(' '));
    item.erase(item.find_last_not_of(' ') + 1);
    if (UpperAscii(item) == UpperAscii(name)) return true;
    start = end + 1;
  }
  return false;
}

void AddOnce(std::vector<std::string>& list, std::string item) {
  auto same = [&](const std::string& other) { return UpperAscii(other) == UpperAscii(item); };
  if (std::none_of(list.begin(), list.end(), same)) list.push_back(std::move(item));
}

}  // namespace

std::vector<std::string> TBrowserFilesObject::Folders() const {
  std::vector<std::string> roots;
  const std::string& roaming = Locations ? Locations->RoamingAppData : std::string();
  const std::string& local = Locations ? Locations->LocalAppData : std::string();
  if (UpperAscii(Browser) == "FIREFOX") {
    if (!Locations || Locations->FirefoxProfiles.empty())
      throw Exception("Exception", "Firefox profile not found!");
    for (const TBrowserProfile& profile : Locations->FirefoxProfiles) {
      if (Place == "data") AddOnce(roots, roaming + "Mozilla\\Firefox\\");
      else if (Place == "local") {
        if (!profile.LocalDir.empty()) AddOnce(roots, profile.LocalDir);
      } else {
        AddOnce(roots, profile.Dir);
      }
    }
  } else {
    std::vector<TBrowserProfile> profiles =
        Locations ? ChromiumProfiles(*Locations) : std::vector<TBrowserProfile>();
    std::erase_if(profiles, [&](const TBrowserProfile& p) { return !Names(Browser, p.Browser); });
    if (profiles.empty()) {
      const bool opera = Names(Browser, "Opera") || Names(Browser, "Opera GX");
      throw Exception("Exception", opera ? "Opera not found!" : "Chrome User Data not found!");
    }
    for (const TBrowserProfile& profile : profiles) {
      const std::string& base = Place == "data" ? profile.UserData : profile.Dir;
      AddOnce(roots, base);
      // A profile that roams keeps its caches in the local folder of the same name.
      if (StartsWithIgnoreCase(base, roaming) && !local.empty())
        AddOnce(roots, local + base.substr(roaming.size()));
    }
  }
  std::vector<std::string> folders;
  for (const std::string& root : roots)
    folders.push_back(Folder.empty() ? root : WithSlash(root + Folder));
  return folders;
}

bool TBrowserFilesObject::ScanTree(const std::string& folder) {
  std::vector<std::string> subfolders;
  WIN32_FIND_DATAA entry;
  {
    unique_hfind find(::FindFirstFileA((folder + "*").c_str(), &entry));
    if (!find) return !Aborted;  // not there (yet): nothing to list
    do {
      if (Aborted) return false;
      if (IsDotEntry(entry.cFileName)) continue;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (Recurse && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
          subfolders.push_back(folder + entry.cFileName + "\\");
        continue;
      }
      if (IsProtectedBrowserFile(entry.cFileName)) continue;
      if (!MatchesFileMasks(entry.cFileName, FileFilter)) continue;
      AddFinding(folder + entry.cFileName, std::make_unique<TFileChecked>(entry));
    } while (::FindNextFileA(find.get(), &entry));
  }
  for (const std::string& subfolder : subfolders)
    if (!ScanTree(subfolder)) return false;
  return !Aborted;
}

void TBrowserFilesObject::Execute() {
  const std::vector<std::string> folders = Folders();
  if (CleanMode) {
    CleanFound();
    return;
  }
  for (const std::string& folder : folders)
    if (!ScanTree(folder)) return;
}

void TChromeAutofillObject::Execute() {
  const std::vector<TBrowserProfile> profiles =
      Locations ? ChromiumProfiles(*Locations) : std::vector<TBrowserProfile>();
  if (profiles.empty()) throw Exception("Exception", "Chrome User Data not found!");
  if (CleanMode) CleanFound();
  else ScanProfiles(profiles, nullptr, ChromeAutofillSources());
}

}  // namespace tw
