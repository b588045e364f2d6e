// The registry-integrity fixers on fixtures built in the Wine prefix: registry keys under a
// scratch key (and a few named keys where a fixer looks things up), files under C:\tw_fix, the
// Windows folders, and the prefix's removable drive R: and network drive N:. Every broken entry
// must be found with its text, and no healthy one.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "engine/FakeScanEvents.h"
#include "cleaners/WorkObjectBuilders.h"
#include "cleaners/registry/ClassFixers.h"
#include "cleaners/registry/SoftwareFixers.h"
#include "cleaners/registry/StartupFixers.h"
#include "database/XMLDatabase.h"
#include "engine/ScanMgr.h"
#include "engine/States.h"
#include "platform/Com.h"
#include "platform/QueueSynchronizer.h"
#include "platform/ShellFolders.h"
#include "platform/Text.h"
#include "registry/BackupFiles.h"
#include "support/FileIO.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

const std::string kScratch = "Software\\TidewhiskTest\\Fix";
const std::string kHkcu = "HKEY_CURRENT_USER";
// The file fixture; "App" holds a program, "folder" is an empty folder.
const std::string kFix = "C:\\tw_fix";
const std::string kApp = kFix + "\\Program Files\\App\\app.exe";

std::string Windows() {
  char buffer[MAX_PATH];
  const UINT n = ::GetWindowsDirectoryA(buffer, MAX_PATH);
  return std::string(buffer, n);
}

std::string EnvVar(const char* name) {
  char buffer[MAX_PATH] = {};
  const DWORD n = ::GetEnvironmentVariableA(name, buffer, MAX_PATH);
  return std::string(buffer, n < MAX_PATH ? n : 0);
}

// Files made for the tests, removed at the end.
std::vector<std::string> FixtureFiles() {
  return {kApp,
          kFix + "\\Scripts dir\\start.cmd",
          kFix + "\\lib.dll",
          kFix + "\\tool.exe",
          kFix + "\\help\\x.chm",
          Windows() + "\\Fonts\\tw_font.ttf",
          Windows() + "\\SysWOW64\\tw_only32.exe",
          Windows() + "\\System32\\tw_only64.exe",
          EnvVar("ProgramFiles(x86)") + "\\tw_fix\\app32.exe"};
}

unique_hkey Create(HKEY root, const std::string& path) {
  unique_hkey key;
  EXPECT_EQ(::RegCreateKeyExW(root, Utf8ToWide(path).c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, key.put(), nullptr),
            ERROR_SUCCESS)
      << path;
  return key;
}

// One value: strings as text, REG_MULTI_SZ lines separated by "\n", a DWORD in decimal, other
// types as raw bytes.
struct Row {
  std::string name;
  DWORD type;
  std::string data;
  bool broken;
};

void Put(HKEY root, const std::string& path, const std::string& name, DWORD type,
         const std::string& data) {
  unique_hkey key = Create(root, path);
  std::string bytes;
  if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
    std::wstring text = Utf8ToWide(data);
    if (type == REG_MULTI_SZ) {
      std::replace(text.begin(), text.end(), L'\n', L'\0');
      text += L'\0';
    }
    text += L'\0';
    bytes.assign(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  } else if (type == REG_DWORD) {
    const DWORD n = static_cast<DWORD>(std::stoul(data));
    bytes.assign(reinterpret_cast<const char*>(&n), 4);
  } else {
    bytes = data;
  }
  ASSERT_EQ(::RegSetValueExW(key.get(), Utf8ToWide(name).c_str(), 0, type,
                             reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
            ERROR_SUCCESS);
}

void PutRows(HKEY root, const std::string& path, const std::vector<Row>& rows) {
  Create(root, path);
  for (const Row& row : rows) Put(root, path, row.name, row.type, row.data);
}

void Drop(HKEY root, const std::string& path) {
  ::RegDeleteTreeW(root, Utf8ToWide(path).c_str());
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::vector<std::string> Lines(const TWorkObject& object) {
  std::vector<std::string> lines;
  for (int i = 0; i < object.Found.Count(); ++i) lines.push_back(object.Found.Text(i));
  return lines;
}

// The broken rows' findings, "name|data text".
std::vector<std::string> Expected(const std::vector<Row>& rows) {
  std::vector<std::string> lines;
  for (const Row& row : rows) {
    if (!row.broken) continue;
    std::string data = row.data;
    if (row.type == REG_MULTI_SZ) {
      std::string text;
      for (std::size_t start = 0;;) {
        const std::size_t end = data.find('\n', start);
        text += data.substr(start, end - start) + "\r\n";
        if (end == std::string::npos) break;
        start = end + 1;
      }
      data = text;
    }
    lines.push_back(row.name + "|" + data);
  }
  return lines;
}

class RegistryFixTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (const std::string& file : FixtureFiles()) {
      fs::create_directories(fs::u8path(file).parent_path());
      WriteFileAtomic(file, "x");
    }
    fs::create_directories(fs::u8path(kFix + "\\folder"));
  }
  static void TearDownTestSuite() {
    for (const std::string& file : FixtureFiles()) ::DeleteFileA(file.c_str());
    std::error_code ignored;
    fs::remove_all(fs::u8path(kFix), ignored);
    fs::remove_all(fs::u8path(EnvVar("ProgramFiles(x86)") + "\\tw_fix"), ignored);
  }
  void SetUp() override {
    Drop(HKEY_CURRENT_USER, kScratch);
    Create(HKEY_CURRENT_USER, kScratch);
    item_ = TXmlDocument::Create();
    ASSERT_TRUE(item_.LoadXML("<Item id=\"g00-i99\"/>"));
  }
  void TearDown() override {
    Drop(HKEY_CURRENT_USER, kScratch);
    for (const auto& [root, path] : extraKeys_) Drop(root, path);
    for (const std::string& file : backups_) ::DeleteFileA(file.c_str());
  }

  // A key outside the scratch key that a fixer looks at, removed after the test.
  void Extra(HKEY root, const std::string& path) {
    Create(root, path);
    extraKeys_.emplace_back(root, path);
  }

  template <class T>
  std::unique_ptr<T> Scan(const std::string& key, const std::string& subkey,
                          const std::string& filter = "") {
    auto object = std::make_unique<T>(
        nullptr, [](TCustomWorkObject*) {},
        [this](TWorkObject*, TWorkDataPtr data) { log_.push_back(data->Text); }, item_.Root());
    object->Key = key;
    object->Subkey = subkey;
    object->SubkeyFilter = filter;
    log_.clear();
    object->Execute();
    EXPECT_EQ(log_, Lines(*object));
    return object;
  }

  // The rows as values of a scratch key, scanned by T: exactly the broken ones are found.
  template <class T>
  void ExpectValueFindings(const std::string& name, const std::vector<Row>& rows,
                           HKEY root = HKEY_CURRENT_USER, const std::string& rootName = kHkcu,
                           std::string path = {}) {
    if (path.empty()) path = kScratch + "\\" + name;
    PutRows(root, path, rows);
    auto object = Scan<T>(rootName, path);
    EXPECT_EQ(Sorted(Lines(*object)), Sorted(Expected(rows))) << name;
    EXPECT_FALSE(object->FindsSubkeys);
  }

  ComApartment com_;
  TXmlDocument item_;
  std::vector<std::string> log_;
  std::vector<std::pair<HKEY, std::string>> extraKeys_;
  std::vector<std::string> backups_;
};

