// The browser cleaners on real profiles in the sandbox: Firefox, Chrome-family and Opera folders
// laid out by the tests, with databases in old and current layouts, two profiles each.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "BrowserFixtures.h"
#include "cleaners/WorkObjectBuilders.h"
#include "cleaners/browsers/BrowserFilesObject.h"
#include "cleaners/browsers/BrowserProfiles.h"
#include "cleaners/browsers/ChromeObjects.h"
#include "cleaners/browsers/FirefoxObjects.h"
#include "cleaners/browsers/OperaObjects.h"
#include "engine/Utility.h"
#include "platform/Handles.h"
#include "support/Format.h"

namespace tw {
namespace {

using Texts = std::vector<std::string>;

bool Exists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void MakeDirs(const std::string& folder) {
  for (std::size_t slash = folder.find('\\', 3); slash != std::string::npos;
       slash = folder.find('\\', slash + 1))
    ::CreateDirectoryA(folder.substr(0, slash).c_str(), nullptr);
  ::CreateDirectoryA(folder.c_str(), nullptr);
}

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  unique_hfind find(::FindFirstFileA((folder + "\\*").c_str(), &entry));
  if (find) {
    do {
      if (IsDotEntry(entry.cFileName)) continue;
      const std::string path = folder + "\\" + entry.cFileName;
      ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path);
      else ::DeleteFileA(path.c_str());
    } while (::FindNextFileA(find.get(), &entry));
  }
  ::RemoveDirectoryA(folder.c_str());
}

// Every file below Folder with its size and last write time: what a scan must leave as it was.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  std::function<void(const std::string&)> walk = [&](const std::string& dir) {
    WIN32_FIND_DATAA entry;
    unique_hfind find(::FindFirstFileA((dir + "*").c_str(), &entry));
    if (!find) return;
    do {
      if (IsDotEntry(entry.cFileName)) continue;
      const std::string path = dir + entry.cFileName;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        files[path + "\\"] = "";
        walk(path + "\\");
      } else {
        files[path] = Format("%d/%d/%d", static_cast<std::int64_t>(entry.nFileSizeLow),
                             static_cast<std::int64_t>(entry.ftLastWriteTime.dwLowDateTime),
                             static_cast<std::int64_t>(entry.ftLastWriteTime.dwHighDateTime));
      }
    } while (::FindNextFileA(find.get(), &entry));
  };
  walk(folder);
  return files;
}

std::string ReadAll(const std::string& path) {
  unique_hfile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return "<unreadable>";
  std::string data(::GetFileSize(file.get(), nullptr), '\0');
  DWORD read = 0;
  ::ReadFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr);
  return data;
}

// The folder of this test program, where the holder program is built too.
std::string ProgramDir() {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string out = path;
  return out.substr(0, out.find_last_of('\\') + 1);
}

// Another process that holds Database as a running browser does, until the object goes.
class THolder {
 public:
  explicit THolder(const std::string& database) : ready_(database + ".ready"), stop_(database + ".stop") {
    std::string command = "\"" + ProgramDir() + "browser_db_holder.exe\" \"" + database + "\" \"" +
                          ready_ + "\" \"" + stop_ + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info))
      return;
    process_.reset(info.hProcess);
    unique_handle thread(info.hThread);
    for (int i = 0; i < 300 && !Exists(ready_); ++i) ::Sleep(50);
  }
  ~THolder() {
    HANDLE stop = ::CreateFileA(stop_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (stop != INVALID_HANDLE_VALUE) ::CloseHandle(stop);
    if (process_ && ::WaitForSingleObject(process_.get(), 15000) != WAIT_OBJECT_0)
      ::TerminateProcess(process_.get(), 1);
    ::DeleteFileA(ready_.c_str());
    ::DeleteFileA(stop_.c_str());
  }
  bool Holding() const { return Exists(ready_); }

 private:
  std::string ready_, stop_;
  unique_handle process_;
};

class BrowserTest : public ::testing::Test {
 public:
  void SetUp() override {
    base_ = Format("C:\\twbr_%d\\", static_cast<int>(::GetCurrentProcessId()));
    RemoveTree(base_.substr(0, base_.size() - 1));
    roaming_ = base_ + "Roaming\\";
    local_ = base_ + "Local\\";
    MakeDirs(roaming_);
    MakeDirs(local_);
    locations_ = Discover();
  }
  void TearDown() override {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Opera Software");
    RemoveTree(base_.substr(0, base_.size() - 1));
  }

  std::shared_ptr<const TBrowserLocations> Discover() const {
    return std::make_shared<const TBrowserLocations>(DiscoverBrowserLocations(roaming_, local_));
  }
  void File(const std::string& path, const std::string& content = "x") const {
    MakeDirs(path.substr(0, path.find_last_of('\\')));
    unique_hfile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file) << path;
    DWORD written = 0;
    ::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  }
  void Databases(const std::string& folder, std::span<const fixtures::TDatabaseFile> layout) const {
    for (const fixtures::TDatabaseFile& file : layout) {
      const std::string path = folder + file.File;
      MakeDirs(path.substr(0, path.find_last_of('\\')));
      TSQLiteDatabase database(path, TSQLiteOpen::Create);
      database.ExecuteScript("PRAGMA synchronous = OFF");
      database.ExecuteScript(file.Script);
    }
  }
  std::string Value(const std::string& database, const std::string& sql) const {
    TSQLiteDatabase db(database, TSQLiteOpen::ReadOnly);
    TSQLiteUniTable table = db.Query(sql);
    return table.Eof() ? "<none>" : table.FieldAsString(0);
  }

  // An object of Class working on this test's locations, reporting into Reported.
  template <class Class>
  std::unique_ptr<TWorkObject> Make() {
    auto object = std::make_unique<Class>(
        nullptr, [](TCustomWorkObject*) {},
        [this](TWorkObject*, TWorkDataPtr data) { reported_.push_back(data->Text); }, TXmlNode());
    object->Locations = locations_;
    return object;
  }
  // Runs the object as the worker pool does: an exception becomes its error.
  static void Run(TWorkObject& object, bool clean) {
    object.CleanMode = clean;
    object.ErrorClass.clear();
    object.ErrorMessage.clear();
    try {
      object.Execute();
    } catch (const Exception& e) {
      object.ErrorClass = e.ClassName();
      object.ErrorMessage = e.what();
    }
  }
  static Texts TextsOf(const TWorkObject& object) {
    Texts texts;
    for (int i = 0; i < object.Found.Count(); ++i) texts.push_back(object.Found.Text(i));
    return texts;
  }

  // Two Firefox profiles: "old" in a Firefox 3 layout with the plain files of still older
  // versions, "new" in today's layout; their disk caches in the local folder.
  void LayOutFirefox() {
    const std::string firefox = roaming_ + "Mozilla\\Firefox\\";
    File(firefox + "profiles.ini",
         "[General]\r\nStartWithLastProfile=1\r\n\r\n"
         "[Profile0]\r\nName=old\r\nIsRelative=1\r\nPath=Profiles/a.old\r\n\r\n"
         "[Profile1]\r\nName=new\r\nIsRelative=1\r\nPath=Profiles/b.new\r\nDefault=1\r\n");
    oldProfile_ = firefox + "Profiles\\a.old\\";
    newProfile_ = firefox + "Profiles\\b.new\\";
    Databases(oldProfile_, fixtures::kFirefoxOld);
    Databases(newProfile_, fixtures::kFirefoxCurrent);
    for (const char* name : {"cookies.txt", "history.dat", "formhistory.dat", "key3.db", "signons.sqlite"})
      File(oldProfile_ + name);
    File(newProfile_ + "logins.json");
    const std::string oldLocal = local_ + "Mozilla\\Firefox\\Profiles\\a.old\\";
    const std::string newLocal = local_ + "Mozilla\\Firefox\\Profiles\\b.new\\";
    File(oldLocal + "cache\\_CACHE_MAP_");
    File(oldLocal + "cache\\0A1B2C3D");
    File(newLocal + "cache2\\index");
    File(newLocal + "cache2\\entries\\ABCDEF0123");
    MakeDirs(newLocal + "cache2\\doomed");
    File(newLocal + "startupCache\\startupCache.8.little");
    locations_ = Discover();
  }

  // Chrome's "Default" profile in a layout of before version 24, "Profile 1" in today's.
  void LayOutChrome() {
    chromeDefault_ = local_ + "Google\\Chrome\\User Data\\Default\\";
    chromeProfile1_ = local_ + "Google\\Chrome\\User Data\\Profile 1\\";
    Databases(chromeDefault_, fixtures::kChromeOld);
    Databases(chromeProfile1_, fixtures::kChromeCurrent);
    File(chromeProfile1_ + "Login Data");
    File(chromeProfile1_ + "Bookmarks");
  }

  std::string base_, roaming_, local_;
  std::string oldProfile_, newProfile_, chromeDefault_, chromeProfile1_;
  std::shared_ptr<const TBrowserLocations> locations_;
  Texts reported_;
};

