#include "cleaners/registry/ClassFixers.h"

#include <algorithm>

namespace tw {

namespace {

constexpr std::uint32_t kClassesRoot = 0x80000000;

bool Is(const std::string& name, const char* other) { return LowerAscii(name) == other; }

bool BeginsWithPercentOne(const std::string& text) {
  return text.rfind("%1", 0) == 0 || text.rfind("\"%1", 0) == 0;
}

// A program named in an open-with list: registered as an application class or under App Paths
// (for the user, the machine or 32-bit programs). A name with a folder in it cannot be judged by
// registration and counts as registered; so does any text this rule does not understand.
bool ProgramRegistered(const TFixKey& classes, const std::string& program) {
  if (program.empty()) return false;
  if (program.find_first_of("\\/:%\"") != std::string::npos) return true;
  if (classes.HasSubkey("Applications\\" + program)) return true;
  constexpr const char* kAppPaths[] = {
      "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\",
      "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"};
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
    for (const char* place : kAppPaths)
      if (KeyPresent(root, place + program)) return true;
  return false;
}

}  // namespace

void TRegFixFileExts::Walk(TTidewhiskReg& reg) {
  if (RootKeyFromName(Key) == kClassesRoot) {
    // The classes: a key with nothing in it (no default, no values, no subkeys).
    for (const std::string& name : reg.GetKeyNames()) {
      if (Aborted) return;
      if (name.find('.', 1) != std::string::npos) continue;
      TFixKey key;
      if (key.Open(reg.CurrentKey(), name) && key.IsEmpty()) AddKeyFinding(name, "", 0);
    }
    return;
  }
  // The user's extension list: an extension the classes do not know and that holds no choice
  // of the user's that still means something.
  TFixKey classes;
  if (!classes.Open(HKEY_CLASSES_ROOT, "")) return;
  for (const std::string& name : reg.GetKeyNames()) {
    if (Aborted) return;
    if (name.empty() || name.front() != '.' || classes.HasSubkey(name)) continue;
    TFixKey key;
    if (!key.Open(reg.CurrentKey(), name) || key.HasSubkey("UserChoice")) continue;
    bool used = false;
    for (const std::string& sub : key.SubkeyNames()) {
      TFixKey list;
      if (Is(sub, "openwithprogids")) {
        // Any of its classes registered (not only the first).
        if (list.Open(key, sub))
          for (const std::string& progId : list.ValueNames())
            used = used || (!progId.empty() && classes.HasSubkey(progId));
      } else if (Is(sub, "openwithlist")) {
        // Programs the user opened these files with, as far as they are still registered.
        if (list.Open(key, sub))
          for (const std::string& entry : list.ValueNames())
            used = used || (entry != "MRUList" && ProgramRegistered(classes, list.Text(entry)));
      } else {
        used = true;  // something this fixer does not know
      }
    }
    if (!used) AddKeyFinding(name, "", key.Size(""));
  }
}

void TRegFixFileExtsRec::Walk(TTidewhiskReg& reg) {
  const TClassRules rules{};
  const HKEY classes = reg.CurrentKey();
  for (const std::string& name : reg.GetKeyNames()) {
    if (Aborted) return;
    if (name.empty() || name.front() != '.') continue;
    TFixKey key;
    if (!key.Open(classes, name)) continue;
    const std::string type = key.Text("");
    std::string dotted = type, joined;
    std::replace(dotted.begin(), dotted.end(), ' ', '.');
    std::copy_if(type.begin(), type.end(), std::back_inserter(joined),
                 [](char c) { return c != ' '; });
    // An extension of a known class, or one the shell handles by its content or kind.
    if (KeyPresent(classes, dotted) || KeyPresent(classes, joined) || KeyPresent(classes, type) ||
        key.HasValue("Content Type") || key.HasValue("PerceivedType") ||
        key.HasSubkey("PersistentHandler") || key.HasSubkey("shellex"))
      continue;
    const std::vector<std::string> subkeys = key.SubkeyNames();
    if (subkeys.empty()) {
      AddKeyFinding(name, type, key.Size(""));
      continue;
    }
    for (const std::string& sub : subkeys)
      if (Selected(sub) && !Is(sub, "shellex")) JudgeClassSubkey(key, name, sub, rules);
  }
}

void TRegFixFileTypeRec::Walk(TTidewhiskReg& reg) {
  const TClassRules rules{.PercentOneUndecided = true};
  const std::vector<std::string> names = reg.GetKeyNames();
  std::vector<std::string> lower;
  lower.reserve(names.size());
  for (const std::string& name : names) lower.push_back(LowerAscii(name));
  std::sort(lower.begin(), lower.end());
  // Another class of the same vendor ("Vendor.Other" beside "Vendor.Type").
  auto vendorKnown = [&](const std::string& name) {
    const std::string own = LowerAscii(name);
    const std::string prefix = own.substr(0, own.find('.'));
    for (auto at = std::lower_bound(lower.begin(), lower.end(), prefix);
         at != lower.end() && at->compare(0, prefix.size(), prefix) == 0; ++at)
      if (*at != own) return true;
    return false;
  };
  for (const std::string& name : names) {
    if (Aborted) return;
    if (name.find('.', 1) == std::string::npos) continue;
    TFixKey key;
    if (!key.Open(reg.CurrentKey(), name) || key.HasSubkey("shellex")) continue;
    const std::vector<std::string> subkeys = key.SubkeyNames();
    if (subkeys.empty() && key.Text("").empty()) {
      if (!key.HasValues() && !vendorKnown(name)) AddKeyFinding(name, "", key.Size(""));
      continue;
    }
    for (const std::string& sub : subkeys) {
      if (!Selected(sub)) continue;
      TFixKey handler;
      if (!handler.Open(key, sub) || BeginsWithPercentOne(handler.Text(""))) continue;
      JudgeClassSubkey(key, name, sub, rules);
    }
  }
}

void TRegFixApplications::Walk(TTidewhiskReg& reg) {
  const TClassRules rules{.SecondPathUndecided = false};
  for (const std::string& name : reg.GetKeyNames()) {
    if (Aborted) return;
    TFixKey app;
    if (!app.Open(reg.CurrentKey(), name)) continue;
    for (const std::string& sub : app.SubkeyNames()) {
      if (!Selected(sub) || Is(sub, "shellex")) continue;
      TFixKey handler;
      if (!handler.Open(app, sub) || handler.HasSubkey("ddeexec") ||
          handler.HasSubkey("DropTarget"))
        continue;
      JudgeClassSubkey(app, name, sub, rules);
    }
  }
}

void TRegFixCLSID::Walk(TTidewhiskReg& reg) {
  if (Subkey.empty()) return;
  const TClassRules rules{.IexploreUndecided = true};
  for (const std::string& name : reg.GetKeyNames()) {
    if (Aborted) return;
    if (name.find('{') == std::string::npos) continue;
    TFixKey server;
    if (!server.Open(reg.CurrentKey(), name)) continue;
    for (const std::string& sub : server.SubkeyNames())
      if (Selected(sub) && !Is(sub, "shellex")) JudgeClassSubkey(server, name, sub, rules);
  }
}

}  // namespace tw
