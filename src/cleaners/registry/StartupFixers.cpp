#include "cleaners/registry/StartupFixers.h"

namespace tw {

void TRegFixRun::Walk(TTidewhiskReg& reg) {
  WalkValues(reg, [&](const std::string& name, const TRegValue& value) {
    const std::string data = RequireString(value);
    if (IsBroken(RunCommandToPath(data, Env()))) AddValueFinding(reg, name, data);
  });
}

void TRegFixRunMRU::Walk(TTidewhiskReg& reg) {
  WalkValues(reg, [&](const std::string& name, const TRegValue& value) {
    if (name == "MRUList") return;
    const std::string data = RequireString(value);
    if (IsBroken(MruCommandToPath(data, Env()))) AddValueFinding(reg, name, data);
  });
}

void TRegFixSharedDLLs::Walk(TTidewhiskReg& reg) {
  WalkValues(reg, [&](const std::string& name, const TRegValue& value) {
    if (value.Type != REG_DWORD) RaiseUnexpectedType();
    if (IsBroken(NamedPathToPath(name, Env()))) AddValueFinding(reg, name, DisplayText(value));
  });
}

void TRegFixHelp::Walk(TTidewhiskReg& reg) {
  WalkValues(reg, [&](const std::string& name, const TRegValue& value) {
    const std::string data = RequireString(value);
    if (IsBroken(HelpFileToPath(data, name, Env()))) AddValueFinding(reg, name, data);
  });
}

void TRegFixAppPaths::Walk(TTidewhiskReg& reg) {
  for (const std::string& name : reg.GetKeyNames()) {
    if (Aborted) return;
    TFixKey key;
    if (!key.Open(reg.CurrentKey(), name)) continue;
    std::optional<std::string> folders;
    if (key.HasValue("Path")) folders = key.Text("Path");
    if (IsBroken(AppPathToPath(name, key.Text(""), folders, Env())))
      AddKeyFinding(name, key.Text(name), key.Size(name));
  }
}

void TRegFixFolders::Walk(TTidewhiskReg& reg) {
  WalkValues(reg, [&](const std::string& name, const TRegValue& value) {
    if (IsBroken(NamedPathToPath(name, Env()))) AddValueFinding(reg, name, DisplayText(value));
  });
}

void TRegFixShares::Walk(TTidewhiskReg& reg) {
  for (const std::string& name : reg.GetValueNames()) {
    if (Aborted) return;
    if (name.empty()) continue;
    std::vector<std::string> lines;
    reg.ReadMultiSz(name, lines);
    std::string type, path, data;
    bool typed = false;
    for (const std::string& line : lines) {
      data += line + "\r\n";
      if (line.rfind("Type=", 0) == 0) {
        type = line.substr(5);
        typed = true;
      } else if (line.rfind("Path=", 0) == 0) {
        path = line.substr(5);
      }
    }
    // Only a disk share has a folder of its own.
    if (!typed || type != "0") continue;
    if (IsBroken(NamedPathToPath(path, Env()))) AddValueFinding(reg, name, data);
  }
}

void TRegFixFonts::Walk(TTidewhiskReg& reg) {
  WalkValues(reg, [&](const std::string& name, const TRegValue& value) {
    const std::string data = RequireString(value);
    if (IsBroken(FontFileToPath(data, Env()))) AddValueFinding(reg, name, data);
  });
}

void TRegFixMUICache::Walk(TTidewhiskReg& reg) {
  WalkValues(reg, [&](const std::string& name, const TRegValue& value) {
    if (name == "LangID") return;
    if (IsBroken(MuiNameToPath(name, Env()))) AddValueFinding(reg, name, DisplayText(value));
  });
}

}  // namespace tw
