// The browser databases without the profiles around them: the SQLite layer's messages, the rows
// each cleaner lists in old and current layouts, and the removal of exactly one row.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "BrowserFixtures.h"
#include "cleaners/browsers/portable/BrowserPlaces.h"
#include "cleaners/browsers/portable/BrowserTables.h"
#include "cleaners/browsers/portable/IniText.h"
#include "cleaners/browsers/portable/SQLite.h"

namespace tw {
namespace {

namespace fs = std::filesystem;
using fixtures::TDatabaseFile;
using Texts = std::vector<std::string>;

class BrowserDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<int> counter{0};
    dir_ = fs::temp_directory_path() /
           ("tw_browserdb_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + std::to_string(++counter));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path PathOf(const char* file) const {
    std::string relative = file;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return dir_ / fs::path(relative);
  }
  std::string Build(const TDatabaseFile& file) const {
    const fs::path path = PathOf(file.File);
    fs::create_directories(path.parent_path());
    TSQLiteDatabase database(path.string(), TSQLiteOpen::Create);
    database.ExecuteScript("PRAGMA synchronous = OFF");  // a fixture need not survive a crash
    database.ExecuteScript(file.Script);
    return path.string();
  }
  void BuildAll(std::span<const TDatabaseFile> layout) const {
    for (const TDatabaseFile& file : layout) Build(file);
  }

  // The texts of every row the sources list, in order, from the files that exist.
  Texts List(std::span<const TRowSource> sources, std::vector<TRowKey>* keys = nullptr) const {
    Texts texts;
    for (const TRowSource& source : sources) {
      const fs::path path = PathOf(source.File);
      if (!fs::exists(path)) continue;
      TSQLiteDatabase database(path.string(), TSQLiteOpen::ReadOnly);
      ListRows(database, source, [&](std::string&& text, TRowKey&& key) {
        texts.push_back(text);
        if (keys) keys->push_back(std::move(key));
        return true;
      });
    }
    return texts;
  }
  std::string Value(const char* file, const std::string& sql) const {
    TSQLiteDatabase database(PathOf(file).string(), TSQLiteOpen::ReadOnly);
    TSQLiteUniTable table = database.Query(sql);
    return table.Eof() ? "<none>" : table.FieldAsString(0);
  }
  // Removes the rows of Keys whose text is in Wanted, in one transaction.
  void Remove(const char* file, const Texts& texts, const std::vector<TRowKey>& keys,
              const Texts& wanted) const {
    TSQLiteDatabase database(PathOf(file).string(), TSQLiteOpen::ReadWrite);
    database.BeginTransaction();
    for (std::size_t i = 0; i < texts.size(); ++i) {
      if (std::find(wanted.begin(), wanted.end(), texts[i]) != wanted.end()) {
        EXPECT_TRUE(RemoveRow(database, keys[i])) << texts[i];
      }
    }
    database.Commit();
  }