TEST_F(RegistryFixTest, ValueFixers) {
  ExpectValueFindings<TRegFixRun>(
      "Run",
      {{"quoted", REG_SZ, "\"" + kApp + "\" /background", false},
       {"quoted gone", REG_SZ, "\"" + kFix + "\\Program Files\\App\\gone.exe\" /background", true},
       {"blanks and arguments", REG_SZ, kApp + " -s \"%1\"", false},
       {"blanks, gone", REG_SZ, kFix + "\\Program Files\\App\\gone.exe -s", true},
       {"library", REG_SZ, "rundll32.exe " + kFix + "\\lib.dll,Entry", false},
       {"library gone", REG_SZ, "C:\\windows\\system32\\rundll32.exe " + kFix + "\\gone.dll,Entry",
        true},
       {"script", REG_SZ, "\"" + kFix + "\\Scripts dir\\start.cmd\" /quiet", false},
       {"batch", REG_SZ, kFix + "\\Scripts dir\\start.cmd", false},
       {"expanded", REG_EXPAND_SZ, "%SystemDrive%\\tw_fix\\tool.exe", false},
       {"expanded gone", REG_EXPAND_SZ, "%SystemDrive%\\tw_fix\\gone.exe", true},
       {"web", REG_SZ, "http://example.com/gone.exe", false},
       {"unc", REG_SZ, "\\\\server\\share\\gone.exe", false},
       {"bare", REG_SZ, "gone.exe /x", false},
       {"network drive", REG_SZ, "N:\\gone.exe", false},
       {"removable drive", REG_SZ, "R:\\gone.exe", false},
       {"", REG_SZ, kFix + "\\gone.exe", false}});
  ExpectValueFindings<TRegFixRunMRU>("RunMRU", {{"a", REG_SZ, kFix + "\\folder\\1", false},
                                                {"b", REG_SZ, kFix + "\\gone.exe /x\\1", true},
                                                {"c", REG_SZ, "R:\\setup.exe\\1", false},
                                                {"d", REG_SZ, "notepad\\1", false},
                                                {"MRUList", REG_SZ, "dcba", false}});
  ExpectValueFindings<TRegFixSharedDLLs>("SharedDLLs",
                                         {{kFix + "\\lib.dll", REG_DWORD, "3", false},
                                          {kFix + "\\folder\\", REG_DWORD, "1", false},
                                          {kFix + "\\gone.dll", REG_DWORD, "2", true},
                                          {"\\\\server\\share\\gone.dll", REG_DWORD, "1", false}});
  ExpectValueFindings<TRegFixHelp>(
      "Help", {{"x.chm", REG_SZ, kFix + "\\help", false},
               {"gone.chm", REG_EXPAND_SZ, "%SystemDrive%\\tw_fix\\help", true},
               {"far.chm", REG_SZ, "N:\\help", false}});
  ExpectValueFindings<TRegFixFolders>("Folders", {{kFix + "\\folder\\", REG_SZ, "", false},
                                                  {kFix + "\\gone\\", REG_SZ, "", true},
                                                  {"relative\\gone\\", REG_SZ, "", false},
                                                  {"\\\\server\\gone\\", REG_SZ, "", false}});
  ExpectValueFindings<TRegFixShares>(
      "Shares", {{"lost", REG_MULTI_SZ, "Path=" + kFix + "\\gone\nType=0", true},
                 {"kept", REG_MULTI_SZ, "Path=" + kFix + "\\folder\nType=0", false},
                 {"printer", REG_MULTI_SZ, "Path=" + kFix + "\\gone\nType=1", false}});
  ExpectValueFindings<TRegFixFonts>("Fonts",
                                    {{"Mine (TrueType)", REG_SZ, "tw_font.ttf", false},
                                     {"Lost (TrueType)", REG_SZ, "tw_gone.ttf", true},
                                     {"Path (TrueType)", REG_SZ, kFix + "\\gone.ttf", true},
                                     {"Removable (TrueType)", REG_SZ, "R:\\x.ttf", false}});
  ExpectValueFindings<TRegFixMUICache>(
      "MuiCache", {{kApp + ".FriendlyAppName", REG_SZ, "App", false},
                   {kFix + "\\Program Files\\App\\gone.exe.ApplicationCompany", REG_SZ, "Co", true},
                   {"@" + kFix + "\\lib.dll,-101", REG_SZ, "Lib", false},
                   {"@" + kFix + "\\gone.dll,-101", REG_SZ, "Gone", true},
                   {"@{Vendor.App_1x2y?ms-resource://x}", REG_SZ, "Pkg", false},
                   {"R:\\app.exe", REG_SZ, "Stick", false},
                   {"LangID", REG_BINARY, "\x09\x04", false}});
}

