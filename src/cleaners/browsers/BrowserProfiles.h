#pragma once
// Where the Firefox, Opera and Chromium-family profiles of this user are.
//
// Firefox and Opera are located once, at start-up (or when a cleaner first asks), and kept for
// the whole run: a browser installed or a profile created meanwhile is seen at the next start.
// The browsers built on Chromium (Chrome, Edge, Brave, Vivaldi, Opera since version 15...) are
// looked up by each cleaner when it runs.
#include <memory>
#include <string>
#include <vector>

namespace tw {

struct TBrowserProfile {
  std::string Label;     // "Firefox (default-release)", "Microsoft Edge (Profile 1)"
  std::string Dir;       // the profile folder, ending with "\"
  std::string LocalDir;  // Firefox: the local folder that holds the disk cache ("\"), or empty
  std::string Browser;   // Chromium family: the browser's name ("Microsoft Edge")
  std::string UserData;  // Chromium family: the user-data folder the profile is in ("\")
};

struct TBrowserLocations {
  // The application-data folders the locations were found in (each ending with "\").
  std::string RoamingAppData;
  std::string LocalAppData;
  // Every profile listed in Firefox's "profiles.ini" whose folder exists, in the file's order.
  std::vector<TBrowserProfile> FirefoxProfiles;
  // The first of them and its disk-cache folder; empty when Firefox was not found.
  std::string FirefoxProfileDir;
  std::string FirefoxCacheDir;
  // Opera up to version 12: its profile folder, empty when not found.
  std::string OperaDir;
  bool OperaMultiUser = false;
};

// Firefox: "profiles.ini" in the roaming "Mozilla\Firefox" folder (or, failing that, anywhere
// below it), and the profiles it lists. Fills the Firefox fields of Locations.
void DiscoverFirefox(TBrowserLocations& locations);
// Opera up to version 12, from its registry values and INI files. Fills OperaDir and
// OperaMultiUser.
void DiscoverOpera(TBrowserLocations& locations);
// Both, for the given application-data folders.
TBrowserLocations DiscoverBrowserLocations(std::string roamingAppData, std::string localAppData);

// The process-wide locations; discovered for this user when first asked.
std::shared_ptr<const TBrowserLocations> BrowserLocations();
// Discovers them now (program start-up).
void DiscoverBrowsers();
// Forgets them (program end).
void ClearBrowserLocations();

// The profiles of the browsers built on Chromium as they are now: for each browser in turn,
// "Default" and then "Profile <n>" folders of its user data (a user-data folder that is itself
// a profile, as Opera's, comes first).
std::vector<TBrowserProfile> ChromiumProfiles(const TBrowserLocations& locations);

}  // namespace tw