  fs::path dir_;
};

// ---------------------------------------------------------------------------------------------

TEST_F(BrowserDatabaseTest, EachCleanerListsTheRowsItsFilterKeepsInOldAndCurrentLayouts) {
  struct Case {
    const char* name;
    std::span<const TRowSource> (*sources)();
    std::span<const TDatabaseFile> layout;
    Texts expected;
  };
  const Case cases[] = {
      {"firefox cookies, old", FirefoxCookieSources, fixtures::kFirefoxOld,
       {"id=1,name=sid,value=a,b,host=.example.com,lastAccessed=1300000000000000",
        "id=2,name=pref,value=über,host=shop.example.org,lastAccessed=1300000000000001"}},
      {"firefox cookies, current", FirefoxCookieSources, fixtures::kFirefoxCurrent,
       {"id=1,name=sid,value=v1,host=.example.com,lastAccessed=1700000000000000",
        "id=2,name=sid,value=v2,host=.example.com,lastAccessed=1700000000000001"}},
      // Hidden and bookmarked places stay, and so does one a keyword refers to; those with
      // visits are listed after the others, for their visits alone.
      {"firefox history, old", FirefoxHistorySources, fixtures::kFirefoxOld,
       {"id=1,url=http://a.example/,title=A,visit_count=3",
        "id=5,url=http://c.example/,title=C, with comma,visit_count=2",
        "id=2,url=http://bookmarked.example/,title=B,visit_count=1"}},
      {"firefox history, current", FirefoxHistorySources, fixtures::kFirefoxCurrent,
       {"id=1,url=https://news.example/,title=News,visit_count=4",
        "id=4,url=https://dl.example/file.zip,title=,visit_count=1",
        "id=2,url=https://bm.example/,title=Bookmarked,visit_count=1"}},
      {"firefox forms, old", FirefoxFormSources, fixtures::kFirefoxOld,
       {"id=1,fieldname=q,value=tidewhisk", "id=2,fieldname=email,value=me@example.com"}},
      {"firefox forms, current", FirefoxFormSources, fixtures::kFirefoxCurrent,
       {"id=1,fieldname=searchbar-history,value=weather"}},
      {"firefox downloads, old", FirefoxDownloadSources, fixtures::kFirefoxOld,
       {"id=1,name=setup.exe,source=http://dl.example/setup.exe,"
        "target=file:///C:/Downloads/setup.exe"}},
      {"firefox downloads, current", FirefoxDownloadSources, fixtures::kFirefoxCurrent,
       {"id=4,name=file.zip,source=https://dl.example/file.zip,"
        "target=file:///C:/Users/me/Downloads/file.zip"}},
      // An expiration of 0 stays; an empty one is listed.
      {"firefox favicons, old", FirefoxFaviconSources, fixtures::kFirefoxOld,
       {"id=1,url=http://a.example/favicon.ico", "id=3,url=http://null.example/favicon.ico"}},
      {"firefox favicons, current", FirefoxFaviconSources, fixtures::kFirefoxCurrent,
       {"id=1,url=https://news.example/favicon.ico"}},
      {"chrome cookies, old", ChromeCookieSources, fixtures::kChromeOld,
       {"creation_utc=12900000000000000,host_key=.example.com,name=SID"}},
      {"chrome cookies, current", ChromeCookieSources, fixtures::kChromeCurrent,
       {"creation_utc=13300000000000000,host_key=.example.com,name=NID",
        "creation_utc=13300000000000000,host_key=.example.com,name=NID"}},
      {"chrome history, old", ChromeHistorySources, fixtures::kChromeOld,
       {"id=1,url=http://www.example.com/,title=Example",
        "id=2,url=http://search.example/?q=Tide,title=Tide - Search"}},
      {"chrome history, current", ChromeHistorySources, fixtures::kChromeCurrent,
       {"id=1,url=https://www.example.com/,title=Example",
        "id=2,url=https://www.example.com/?q=weather,title=weather"}},
      {"chrome keywords, old", ChromeKeywordSources, fixtures::kChromeOld,
       {"keyword_id=2,url_id=2,lower_term=tide,term=Tide"}},
      {"chrome keywords, current", ChromeKeywordSources, fixtures::kChromeCurrent,
       {"keyword_id=2,url_id=2,normalized_term=weather,term=Weather"}},
      {"chrome downloads, old", ChromeDownloadSources, fixtures::kChromeOld,
       {"id=1,full_path=C:\\Downloads\\a.pdf,url=http://www.example.com/a.pdf"}},
      {"chrome downloads, current", ChromeDownloadSources, fixtures::kChromeCurrent,
       {"id=1,target_path=C:\\Users\\me\\Downloads\\b.zip,url=https://cdn.example/b.zip",
        "id=2,target_path=C:\\Users\\me\\Downloads\\c.zip,url=https://cdn.example/c.zip"}},
      {"chrome thumbnails, old", ChromeThumbnailSources, fixtures::kChromeOld,
       {"url_id=1,last_updated=12900000000000000"}},
      {"chrome thumbnails, current", ChromeThumbnailSources, fixtures::kChromeCurrent, {}},
      {"chrome favicons, old", ChromeFaviconSources, fixtures::kChromeOld,
       {"id=1,url=http://www.example.com/favicon.ico,last_updated=12900000000000000"}},
      {"chrome favicons, current", ChromeFaviconSources, fixtures::kChromeCurrent,
       {"id=1,url=https://www.example.com/favicon.ico,last_updated=13300000000000005"}},
  };
  for (const Case& c : cases) {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    BuildAll(c.layout);
    EXPECT_EQ(List(c.sources()), c.expected) << c.name;
  }
}

TEST_F(BrowserDatabaseTest, RemovesExactlyTheRowWithWhatBelongsToIt) {
  BuildAll(fixtures::kChromeCurrent);
  // Two cookies with the same creation time, host and name: only the path tells them apart.
  std::vector<TRowKey> keys;
  Texts texts = List(ChromeCookieSources(), &keys);
  ASSERT_EQ(texts.size(), 2u);
  {
    TSQLiteDatabase database(PathOf("Network\\Cookies").string(), TSQLiteOpen::ReadWrite);
    EXPECT_TRUE(RemoveRow(database, keys[1]));
  }
  EXPECT_EQ(Value("Network\\Cookies", "SELECT group_concat(path) FROM cookies"), "/");

  // A download goes with its chain of addresses and its slices; the other's stay.
  keys.clear();
  texts = List(ChromeDownloadSources(), &keys);
  Remove("History", texts, keys, {texts[1]});
  EXPECT_EQ(Value("History", "SELECT group_concat(id) FROM downloads"), "1");
  EXPECT_EQ(Value("History", "SELECT group_concat(id || ':' || chain_index) FROM downloads_url_chains"),
            "1:0,1:1");
  EXPECT_EQ(Value("History", "SELECT count(*) FROM downloads_slices"), "0");

  // A page goes with its visits; a favicon with its bitmaps and mappings.
  keys.clear();
  texts = List(ChromeHistorySources(), &keys);
  Remove("History", texts, keys, {texts[0]});
  EXPECT_EQ(Value("History", "SELECT group_concat(url) FROM visits"), "2");
  keys.clear();
  texts = List(ChromeFaviconSources(), &keys);
  Remove("Favicons", texts, keys, texts);
  EXPECT_EQ(Value("Favicons", "SELECT count(*) FROM favicon_bitmaps") +
                Value("Favicons", "SELECT count(*) FROM icon_mapping"),
            "00");

  // A Firefox download is its annotations; the page (history) and other annotations stay.
  fs::remove_all(dir_);
  fs::create_directories(dir_);
  BuildAll(fixtures::kFirefoxCurrent);
  keys.clear();
  texts = List(FirefoxDownloadSources(), &keys);
  Remove("places.sqlite", texts, keys, texts);
  EXPECT_EQ(Value("places.sqlite", "SELECT group_concat(id) FROM moz_annos"), "3");
  EXPECT_EQ(Value("places.sqlite", "SELECT url FROM moz_places WHERE id = 4"),
            "https://dl.example/file.zip");
}

TEST_F(BrowserDatabaseTest, TheRemovalChecksAgainWhatTheScanFiltered) {
  BuildAll(fixtures::kFirefoxCurrent);
  std::vector<TRowKey> keys;
  const Texts texts = List(FirefoxHistorySources(), &keys);
  // Listed: the page nothing keeps (id 4 is a download's page), and the kept pages with visits,
  // whose history goes while their rows stay.
  ASSERT_EQ(texts, (Texts{"id=1,url=https://news.example/,title=News,visit_count=4",
                          "id=4,url=https://dl.example/file.zip,title=,visit_count=1",
                          "id=2,url=https://bm.example/,title=Bookmarked,visit_count=1"}));
  struct Case {
    const char* name;
    const char* change;  // made between the scan and the clean
    bool removed;
    const char* places;  // left afterwards
    const char* visits;
  };
  const Case cases[] = {
      {"unchanged", "", true, "2,3,5", ""},
      {"bookmarked since the scan",
       "INSERT INTO moz_bookmarks (id, type, fk, parent, title) VALUES (9, 1, 1, 0, 'new');"
       "UPDATE moz_places SET foreign_count = 1 WHERE id = 1;",
       false, "1,2,3,5", "1"},
      {"given a keyword since the scan", "UPDATE moz_places SET foreign_count = 1 WHERE id = 1;", false,
       "1,2,3,5", "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    BuildAll(fixtures::kFirefoxCurrent);
    TSQLiteDatabase database(PathOf("places.sqlite").string(), TSQLiteOpen::ReadWrite);
    database.ExecuteScript(c.change);
    database.BeginTransaction();
    EXPECT_EQ(RemoveRow(database, keys[0]), c.removed);
    EXPECT_TRUE(RemoveRow(database, keys[1]));
    EXPECT_TRUE(RemoveRow(database, keys[2]));
    database.Commit();
    EXPECT_EQ(Value("places.sqlite", "SELECT group_concat(id) FROM moz_places"), c.places);
    EXPECT_EQ(Value("places.sqlite", "SELECT IFNULL(group_concat(place_id), '') FROM moz_historyvisits"),
              c.visits);
    EXPECT_EQ(Value("places.sqlite", "SELECT visit_count FROM moz_places WHERE id = 2"), "0");
  }
}

TEST_F(BrowserDatabaseTest, ARowIsFoundAgainByWhatIdentifiesItNotByItsRowidAlone) {
  BuildAll(fixtures::kChromeOld);
  std::vector<TRowKey> keys;
  const Texts texts = List(ChromeKeywordSources(), &keys);
  ASSERT_EQ(texts.size(), 1u);
  auto remove = [&] {
    TSQLiteDatabase database(PathOf("History").string(), TSQLiteOpen::ReadWrite);
    return RemoveRow(database, keys[0]);
  };
  auto terms = [&] {
    return Value("History", "SELECT group_concat(rowid || ':' || term, ' ') FROM keyword_search_terms");
  };
  TSQLiteDatabase database(PathOf("History").string(), TSQLiteOpen::ReadWrite);

  // Its rowid now holds another search, and the listed one is gone: nothing is removed.
  database.ExecuteScript("UPDATE keyword_search_terms SET term = 'Other' WHERE rowid = 1");
  EXPECT_TRUE(remove());
  EXPECT_EQ(terms(), "1:Other");

  // The listed search moved to another rowid (as a rebuild of the file may do): that one goes.
  database.ExecuteScript(
      "INSERT INTO keyword_search_terms (rowid, keyword_id, url_id, lower_term, term) "
      "VALUES (7, 2, 2, 'tide', 'Tide')");
  EXPECT_TRUE(remove());
  EXPECT_EQ(terms(), "1:Other");

  // Two rows hold the listed values and neither at its rowid: it cannot be told which, so none.
  database.ExecuteScript(
      "INSERT INTO keyword_search_terms (rowid, keyword_id, url_id, lower_term, term) "
      "VALUES (8, 2, 2, 'tide', 'Tide'), (9, 2, 2, 'tide', 'Tide')");
  EXPECT_FALSE(remove());
  EXPECT_EQ(terms(), "1:Other 8:Tide 9:Tide");
}

TEST_F(BrowserDatabaseTest, SQLiteLayerReportsFailuresWithCodeMeaningStatementAndMessage) {
  struct CodeText {
    int code;
    const char* text;
  };
  for (const CodeText& c : {CodeText{0, "Successful result"}, {5, "The database file is locked"},
                            {19, "Abort due to contraint violation"},
                            {26, "File opened that is not a database file"},
                            {100, "sqlite3_step() has another row ready"},
                            {101, "sqlite3_step() has finished executing"},
                            {27, "Unknown SQLite Error Code \"27\""}})
    EXPECT_EQ(SQLiteErrorText(c.code), c.text) << c.code;

  auto message = [](auto&& action) {
    try {
      action();
    } catch (const ESQLiteException& e) {
      return std::string(e.what());
    }
    return std::string("<no error>");
  };

  // A file that is not there is reported, not created.
  const std::string missing = (dir_ / "missing.sqlite").string();
  EXPECT_EQ(message([&] { TSQLiteDatabase database(missing, TSQLiteOpen::ReadOnly); }),
            "Failed to open database \"" + missing + "\" : unable to open database file");
  EXPECT_EQ(message([&] { TSQLiteDatabase database(missing, TSQLiteOpen::ReadWrite); }),
            "Failed to open database \"" + missing + "\" : unable to open database file");
  EXPECT_FALSE(fs::exists(missing));

  // A file that is not a database.
  const fs::path junk = dir_ / "junk.sqlite";
  { std::ofstream(junk) << std::string(4096, 'x'); }
  EXPECT_EQ(message([&] {
              TSQLiteDatabase database(junk.string(), TSQLiteOpen::ReadOnly);
              database.Query("SELECT * FROM moz_cookies");
            }),
            "Error executing SQL.\rError [26]: File opened that is not a database file.\r"
            "\"SELECT * FROM moz_cookies\": file is not a database");

  const std::string path = Build({"t.sqlite", "CREATE TABLE t (a, b); INSERT INTO t VALUES (1, NULL);"});
  TSQLiteDatabase database(path, TSQLiteOpen::ReadWrite);
  EXPECT_EQ(message([&] { database.Query("SELECT * FROM nope"); }),
            "Error executing SQL.\rError [1]: SQL error or missing database.\r"
            "\"SELECT * FROM nope\": no such table: nope");
  EXPECT_EQ(message([&] { database.Query("  "); }), "Could not prepare SQL statement");
  EXPECT_EQ(message([&] { database.Execute("INSERT INTO t VALUES (1, 2, 3)"); }),
            "Error executing SQL.\rError [1]: SQL error or missing database.\r"
            "\"INSERT INTO t VALUES (1, 2, 3)\": table t has 2 columns but 3 values were supplied");
  TSQLiteUniTable rows = database.Query("SELECT a, b FROM t");
  EXPECT_EQ(rows.FieldAsString("A"), "1");
  EXPECT_EQ(rows.FieldAsString("b"), "");  // NULL
  EXPECT_EQ(message([&] { rows.FieldAsString("c"); }), "Field not found in dataset: c");
  TSQLiteUniTable none = database.Query("DELETE FROM t WHERE 0");
  EXPECT_EQ(message([&] { none.FieldAsString("a"); }), "Field a Not found. Empty dataset");
}

// A listing writes integers out itself and reads every other value once; its text must still be
// SQLite's own text of the value, and a key must give back the value as it was stored.
TEST_F(BrowserDatabaseTest, ListedTextsAreSQLiteTextsOfEveryKindOfValue) {
  const char* values[] = {"0", "-1", "9223372036854775807", "-9223372036854775807 - 1",
                          "0.1", "-0.0", "100.0", "1e300", "''", "'über, 東京'", "NULL",
                          "x''", "x'41004243'", "CAST(12 AS TEXT)"};
  static constexpr TFieldChoice kFields[] = {{0, "v", "v"}};
  static constexpr const char* kIdentity[] = {"v"};
  static constexpr TRowSource kSource[] = {
      {.File = "v.sqlite", .Table = "t", .Fields = kFields, .Identity = kIdentity}};
  std::string script = "CREATE TABLE t (n INTEGER PRIMARY KEY, v);";
  for (std::size_t i = 0; i < std::size(values); ++i)
    script += "INSERT INTO t VALUES (" + std::to_string(i + 1) + ", " + values[i] + ");";
  Build({"v.sqlite", script.c_str()});

  std::vector<TRowKey> keys;
  const Texts texts = List(kSource, &keys);
  ASSERT_EQ(texts.size(), std::size(values));
  TSQLiteDatabase database(PathOf("v.sqlite").string(), TSQLiteOpen::ReadOnly);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const TSQLValue n = static_cast<std::int64_t>(i + 1);
    std::vector<TSQLValue> params = {n};
    const std::vector<TSQLValue> key = KeyValues(keys[i]);
    ASSERT_EQ(key.size(), 1u) << values[i];
    params.push_back(key[0]);
    TSQLiteUniTable stored = database.Query("SELECT v, v IS ?2 FROM t WHERE n = ?1", params);
    EXPECT_EQ(texts[i], "v=" + stored.FieldAsString(0)) << values[i];
    EXPECT_EQ(stored.FieldAsInteger(1), 1) << values[i];
  }
}

TEST_F(BrowserDatabaseTest, TransactionsEndWithCommitOrAreRolledBackWhenTheDatabaseIsFreed) {
  const std::string path = Build({"t.sqlite", "CREATE TABLE t (a); INSERT INTO t VALUES (1), (2);"});
  {
    TSQLiteDatabase database(path, TSQLiteOpen::ReadWrite);
    database.BeginTransaction();
    database.Execute("DELETE FROM t WHERE a = 1");
  }
  EXPECT_EQ(Value("t.sqlite", "SELECT group_concat(a) FROM t"), "1,2");
  {
    TSQLiteDatabase database(path, TSQLiteOpen::ReadWrite);
    database.BeginTransaction();
    const TSQLValue two = std::int64_t{2};
    EXPECT_EQ(database.Execute("DELETE FROM t WHERE a = ?1", {&two, 1}), 1);
    database.Commit();
  }
  EXPECT_EQ(Value("t.sqlite", "SELECT group_concat(a) FROM t"), "1");
}

TEST_F(BrowserDatabaseTest, AnUnchangingReadOfALoggedDatabaseCreatesNoFile) {
  const std::string path = Build(fixtures::kFirefoxCurrent[0]);  // write-ahead log, now closed
  const auto before = std::distance(fs::directory_iterator(dir_), fs::directory_iterator());
  {
    TSQLiteDatabase database(path, TSQLiteOpen::Unchanging);
    EXPECT_FALSE(database.Query("SELECT * FROM moz_cookies").Eof());
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), before);
}