// ---------------------------------------------------------------------------------------------
// Where the profiles are

TEST_F(BrowserTest, FirefoxProfilesAreEveryOneItsOwnProfilesIniLists) {
  // Another program of the same maker keeps a "profiles.ini" too: it is not Firefox's.
  File(roaming_ + "Mozilla\\SeaMonkey\\profiles.ini", "[Profile0]\r\nName=sm\r\nPath=Profiles/sm\r\n");
  MakeDirs(roaming_ + "Mozilla\\SeaMonkey\\Profiles\\sm");
  EXPECT_TRUE(Discover()->FirefoxProfileDir.empty());

  const std::string firefox = roaming_ + "Mozilla\\Firefox\\";
  const std::string custom = base_ + "Custom\\work\\";
  File(firefox + "profiles.ini",
       "[Profile0]\r\nName=default\r\nIsRelative=1\r\nPath=Profiles/a.default\r\n"
       "[Profile1]\r\nName=work\r\nIsRelative=0\r\nPath=" + custom + "\r\n"
       "[Profile2]\r\nName=gone\r\nIsRelative=1\r\nPath=Profiles/gone\r\n");
  MakeDirs(firefox + "Profiles\\a.default");
  MakeDirs(custom);
  auto found = Discover();
  ASSERT_EQ(found->FirefoxProfiles.size(), 2u);
  EXPECT_EQ(found->FirefoxProfiles[0].Label, "Firefox (default)");
  EXPECT_EQ(found->FirefoxProfiles[0].LocalDir, local_ + "Mozilla\\Firefox\\Profiles\\a.default\\");
  EXPECT_EQ(found->FirefoxProfiles[1].Label, "Firefox (work)");
  EXPECT_EQ(found->FirefoxProfiles[1].Dir, custom);
  EXPECT_EQ(found->FirefoxProfiles[1].LocalDir, custom);
  EXPECT_EQ(found->FirefoxProfileDir, firefox + "Profiles\\a.default\\");
  EXPECT_EQ(found->FirefoxCacheDir, local_ + "Mozilla\\Firefox\\Profiles\\a.default\\cache\\");

  // Without one in Firefox's folder itself, the tree below it is searched.
  ::DeleteFileA((firefox + "profiles.ini").c_str());
  File(firefox + "Moved\\profiles.ini", "[Profile0]\r\nName=moved\r\nPath=Profiles/m\r\n");
  MakeDirs(firefox + "Moved\\Profiles\\m");
  found = Discover();
  ASSERT_EQ(found->FirefoxProfiles.size(), 1u);
  EXPECT_EQ(found->FirefoxProfileDir, firefox + "Moved\\Profiles\\m\\");
}

TEST_F(BrowserTest, OperaIsFoundThroughItsRegistryValuesAndIniFiles) {
  const std::string install = base_ + "Opera\\";
  const std::string appDataProfile = roaming_ + "Opera\\Opera\\profile\\";
  File(appDataProfile + "opera6.ini", "[User Prefs]\r\n");
  struct Case {
    const char* name;
    std::map<std::string, std::string> values;  // registry values
    std::map<std::string, std::string> files;   // relative to the installation folder
    std::string expected;                       // relative to the sandbox, or empty
    bool multiUser;
  };
  const Case cases[] = {
      {"no values", {}, {}, "", false},
      {"an empty Last Directory3 wins over Last Directory2",
       {{"Last Directory3", ""}, {"Last Directory2", install}}, {}, "", false},
      {"single user, default profile folder", {{"Last Directory2", install}},
       {{"profile\\cookies4.dat", "x"}}, "Opera\\profile\\", false},
      {"single user, Opera Directory", {{"Last Directory", install}},
       {{"profile\\opera6.ini", "[User Prefs]\r\nOpera Directory=" + base_ + "Elsewhere\r\n"},
        {"..\\Elsewhere\\cookies4.dat", "x"}},
       "Elsewhere\\", false},
      {"single user, missing Opera Directory: application data", {{"Last Directory3", install}},
       {{"profile\\opera6.ini", "[User Prefs]\r\nOpera Directory=" + base_ + "Missing\r\n"}},
       "Roaming\\Opera\\Opera\\profile\\", false},
      {"multi user: application data", {{"Last Directory3", install}},
       {{"operadef6.ini", "[System]\r\nMulti User=1\r\n"}, {"profile\\cookies4.dat", "x"}},
       "Roaming\\Opera\\Opera\\profile\\", true},
  };
  for (const Case& c : cases) {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Opera Software");
    RemoveTree(install.substr(0, install.size() - 1));
    RemoveTree(base_ + "Elsewhere");
    if (!c.values.empty()) {
      unique_hkey key;
      ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Opera Software", 0, nullptr, 0,
                                  KEY_SET_VALUE, nullptr, key.put(), nullptr),
                ERROR_SUCCESS);
      for (const auto& [name, value] : c.values)
        ::RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>(value.size() + 1));
    }
    for (const auto& [relative, content] : c.files) File(install + relative, content);
    auto found = Discover();
    EXPECT_EQ(found->OperaDir, c.expected.empty() ? "" : base_ + c.expected) << c.name;
    EXPECT_EQ(found->OperaMultiUser, c.multiUser) << c.name;
  }
}

