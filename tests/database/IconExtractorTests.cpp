// Icon resolution on the real shell, registry and file system of the Wine prefix: the group and
// item rules, the default browser's kind, the order nodes are handed over in, stopping, errors.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "database/DefaultBrowser.h"
#include "database/IconExtractor.h"
#include "database/XMLDatabase.h"
#include "engine/Utility.h"
#include "platform/Com.h"
#include "platform/Handles.h"
#include "platform/QueueSynchronizer.h"
#include "platform/ShellFolders.h"
#include "support/FileIO.h"

namespace tw {
namespace {

using namespace std::chrono_literals;

void SetDefault(HKEY root, const std::string& path, const std::string& value, const char* name = nullptr) {
  unique_hkey key;
  ASSERT_EQ(::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  ::RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}

constexpr const char* kHttpCommand = "http\\shell\\open\\command";
constexpr const char* kUserChoice =
    "Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\http\\UserChoice";
constexpr const char* kAppPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\twprobe.exe";

// A scratch folder under the local application data folder with a program (a copy of one with an
// icon of its own), a help file (whose class gives the help viewer's icon) and a nested program
// for the tree searches; the registry keys the tests write are removed again.
class IconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = SpecialFolderPath(CSIDL_LOCAL_APPDATA, true) + "tw_icon_tests\\";
    Cleanup();
    for (const char* sub : {"", "bin", "docs", "system", "Google", "Google\\GoogleToolbarNotifier",
                            "Google\\GoogleToolbarNotifier\\5.1"})
      ::CreateDirectoryA((dir_ + sub).c_str(), nullptr);
    const std::string program = WindowsFolder() + "regedit.exe";
    ::CopyFileA(program.c_str(), (dir_ + "bin\\real.exe").c_str(), FALSE);
    ::CopyFileA(program.c_str(), (dir_ + "Google\\GoogleToolbarNotifier\\5.1\\GoogleToolbarNotifier.exe").c_str(), FALSE);
    WriteFileAtomic(dir_ + "docs\\note.chm", "help");
    WriteFileAtomic(dir_ + "system\\probe.chm", "help");
    SaveDefault(HKEY_CLASSES_ROOT, kHttpCommand, savedHttp_);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kUserChoice);
    folderIcon_ = ShellIconIndex(dir_ + "docs");
    exeIcon_ = ShellIconIndex(dir_ + "bin\\real.exe");
    docIcon_ = ShellIconIndex(dir_ + "docs\\note.chm");
    // The cases below tell the sources apart by their icons.
    ASSERT_GE(folderIcon_, 0);
    ASSERT_GE(exeIcon_, 0);
    ASSERT_GE(docIcon_, 0);
    ASSERT_NE(folderIcon_, exeIcon_);
    ASSERT_NE(docIcon_, exeIcon_);
    ASSERT_NE(docIcon_, folderIcon_);
    window_.reset(::CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
  }
  void TearDown() override {
    Cleanup();
    if (savedHttp_.empty()) ::RegDeleteTreeA(HKEY_CLASSES_ROOT, "http\\shell\\open\\command");
    else SetDefault(HKEY_CLASSES_ROOT, kHttpCommand, savedHttp_);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kUserChoice);
    ::RegDeleteTreeA(HKEY_CLASSES_ROOT, "TwTestBrowserURL");
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kAppPaths);
  }
  static void SaveDefault(HKEY root, const char* path, std::string& value) {
    unique_hkey key;
    char data[1024];
    DWORD size = sizeof data;
    if (::RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS &&
        ::RegQueryValueExA(key.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS)
      value = data;
  }
  void Cleanup() {
    std::string from = dir_.substr(0, dir_.size() - 1) + std::string(2, '\0');
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    ::SHFileOperationA(&op);
  }

  // The database's ready event, posted to the test's window as the program's window gets it.
  static constexpr UINT kReady = WM_APP + 1008;
  TXMLDatabase::TReadyEvent PostReady() {
    return [window = window_.get()] { ::PostMessageA(window, kReady, 0, 0); };
  }

  // A database of the given groups, loaded from a plain file with icon resolution on.
  struct TRun {
    std::vector<std::string> handed;  // "g" + id or "i" + id, in the order handed over
    bool ready = false;
  };
  std::unique_ptr<TXMLDatabase> Load(const std::string& groups, TRun& run, TIconEnvironment env = SystemIconEnvironment(),
                                     std::function<bool(const std::string&)> answer = {}) {
    const std::string file = dir_ + "db.xml";
    WriteFileAtomic(file, "<?xml version=\"1.0\"?>\n<Database version=\"1\" smallIcons=\"false\">" + groups +
                              "<TipsAndTricks lastTip=\"1\" maxTipId=\"1\"/></Database>");
    auto db = std::make_unique<TXMLDatabase>(PostReady(), nullptr, log_);
    db->OnNode = [&run, answer](const TXmlNode& group, const TXmlNode* item) {
      const std::string id = (item ? "i" : "g") + (item ? *item : group).Attr("id");
      run.handed.push_back(id);
      return answer ? answer(id) : true;
    };
    db->SetIconResolution(sync_, std::move(env));
    EXPECT_TRUE(db->Load(file, false));
    return db;
  }
  // Runs the calls handed to the main thread until the database says it is ready.
  void WaitReady(TRun& run) {
    const auto end = std::chrono::steady_clock::now() + 20s;
    MSG msg;
    while (!run.ready && std::chrono::steady_clock::now() < end) {
      sync_.WaitAndProcess(20);
      if (::PeekMessageA(&msg, window_.get(), kReady, kReady, PM_REMOVE)) run.ready = true;
    }
    ASSERT_TRUE(run.ready) << "never ready";
  }

  static std::string Group(const std::string& id, const std::string& icon, const std::string& items = {}) {
    return "<Group id=\"" + id + "\" icon=\"" + icon + "\" expanded=\"true\">" + Texts() + items + "</Group>";
  }
  static std::string Item(const std::string& id, const std::string& icon) {
    return "<Item id=\"" + id + "\" icon=\"" + icon + "\" enabled=\"true\" mode=\"1000000\" checked=\"false\">" +
           Texts() + "</Item>";
  }
  static std::string Texts() {
    return "<en name=\"n\" info=\"i\"/><fr name=\"n\" info=\"i\"/><de name=\"n\" info=\"i\"/><es name=\"n\" info=\"i\"/>";
  }

  ComApartment com_;
  TQueueSynchronizer sync_;
  std::string dir_;
  std::string savedHttp_;
  unique_hwnd window_;
  TFileLogFile log_{"", false};
  int folderIcon_ = -1, exeIcon_ = -1, docIcon_ = -1;
};