// ---------------------------------------------------------------------------------------------

TEST(BrowserPlaces, FirefoxProfilesComeFromEverySectionUpToTheFirstGap) {
  const TIniText ini(
      "\xEF\xBB\xBF[General]\r\nStartWithLastProfile=1\r\n\r\n"
      "[Profile1]\r\nName=work\r\nIsRelative=0\r\nPath=D:\\Firefox\\work\r\n\r\n"
      "[profile0]\r\nname=default-release\r\nisrelative=1\r\npath=Profiles/abcd.default-release\r\n"
      "Path=ignored\r\n"
      "[Profile2]\r\nName=plain\r\nPath=efgh.plain\r\n"
      "[Profile4]\r\nName=after a gap\r\nPath=Profiles/x\r\n");
  const std::vector<TFirefoxProfileEntry> entries = FirefoxProfileEntries(ini);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].Name, "default-release");
  EXPECT_EQ(entries[0].Path, "Profiles/abcd.default-release");
  EXPECT_FALSE(entries[1].IsRelative);
  EXPECT_TRUE(entries[2].IsRelative);

  const std::string ini_folder = "C:\\Users\\me\\AppData\\Roaming\\Mozilla\\Firefox\\";
  using Folders = std::vector<std::string>;
  EXPECT_EQ(FirefoxProfileFolders(ini_folder, entries[0]),
            (Folders{ini_folder + "Profiles\\abcd.default-release\\"}));
  EXPECT_EQ(FirefoxProfileFolders(ini_folder, entries[1]), (Folders{"D:\\Firefox\\work\\"}));
  EXPECT_EQ(FirefoxProfileFolders(ini_folder, entries[2]), (Folders{ini_folder + "efgh.plain\\"}));
  EXPECT_EQ(FirefoxProfileFolders(ini_folder, {"x", "Data/y", true}),
            (Folders{ini_folder + "Data\\y\\", ini_folder + "Profiles\\y\\"}));

  const std::string roaming = "C:\\Users\\me\\AppData\\Roaming\\", local = "C:\\Users\\me\\AppData\\Local\\";
  EXPECT_EQ(FirefoxLocalFolder(roaming + "Mozilla\\Firefox\\Profiles\\a\\", roaming, local),
            local + "Mozilla\\Firefox\\Profiles\\a\\");
  EXPECT_EQ(FirefoxLocalFolder("D:\\Firefox\\work\\", roaming, local), "D:\\Firefox\\work\\");
  EXPECT_EQ(FirefoxLocalFolder(roaming + "Mozilla\\Firefox\\Profiles\\a\\", roaming, ""), "");
}

