// The fixers' reading of registry references and their verdict, against a made-up machine: the
// environment of a 64-bit process and a file system with fixed drives C: and D:, a removable
// R:, a network N: and no E:.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "cleaners/registry/portable/References.h"

namespace tw {
namespace {

std::string Env(const std::string& name) {
  static const std::map<std::string, std::string> vars = {
      {"systemroot", "C:\\Windows"},
      {"windir", "C:\\Windows"},
      {"programfiles", "C:\\Program Files"},
      {"programw6432", "C:\\Program Files"},
      {"programfiles(x86)", "C:\\Program Files (x86)"},
      {"commonprogramfiles", "C:\\Program Files\\Common Files"},
      {"commonprogramfiles(x86)", "C:\\Program Files (x86)\\Common Files"},
      {"localappdata", "C:\\Users\\u\\AppData\\Local"},
  };
  auto it = vars.find(LowerAscii(name));
  return it == vars.end() ? std::string() : it->second;
}

TResolveEnv View(TRegView view) { return {Env, view}; }

const std::set<std::string> kFiles = {
    "c:\\windows\\system32\\ctfmon.exe",
    "c:\\windows\\system32\\shell32.dll",
    "c:\\windows\\system32\\only64.exe",
    "c:\\windows\\syswow64\\only32.exe",
    "c:\\program files\\x\\app.exe",
    "c:\\program files (x86)\\y\\app32.exe",
    "c:\\users\\u\\appdata\\local\\programs\\z\\uninstall z.exe",
    "c:\\scripts dir\\start.cmd",
    "c:\\tools\\tool.exe",
    "c:\\tools\\my 100%\\app.exe",
    "c:\\program files\\app\\uninstall.exe",
    "c:\\windows\\fonts\\arial.ttf",
    "c:\\users\\u\\appdata\\local\\microsoft\\windows\\fonts\\mine.ttf",
    "c:\\windows\\help\\x.chm",
    "r:\\setup.exe",
};
const std::set<std::string> kFolders = {
    "c:\\program files",
    "c:\\program files\\x",
    "c:\\users\\u\\documents",
    "c:\\windows",
    "c:\\tools",
    "c:\\windows\\help",
    "c:\\start\\programs\\accessories\\accessibility",
    "c:\\user\\programs\\accessories\\ease of access",
};
// Folders the system does not let the scan look into.
const std::string kLocked = "c:\\program files\\windowsapps\\";

TPathProbe Probe() {
  TPathProbe probe;
  probe.State = [](const std::string& path) {
    std::string p = LowerAscii(path);
    if (p.size() > 3 && p.back() == '\\') p.pop_back();
    if (p.rfind(kLocked, 0) == 0) return TPathState::Unknown;
    if (kFiles.count(p)) return TPathState::File;
    if (kFolders.count(p)) return TPathState::Folder;
    return TPathState::Missing;
  };
  probe.IsFixedDisk = [](const std::string& root) {
    const char drive = static_cast<char>(root[0] & ~0x20);
    return drive == 'C' || drive == 'D';
  };
  return probe;
}

TEST(References, TextSteps) {
  EXPECT_EQ(Dequote("\"a\"\"b\" c"), "a\"b");
  EXPECT_EQ(Dequote("\"unclosed"), "unclosed");
  EXPECT_EQ(Dequote("\"\""), "\"\"");
  EXPECT_EQ(Dequote("plain \"x\""), "plain \"x\"");
  EXPECT_EQ(RemoveQuotes("\"a\" \"b\""), "a b");

  EXPECT_EQ(StripMuiSuffix("C:\\a.exe.FriendlyAppName"), "C:\\a.exe");
  EXPECT_EQ(StripMuiSuffix("C:\\a.exe.applicationcompany"), "C:\\a.exe");
  EXPECT_EQ(StripMuiSuffix("C:\\a.exe"), "C:\\a.exe");

  EXPECT_EQ(IndirectStringFile("@%SystemRoot%\\system32\\shell32.dll,-21787"),
            "%SystemRoot%\\system32\\shell32.dll");
  EXPECT_EQ(IndirectStringFile("@C:\\x\\a.dll,-101;v2"), "C:\\x\\a.dll");
  EXPECT_EQ(IndirectStringFile("@C:\\x\\a.dll"), "C:\\x\\a.dll");
  EXPECT_EQ(IndirectStringFile("@{Microsoft.App_8wekyb3d8bbwe?ms-resource://x/y}"), std::nullopt);
  EXPECT_EQ(IndirectStringFile("C:\\x\\a.dll,-1"), std::nullopt);

  EXPECT_EQ(StripIconIndex("x.dll, -5"), "x.dll");
  EXPECT_EQ(StripIconIndex("C:\\A,B\\x.ico"), "C:\\A,B\\x.ico");
  EXPECT_EQ(StripMruSuffix("cmd\\1"), "cmd");
  EXPECT_EQ(StripMruSuffix("C:\\1dir"), "C:\\1dir");

  EXPECT_EQ(ExpandVariables("%ProgramFiles%\\y", View(TRegView::Wow32)),
            (std::vector<std::string>{"C:\\Program Files (x86)\\y", "C:\\Program Files\\y"}));
  EXPECT_EQ(ExpandVariables("%ProgramFiles%\\y", View(TRegView::Native)),
            std::vector<std::string>{"C:\\Program Files\\y"});
  EXPECT_EQ(ExpandVariables("\"%windir%\\a.exe\" \"%1\" 100% %none%", View(TRegView::Native)),
            std::vector<std::string>{"\"C:\\Windows\\a.exe\" \"%1\" 100% %none%"});

  const TCommandLine unquoted = SplitCommandLine("C:\\Program Files\\X\\app.exe view \"%1\"");
  EXPECT_FALSE(unquoted.Quoted);
  EXPECT_EQ(unquoted.Prefixes,
            (std::vector<std::string>{"C:\\Program", "C:\\Program Files\\X\\app.exe",
                                      "C:\\Program Files\\X\\app.exe view"}));
  const TCommandLine quoted = SplitCommandLine("  \"C:\\a b\\c.exe\"  -x y");
  EXPECT_TRUE(quoted.Quoted);
  EXPECT_EQ(quoted.Program, "C:\\a b\\c.exe");
  EXPECT_EQ(quoted.Arguments, "-x y");
  EXPECT_EQ(SplitCommandLine("C:\\x\\a.exe C:\\data").Prefixes,
            std::vector<std::string>{"C:\\x\\a.exe"});
}

TEST(References, ViewsOfKeys) {
  const std::vector<std::tuple<std::string, std::string, TRegView>> cases = {
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", TRegView::Native},
      {"HKLM", "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run", TRegView::Wow32},
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths",
       TRegView::Shared},
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
       TRegView::Shared},
      {"HKEY_CURRENT_USER", "Software\\Microsoft\\Windows\\CurrentVersion\\Run", TRegView::Shared},
      {"HKEY_CLASSES_ROOT", "CLSID", TRegView::Native},
      {"HKEY_CLASSES_ROOT", "WOW6432Node\\CLSID", TRegView::Wow32},
      {"HKEY_CLASSES_ROOT", "", TRegView::Shared},
      {"HKEY_LOCAL_MACHINE", "SYSTEM\\CurrentControlSet\\Services", TRegView::Shared},
  };
  for (const auto& [root, subkey, view] : cases)
    EXPECT_EQ(ViewOfKey(root, subkey), view) << root << "\\" << subkey;
  EXPECT_EQ(Wow32Base("SOFTWARE\\Wow6432Node\\Microsoft\\x"), "SOFTWARE\\Wow6432Node");
  EXPECT_EQ(Wow32Base("SOFTWARE\\Microsoft"), "");
}

