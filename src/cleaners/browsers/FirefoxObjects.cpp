#include "cleaners/browsers/FirefoxObjects.h"

namespace tw {

const std::vector<TBrowserProfile>& TFirefoxBrowserObject::Profiles() const {
  if (!Locations || Locations->FirefoxProfiles.empty())
    throw Exception("Exception", "Firefox profile not found!");
  return Locations->FirefoxProfiles;
}

void TFirefoxBrowserObject::Run(const char* oldFile, std::span<const TRowSource> sources) {
  const std::vector<TBrowserProfile>& profiles = Profiles();
  if (CleanMode) CleanFound();
  else ScanProfiles(profiles, oldFile, sources);
}

// The disk cache of each profile: the files of its "cache" folder, and of "cache2" (the layout
// since Firefox 32: an index beside the folders of entries and of entries being discarded).
void TFirefoxCacheObject::Execute() {
  const std::vector<TBrowserProfile>& profiles = Profiles();
  bool anyLocal = false;
  for (const TBrowserProfile& profile : profiles) anyLocal = anyLocal || !profile.LocalDir.empty();
  if (!anyLocal) throw Exception("Exception", "Mozilla profile not found!");
  if (CleanMode) {
    CleanFound();
    return;
  }
  for (const TBrowserProfile& profile : profiles) {
    if (profile.LocalDir.empty()) continue;
    for (const char* folder : {"cache\\", "cache2\\", "cache2\\entries\\", "cache2\\doomed\\"})
      if (!ScanFolderFiles(profile.LocalDir + folder)) return;
  }
}

}  // namespace tw