TEST(BrowserPlaces, ChromiumProfileFoldersAndProtectedFiles) {
  std::vector<std::string> names = {"Profile 10", "Profile 2", "Default"};
  for (const char* other : {"System Profile", "Guest Profile", "Crashpad", "Profile x", "Profile "})
    EXPECT_FALSE(IsChromiumProfileName(other)) << other;
  for (const std::string& name : names) EXPECT_TRUE(IsChromiumProfileName(name)) << name;
  SortChromiumProfileNames(names);
  EXPECT_EQ(names, (std::vector<std::string>{"Default", "Profile 2", "Profile 10"}));

  // The stores themselves and their journals, logs and backups, under any letter case.
  for (const char* name : {"key4.db", "logins.json", "cert9.db", "Login Data", "Bookmarks", "wand.dat",
                           "Login Data-journal", "login data for account-journal", "logins-backup.json",
                           "key4.db-journal", "places.sqlite-wal", "bookmarks-2026-01-01.jsonlz4",
                           "Web Data-journal"})
    EXPECT_TRUE(IsProtectedBrowserFile(name)) << name;
  for (const char* name : {"cookies4.dat", "Cookies", "index", "History", "favicons.sqlite", "Session_1"})
    EXPECT_FALSE(IsProtectedBrowserFile(name)) << name;
}

