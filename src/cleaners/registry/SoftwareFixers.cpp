#include "cleaners/registry/SoftwareFixers.h"

#include <shlobj.h>

#include <algorithm>
#include <array>
#include <string_view>

#include "platform/ShellFolders.h"

namespace tw {

namespace {

constexpr const char* kUninstall = "Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Keys Windows itself keeps under Software, some of them empty on purpose.
constexpr std::array<std::string_view, 15> kWindowsKeys = {"AppDataLow",
                                                           "Classes",
                                                           "Clients",
                                                           "DefaultUserEnvironment",
                                                           "Microsoft",
                                                           "ODBC",
                                                           "OEM",
                                                           "Partner",
                                                           "Policies",
                                                           "RegisteredApplications",
                                                           "Registered Applications",
                                                           "Setup",
                                                           "System",
                                                           "Windows",
                                                           "WOW6432Node"};

bool IsWindowsKey(const std::string& name) {
  const std::string lower = LowerAscii(name);
  return std::any_of(kWindowsKeys.begin(), kWindowsKeys.end(),
                     [&](std::string_view key) { return LowerAscii(key) == lower; });
}

struct TPlace {
  HKEY Root;
  std::string Path;
};

}  // namespace

void TRegFixSoftware::Walk(TTidewhiskReg& reg) {
  TFixKey classes;
  classes.Open(HKEY_CLASSES_ROOT, "");
  // The other places a program keeps its key: the user's, the machine's, the machine's 32-bit.
  const HKEY own = RootKeyHandle(RootKeyFromName(Key));
  std::vector<TPlace> twins;
  for (TPlace place :
       {TPlace{HKEY_CURRENT_USER, "Software"}, TPlace{HKEY_LOCAL_MACHINE, "SOFTWARE"},
        TPlace{HKEY_LOCAL_MACHINE, "SOFTWARE\\WOW6432Node"}})
    if (place.Root != own || LowerAscii(place.Path) != LowerAscii(Subkey)) twins.push_back(place);
  // The class names, lower case and sorted, read when first needed.
  std::optional<std::vector<std::string>> classNames;
  auto classPrefixKnown = [&](const std::string& name) {
    if (!classNames) {
      classNames.emplace();
      try {
        if (classes.Get())
          for (const std::string& c : classes.SubkeyNames()) classNames->push_back(LowerAscii(c));
      } catch (const ERegistryException&) {
        classNames->clear();
      }
      std::sort(classNames->begin(), classNames->end());
    }
    // A classes root that cannot be read tells nothing against the key.
    if (classNames->empty()) return true;
    const std::string prefix = LowerAscii(name);
    auto at = std::lower_bound(classNames->begin(), classNames->end(), prefix);
    return at != classNames->end() && at->compare(0, prefix.size(), prefix) == 0;
  };

  for (const std::string& name : reg.GetKeyNames()) {
    if (Aborted) return;
    if (IsWindowsKey(name) || (classes.Get() && classes.HasSubkey(name))) continue;
    if (std::any_of(twins.begin(), twins.end(), [&](const TPlace& twin) {
          return KeyPresent(twin.Root, twin.Path + "\\" + name);
        }))
      continue;
    TFixKey key;
    if (!key.Open(reg.CurrentKey(), name) || !key.IsEmpty()) continue;
    if (name.size() > 3 && classPrefixKnown(name)) continue;
    AddKeyFinding(name, "", key.Size(""));
  }
}

void TRegFixUninstall::Walk(TTidewhiskReg& reg) {
  for (const std::string& name : reg.GetKeyNames()) {
    if (Aborted) return;
    TFixKey key;
    if (!key.Open(reg.CurrentKey(), name)) continue;
    const std::optional<TRegValue> command = key.Value("UninstallString");
    // Without a command, or with one that is not text, there is nothing to judge.
    if (!command || (command->Type != REG_SZ && command->Type != REG_EXPAND_SZ)) continue;
    const std::string text = DisplayText(*command);
    if (IsBroken(UninstallCommandToPath(text, Env()))) AddKeyFinding(name, text, key.Size(name));
  }
}

void TRegFixARPCache::Walk(TTidewhiskReg& reg) {
  std::vector<TFixKey> uninstall;
  for (const TPlace& place :
       {TPlace{HKEY_CURRENT_USER, std::string("Software\\") + kUninstall},
        TPlace{HKEY_LOCAL_MACHINE, std::string("SOFTWARE\\") + kUninstall},
        TPlace{HKEY_LOCAL_MACHINE, std::string("SOFTWARE\\WOW6432Node\\") + kUninstall}}) {
    TFixKey key;
    const LONG rc = key.TryOpen(place.Root, place.Path);
    if (rc == ERROR_SUCCESS) uninstall.push_back(std::move(key));
    // An uninstall list that is there but cannot be read decides nothing.
    else if (rc != ERROR_FILE_NOT_FOUND)
      return;
  }
  if (uninstall.empty()) return;
  const std::int64_t size = std::max<std::int64_t>(reg.ValueSize(""), 0);
  for (const std::string& name : reg.GetKeyNames()) {
    if (Aborted) return;
    if (std::none_of(uninstall.begin(), uninstall.end(),
                     [&](const TFixKey& key) { return key.HasSubkey(name); }))
      AddKeyFinding(name, "", size);
  }
}

void TRegFixMenuOrder::Walk(TTidewhiskReg& reg) {
  const std::string common = SpecialFolderUtf8(CSIDL_COMMON_PROGRAMS);
  const std::string user = SpecialFolderUtf8(CSIDL_PROGRAMS);
  auto judge = [&](const TFixKey& key, const std::string& name) {
    if (IsBroken(ProgramsFolderToPath(name, common, user, Env())))
      AddKeyFinding(name, "", key.Size(""));
  };
  for (const std::string& first : reg.GetKeyNames()) {
    if (Aborted) return;
    TFixKey outer;
    if (!outer.Open(reg.CurrentKey(), first)) continue;
    judge(outer, first);
    for (const std::string& second : outer.SubkeyNames()) {
      if (Aborted) return;
      TFixKey inner;
      if (inner.Open(outer, second)) judge(inner, first + "\\" + second);
    }
  }
}

}  // namespace tw