// A 32-bit program's entries mean System32 and %ProgramFiles% as 32-bit programs do; the same
// entries in a key only 64-bit programs read do not.
TEST_F(RegistryFixTest, ViewsOfThePaths) {
  const std::vector<Row> rows = {
      {"system32", REG_SZ, Windows() + "\\System32\\tw_only32.exe", true},
      {"programfiles", REG_EXPAND_SZ, "%ProgramFiles%\\tw_fix\\app32.exe", true},
      {"sysnative", REG_SZ, Windows() + "\\Sysnative\\tw_only64.exe", false}};
  std::vector<Row> healthy = rows;
  for (Row& row : healthy) row.broken = false;
  ExpectValueFindings<TRegFixRun>("32", healthy, HKEY_CURRENT_USER, kHkcu,
                                  kScratch + "\\WOW6432Node\\Run");
  const std::string machine = "SOFTWARE\\TidewhiskTest\\Run";
  extraKeys_.emplace_back(HKEY_LOCAL_MACHINE, "SOFTWARE\\TidewhiskTest");
  ExpectValueFindings<TRegFixRun>("64", rows, HKEY_LOCAL_MACHINE, "HKLM", machine);
}

TEST_F(RegistryFixTest, RunsThatCannotBeMade) {
  const std::string run = kScratch + "\\Run";
  Put(HKEY_CURRENT_USER, run, "a", REG_SZ, kFix + "\\gone.exe");
  Put(HKEY_CURRENT_USER, run, "b", REG_BINARY, "\x01");
  try {
    Scan<TRegFixRun>(kHkcu, run);
    ADD_FAILURE();
  } catch (const ERegistryException& e) {
    EXPECT_EQ(std::string(e.what()), "\"HKEY_CURRENT_USER\\" + run + "\" unexpected data type.");
  }
  try {
    Scan<TRegFixRun>(kHkcu, kScratch + "\\None");
    ADD_FAILURE();
  } catch (const ERegistryException& e) {
    EXPECT_EQ(std::string(e.what()),
              "Subkey \"HKEY_CURRENT_USER\\" + kScratch + "\\None\" not found.");
  }
  // A 32-bit view where the system keeps none: nothing to examine.
  EXPECT_EQ(Scan<TRegFixRun>(kHkcu, kScratch + "\\None\\WOW6432Node\\Run")->Found.Count(), 0);
}