TEST(BrowserPlaces, FileMasksMatchLikeTheShellsWildcards) {
  struct Case {
    const char* name;
    const char* masks;
    bool matches;
  };
  const Case cases[] = {
      {"Session_13400000000000000", "Session_*;Tabs_*", true},
      {"Tabs_1", "Session_*;Tabs_*", true},
      {"session_1", "Session_*", true},  // letter case does not matter
      {"Last Session", "Session_*;Tabs_*", false},
      {"anything", "", true},
      {"data_0", "data_?", true},
      {"data_10", "data_?", false},
      {"recovery.jsonlz4", "*.jsonlz4", true},
      {"recovery.baklz4", "*.jsonlz4", false},
      {"sessionstore.jsonlz4", "sessionstore.jsonlz4;sessionstore.js", true},
      {"sessionstore.json", "sessionstore.js", false},
      {"a.b.c", "*.*", true},
      {"abcabd", "*abd", true},
  };
  for (const Case& c : cases) EXPECT_EQ(MatchesFileMasks(c.name, c.masks), c.matches) << c.name << " " << c.masks;
}

TEST(IniText, LooksUpLikeTheSystemProfileFunctions) {
  const TIniText ini("; comment\nbefore=section\n[User Prefs]\n Opera Directory = \"C:\\Opera\\p\" \n"
                     "opera directory=second\n[System]\nMulti User=1\n");
  EXPECT_EQ(ini.ReadString("user prefs", "OPERA DIRECTORY", "x"), "C:\\Opera\\p");
  EXPECT_EQ(ini.ReadString("System", "Multi User", "0"), "1");
  EXPECT_EQ(ini.ReadString("System", "Missing", "0"), "0");
  EXPECT_EQ(ini.ReadString("Missing", "Multi User", "0"), "0");
  EXPECT_EQ(ini.ReadString("", "before", "none"), "none");
  EXPECT_TRUE(ini.HasSection("SYSTEM"));
}

}  // namespace
}  // namespace tw
