// The text helpers that read database attributes, paths and registry data: fields of ";" lists,
// path and folder macros, ROT13, the keyword test, the HTML notices and the readers that turn a
// registry entry's text into the paths it may name never fail on any text, and keep their
// promises. Above all, an entry whose paths all exist, or that the system will not answer for,
// is never judged broken, whatever its text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <algorithm>
#include <vector>

#include "cleaners/browsers/portable/BrowserPlaces.h"
#include "cleaners/browsers/portable/IniText.h"
#include "cleaners/portable/SystemRules.h"
#include "cleaners/registry/portable/References.h"
#include "engine/portable/TextUtility.h"
#include "registry/portable/BackupNames.h"
#include "strings/ScanWords.h"
#include "ui/dialogs/portable/HtmlText.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

// A machine's environment as the registry readers see it.
std::string MachineEnv(const std::string& name) {
  static const std::pair<const char*, const char*> kVariables[] = {
      {"SystemRoot", "C:\\Windows"},
      {"windir", "C:\\Windows"},
      {"ProgramFiles", "C:\\Program Files"},
      {"ProgramW6432", "C:\\Program Files"},
      {"ProgramFiles(x86)", "C:\\Program Files (x86)"},
      {"CommonProgramFiles", "C:\\Program Files\\Common Files"},
      {"CommonProgramFiles(x86)", "C:\\Program Files (x86)\\Common Files"},
      {"LOCALAPPDATA", "C:\\Users\\u\\AppData\\Local"},
      {"APPDATA", "C:\\Users\\u\\AppData\\Roaming"},
      {"TEMP", "%SystemRoot%\\Temp"},
  };
  for (const auto& [variable, value] : kVariables)
    if (tw::LowerAscii(name) == tw::LowerAscii(variable)) return value;
  return {};
}

tw::TPathProbe Probe(tw::TPathState state) {
  return {[state](const std::string&) { return state; }, [](const std::string&) { return true; }};
}

// What every reader makes of Text (and of Text as a key's name).
void CheckReferences(const std::string& text) {
  const tw::TPathProbe present = Probe(tw::TPathState::File);
  const tw::TPathProbe unknown = Probe(tw::TPathState::Unknown);
  const tw::TPathProbe missing = Probe(tw::TPathState::Missing);
  const tw::TPathProbe noDisk = {[](const std::string&) { return tw::TPathState::Missing; },
                                 [](const std::string&) { return false; }};
  const tw::TClassRules rules[] = {{}, {false, true, true}};
  for (const tw::TRegView view : {tw::TRegView::Native, tw::TRegView::Wow32, tw::TRegView::Shared}) {
    const tw::TResolveEnv env{MachineEnv, view};
    const tw::TReference references[] = {
        tw::ProgramReference(text, env),
        tw::RunCommandToPath(text, env),
        tw::MruCommandToPath(text, env),
        tw::HelpFileToPath(text, "help.chm", env),
        tw::HelpFileToPath("C:\\Help", text, env),
        tw::AppPathToPath(text, text, text, env),
        tw::AppPathToPath("app.exe", "", text, env),
        tw::UninstallCommandToPath(text, env),
        tw::MuiNameToPath(text, env),
        tw::IconReferenceToPath(text, env),
        tw::FontFileToPath(text, env),
        tw::NamedPathToPath(text, env),
        tw::ProgramsFolderToPath(text, "C:\\All\\Programs\\", "", env),
        tw::ClassHandlerToPath("DefaultIcon", text, env, rules[0]),
        tw::ClassHandlerToPath("InprocServer32", text, env, rules[1]),
        tw::VerbCommandToPath(text, env, rules[0]),
        tw::VerbCommandToPath(text, env, rules[1]),
    };
    for (const tw::TReference& reference : references) {
      Require(!tw::ReferenceTest(reference, present));
      Require(!tw::ReferenceTest(reference, unknown));
      Require(!tw::ReferenceTest(reference, noDisk));
      if (tw::ReferenceTest(reference, missing))
        for (const tw::TCandidate& candidate : reference.Candidates)
          Require(tw::IsDrivePath(candidate.Path) &&
                  candidate.Path.find('%') == std::string::npos);
    }
  }
  (void)tw::ViewOfKey(text, text);
  (void)tw::ViewOfKey("HKEY_LOCAL_MACHINE", text);
  (void)tw::ViewOfKey("HKCR", text);
  const std::string base = tw::Wow32Base(text);
  Require(base.empty() || text.starts_with(base));
  Require(tw::RemoveQuotes(text).find('"') == std::string::npos);
  (void)tw::IsWebReference(text);
}