TEST_F(RegistryFixTest, ProgramKeys) {
  const std::string base = kScratch + "\\";
  // App Paths: the default value decides a name with an extension; "Path" comes first without.
  Put(HKEY_CURRENT_USER, base + "AppPaths\\app.exe", "", REG_SZ, kApp);
  Put(HKEY_CURRENT_USER, base + "AppPaths\\gone.exe", "", REG_SZ, kFix + "\\gone.exe");
  Put(HKEY_CURRENT_USER, base + "AppPaths\\gone.exe", "Path", REG_SZ, kFix + "\\folder");
  Put(HKEY_CURRENT_USER, base + "AppPaths\\tool", "", REG_SZ, kFix + "\\old\\tool");
  Put(HKEY_CURRENT_USER, base + "AppPaths\\tool", "Path", REG_SZ,
      kFix + "\\gone;" + kFix + "\\folder");
  Put(HKEY_CURRENT_USER, base + "AppPaths\\pathonly.exe", "Path", REG_SZ, kFix + "\\gone");
  Create(HKEY_CURRENT_USER, base + "AppPaths\\nothing.exe");
  auto appPaths = Scan<TRegFixAppPaths>(kHkcu, base + "AppPaths");
  EXPECT_TRUE(appPaths->FindsSubkeys);
  EXPECT_EQ(Sorted(Lines(*appPaths)), (std::vector<std::string>{"gone.exe|", "pathonly.exe|"}));

  // Software: empty keys that neither Windows, the other hives nor the classes know.
  for (const char* name : {"TwLonely", "Tw3", "Policies", "TwTwin", "TwClsPrefix", "TwExact"})
    Create(HKEY_CURRENT_USER, base + "Soft\\" + name);
  Put(HKEY_CURRENT_USER, base + "Soft\\TwValue", "v", REG_SZ, "1");
  Create(HKEY_CURRENT_USER, base + "Soft\\TwSub\\child");
  Extra(HKEY_LOCAL_MACHINE, "SOFTWARE\\WOW6432Node\\TwTwin");
  Extra(HKEY_CLASSES_ROOT, "TwClsPrefixFile");
  Extra(HKEY_CLASSES_ROOT, "Tw3Class");  // three letters are too few to match by prefix
  Extra(HKEY_CLASSES_ROOT, "TwExact");
  auto software = Scan<TRegFixSoftware>(kHkcu, base + "Soft");
  EXPECT_EQ(Sorted(Lines(*software)), (std::vector<std::string>{"Tw3|", "TwLonely|"}));

  // Uninstall entries.
  const std::vector<std::pair<std::string, std::string>> commands = {
      {"ok", "\"" + kApp + "\" /uninstall"},
      {"gone", kFix + "\\gone\\unins000.exe"},
      {"installer", "MsiExec.exe /X{01234567-89AB-CDEF-0123-456789ABCDEF}"},
      {"library gone", "regsvr32 /u /s " + kFix + "\\gone.dll"},
      {"library", "C:\\windows\\system32\\regsvr32.exe /u /s " + kFix + "\\lib.dll"},
      {"remote", "\\\\server\\share\\unins000.exe"},
      {"per user", kApp + " /S"}};
  for (const auto& [name, command] : commands)
    Put(HKEY_CURRENT_USER, base + "Uninstall\\" + name, "UninstallString", REG_SZ, command);
  Put(HKEY_CURRENT_USER, base + "Uninstall\\number", "UninstallString", REG_DWORD, "1");
  Create(HKEY_CURRENT_USER, base + "Uninstall\\none");
  auto uninstall = Scan<TRegFixUninstall>(kHkcu, base + "Uninstall");
  EXPECT_EQ(Sorted(Lines(*uninstall)),
            (std::vector<std::string>{"gone|" + kFix + "\\gone\\unins000.exe",
                                      "library gone|regsvr32 /u /s " + kFix + "\\gone.dll"}));

  // The Add/Remove Programs cache against the uninstall lists of both hives and both views.
  const std::string list = "Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  Extra(HKEY_CURRENT_USER, "Software\\" + list + "TwArpUser");
  Extra(HKEY_LOCAL_MACHINE, "SOFTWARE\\" + list + "TwArpMachine");
  Extra(HKEY_LOCAL_MACHINE, "SOFTWARE\\WOW6432Node\\" + list + "TwArp32");
  for (const char* name : {"TwArpUser", "TwArpMachine", "TwArp32", "TwArpGone"})
    Create(HKEY_CURRENT_USER, base + "ARPCache\\" + name);
  auto cache = Scan<TRegFixARPCache>(kHkcu, base + "ARPCache");
  EXPECT_EQ(Lines(*cache), std::vector<std::string>{"TwArpGone|"});
}

TEST_F(RegistryFixTest, StartMenuOrder) {
  const std::string common = SpecialFolderPath(CSIDL_COMMON_PROGRAMS, true);
  const std::string user = SpecialFolderPath(CSIDL_PROGRAMS, true);
  ASSERT_FALSE(common.empty());
  ASSERT_FALSE(user.empty());
  fs::create_directories(fs::u8path(user + "TwMenu\\Sub"));
  fs::create_directories(fs::u8path(common + "TwAcc\\Accessibility"));
  const std::string order = kScratch + "\\MenuOrder\\";
  for (const char* name :
       {"TwMenu\\Sub", "TwMenu\\GoneSub", "TwGone\\X", "TwAcc\\Ease Of Access", "Intel Tools"})
    Create(HKEY_CURRENT_USER, order + name);
  auto menu = Scan<TRegFixMenuOrder>(kHkcu, kScratch + "\\MenuOrder");
  std::error_code ignored;
  fs::remove_all(fs::u8path(user + "TwMenu"), ignored);
  fs::remove_all(fs::u8path(common + "TwAcc"), ignored);
  EXPECT_EQ(Sorted(Lines(*menu)),
            (std::vector<std::string>{"TwGone\\X|", "TwGone|", "TwMenu\\GoneSub|"}));
}