using TResolver = std::function<TReference(const std::string&, const TResolveEnv&)>;

struct Case {
  const char* what;
  TResolver resolve;
  std::string text;
  bool broken;
  TRegView view = TRegView::Shared;
};

TEST(References, Verdicts) {
  const TResolver run = [](const std::string& t, const TResolveEnv& e) {
    return RunCommandToPath(t, e);
  };
  const TResolver mru = [](const std::string& t, const TResolveEnv& e) {
    return MruCommandToPath(t, e);
  };
  const TResolver uninstall = [](const std::string& t, const TResolveEnv& e) {
    return UninstallCommandToPath(t, e);
  };
  const TResolver mui = [](const std::string& t, const TResolveEnv& e) {
    return MuiNameToPath(t, e);
  };
  const TResolver icon = [](const std::string& t, const TResolveEnv& e) {
    return IconReferenceToPath(t, e);
  };
  const TResolver font = [](const std::string& t, const TResolveEnv& e) {
    return FontFileToPath(t, e);
  };
  const TResolver named = [](const std::string& t, const TResolveEnv& e) {
    return NamedPathToPath(t, e);
  };
  const TResolver help = [](const std::string& t, const TResolveEnv& e) {
    return HelpFileToPath(t.substr(0, t.find('|')), t.substr(t.find('|') + 1), e);
  };
  const TResolver menu = [](const std::string& t, const TResolveEnv& e) {
    return ProgramsFolderToPath(t, "C:\\Start\\Programs\\", "C:\\User\\Programs\\", e);
  };
  const TResolver handler = [](const std::string& t, const TResolveEnv& e) {
    return ClassHandlerToPath("InprocServer32", t, e, TClassRules{.IexploreUndecided = true});
  };
  const TResolver verb = [](const std::string& t, const TResolveEnv& e) {
    return VerbCommandToPath(t, e, TClassRules{.PercentOneUndecided = true});
  };
  const TResolver appVerb = [](const std::string& t, const TResolveEnv& e) {
    return VerbCommandToPath(t, e, TClassRules{.SecondPathUndecided = false});
  };
  const auto wow = TRegView::Wow32, native = TRegView::Native;

  const std::vector<Case> cases = {
      {"quoted program, arguments", run, "\"C:\\Program Files\\X\\app.exe\" /background", false},
      {"quoted missing program", run, "\"C:\\Program Files\\X\\gone.exe\" /background", true},
      {"unquoted blanks and arguments", run, "C:\\Program Files\\X\\app.exe -s", false},
      {"unquoted missing program", run, "C:\\Program Files\\X\\gone.exe -s", true},
      {"rundll32 library", run, "rundll32.exe C:\\Tools\\lib.dll,Entry", true},
      {"rundll32 library present", run,
       "C:\\Windows\\System32\\rundll32.exe C:\\Windows\\System32\\shell32.dll,Control_RunDLL",
       false},
      {"web", run, "http://example.com/x.exe", false},
      {"web", run, "www.example.com", false},
      {"network path", run, "\\\\server\\share\\gone.exe", false},
      {"bare name", run, "gone.exe", false},
      {"network drive", run, "N:\\apps\\gone.exe", false},
      {"removable drive", run, "R:\\gone.exe", false},
      {"absent drive", run, "E:\\gone.exe", false},
      {"variable", run, "%windir%\\system32\\ctfmon.exe", false},
      {"variable, missing", run, "%SystemRoot%\\System32\\gone.exe", true},
      {"variable inside quotes", run, "\"%ProgramFiles%\\X\\app.exe\" -a", false},
      {"unknown variable", run, "%NOSUCH%\\gone.exe", false},
      {"quoted script, arguments", run, "\"C:\\Scripts dir\\start.cmd\" /quiet", false},
      {"per-user install", run, "%LOCALAPPDATA%\\Programs\\Z\\Uninstall Z.exe --updated", false},
      {"unreadable package folder", run, "C:\\Program Files\\WindowsApps\\pkg\\gone.exe", false},
      {"program without extension", run, "C:\\Tools\\tool /x", false},
      {"32-bit System32", run, "C:\\Windows\\System32\\only32.exe", false, wow},
      {"64-bit System32", run, "C:\\Windows\\System32\\only32.exe", true, native},
      {"Sysnative", run, "C:\\Windows\\Sysnative\\only64.exe", false, wow},
      {"32-bit ProgramFiles", run, "%ProgramFiles%\\Y\\app32.exe", false, wow},
      {"64-bit ProgramFiles", run, "%ProgramFiles%\\Y\\app32.exe", true, native},
      {"typed folder", mru, "C:\\Users\\u\\Documents\\1", false},
      {"typed command", mru, "C:\\Program Files\\X\\gone.exe arg\\1", true},
      {"typed on removable drive", mru, "R:\\gone.exe\\1", false},
      {"typed name", mru, "notepad\\1", false},
      {"installer", uninstall, "MsiExec.exe /X{01234567-89AB-CDEF-0123-456789ABCDEF}", false},
      {"regsvr32 missing", uninstall,
       "C:\\Windows\\System32\\regsvr32.exe /u /s C:\\Tools\\gone.dll", true},
      {"regsvr32 present", uninstall, "regsvr32 /u /s \"C:\\Windows\\System32\\shell32.dll\"",
       false},
      {"per-user uninstaller", uninstall,
       "C:\\Users\\u\\AppData\\Local\\Programs\\Z\\Uninstall Z.exe /S", false},
      {"remote uninstaller", uninstall, "\\\\server\\x\\uninst.exe", false},
      {"MUI suffix", mui, "C:\\Program Files\\X\\app.exe.FriendlyAppName", false},
      {"MUI suffix, missing", mui, "C:\\Program Files\\X\\gone.exe.ApplicationCompany", true},
      {"indirect", mui, "@%SystemRoot%\\system32\\shell32.dll,-21787", false},
      {"indirect, missing", mui, "@C:\\Tools\\gone.dll,-5", true},
      {"package", mui, "@{Microsoft.App_8wekyb3d8bbwe?ms-resource://x}", false},
      {"removable program", mui, "R:\\portable\\gone.exe", false},
      {"no extension", mui, "C:\\Program Files\\Gone", false},
      {"icon index", icon, "%SystemRoot%\\System32\\shell32.dll,-154", false},
      {"icon index, missing", icon, "%SystemRoot%\\System32\\gone.dll,3", true},
      {"quoted icon", icon, "\"C:\\Program Files\\X\\app.exe\",0", false},
      {"placeholder icon", icon, "%1", false},
      {"comma in folder", icon, "C:\\Program Files\\A,B\\gone.ico", true},
      {"font name", font, "arial.ttf", false},
      {"per-user font name", font, "mine.ttf", false},
      {"font name, missing", font, "gone.ttf", true},
      {"font path", font, "C:\\Users\\u\\AppData\\Local\\Microsoft\\Windows\\Fonts\\mine.ttf",
       false},
      {"font on removable drive", font, "R:\\gone.ttf", false},
      {"folder with backslash", named, "C:\\Program Files\\X\\", false},
      {"folder missing", named, "C:\\Program Files\\Gone\\", true},
      {"network folder", named, "\\\\server\\share\\gone", false},
      {"relative folder", named, "relative\\gone", false},
      {"32-bit library", named, "C:\\Windows\\System32\\only32.exe", false, wow},
      {"help", help, "%windir%\\Help|x.chm", false},
      {"help, missing", help, "C:\\Windows\\Help|gone.chm", true},
      {"help on network drive", help, "N:\\help|gone.chm", false},
      {"Ease Of Access as Accessibility", menu, "Accessories\\Ease Of Access", false},
      {"Ease of Access kept", menu, "Accessories\\Ease of Access", false},
      {"menu folder missing", menu, "Gone Vendor", true},
      {"Intel", menu, "Intel Tools", false},
      {"server missing", handler, "C:\\Windows\\System32\\gone.dll", true},
      {"server by name", handler, "shell32.dll", false},
      {"local server with switch", handler, "\"C:\\Program Files\\X\\app.exe\" /automation", false},
      {"iexplore", handler, "C:\\Program Files\\Internet Explorer\\gone\\iexplore.dll", false},
      {"server is a folder", handler, "C:\\Tools", false},
      {"second path", handler, "C:\\Tools\\gone.exe C:\\data", false},
      {"verb, unquoted with arguments", verb, "C:\\Program Files\\X\\app.exe view \"%1\"", false},
      {"verb, missing", verb, "C:\\Program Files\\X\\gone.exe view \"%1\"", true},
      {"verb, placeholder program", verb, "\"%1\" %*", false},
      {"verb on removable drive", verb, "R:\\gone.exe \"%1\"", false},
      {"verb without extension", verb, "C:\\Tools\\tool \"%1\"", false},
      {"verb, rundll32", verb, "rundll32.exe C:\\gone.dll,x", false},
      {"verb, second path", appVerb, "C:\\Tools\\gone.exe C:\\data", true},
      // A "/" or a lone "%" after a blank is part of the program's path, not its end; a variable
      // this process lacks leaves the entry unjudged wherever it stands; "%1" is filled in
      // before the system looks, so it ends the program.
      {"slash in unquoted path", run, "C:\\Program Files/App/uninstall.exe", false},
      {"slash in unquoted path, missing", run, "C:\\Program Files/App/gone.exe", true},
      {"slash path with switch", uninstall, "C:\\Program Files/App/uninstall.exe /S", false},
      {"percent in folder name", run, "C:\\Tools\\My 100%\\app.exe -min", false},
      {"percent in folder name, missing", run, "C:\\Tools\\My 100%\\gone.exe", true},
      {"unknown variable inside", run, "C:\\Program Files\\%UNSET%\\app.exe", false},
      {"unknown variable in arguments", uninstall, "C:\\Tools\\gone.exe %UNSET%\\x", false},
      {"unknown variable, quoted", uninstall, "\"%UNSET%\\Tools\\gone.exe\" /x", false},
      {"unquoted verb, bare placeholder", verb, "C:\\Tools\\gone.exe %1", true},
      {"unquoted verb, placeholder present", verb, "C:\\Tools\\tool.exe %1 %*", false},
      {"verb, slash path", verb, "C:\\Program Files/App/uninstall.exe \"%1\"", false},
      {"handler, percent folder", handler, "C:\\Tools\\My 100%\\app.exe -Embedding", false},
      {"handler, unknown variable", handler, "%UNSET%\\gone.dll", false},
  };
  const TPathProbe probe = Probe();
  for (const Case& c : cases)
    EXPECT_EQ(ReferenceTest(c.resolve(c.text, View(c.view)), probe), c.broken)
        << c.what << ": " << c.text;
}