// Text as a browser's "profiles.ini", and its lines as the folder names found in a Chromium
// user-data folder: every profile folder ends with "\", and sorting the profile folders keeps
// them all and puts "Default" first.
void CheckBrowserPlaces(const std::string& text) {
  const tw::TIniText ini(text);
  for (const tw::TFirefoxProfileEntry& entry : tw::FirefoxProfileEntries(ini)) {
    Require(!entry.Path.empty());
    const std::string iniFolder = "C:\\Users\\u\\AppData\\Roaming\\Mozilla\\Firefox\\";
    for (const std::string& folder : tw::FirefoxProfileFolders(iniFolder, entry)) {
      Require(!folder.empty() && folder.back() == '\\');
      const std::string local = tw::FirefoxLocalFolder(folder, "C:\\Users\\u\\AppData\\Roaming\\",
                                                       "C:\\Users\\u\\AppData\\Local\\");
      Require(!local.empty() && local.back() == '\\');
    }
  }
  std::vector<std::string> names;
  for (std::size_t start = 0; start <= text.size() && names.size() < 256;) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    std::string name = text.substr(start, end - start);
    (void)tw::IsProtectedBrowserFile(name);
    if (tw::IsChromiumProfileName(name)) names.push_back(std::move(name));
    start = end + 1;
  }
  std::vector<std::string> sorted = names;
  tw::SortChromiumProfileNames(sorted);
  Require(std::is_permutation(sorted.begin(), sorted.end(), names.begin(), names.end()));
  if (std::find(names.begin(), names.end(), "Default") != names.end())
    Require(tw::LowerAscii(sorted.front()) == "default");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  for (const char separator : {';', ',', '|'}) {
    const int fields = tw::FieldCount(text, separator);
    for (int i = 1; i <= fields && i < 64; ++i) Require(!tw::GetField(text, i, separator).empty());
    (void)tw::GetField(text, 0, separator);
    (void)tw::GetField(text, fields + 1, separator);
  }
  if (tw::Rot13(tw::Rot13(text)) != text) __builtin_trap();

  const auto env = [&](const std::string& name) { return name.size() % 2 ? text : std::string(); };
  (void)tw::ExpandEnvPathWith(text, env);
  (void)tw::ResolveFolderMacroWith(text, [&](int csidl) { return csidl % 2 ? text : std::string(); });
  (void)tw::IsSystemFolderWith(text, env);
  const int csidl = tw::CsidlFromName(text);
  Require(csidl >= -1 && csidl <= 35 && (csidl == -1 || tw::StartsWithNoCase(text, "CSIDL_")));
  const std::string folder = tw::WithBackslash(text);
  Require(folder.ends_with('\\') && folder.starts_with(text) && folder.size() <= text.size() + 1);
  (void)tw::IsDotEntry(text);

  CheckReferences(text);
  CheckBrowserPlaces(text);
  const tw::TBackupNameParts backup = tw::SplitBackupFileName(text);
  Require(backup.ItemId.empty() || (tw::IsItemId(backup.ItemId) && text.starts_with(backup.ItemId)));
  (void)tw::TrimBlanks(text);
  (void)tw::MatchesHotFixPattern(text);

  static const tw::TScanWords words("sex,xxx,porn,a,,b c");
  const bool adult = words.IsAdult(text);
  if (text.empty() && adult) __builtin_trap();

  (void)tw::RunsText(tw::HtmlToRuns(text));
  return 0;
}