TEST_F(IconTest, GroupsAndItemsGetTheIconOfTheirFirstWorkingSource) {
  const std::string bin = dir_ + "bin\\real.exe", note = dir_ + "docs\\note.chm";
  SetDefault(HKEY_LOCAL_MACHINE, kAppPaths, "\"" + note + "\" /with arguments");
  const std::string items =
      // The first source does not exist, the second does.
      Item("g02-i01", dir_ + "bin\\missing.exe;" + note) +
      // A folder macro with a subpath that yields an icon wins over the later source.
      Item("g02-i02", "CSIDL_LOCAL_APPDATA\\tw_icon_tests\\bin\\real.exe;" + note) +
      // A bare program name found through the application paths.
      Item("g02-i03", "twprobe.exe;" + bin) +
      // Nothing yields an icon.
      Item("g02-i04", dir_ + "nowhere\\gone.exe") +
      // A notifier under the source's folder is searched for in its tree; a Java source whose
      // folder does not exist ends the search without an icon, later sources are not tried.
      Item("g02-i05", dir_ + "Google\\GoogleToolbarNotifier\\GoogleToolbarNotifier.exe") +
      Item("g02-i06", dir_ + "nojava\\javaws.exe;" + bin);
  TRun run;
  auto db = Load(Group("g00", "CSIDL_COOKIES") + Group("g02", dir_ + "docs\\none.chm;" + dir_ + "docs", items), run);
  WaitReady(run);
  EXPECT_EQ(db->IconIndex("g00"), SpecialFolderIconIndex(CSIDL_COOKIES));  // the folder itself
  EXPECT_GE(db->IconIndex("g00"), 0);
  EXPECT_EQ(db->IconIndex("g02"), folderIcon_);
  EXPECT_EQ(db->IconIndex("g02-i01"), docIcon_);
  EXPECT_EQ(db->IconIndex("g02-i02"), exeIcon_);
  EXPECT_EQ(db->IconIndex("g02-i03"), docIcon_);
  EXPECT_EQ(db->IconIndex("g02-i04"), -1);
  EXPECT_EQ(db->IconIndex("g02-i05"),
            ShellIconIndex(dir_ + "Google\\GoogleToolbarNotifier\\5.1\\GoogleToolbarNotifier.exe"));
  EXPECT_GE(db->IconIndex("g02-i05"), 0);
  EXPECT_EQ(db->IconIndex("g02-i06"), -1);
  EXPECT_EQ(db->IconIndexes.size(), 8u);
  // Groups from the last to the first, each followed by its items in order.
  EXPECT_EQ(run.handed, (std::vector<std::string>{"gg02", "ig02-i01", "ig02-i02", "ig02-i03", "ig02-i04",
                                                  "ig02-i05", "ig02-i06", "gg00"}));
}