TEST_F(RegistryFixTest, FileAssociations) {
  // A scratch classes root under HKEY_CLASSES_ROOT, examined as the classes root itself is.
  const std::string classes = "TidewhiskTest\\Classes";
  extraKeys_.emplace_back(HKEY_CLASSES_ROOT, "TidewhiskTest");
  const std::string c = classes + "\\";
  auto put = [&](const std::string& path, const std::string& name, const std::string& data) {
    Put(HKEY_CLASSES_ROOT, c + path, name, REG_SZ, data);
  };
  Create(HKEY_CLASSES_ROOT, c + ".twempty");
  Create(HKEY_CLASSES_ROOT, c + "twbare");
  Create(HKEY_CLASSES_ROOT, c + "Tw.EmptyDotted");  // a class name: another fixer's
  put(".twdefault", "", "x");                       // not empty, but its class "x" is nowhere
  put("TwClassA", "", "A file");
  put("Tw.Dotted", "", "Dotted");
  put(".twa", "", "TwClassA");
  put(".twa\\DefaultIcon", "", kFix + "\\gone.ico,0");  // a known class: not looked into
  put(".twb", "", "TwNoClass");
  put(".twb\\DefaultIcon", "", kFix + "\\gone.ico,0");
  put(".twb\\shell\\open\\command", "", kApp + " view \"%1\"");
  put(".twb\\shell\\edit\\command", "", "\"" + kFix + "\\gone.exe\" \"%1\"");
  put(".twb\\shell\\eject\\command", "", "R:\\gone.exe \"%1\"");
  put(".twc", "", "Tw No Class");
  put(".twd", "", "Tw Dotted");
  put(".twe", "Content Type", "text/x-tw");
  put(".twf", "PerceivedType", "text");
  put(".twg", "", "TwNone");
  put(".twg\\DefaultIcon", "", "%1");
  Create(HKEY_CLASSES_ROOT, c + "Solo.Type");
  Create(HKEY_CLASSES_ROOT, c + "Vend.Empty");
  put("Vend.Other\\DefaultIcon", "", "%SystemDrive%\\tw_fix\\gone.dll,1");
  put("Vend.Other\\shell\\open\\command", "", "\"%1\" %*");
  put("Vend.Other\\shell\\print\\command", "", kFix + "\\gone.exe /p \"%1\"");
  put("Vend.Other\\shell\\print\\ddeexec", "", "[print]");
  put("Vend.Shellex\\shellex\\x", "", "");
  put("Vend.Shellex\\DefaultIcon", "", kFix + "\\gone.dll");
  put("Vend.Valued", "v", "1");

  auto exts = Scan<TRegFixFileExts>("HKEY_CLASSES_ROOT", classes);
  EXPECT_EQ(Sorted(Lines(*exts)), (std::vector<std::string>{".twempty|", "twbare|"}));

  auto rec = Scan<TRegFixFileExtsRec>("HKCR", classes, "DefaultIcon;shell");
  EXPECT_EQ(Sorted(Lines(*rec)),
            (std::vector<std::string>{".twb\\DefaultIcon|" + kFix + "\\gone.ico,0",
                                      ".twb\\shell\\edit|\"" + kFix + "\\gone.exe\" \"%1\"",
                                      ".twc|Tw No Class", ".twdefault|x"}));

  auto types = Scan<TRegFixFileTypeRec>("HKCR", classes, "DefaultIcon;shell");
  EXPECT_EQ(Sorted(Lines(*types)),
            (std::vector<std::string>{
                "Solo.Type|", "Vend.Other\\DefaultIcon|%SystemDrive%\\tw_fix\\gone.dll,1"}));

  // The user's extension list against the classes root.
  Extra(HKEY_CLASSES_ROOT, ".twregistered");
  Extra(HKEY_CLASSES_ROOT, "TwRealClass");
  const std::string user = kScratch + "\\FileExts\\";
  Create(HKEY_CURRENT_USER, user + ".twregistered");
  Create(HKEY_CURRENT_USER, user + ".twchoice\\UserChoice");
  Put(HKEY_CURRENT_USER, user + ".twprogids\\OpenWithProgids", "TwNoSuchClass", REG_NONE, "");
  Put(HKEY_CURRENT_USER, user + ".twprogids\\OpenWithProgids", "TwRealClass", REG_NONE, "");
  Put(HKEY_CURRENT_USER, user + ".twunknown\\OpenWithProgids", "TwNoSuchClass", REG_NONE, "");
  // An open-with list counts while one of its programs is registered: as an application
  // class, under App Paths, or named with a folder (which registration cannot judge).
  Extra(HKEY_CLASSES_ROOT, "Applications\\twclassapp.exe");
  Extra(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\twpathapp.exe");
  Put(HKEY_CURRENT_USER, user + ".twlist\\OpenWithList", "a", REG_SZ, "twclassapp.exe");
  Put(HKEY_CURRENT_USER, user + ".twlist\\OpenWithList", "MRUList", REG_SZ, "a");
  Put(HKEY_CURRENT_USER, user + ".twlistpath\\OpenWithList", "a", REG_SZ, "twnowhere.exe");
  Put(HKEY_CURRENT_USER, user + ".twlistpath\\OpenWithList", "b", REG_SZ, "twpathapp.exe");
  Put(HKEY_CURRENT_USER, user + ".twlistfolder\\OpenWithList", "a", REG_SZ, "C:\\Tools\\x.exe");
  Put(HKEY_CURRENT_USER, user + ".twlistgone\\OpenWithList", "a", REG_SZ, "twnowhere.exe");
  Put(HKEY_CURRENT_USER, user + ".twlistgone\\OpenWithList", "MRUList", REG_SZ, "a");
  Put(HKEY_CURRENT_USER, user + ".twemptylist\\OpenWithList", "MRUList", REG_SZ, "");
  Create(HKEY_CURRENT_USER, user + ".twnothing");
  Create(HKEY_CURRENT_USER, user + "noext");
  auto userExts = Scan<TRegFixFileExts>(kHkcu, kScratch + "\\FileExts");
  EXPECT_EQ(Sorted(Lines(*userExts)),
            (std::vector<std::string>{".twemptylist|", ".twlistgone|", ".twnothing|", ".twunknown|"}));
}

TEST_F(RegistryFixTest, ApplicationsAndClasses) {
  const std::string apps = kScratch + "\\Applications\\";
  auto put = [&](const std::string& path, const std::string& data) {
    Put(HKEY_CURRENT_USER, path, "", REG_SZ, data);
  };
  put(apps + "app.exe\\shell\\open\\command", kApp + " \"%1\"");
  put(apps + "app.exe\\DefaultIcon", kApp + ",0");
  put(apps + "gone.exe\\shell\\open\\command", "\"" + kFix + "\\gone.exe\" \"%1\"");
  put(apps + "gone.exe\\shell\\print\\command", kFix + "\\gone.exe /p \"%1\"");
  put(apps + "gone.exe\\shell\\print\\DropTarget", "");
  put(apps + "tool.exe\\shell\\open\\command", kFix + "\\tool \"%1\"");
  put(apps + "far.exe\\shell\\open\\command", "N:\\far.exe \"%1\"");
  put(apps + "second.exe\\shell\\open\\command", kFix + "\\gone.exe " + kFix + "\\data");
  auto applications =
      Scan<TRegFixApplications>(kHkcu, kScratch + "\\Applications", "DefaultIcon;shell");
  EXPECT_EQ(Sorted(Lines(*applications)),
            (std::vector<std::string>{
                "gone.exe\\shell\\open|\"" + kFix + "\\gone.exe\" \"%1\"",
                "second.exe\\shell\\open|" + kFix + "\\gone.exe " + kFix + "\\data"}));

  const std::string filter = "InprocServer32;LocalServer32;InprocHandler32;DefaultIcon;shell";
  const std::string one = kScratch + "\\CLSID\\{00000000-0000-0000-0000-0000000000A1}\\";
  const std::string two = kScratch + "\\CLSID\\{00000000-0000-0000-0000-0000000000A2}\\";
  put(one + "InprocServer32", kFix + "\\gone.dll");
  put(one + "LocalServer32", "\"" + kApp + "\" -Embedding");
  put(one + "DefaultIcon", kFix + "\\lib.dll,2");
  put(one + "shell\\open\\command", kFix + "\\gone.exe");
  put(two + "InprocServer32", kFix + "\\ie\\iexplore.dll");
  put(two + "InprocHandler32", kFix + "\\folder");
  put(two + "LocalServer32", kFix + "\\tool");
  put(two + "TreatAs", kFix + "\\gone.dll");
  put(kScratch + "\\CLSID\\NoBrace\\InprocServer32", kFix + "\\gone.dll");
  auto clsid = Scan<TRegFixCLSID>(kHkcu, kScratch + "\\CLSID", filter);
  const std::string oneName = "{00000000-0000-0000-0000-0000000000A1}";
  EXPECT_EQ(Sorted(Lines(*clsid)),
            (std::vector<std::string>{oneName + "\\InprocServer32|" + kFix + "\\gone.dll",
                                      oneName + "\\shell\\open|" + kFix + "\\gone.exe"}));

  // A 32-bit class's System32 server lives in SysWOW64.
  put(kScratch + "\\WOW6432Node\\CLSID\\{00000000-0000-0000-0000-0000000000A3}\\InprocServer32",
      Windows() + "\\System32\\tw_only32.exe");
  EXPECT_EQ(Scan<TRegFixCLSID>(kHkcu, kScratch + "\\WOW6432Node\\CLSID", filter)->Found.Count(), 0);
}

// Every value and key of Path, read with the plain API, to compare registries exactly.
using TSnapshot = std::map<std::pair<std::wstring, std::wstring>, std::pair<DWORD, std::string>>;
void Snap(HKEY root, const std::wstring& path, TSnapshot& out) {
  unique_hkey key;
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
  out[{path, L"\\key"}] = {};
  wchar_t name[512];
  BYTE data[4096];
  for (DWORD i = 0;; ++i) {
    DWORD length = 512, type = 0, size = sizeof data;
    if (::RegEnumValueW(key.get(), i, name, &length, nullptr, &type, data, &size) != ERROR_SUCCESS)
      break;
    out[{path, std::wstring(name, length)}] = {type,
                                               std::string(reinterpret_cast<char*>(data), size)};
  }
  std::vector<std::wstring> children;
  for (DWORD i = 0;; ++i) {
    DWORD length = 512;
    if (::RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    children.emplace_back(name, length);
  }
  for (const std::wstring& child : children) Snap(root, path + L"\\" + child, out);
}

// A scan and a clean with backups as the program runs them, from a scan database; the backups
// then give back exactly the registry there was.
TEST_F(RegistryFixTest, CleanWithBackupsThenRestore) {
  const std::string base = kScratch + "\\";
  Put(HKEY_CURRENT_USER, base + "Run", "kept", REG_SZ, "\"" + kApp + "\" /x");
  Put(HKEY_CURRENT_USER, base + "Run", "lost", REG_EXPAND_SZ, "%SystemDrive%\\tw_fix\\gone.exe /x");
  Put(HKEY_CURRENT_USER, base + "Run", "lost too", REG_SZ, kFix + "\\gone.exe");
  Put(HKEY_CURRENT_USER, base + "Uninstall\\Lost", "UninstallString", REG_SZ,
      kFix + "\\gone\\u.exe");
  Put(HKEY_CURRENT_USER, base + "Uninstall\\Lost\\deeper", "n", REG_DWORD, "7");
  Put(HKEY_CURRENT_USER, base + "Uninstall\\Kept", "UninstallString", REG_SZ, kApp);
  Create(HKEY_CURRENT_USER, base + "MenuOrder\\TwGone\\X");
  Put(HKEY_CURRENT_USER, base + "MenuOrder\\TwGone", "Order", REG_BINARY,
      std::string("\x08\0\x02", 3));
  Put(HKEY_CURRENT_USER, base + "Apps\\lost.exe\\shell\\open\\command", "", REG_SZ,
      kFix + "\\gone.exe \"%1\"");
  Put(HKEY_CURRENT_USER, base + "Apps\\lost.exe\\shell\\edit\\command", "", REG_SZ,
      kApp + " \"%1\"");

  const std::wstring root = Utf8ToWide(kScratch);
  TSnapshot before;
  Snap(HKEY_CURRENT_USER, root, before);

  auto action = [&](const std::string& id, const std::string& method, const std::string& subkey,
                    const std::string& filter) {
    return "<Item id=\"" + id +
           "\" icon=\"x\" enabled=\"true\" mode=\"0000100\" checked=\"true\"><en name=\"n\" "
           "info=\"i\"/><Action method=\"" +
           method + "\" key=\"HKCU\" subkey=\"" + base + subkey +
           "\" valueFilter=\"\" subkeyFilter=\"" + filter + "\"/></Item>";
  };
  const std::string xml =
      "<?xml version=\"1.0\"?><Database version=\"1\"><Group id=\"g00\" icon=\"x\"><en name=\"n\" "
      "info=\"i\"/>" +
      action("g00-i01", "RegFixRun", "Run", "") +
      action("g00-i15", "RegFixUninstall", "Uninstall", "") +
      action("g00-i14", "RegFixMenuOrder", "MenuOrder", "") +
      action("g00-i11", "RegFixApplications", "Apps", "DefaultIcon;shell") + "</Group></Database>";
  char temp[MAX_PATH];
  ::GetTempPathA(MAX_PATH, temp);
  const std::string dbFile = std::string(temp) + "tw_fix_roundtrip.xml";
  WriteFileAtomic(dbFile, xml);
  TXMLDatabase database;
  ASSERT_TRUE(database.Load(dbFile, false));
  ::DeleteFileA(dbFile.c_str());

  TQueueSynchronizer sync;
  TFakeScanEvents events;
  TScanMgr manager(sync, events, CleanerBuilders(), 1, true);
  bool finished = false;
  std::vector<std::string> reported;
  events.WorkDone = [&](TCustomWorkObject* sender) {
    if (sender == manager.WorkObjects.back().get()) finished = true;
  };
  events.Item = [&](TWorkObject* sender, TWorkDataPtr data) {
    if (sender->CleanMode) reported.push_back(data->Text);
  };
  manager.Scan(database.Document, pmRegistry);
  sync.RunUntil([&] { return finished; });
  ASSERT_EQ(manager.WorkObjects.size(), 5u);
  std::vector<std::string> found;
  for (const auto& object : manager.WorkObjects) {
    EXPECT_EQ(object->ErrorMessage, "") << object->ClassName();
    for (const std::string& line : Lines(*object)) found.push_back(line);
    object->OnBackup = [](TWorkObject*, TWorkDataPtr) {};
  }
  EXPECT_EQ(Sorted(found),
            (std::vector<std::string>{"Lost|" + kFix + "\\gone\\u.exe", "TwGone\\X|", "TwGone|",
                                      "lost too|" + kFix + "\\gone.exe",
                                      "lost.exe\\shell\\open|" + kFix + "\\gone.exe \"%1\"",
                                      "lost|%SystemDrive%\\tw_fix\\gone.exe /x"}));
  finished = false;
  manager.Clean();
  sync.RunUntil([&] { return finished; });
  // Value fixers report the value's name, subkey fixers the whole line.
  EXPECT_EQ(Sorted(reported),
            (std::vector<std::string>{"Lost|" + kFix + "\\gone\\u.exe", "TwGone\\X|", "TwGone|",
                                      "lost", "lost too",
                                      "lost.exe\\shell\\open|" + kFix + "\\gone.exe \"%1\""}));
  for (const auto& object : manager.WorkObjects) {
    for (int i = 0; i < object->Found.Count(); ++i)
      EXPECT_TRUE(object->Found.Record(i).CleanSucceeded) << object->Found.Text(i);
    if (auto* registry = dynamic_cast<TRegistryObject*>(object.get()))
      backups_.insert(backups_.end(), registry->BackupFiles.begin(), registry->BackupFiles.end());
  }
  ASSERT_EQ(backups_.size(), 4u);
  TExRegistry reg(KEY_READ);
  EXPECT_FALSE(reg.KeyExists(base + "Uninstall\\Lost"));
  EXPECT_TRUE(reg.KeyExists(base + "Uninstall\\Kept"));
  EXPECT_FALSE(reg.KeyExists(base + "MenuOrder\\TwGone"));
  EXPECT_FALSE(reg.KeyExists(base + "Apps\\lost.exe\\shell\\open"));
  EXPECT_TRUE(reg.KeyExists(base + "Apps\\lost.exe\\shell\\edit"));
  TSnapshot cleaned;
  Snap(HKEY_CURRENT_USER, root, cleaned);
  EXPECT_NE(cleaned, before);

  for (const std::string& file : backups_) EXPECT_TRUE(RestoreBackup(file).AllRestored()) << file;
  TSnapshot after;
  Snap(HKEY_CURRENT_USER, root, after);
  EXPECT_EQ(after, before);
}

// A class found through HKEY_CLASSES_ROOT is backed up and removed in each hive that holds it,
// the user's classes and the machine's, and the backup puts each part back in its own hive.
TEST_F(RegistryFixTest, ClassesComeBackInTheirOwnHives) {
  const std::string apps = "TidewhiskTestApps";
  const std::string user = "Software\\Classes\\" + apps, machine = user;
  Extra(HKEY_CURRENT_USER, user);
  Extra(HKEY_LOCAL_MACHINE, machine);
  Put(HKEY_LOCAL_MACHINE, machine + "\\lost.exe\\shell\\open\\command", "", REG_SZ,
      kFix + "\\gone.exe \"%1\"");
  Put(HKEY_LOCAL_MACHINE, machine + "\\lost.exe\\shell\\edit\\command", "", REG_SZ,
      kApp + " \"%1\"");
  Put(HKEY_CURRENT_USER, user + "\\lost.exe\\shell\\open\\command", "", REG_SZ,
      kFix + "\\gone.exe /user \"%1\"");
  Put(HKEY_CURRENT_USER, user + "\\lost.exe\\shell\\open", "MUIVerb", REG_SZ, "Open mine");
  auto snapshot = [&] {
    std::pair<TSnapshot, TSnapshot> both;
    Snap(HKEY_CURRENT_USER, Utf8ToWide(user), both.first);
    Snap(HKEY_LOCAL_MACHINE, Utf8ToWide(machine), both.second);
    return both;
  };
  const auto before = snapshot();

  auto object = Scan<TRegFixApplications>("HKEY_CLASSES_ROOT", apps, "DefaultIcon;shell");
  ASSERT_EQ(Lines(*object).size(), 1u);
  EXPECT_EQ(Lines(*object)[0].rfind("lost.exe\\shell\\open|", 0), 0u) << Lines(*object)[0];
  object->CleanMode = true;
  object->OnBackup = [](TWorkObject*, TWorkDataPtr) {};
  object->Execute();
  backups_ = object->BackupFiles;
  EXPECT_TRUE(object->Found.Record(0).CleanSucceeded);
  EXPECT_TRUE(object->PartialErrors.empty());
  EXPECT_FALSE(KeyPresent(HKEY_CURRENT_USER, user + "\\lost.exe\\shell\\open"));
  EXPECT_FALSE(KeyPresent(HKEY_LOCAL_MACHINE, machine + "\\lost.exe\\shell\\open"));
  EXPECT_TRUE(KeyPresent(HKEY_LOCAL_MACHINE, machine + "\\lost.exe\\shell\\edit"));

  ASSERT_EQ(backups_.size(), 1u);
  const std::string text = LoadBackupText(backups_[0]);
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\" + user + "\\lost.exe\\shell\\open]"), std::string::npos)
      << text;
  EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\" + machine + "\\lost.exe\\shell\\open]"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("HKEY_CLASSES_ROOT"), std::string::npos) << text;
  EXPECT_TRUE(RestoreBackup(backups_[0]).AllRestored());
  EXPECT_EQ(snapshot(), before);
}

}  // namespace
}  // namespace tw