TEST_F(BrowserTest, ChromiumProfilesOfEveryBrowserInOrder) {
  const std::string chrome = local_ + "Google\\Chrome\\User Data\\";
  for (const char* name : {"Profile 10", "Default", "Profile 2", "System Profile", "Crashpad"})
    MakeDirs(chrome + name);
  MakeDirs(local_ + "Microsoft\\Edge\\User Data\\Default");
  File(roaming_ + "Opera Software\\Opera Stable\\Preferences", "{}");
  Texts labels;
  for (const TBrowserProfile& profile : ChromiumProfiles(*locations_)) labels.push_back(profile.Label);
  EXPECT_EQ(labels, (Texts{"Google Chrome (Default)", "Google Chrome (Profile 2)",
                           "Google Chrome (Profile 10)", "Microsoft Edge (Default)",
                           "Opera (Opera Stable)"}));
}

// ---------------------------------------------------------------------------------------------
// Scans and cleans

TEST_F(BrowserTest, FirefoxScansListEveryProfileAndCleansRemoveExactlyTheTickedFindings) {
  const std::string O = "Firefox (old): ", N = "Firefox (new): ";
  struct Case {
    const char* name;
    std::unique_ptr<TWorkObject> (BrowserTest::*make)();
    Texts expected;           // "|" starts the name of a file of the "old" profile
    std::vector<int> untick;  // findings the user unticks
  };
  const Case cases[] = {
      {"cookies", &BrowserTest::Make<TFirefoxCookiesObject>,
       {"|cookies.txt", O + "id=1,name=sid,value=a,b,host=.example.com,lastAccessed=1300000000000000",
        O + "id=2,name=pref,value=über,host=shop.example.org,lastAccessed=1300000000000001",
        N + "id=1,name=sid,value=v1,host=.example.com,lastAccessed=1700000000000000",
        N + "id=2,name=sid,value=v2,host=.example.com,lastAccessed=1700000000000001"},
       {2, 3}},
      {"history", &BrowserTest::Make<TFirefoxHistoryObject>,
       {"|history.dat", O + "id=1,url=http://a.example/,title=A,visit_count=3",
        O + "id=5,url=http://c.example/,title=C, with comma,visit_count=2",
        O + "id=2,url=http://bookmarked.example/,title=B,visit_count=1",
        N + "id=1,url=https://news.example/,title=News,visit_count=4",
        N + "id=4,url=https://dl.example/file.zip,title=,visit_count=1",
        N + "id=2,url=https://bm.example/,title=Bookmarked,visit_count=1"},
       {0, 1}},
      {"forms", &BrowserTest::Make<TFirefoxFormsObject>,
       {"|formhistory.dat", O + "id=1,fieldname=q,value=tidewhisk",
        O + "id=2,fieldname=email,value=me@example.com",
        N + "id=1,fieldname=searchbar-history,value=weather"},
       {}},
      {"downloads", &BrowserTest::Make<TFirefoxDownloadsObject>,
       {O + "id=1,name=setup.exe,source=http://dl.example/setup.exe,target=file:///C:/Downloads/setup.exe",
        N + "id=4,name=file.zip,source=https://dl.example/file.zip,target=file:///C:/Users/me/Downloads/file.zip"},
       {0}},
      {"favicons", &BrowserTest::Make<TFirefoxFaviconsObject>,
       {O + "id=1,url=http://a.example/favicon.ico", O + "id=3,url=http://null.example/favicon.ico",
        N + "id=1,url=https://news.example/favicon.ico"},
       {1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RemoveTree(base_.substr(0, base_.size() - 1));
    LayOutFirefox();
    Texts expected;
    for (const std::string& text : c.expected)
      expected.push_back(text[0] == '|' ? oldProfile_ + text.substr(1) : text);

    const auto before = Snapshot(base_);
    auto object = (this->*c.make)();
    Run(*object, false);
    EXPECT_EQ(object->ErrorMessage, "");
    EXPECT_EQ(TextsOf(*object), expected);
    EXPECT_EQ(reported_, expected);
    EXPECT_EQ(Snapshot(base_), before) << "a scan changed or created a file";

    Texts kept, cleaned;
    for (int i : c.untick) object->Found.Record(i).Checked = false;
    for (int i = object->Found.Count() - 1; i >= 0; --i)
      (object->Found.Record(i).Checked ? cleaned : kept).push_back(object->Found.Text(i));
    reported_.clear();
    Run(*object, true);
    EXPECT_EQ(object->ErrorMessage, "");
    EXPECT_TRUE(object->PartialErrors.empty());
    EXPECT_EQ(reported_, cleaned);
    for (int i = 0; i < object->Found.Count(); ++i) EXPECT_TRUE(object->Found.Record(i).CleanSucceeded);

    auto again = (this->*c.make)();
    Run(*again, false);
    EXPECT_EQ(TextsOf(*again), Texts(kept.rbegin(), kept.rend()));
    reported_.clear();
  }
  // What no filter lists was never touched: bookmarked, hidden and keyword places (the history
  // of a kept page goes), old icons that do not expire, the password and key files.
  RemoveTree(base_.substr(0, base_.size() - 1));
  LayOutFirefox();
  for (auto make : {&BrowserTest::Make<TFirefoxHistoryObject>, &BrowserTest::Make<TFirefoxFaviconsObject>}) {
    auto object = (this->*make)();
    Run(*object, false);
    Run(*object, true);
    EXPECT_EQ(object->ErrorMessage, "");
  }
  EXPECT_EQ(Value(newProfile_ + "places.sqlite", "SELECT group_concat(id) FROM moz_places"), "2,3,5");
  EXPECT_EQ(Value(newProfile_ + "places.sqlite", "SELECT count(*) FROM moz_historyvisits"), "0");
  EXPECT_EQ(Value(oldProfile_ + "places.sqlite", "SELECT group_concat(id) FROM moz_places"), "2,3,4");
  EXPECT_EQ(Value(oldProfile_ + "places.sqlite", "SELECT group_concat(id) FROM moz_favicons"), "2");
  // The removed page's icon entries went with it, and the icon no page used any more.
  EXPECT_EQ(Value(newProfile_ + "favicons.sqlite", "SELECT count(*) FROM moz_pages_w_icons") +
                Value(newProfile_ + "favicons.sqlite", "SELECT count(*) FROM moz_icons_to_pages") +
                Value(newProfile_ + "favicons.sqlite", "SELECT count(*) FROM moz_icons"),
            "000");
  for (const std::string& file : {oldProfile_ + "key3.db", oldProfile_ + "signons.sqlite", newProfile_ + "logins.json"})
    EXPECT_TRUE(Exists(file)) << file;
}

TEST_F(BrowserTest, ChromeScansListEveryProfileAndCleansRemoveExactlyTheTickedRows) {
  const std::string D = "Google Chrome (Default): ", P = "Google Chrome (Profile 1): ";
  struct Case {
    const char* name;
    std::unique_ptr<TWorkObject> (BrowserTest::*make)();
    Texts expected;
    std::vector<int> untick;
  };
  const Case cases[] = {
      {"cookies", &BrowserTest::Make<TChromeCookiesObject>,
       {D + "creation_utc=12900000000000000,host_key=.example.com,name=SID",
        P + "creation_utc=13300000000000000,host_key=.example.com,name=NID",
        P + "creation_utc=13300000000000000,host_key=.example.com,name=NID"},
       {1}},
      {"history", &BrowserTest::Make<TChromeHistoryObject>,
       {D + "id=1,url=http://www.example.com/,title=Example",
        D + "id=2,url=http://search.example/?q=Tide,title=Tide - Search",
        P + "id=1,url=https://www.example.com/,title=Example",
        P + "id=2,url=https://www.example.com/?q=weather,title=weather"},
       {1, 2}},
      {"keywords", &BrowserTest::Make<TChromeKeywordsObject>,
       {D + "keyword_id=2,url_id=2,lower_term=tide,term=Tide",
        P + "keyword_id=2,url_id=2,normalized_term=weather,term=Weather"},
       {}},
      {"downloads", &BrowserTest::Make<TChromeDownloadsObject>,
       {D + "id=1,full_path=C:\\Downloads\\a.pdf,url=http://www.example.com/a.pdf",
        P + "id=1,target_path=C:\\Users\\me\\Downloads\\b.zip,url=https://cdn.example/b.zip",
        P + "id=2,target_path=C:\\Users\\me\\Downloads\\c.zip,url=https://cdn.example/c.zip"},
       {1}},
      {"thumbnails", &BrowserTest::Make<TChromeThumbnailsObject>,
       {D + "url_id=1,last_updated=12900000000000000"}, {}},
      {"favicons", &BrowserTest::Make<TChromeFaviconsObject>,
       {D + "id=1,url=http://www.example.com/favicon.ico,last_updated=12900000000000000",
        P + "id=1,url=https://www.example.com/favicon.ico,last_updated=13300000000000005"},
       {0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RemoveTree(base_.substr(0, base_.size() - 1));
    LayOutChrome();
    const auto before = Snapshot(base_);
    auto object = (this->*c.make)();
    Run(*object, false);
    EXPECT_EQ(object->ErrorMessage, "");
    EXPECT_EQ(TextsOf(*object), c.expected);
    EXPECT_EQ(Snapshot(base_), before) << "a scan changed or created a file";

    Texts kept;
    for (int i : c.untick) object->Found.Record(i).Checked = false;
    for (int i = object->Found.Count() - 1; i >= 0; --i)
      if (!object->Found.Record(i).Checked) kept.insert(kept.begin(), object->Found.Text(i));
    Run(*object, true);
    EXPECT_EQ(object->ErrorMessage, "");
    EXPECT_TRUE(object->PartialErrors.empty());
    auto again = (this->*c.make)();
    Run(*again, false);
    EXPECT_EQ(TextsOf(*again), kept);
    // The cookie left is the one the user kept, told apart from its twin by its path alone.
    if (std::string(c.name) == "cookies") {
      EXPECT_EQ(Value(chromeProfile1_ + "Network\\Cookies", "SELECT group_concat(path) FROM cookies"), "/");
    }
  }
  EXPECT_TRUE(Exists(chromeProfile1_ + "Login Data"));
  EXPECT_TRUE(Exists(chromeProfile1_ + "Bookmarks"));
}

TEST_F(BrowserTest, AScanReadsALogLeftBehindAndLeavesNoFileOfItsOwn) {
  // A browser that ended without closing its database leaves rows in the write-ahead log and no
  // shared-memory index; reading them needs one, which the scan removes again.
  const std::string firefox = roaming_ + "Mozilla\\Firefox\\";
  File(firefox + "profiles.ini", "[Profile0]\r\nName=crashed\r\nPath=Profiles/c\r\n");
  const std::string profile = firefox + "Profiles\\c\\";
  MakeDirs(profile);
  {
    TSQLiteDatabase live(base_ + "live.sqlite", TSQLiteOpen::Create);
    live.ExecuteScript(
        "PRAGMA journal_mode = WAL; PRAGMA wal_autocheckpoint = 0;"
        "CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, name TEXT, value TEXT, host TEXT,"
        " path TEXT, lastAccessed INTEGER);"
        "INSERT INTO moz_cookies VALUES (1, 'sid', 'v', '.example.com', '/', 5);");
    ASSERT_TRUE(::CopyFileA((base_ + "live.sqlite").c_str(), (profile + "cookies.sqlite").c_str(), FALSE));
    ASSERT_TRUE(::CopyFileA((base_ + "live.sqlite-wal").c_str(), (profile + "cookies.sqlite-wal").c_str(), FALSE));
  }
  locations_ = Discover();
  const auto before = Snapshot(profile);
  auto object = Make<TFirefoxCookiesObject>();
  Run(*object, false);
  EXPECT_EQ(object->ErrorMessage, "");
  EXPECT_EQ(TextsOf(*object), (Texts{"id=1,name=sid,value=v,host=.example.com,lastAccessed=5"}));
  EXPECT_EQ(Snapshot(profile), before);
}

TEST_F(BrowserTest, AnAbortedScanKeepsTheRowsFoundSoFarAndLetsGoOfTheDatabase) {
  LayOutChrome();
  auto object = Make<TChromeHistoryObject>();
  object->OnItem = [](TWorkObject* sender, TWorkDataPtr) {
    if (sender->Found.Count() == 3) sender->Aborted = true;
  };
  Run(*object, false);
  EXPECT_EQ(object->ErrorMessage, "");
  EXPECT_EQ(object->Found.Count(), 3);
  // Nothing holds the file any more: it can be opened for itself alone.
  unique_hfile file(::CreateFileA((chromeProfile1_ + "History").c_str(), GENERIC_READ | GENERIC_WRITE,
                                  0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(file);
}

TEST_F(BrowserTest, FirefoxCacheListsTheOldAndTheCurrentCacheOfEveryProfile) {
  LayOutFirefox();
  auto object = Make<TFirefoxCacheObject>();
  Run(*object, false);
  EXPECT_EQ(object->ErrorMessage, "");
  const std::string oldLocal = local_ + "Mozilla\\Firefox\\Profiles\\a.old\\";
  const std::string newLocal = local_ + "Mozilla\\Firefox\\Profiles\\b.new\\";
  Texts texts = TextsOf(*object);
  std::sort(texts.begin(), texts.end());
  EXPECT_EQ(texts, (Texts{oldLocal + "cache\\0A1B2C3D", oldLocal + "cache\\_CACHE_MAP_",
                          newLocal + "cache2\\entries\\ABCDEF0123", newLocal + "cache2\\index"}));
  for (int i = 0; i < object->Found.Count(); ++i)
    object->Found.Record(i).Checked = object->Found.Text(i) != newLocal + "cache2\\index";
  Run(*object, true);
  EXPECT_EQ(object->ErrorMessage, "");
  EXPECT_TRUE(Exists(newLocal + "cache2\\index"));
  EXPECT_FALSE(Exists(newLocal + "cache2\\entries\\ABCDEF0123"));
  EXPECT_FALSE(Exists(oldLocal + "cache\\_CACHE_MAP_"));
  EXPECT_TRUE(Exists(newLocal + "startupCache\\startupCache.8.little"));
}

TEST_F(BrowserTest, ADatabaseHeldByItsBrowserGivesTheLockedErrorAndIsLeftUnchanged) {
  LayOutChrome();
  // One profile, so that its database is the only one the cleaners read.
  RemoveTree(chromeProfile1_.substr(0, chromeProfile1_.size() - 1));
  const std::string history = chromeDefault_ + "History";
  auto object = Make<TChromeHistoryObject>();
  Run(*object, false);
  ASSERT_EQ(object->Found.Count(), 2);

  THolder browser(history);
  ASSERT_TRUE(browser.Holding());
  const std::string bytes = ReadAll(history);
  const auto before = Snapshot(base_);

  // The scan cannot read it.
  auto scan = Make<TChromeHistoryObject>();
  Run(*scan, false);
  EXPECT_EQ(scan->ErrorClass, "EDatabaseLocked");
  EXPECT_TRUE(scan->ErrorMessage.starts_with("Error executing SQL.\rError [5]: The database file is locked.\r"))
      << scan->ErrorMessage;
  EXPECT_EQ(scan->Found.Count(), 0);

  // The clean of an earlier scan writes nothing: every row is reported as not removed.
  reported_.clear();
  Run(*object, true);
  EXPECT_EQ(object->ErrorClass, "EDatabaseLocked");
  EXPECT_EQ(object->ErrorMessage, LockedDatabaseMessage("BEGIN EXCLUSIVE"));
  EXPECT_EQ(reported_.size(), 2u);
  for (int i = 0; i < object->Found.Count(); ++i) EXPECT_FALSE(object->Found.Record(i).CleanSucceeded);
  EXPECT_EQ(ReadAll(history), bytes);
  EXPECT_EQ(Snapshot(base_), before);
}

TEST_F(BrowserTest, ADamagedDatabaseGivesTheSQLiteErrorOnlyWhenNothingCouldBeRead) {
  LayOutFirefox();
  File(oldProfile_ + "formhistory.sqlite", std::string(4096, 'x'));
  auto object = Make<TFirefoxFormsObject>();
  Run(*object, false);
  EXPECT_EQ(object->ErrorMessage, "");  // the other profile's database was read...
  ASSERT_EQ(object->PartialErrors.size(), 1u);  // ...and the damaged one is an error naming it
  EXPECT_EQ(object->PartialErrors[0].className, "ESQLiteException");
  EXPECT_NE(object->PartialErrors[0].message.find(oldProfile_ + "formhistory.sqlite"), std::string::npos);
  EXPECT_EQ(TextsOf(*object), (Texts{oldProfile_ + "formhistory.dat",
                                     "Firefox (new): id=1,fieldname=searchbar-history,value=weather"}));

  File(newProfile_ + "formhistory.sqlite", std::string(4096, 'y'));
  object = Make<TFirefoxFormsObject>();
  Run(*object, false);
  EXPECT_EQ(object->ErrorClass, "ESQLiteException");
  EXPECT_TRUE(object->ErrorMessage.starts_with(
      "Error executing SQL.\rError [26]: File opened that is not a database file.\r"))
      << object->ErrorMessage;
  // The old-format file stays listed but unticked: the results do not show a failed object.
  ASSERT_EQ(object->Found.Count(), 1);
  EXPECT_FALSE(object->Found.Record(0).Checked);
}

TEST_F(BrowserTest, EveryBrowserMethodFailsWithItsLocationMessageWhenTheBrowserIsMissing) {
  const TWorkObjectBuilders& builders = CleanerBuilders();
  struct Case {
    const char* method;
    const char* className;
    const char* message;
  };
  const Case cases[] = {
      {"DeleteFirefoxCache", "TFirefoxCacheObject", "Firefox profile not found!"},
      {"DeleteFirefoxCookies", "TFirefoxCookiesObject", "Firefox profile not found!"},
      {"DeleteFirefoxHistory", "TFirefoxHistoryObject", "Firefox profile not found!"},
      {"DeleteFirefoxForms", "TFirefoxFormsObject", "Firefox profile not found!"},
      {"DeleteFirefoxDownloads", "TFirefoxDownloadsObject", "Firefox profile not found!"},
      {"DeleteFirefoxFavicons", "TFirefoxFaviconsObject", "Firefox profile not found!"},
      {"DeleteChromeCookies", "TChromeCookiesObject", "Chrome User Data not found!"},
      {"DeleteChromeHistory", "TChromeHistoryObject", "Chrome User Data not found!"},
      {"DeleteChromeKeywords", "TChromeKeywordsObject", "Chrome User Data not found!"},
      {"DeleteChromeDownloads", "TChromeDownloadsObject", "Chrome User Data not found!"},
      {"DeleteChromeThumbnails", "TChromeThumbnailsObject", "Chrome User Data not found!"},
      {"DeleteChromeFavicons", "TChromeFaviconsObject", "Chrome User Data not found!"},
      {"DeleteOperaCache", "TOperaCacheObject", "Opera not found!"},
      {"DeleteOperaCookies", "TOperaCookiesObject", "Opera not found!"},
      {"DeleteOperaHistory", "TOperaHistoryObject", "Opera not found!"},
      {"DeleteOperaTypedURLs", "TOperaTypedURLsObject", "Opera not found!"},
      {"DeleteOperaDownloads", "TOperaDownloadsObject", "Opera not found!"},
      {"DeleteOperaImages", "TOperaImagesObject", "Opera not found!"},
  };
  for (const Case& c : cases) {
    auto builder = builders.find(c.method);
    ASSERT_NE(builder, builders.end()) << c.method;
    TWorkObjectInit init;
    init.onWorkDone = [](TCustomWorkObject*) {};
    auto object = builder->second(init, {});
    EXPECT_STREQ(object->ClassName(), c.className);
    static_cast<TBrowserWorkObject&>(*object).Locations = locations_;  // an empty sandbox
    for (bool clean : {false, true}) {
      Run(*object, clean);
      EXPECT_EQ(object->ErrorClass, "Exception") << c.method;
      EXPECT_EQ(object->ErrorMessage, c.message) << c.method;
    }
  }
  // A profile without a cache folder yet is no error.
  LayOutFirefox();
  RemoveTree(local_ + "Mozilla");
  auto cache = Make<TFirefoxCacheObject>();
  Run(*cache, false);
  EXPECT_EQ(cache->ErrorMessage, "");
  EXPECT_EQ(cache->Found.Count(), 0);
}

TEST_F(BrowserTest, OperaObjectsListTheirFilesInOrderWithoutEnteringSubfolders) {
  const std::string opera = base_ + "Opera\\profile\\";
  for (const char* name : {"vlink4.dat", "cache4\\c1.tmp", "cache4\\c2.tmp", "cache4\\sub\\deep.tmp",
                           "cookies4.dat", "global.dat", "opera.win", "autopera.win", "opera.dir",
                           "download.dat", "cache4\\temporary_download\\t1.tmp", "images\\i1.png",
                           "images\\sub\\x.png", "wand.dat"})
    File(opera + name);
  auto located = std::make_shared<TBrowserLocations>(*locations_);
  located->OperaDir = opera;
  locations_ = located;

  struct Case {
    const char* name;
    std::unique_ptr<TWorkObject> (BrowserTest::*make)();
    Texts expected;
    std::size_t ordered = 99;  // the findings after these come from a folder, in its order
  };
  const Case cases[] = {
      {"cache", &BrowserTest::Make<TOperaCacheObject>, {"vlink4.dat", "cache4\\c1.tmp", "cache4\\c2.tmp"}, 1},
      {"cookies", &BrowserTest::Make<TOperaCookiesObject>, {"cookies4.dat"}},
      {"history", &BrowserTest::Make<TOperaHistoryObject>, {"global.dat", "opera.win", "autopera.win"}},
      {"typed", &BrowserTest::Make<TOperaTypedURLsObject>, {"opera.dir"}},
      {"downloads", &BrowserTest::Make<TOperaDownloadsObject>,
       {"download.dat", "cache4\\temporary_download\\t1.tmp"}},
      {"images", &BrowserTest::Make<TOperaImagesObject>, {"images\\i1.png"}},
  };
  for (const Case& c : cases) {
    auto object = (this->*c.make)();
    Run(*object, false);
    Texts expected;
    for (const std::string& name : c.expected) expected.push_back(opera + name);
    Texts found = TextsOf(*object);
    if (found.size() > c.ordered) std::sort(found.begin() + c.ordered, found.end());
    EXPECT_EQ(found, expected) << c.name;
  }

  // Aborted after the first history file was listed: the run ends with that one.
  auto history = Make<TOperaHistoryObject>();
  history->OnItem = [&](TWorkObject* sender, TWorkDataPtr) { sender->Aborted = true; };
  Run(*history, false);
  EXPECT_EQ(TextsOf(*history), (Texts{opera + "global.dat"}));

  // The clean removes the ticked files only.
  auto cache = Make<TOperaCacheObject>();
  Run(*cache, false);
  cache->Found.Record(0).Checked = false;
  Run(*cache, true);
  EXPECT_TRUE(Exists(opera + "vlink4.dat"));
  EXPECT_FALSE(Exists(opera + "cache4\\c1.tmp"));
  EXPECT_FALSE(Exists(opera + "cache4\\c2.tmp"));
  EXPECT_TRUE(Exists(opera + "cache4\\sub\\deep.tmp"));
  EXPECT_TRUE(Exists(opera + "wand.dat"));
}

// ---------------------------------------------------------------------------------------------
// Profiles written by the real browsers (see browser-fixtures/make-fixtures.sh)

// Every table.column of Database that holds a value containing Needle.
Texts Mentions(const std::string& database, const std::string& needle) {
  Texts found;
  TSQLiteDatabase db(database, TSQLiteOpen::ReadOnly);
  Texts tables;
  for (TSQLiteUniTable t = db.Query("SELECT name FROM sqlite_master WHERE type = 'table'"); !t.Eof(); t.Next())
    tables.push_back(t.FieldAsString(0));
  for (const std::string& table : tables) {
    for (TSQLiteUniTable t = db.Query("SELECT * FROM " + QuoteName(table)); !t.Eof(); t.Next())
      for (int i = 0; i < t.FieldCount(); ++i)
        if (t.FieldAsString(i).find(needle) != std::string::npos)
          found.push_back(table + "." + t.FieldNames()[i]);
  }
  return found;
}

// "ok" and nothing, when the database is whole.
std::string Soundness(const std::string& database) {
  TSQLiteDatabase db(database, TSQLiteOpen::ReadOnly);
  std::string out = db.Query("PRAGMA integrity_check").FieldAsString(0);
  for (TSQLiteUniTable t = db.Query("PRAGMA foreign_key_check"); !t.Eof(); t.Next())
    out += " " + t.FieldAsString(0) + "->" + t.FieldAsString(2);
  return out;
}

TEST_F(BrowserTest, RealProfilesAreCleanedOfEveryTraceAndNothingElse) {
  std::string fixtures = TW_BROWSER_FIXTURES;
  std::replace(fixtures.begin(), fixtures.end(), '/', '\\');
  auto copy = [&](const std::string& from, const std::string& to) {
    MakeDirs(to.substr(0, to.find_last_of('\\')));
    ASSERT_TRUE(::CopyFileA((fixtures + "\\" + from).c_str(), to.c_str(), FALSE)) << from;
  };
  // Chromium's "Default" and Chrome's "Profile 2", each with the databases Chromium wrote, the
  // files that are never touched, caches and a last session.
  const std::string chromium = local_ + "Chromium\\User Data\\";
  const std::string chrome = local_ + "Google\\Chrome\\User Data\\";
  const std::vector<std::string> chromeProfiles = {chromium + "Default\\", chrome + "Profile 2\\"};
  const Texts chromeDatabases = {"History", "Favicons", "Top Sites", "Web Data", "Network\\Cookies"};
  Texts untouched, caches;
  for (const std::string& profile : chromeProfiles) {
    for (const std::string& db : chromeDatabases)
      copy("chromium\\" + db.substr(db.find_last_of('\\') + 1), profile + db);
    for (const char* name : {"Login Data", "Login Data-journal", "Bookmarks", "Preferences"}) {
      File(profile + name, std::string("kept ") + name);
      untouched.push_back(profile + name);
    }
    for (const char* name : {"Cache\\Cache_Data\\f_000001", "Code Cache\\js\\index-dir\\the-real-index",
                             "GPUCache\\data_1", "Sessions\\Session_13400000000000000",
                             "Sessions\\Tabs_13400000000000000"}) {
      File(profile + name);
      caches.push_back(profile + name);
    }
  }
  for (const std::string& userData : {chromium, chrome}) {
    File(userData + "Local State", "kept");
    untouched.push_back(userData + "Local State");
    File(userData + "GrShaderCache\\data_0");
    caches.push_back(userData + "GrShaderCache\\data_0");
  }
  // A Firefox profile as Firefox ESR wrote it; no crash reports yet.
  const std::string firefox = roaming_ + "Mozilla\\Firefox\\";
  File(firefox + "profiles.ini", "[Profile0]\r\nName=default-release\r\nIsRelative=1\r\nPath=Profiles/f.default-release\r\n");
  const std::string fox = firefox + "Profiles\\f.default-release\\";
  for (const char* db : {"places.sqlite", "favicons.sqlite", "cookies.sqlite", "formhistory.sqlite"})
    copy(std::string("firefox\\") + db, fox + db);
  for (const char* name : {"logins.json", "key4.db", "cert9.db", "prefs.js"}) {
    File(fox + name, std::string("kept ") + name);
    untouched.push_back(fox + name);
  }
  File(fox + "sessionstore-backups\\recovery.jsonlz4");
  caches.push_back(fox + "sessionstore-backups\\recovery.jsonlz4");
  File(local_ + "Mozilla\\Firefox\\Profiles\\f.default-release\\cache2\\entries\\0123ABCD");
  caches.push_back(local_ + "Mozilla\\Firefox\\Profiles\\f.default-release\\cache2\\entries\\0123ABCD");
  locations_ = Discover();
  std::map<std::string, std::string> kept;
  for (const std::string& file : untouched) kept[file] = ReadAll(file);
  const std::string keptBookmarks =
      Value(fox + "places.sqlite", "SELECT group_concat(fk || ':' || IFNULL(title, '')) FROM moz_bookmarks");

  // Every Firefox and Chrome item, as the database names its actions.
  const TActionParams none;
  auto files = [](const char* browser, const char* place, const char* folder, const char* filter,
                  bool recurse) {
    TActionParams p = {{"place", place}, {"folder", folder}, {"fileFilter", filter},
                       {"recurse", recurse ? "true" : "false"}};
    if (*browser) p["browser"] = browser;
    return p;
  };
  const char* cr = "Google Chrome;Chromium";
  const std::vector<std::pair<const char*, TActionParams>> actions = {
      {"DeleteFirefoxCache", none}, {"DeleteFirefoxCookies", none}, {"DeleteFirefoxHistory", none},
      {"DeleteFirefoxForms", none}, {"DeleteFirefoxDownloads", none}, {"DeleteFirefoxFavicons", none},
      {"DeleteFirefoxFiles", files("", "data", "Crash Reports\\submitted", "*", true)},
      {"DeleteFirefoxFiles", files("", "data", "Crash Reports\\pending", "*", true)},
      {"DeleteFirefoxFiles", files("", "profile", "", "sessionstore.jsonlz4;sessionstore.js", false)},
      {"DeleteFirefoxFiles", files("", "profile", "sessionstore-backups", "*", false)},
      {"DeleteChromeCookies", none}, {"DeleteChromeHistory", none}, {"DeleteChromeKeywords", none},
      {"DeleteChromeDownloads", none}, {"DeleteChromeThumbnails", none}, {"DeleteChromeFavicons", none},
      {"DeleteChromeAutofill", none},
      {"DeleteChromiumFiles", files(cr, "profile", "Cache\\Cache_Data", "*", false)},
      {"DeleteChromiumFiles", files(cr, "profile", "Code Cache", "*", true)},
      {"DeleteChromiumFiles", files(cr, "profile", "GPUCache", "*", false)},
      {"DeleteChromiumFiles", files(cr, "data", "GrShaderCache", "*", true)},
      {"DeleteChromiumFiles", files(cr, "data", "ShaderCache", "*", true)},
      {"DeleteChromiumFiles", files(cr, "profile", "Service Worker\\CacheStorage", "*", true)},
      {"DeleteChromiumFiles", files(cr, "data", "Crashpad\\reports", "*", true)},
      {"DeleteChromiumFiles", files(cr, "profile", "Sessions", "Session_*;Tabs_*", false)},
  };
  std::vector<std::unique_ptr<TWorkObject>> objects;
  const auto before = Snapshot(base_);
  for (const auto& [method, params] : actions) {
    TWorkObjectInit init;
    init.onWorkDone = [](TCustomWorkObject*) {};
    auto object = CleanerBuilders().at(method)(init, params);
    static_cast<TBrowserWorkObject&>(*object).Locations = locations_;
    Run(*object, false);
    // Absent optional folders (crash reports, shader cache) are nothing found, not errors.
    EXPECT_EQ(object->ErrorMessage, "") << method;
    EXPECT_TRUE(object->PartialErrors.empty()) << method;
    objects.push_back(std::move(object));
  }
  EXPECT_EQ(Snapshot(base_), before) << "a scan changed or created a file";
  // Site icons are found on today's Firefox.
  const Texts icons = TextsOf(*objects[5]);
  EXPECT_TRUE(std::any_of(icons.begin(), icons.end(),
                          [](const std::string& t) { return t.find("/icon.png") != std::string::npos; }));

  // The traces are there before the clean.
  EXPECT_NE(Mentions(chromeProfiles[1] + "History", "tidewhisk"), Texts{});
  EXPECT_NE(Mentions(chromeProfiles[1] + "Favicons", "news.html"), Texts{});
  EXPECT_NE(Mentions(fox + "places.sqlite", "tidewhisk"), Texts{});
  EXPECT_NE(Mentions(fox + "favicons.sqlite", "news.html"), Texts{});
  EXPECT_NE(Value(fox + "places.sqlite", "SELECT count(*) FROM moz_inputhistory"), "0");
  for (auto& object : objects) {
    Run(*object, true);
    EXPECT_EQ(object->ErrorMessage, "") << object->ClassName();
    EXPECT_TRUE(object->PartialErrors.empty()) << object->ClassName();
    for (int i = 0; i < object->Found.Count(); ++i)
      EXPECT_TRUE(object->Found.Record(i).CleanSucceeded) << object->Found.Text(i);
  }

  for (const std::string& file : caches) EXPECT_FALSE(Exists(file)) << file;
  for (const auto& [file, bytes] : kept) EXPECT_EQ(ReadAll(file), bytes) << file;
  // Nothing names a page, site, search or form entry that was removed.
  const Texts chromeNeedles = {"127.0.0.1", "localhost", "tidewhisk", "fixture@example.org"};
  for (const std::string& profile : chromeProfiles) {
    for (const std::string& db : {"History", "Favicons", "Top Sites", "Network\\Cookies"}) {
      SCOPED_TRACE(profile + db);
      EXPECT_EQ(Soundness(profile + db), "ok");
      for (const std::string& needle : chromeNeedles) EXPECT_EQ(Mentions(profile + db, needle), Texts{}) << needle;
    }
    EXPECT_EQ(Value(profile + "Web Data", "SELECT count(*) FROM autofill"), "0");
    EXPECT_EQ(Soundness(profile + "Web Data"), "ok");
  }
  const Texts foxNeedles = {"news.html", "search?q=", "form.html", "thanks.html", "download.html",
                            "report", "typed.html", "stay=1", "tidewhisk", "fixture@example.org", "Lyon"};
  for (const char* db : {"places.sqlite", "favicons.sqlite", "cookies.sqlite", "formhistory.sqlite"}) {
    SCOPED_TRACE(db);
    EXPECT_EQ(Soundness(fox + db), "ok");
    for (const std::string& needle : foxNeedles) EXPECT_EQ(Mentions(fox + db, needle), Texts{}) << needle;
  }
  EXPECT_EQ(Mentions(fox + "cookies.sqlite", "127.0.0.1"), Texts{});
  EXPECT_EQ(Mentions(fox + "cookies.sqlite", "localhost"), Texts{});
  // Bookmarked and keyword pages stay, without their history.
  EXPECT_EQ(Value(fox + "places.sqlite", "SELECT group_concat(fk || ':' || IFNULL(title, '')) FROM moz_bookmarks"),
            keptBookmarks);
  EXPECT_EQ(Value(fox + "places.sqlite", "SELECT count(*) FROM moz_historyvisits"), "0");
  EXPECT_EQ(Value(fox + "places.sqlite", "SELECT count(*) FROM moz_places WHERE url LIKE '%bookmarked.html'"), "1");
  EXPECT_EQ(Value(fox + "places.sqlite", "SELECT count(*) FROM moz_inputhistory"), "0");
}

TEST_F(BrowserTest, ALockedOrDamagedDatabaseOfOneProfileIsAnErrorNamingItWhileOthersAreCleaned) {
  LayOutChrome();
  const std::string defaultHistory = chromeDefault_ + "History";
  const std::string profileHistory = chromeProfile1_ + "History";
  {
    THolder browser(defaultHistory);
    ASSERT_TRUE(browser.Holding());
    auto object = Make<TChromeHistoryObject>();
    Run(*object, false);
    EXPECT_EQ(object->ErrorMessage, "");  // the other profile was read...
    EXPECT_EQ(object->Found.Count(), 2);
    ASSERT_EQ(object->PartialErrors.size(), 1u);  // ...and the held file is an error of its own
    EXPECT_EQ(object->PartialErrors[0].className, "EDatabaseLocked");
    EXPECT_NE(object->PartialErrors[0].message.find(defaultHistory), std::string::npos);
  }
  // The clean of a scan made before the browser started: one database is cleaned, the held one
  // is an error and its rows count as not removed.
  auto earlier = Make<TChromeHistoryObject>();
  Run(*earlier, false);
  ASSERT_EQ(earlier->Found.Count(), 4);
  {
    THolder browser(profileHistory);
    ASSERT_TRUE(browser.Holding());
    Run(*earlier, true);
  }
  EXPECT_EQ(earlier->ErrorMessage, "");
  ASSERT_EQ(earlier->PartialErrors.size(), 1u);
  EXPECT_EQ(earlier->PartialErrors[0].className, "EDatabaseLocked");
  EXPECT_NE(earlier->PartialErrors[0].message.find(profileHistory), std::string::npos);
  for (int i = 0; i < earlier->Found.Count(); ++i)
    EXPECT_EQ(earlier->Found.Record(i).CleanSucceeded, i < 2) << earlier->Found.Text(i);
  // Damaged: the same, with the SQLite error.
  File(profileHistory, std::string(4096, 'x'));
  auto damaged = Make<TChromeHistoryObject>();
  Run(*damaged, false);
  EXPECT_EQ(damaged->ErrorMessage, "");
  ASSERT_EQ(damaged->PartialErrors.size(), 1u);
  EXPECT_EQ(damaged->PartialErrors[0].className, "ESQLiteException");
  EXPECT_NE(damaged->PartialErrors[0].message.find(profileHistory), std::string::npos);
}

TEST_F(BrowserTest, ProfileFilesAreListedInEveryProfileOfTheNamedBrowsers) {
  // Opera keeps its profile in the roaming folder and its cache in the local one; Edge has two
  // profiles; Brave is not installed.
  const std::string opera = roaming_ + "Opera Software\\Opera Stable\\";
  const std::string operaLocal = local_ + "Opera Software\\Opera Stable\\";
  const std::string edge = local_ + "Microsoft\\Edge\\User Data\\";
  File(opera + "Preferences");
  File(operaLocal + "Cache\\Cache_Data\\f_000001");
  File(opera + "Code Cache\\js\\index");
  File(edge + "Default\\Cache\\Cache_Data\\f_000002");
  File(edge + "Profile 3\\Cache\\Cache_Data\\f_000003");
  File(edge + "Profile 3\\Cache\\Cache_Data\\Login Data");  // never listed, wherever it lies
  MakeDirs(edge + "Profile 3\\Cache\\Cache_Data\\sub");
  auto make = [&](const char* browser, const char* place, const char* folder, bool recurse) {
    auto object = Make<TBrowserFilesObject>();
    auto& files = static_cast<TBrowserFilesObject&>(*object);
    files.Browser = browser;
    files.Place = place;
    files.Folder = folder;
    files.Recurse = recurse;
    return object;
  };
  struct Case {
    const char* browser;
    const char* folder;
    bool recurse;
    Texts expected;
    const char* error = "";
  };
  const Case cases[] = {
      {"Opera", "Cache\\Cache_Data", false, {operaLocal + "Cache\\Cache_Data\\f_000001"}},
      {"Opera", "Code Cache", true, {opera + "Code Cache\\js\\index"}},
      {"Opera", "Code Cache", false, {}},
      {"Microsoft Edge", "Cache\\Cache_Data", false,
       {edge + "Default\\Cache\\Cache_Data\\f_000002", edge + "Profile 3\\Cache\\Cache_Data\\f_000003"}},
      {"Microsoft Edge", "Service Worker\\CacheStorage", true, {}},  // absent: nothing, no error
      {"Brave", "Cache\\Cache_Data", false, {}, "Chrome User Data not found!"},
      {"Opera GX", "Cache\\Cache_Data", false, {}, "Opera not found!"},
      {"Firefox", "sessionstore-backups", false, {}, "Firefox profile not found!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.browser) + " " + c.folder);
    auto object = make(c.browser, "profile", c.folder, c.recurse);
    Run(*object, false);
    EXPECT_EQ(object->ErrorMessage, c.error);
    EXPECT_EQ(TextsOf(*object), c.expected);
  }
  auto cache = make("Microsoft Edge", "profile", "Cache\\Cache_Data", false);
  Run(*cache, false);
  Run(*cache, true);
  EXPECT_EQ(cache->ErrorMessage, "");
  EXPECT_FALSE(Exists(edge + "Profile 3\\Cache\\Cache_Data\\f_000003"));
  EXPECT_TRUE(Exists(edge + "Profile 3\\Cache\\Cache_Data\\Login Data"));
}

}  // namespace
}  // namespace tw