TEST_F(IconTest, TheBrowserGroupTakesTheSourceOfTheDefaultBrowsersKind) {
  const std::string g01 = Group("g01", dir_ + "bin\\real.exe;" + dir_ + "docs\\note.chm;" + dir_ + "docs");
  struct Case {
    const char* name;
    std::function<void()> registerBrowser;
    int kind;
  };
  const Case cases[] = {
      {"none", [] {}, 1},
      {"quoted AOL Explorer with arguments",
       [] { SetDefault(HKEY_CLASSES_ROOT, kHttpCommand, "\"C:\\AOL Explorer\\aolexplorer.exe\" -url \"%1\""); }, 3},
      {"AOL Desktop unquoted", [] { SetDefault(HKEY_CLASSES_ROOT, kHttpCommand, "C:\\AOL\\AOLDesktop.exe %1"); }, 2},
      // Current Windows: the user's choice comes before the http class.
      {"user's choice",
       [] {
         SetDefault(HKEY_CLASSES_ROOT, kHttpCommand, "C:\\AOL\\AOLDesktop.exe %1");
         SetDefault(HKEY_CURRENT_USER, kUserChoice, "TwTestBrowserURL", "ProgId");
         SetDefault(HKEY_CLASSES_ROOT, "TwTestBrowserURL\\shell\\open\\command", "\"C:\\MSN\\msn6.exe\" \"%1\"");
       },
       4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ::RegDeleteTreeA(HKEY_CLASSES_ROOT, kHttpCommand);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kUserChoice);
    c.registerBrowser();
    EXPECT_EQ(DefaultBrowserKind(SystemIconEnvironment().ShellNormalizePath), c.kind);
    if (c.kind == 2) continue;  // the list has three sources
    TRun run;
    auto db = Load(g01, run);
    WaitReady(run);
    const int icon = db->IconIndex("g01");
    if (c.kind == 1) EXPECT_EQ(icon, exeIcon_);
    if (c.kind == 3) EXPECT_EQ(icon, folderIcon_);
    if (c.kind == 4) EXPECT_EQ(icon, -1);  // no fourth source
  }
  // The path of an existing browser comes back in its long form.
  ::RegDeleteTreeA(HKEY_CURRENT_USER, kUserChoice);
  char shortPath[MAX_PATH] = "";
  ASSERT_GT(::GetShortPathNameA((dir_ + "bin\\real.exe").c_str(), shortPath, MAX_PATH), 0u);
  SetDefault(HKEY_CLASSES_ROOT, kHttpCommand, "\"" + std::string(shortPath) + "\" -url \"%1\"");
  EXPECT_EQ(DefaultBrowserPath(SystemIconEnvironment().ShellNormalizePath), dir_ + "bin\\real.exe");
}

TEST_F(IconTest, AnAnswerOfFalseOrAnErrorStopsTheWalkAndTheDatabaseIsStillReady) {
  const std::string groups = Group("g01", dir_ + "docs", Item("g01-i01", dir_ + "docs")) +
                             Group("g02", dir_ + "docs", Item("g02-i01", dir_ + "docs"));
  {
    TRun run;
    auto db = Load(groups, run, SystemIconEnvironment(), [](const std::string&) { return false; });
    WaitReady(run);
    EXPECT_EQ(run.handed, std::vector<std::string>{"gg02"});  // the last group only, no item
    EXPECT_EQ(db->IconIndexes.size(), 1u);
  }
  {
    // An item without "icon" ends the walk there, with one log record.
    TFileLogFile log(dir_ + "Logger.txt", true);
    log.TimeStamp = false;
    const std::string file = dir_ + "broken.xml";
    WriteFileAtomic(file, "<?xml version=\"1.0\"?>\n<Database version=\"1\" smallIcons=\"false\">" + groups.substr(0, groups.find("<Group id=\"g02\"")) +
                              "<Group id=\"g02\" icon=\"x\" expanded=\"true\">" + Texts() +
                              "<Item id=\"g02-i01\" enabled=\"true\" mode=\"1\" checked=\"true\">" + Texts() +
                              "</Item></Group></Database>");
    TRun run;
    TXMLDatabase db(PostReady(), nullptr, log);
    db.OnNode = [&run](const TXmlNode& group, const TXmlNode* item) {
      run.handed.push_back((item ? "i" : "g") + (item ? *item : group).Attr("id"));
      return true;
    };
    db.SetIconResolution(sync_, SystemIconEnvironment());
    ASSERT_TRUE(db.Load(file, false));
    WaitReady(run);
    EXPECT_EQ(run.handed, std::vector<std::string>{"gg02"});
    EXPECT_EQ(ReadWholeFile(dir_ + "Logger.txt"),
              "[TIconExtractor.Execute] EXMLAttributeError: Attribute \"icon\" of element \"Item\" not found.\r\n");
  }
}

TEST_F(IconTest, FreeingTheDatabaseStopsAWalkWaitingForTheMainThread) {
  std::string groups;
  for (int g = 10; g < 40; ++g) groups += Group("g" + std::to_string(g), dir_ + "docs");
  TRun run;
  auto db = Load(groups, run);
  // The thread now waits for the main thread to take its first node; nobody takes it.
  std::this_thread::sleep_for(200ms);
  const auto start = std::chrono::steady_clock::now();
  db.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_TRUE(run.handed.empty());  // the waiting call ran, but reached no window
  MSG msg;
  EXPECT_TRUE(::PeekMessageA(&msg, window_.get(), kReady, kReady, PM_REMOVE));
}

}  // namespace
}  // namespace tw
