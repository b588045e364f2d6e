#include "cleaners/browsers/ChromeObjects.h"

namespace tw {

void TChromeBrowserObject::Run(std::span<const TRowSource> sources) {
  const std::vector<TBrowserProfile> profiles =
      Locations ? ChromiumProfiles(*Locations) : std::vector<TBrowserProfile>();
  if (profiles.empty()) throw Exception("Exception", "Chrome User Data not found!");
  if (CleanMode) CleanFound();
  else ScanProfiles(profiles, nullptr, sources);
}

}  // namespace tw