// A Fonts value of bare quotes or blanks names no file: it is not judged (it once read past the
// end of the emptied text and judged the fonts folder itself).
TEST(References, FontValueNamingNothingIsNotJudged) {
  for (const char* text : {"\"\"", "\" \"", "\"\"\"\""})
    EXPECT_FALSE(FontFileToPath(text, View(TRegView::Shared)).Judged()) << text;
}

TEST(References, AppPaths) {
  const TResolveEnv env = View(TRegView::Shared);
  const TPathProbe probe = Probe();
  struct AppCase {
    std::string name, program;
    std::optional<std::string> folders;
    bool broken;
  };
  const std::vector<AppCase> cases = {
      {"app.exe", "C:\\Program Files\\X\\app.exe", std::nullopt, false},
      {"app.exe", "\"%ProgramFiles%\\X\\app.exe\"", std::nullopt, false},
      {"gone.exe", "C:\\Program Files\\X\\gone.exe", std::nullopt, true},
      // With an extension the default value decides; without one the folders come first.
      {"app.exe", "C:\\Old\\app.exe", "C:\\Program Files\\X", true},
      {"tool", "C:\\Old\\tool", "C:\\Gone;C:\\Program Files\\X", false},
      {"app.exe", "", "C:\\Program Files\\X", false},
      {"app.exe", "", std::nullopt, false},
      {"gone.exe", "", "C:\\Gone", true},
  };
  for (const AppCase& c : cases)
    EXPECT_EQ(ReferenceTest(AppPathToPath(c.name, c.program, c.folders, env), probe), c.broken)
        << c.name << " " << c.program;
}

}  // namespace
}  // namespace tw
