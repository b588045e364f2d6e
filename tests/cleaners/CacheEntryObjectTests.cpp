#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <future>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/FakeScanEvents.h"
#include "cleaners/WorkObjectBuilders.h"
#include "cleaners/system/CacheEntryObject.h"
#include "cleaners/system/KeptCookies.h"
#include "containers/FileProtect.h"
#include "engine/ScanMgr.h"
#include "platform/Handles.h"
#include "platform/QueueSynchronizer.h"
#include "platform/UrlCache.h"
#include "support/FileIO.h"
#include "support/Format.h"

namespace tw {
namespace {

// Each run uses hosts of its own, so entries of earlier runs never match.
std::string Host(const std::string& name) {
  return Format("%s-%d-%d.tw-test.example", name, static_cast<int>(::GetCurrentProcessId()),
                static_cast<int>(::GetTickCount()));
}

// A persistent cookie (only cookies with an expiry reach the cache); returns its entry name.
std::string SetCookie(const std::string& host, const std::string& name) {
  const std::string url = "http://" + host + "/";
  EXPECT_TRUE(::InternetSetCookieA(url.c_str(), name.c_str(),
                                   "v; expires=Sat, 01-Jan-2050 00:00:00 GMT"));
  // The cache's own name for it, whatever the user part.
  std::string found;
  for (const char* pattern : {"cookie:", "Cookie:"}) {
    EnumUrlCache(pattern, [&](const INTERNET_CACHE_ENTRY_INFOA& info) {
      const std::string source = info.lpszSourceUrlName ? info.lpszSourceUrlName : "";
      if (source.find(host) != std::string::npos) found = source;
      return found.empty();
    });
    if (!found.empty()) break;
  }
  EXPECT_FALSE(found.empty()) << host;
  return found;
}

// A content entry (a temporary internet file) of Size bytes for Url.
void AddContent(const std::string& url, int size) {
  char file[MAX_PATH] = {};
  ASSERT_TRUE(::CreateUrlCacheEntryA(url.c_str(), size, "htm", file, 0)) << ::GetLastError();
  {
    std::ofstream out(file, std::ios::binary);
    out << std::string(size, 'x');
  }
  FILETIME none{};
  ASSERT_TRUE(::CommitUrlCacheEntryA(url.c_str(), file, none, none, NORMAL_CACHE_ENTRY, nullptr, 0,
                                     nullptr, nullptr))
      << ::GetLastError();
}

// A history entry for Url, as the browser records a visit.
std::string AddHistory(const std::string& url) {
  const std::string name = "Visited: tw@" + url;
  FILETIME none{};
  EXPECT_TRUE(::CommitUrlCacheEntryA(name.c_str(), nullptr, none, none, URLHISTORY_CACHE_ENTRY,
                                     nullptr, 0, nullptr, nullptr))
      << ::GetLastError();
  return name;
}

bool InCache(const std::string& url) { return FindUrlCacheEntry(url).has_value(); }

std::unique_ptr<TCacheEntryObject> Object(std::uint32_t kind, std::vector<std::string>* reported = nullptr) {
  auto object = std::make_unique<TCacheEntryObject>(
      nullptr, [](TCustomWorkObject*) {},
      [reported](TWorkObject*, TWorkDataPtr data) {
        if (reported) reported->push_back(data->Text);
      },
      TXmlNode());
  object->EntryKind = kind;
  return object;
}

int IndexOf(const TWorkObject& object, const std::string& text) {
  for (int i = 0; i < object.Found.Count(); ++i)
    if (object.Found.Text(i) == text) return i;
  return -1;
}

class UrlCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    keptFile_ = Format("%stw_kept_%d.dat", temp, static_cast<int>(::GetCurrentProcessId()));
    ::DeleteFileA(keptFile_.c_str());
  }
  void TearDown() override { ::DeleteFileA(keptFile_.c_str()); }
  std::string keptFile_;
};

TEST_F(UrlCacheTest, EachKindListsItsOwnEntries) {
  const std::string host = Host("kinds");
  const std::string cookie = SetCookie(host, "c");
  const std::string history = AddHistory("http://" + host + "/visited");
  const std::string page = "http://" + host + "/page.htm";
  AddContent(page, 100);

  std::vector<std::string> reported;
  auto content = Object(TCacheEntryObject::kContent, &reported);
  content->Execute();
  const int pageIndex = IndexOf(*content, page);
  ASSERT_GE(pageIndex, 0);
  EXPECT_EQ(content->Found.Record(pageIndex).Size, 180);  // the entry's size plus 80
  EXPECT_EQ(IndexOf(*content, cookie), -1);
  EXPECT_EQ(IndexOf(*content, history), -1);
  // Each finding is reported once, in the order listed.
  ASSERT_EQ(static_cast<int>(reported.size()), content->Found.Count());
  for (int i = 0; i < content->Found.Count(); ++i) EXPECT_EQ(reported[i], content->Found.Text(i));

  auto cookies = Object(TCacheEntryObject::kCookie);
  cookies->Execute();
  EXPECT_GE(IndexOf(*cookies, cookie), 0);
  EXPECT_EQ(IndexOf(*cookies, page), -1);
  EXPECT_EQ(IndexOf(*cookies, history), -1);

  auto visits = Object(TCacheEntryObject::kHistory);
  visits->Execute();
  EXPECT_GE(IndexOf(*visits, history), 0);
  EXPECT_EQ(IndexOf(*visits, cookie), -1);

  // The direct list of history raises no item and keeps no size.
  reported.clear();
  auto listed = Object(TCacheEntryObject::kHistory, &reported);
  listed->ListEntries();
  const int listedIndex = IndexOf(*listed, history);
  ASSERT_GE(listedIndex, 0);
  EXPECT_EQ(listed->Found.Record(listedIndex).Size, 0);
  EXPECT_TRUE(reported.empty());
}

TEST_F(UrlCacheTest, CleanRemovesTickedEntriesLastFirstAndSparesKeptCookies) {
  const std::string host = Host("clean");
  const std::string kept = SetCookie(host + "-kept", "k");
  const std::string first = SetCookie(host + "-first", "a");
  const std::string second = SetCookie(host + "-second", "b");
  const std::string unticked = SetCookie(host + "-unticked", "u");
  SaveKeptCookies(keptFile_, {{kept, "", 0}});

  std::vector<std::string> reported;
  auto cookies = Object(TCacheEntryObject::kCookie, &reported);
  cookies->KeptCookiesFile = keptFile_;
  cookies->Execute();
  for (const std::string& name : {kept, first, second, unticked}) ASSERT_GE(IndexOf(*cookies, name), 0) << name;
  // Only the test's own cookies stay ticked, so nothing else in the cache is touched.
  for (int i = 0; i < cookies->Found.Count(); ++i) {
    const std::string& text = cookies->Found.Text(i);
    cookies->Found.Record(i).Checked = text == kept || text == first || text == second;
  }
  reported.clear();
  cookies->CleanMode = true;
  cookies->Execute();

  EXPECT_TRUE(InCache(kept));
  EXPECT_TRUE(InCache(unticked));
  EXPECT_FALSE(InCache(first));
  EXPECT_FALSE(InCache(second));
  const std::vector<std::string> expected =
      IndexOf(*cookies, first) < IndexOf(*cookies, second) ? std::vector<std::string>{second, first}
                                                           : std::vector<std::string>{first, second};
  EXPECT_EQ(reported, expected);
  EXPECT_TRUE(cookies->Found.Record(IndexOf(*cookies, first)).CleanSucceeded);
  // The kept cookie is no longer ticked: a summary counts it neither removed nor failed.
  EXPECT_FALSE(cookies->Found.Record(IndexOf(*cookies, kept)).Checked);
  RemoveUrlCacheEntry(kept);
  RemoveUrlCacheEntry(unticked);
}

TEST_F(UrlCacheTest, DamagedKeptListRemovesNoCookie) {
  const std::string host = Host("damaged");
  const std::string a = SetCookie(host + "-a", "a");
  SaveKeptCookies(keptFile_, {{a, "", 0}});
  // Cut short: the packet loses its tail.
  std::string bytes = ReadWholeFile(keptFile_);
  WriteFileAtomic(keptFile_, bytes.substr(0, bytes.size() / 2));
  bytes = ReadWholeFile(keptFile_);

  auto cookies = Object(TCacheEntryObject::kCookie);
  cookies->KeptCookiesFile = keptFile_;
  cookies->Execute();
  for (int i = 0; i < cookies->Found.Count(); ++i) cookies->Found.Record(i).Checked = cookies->Found.Text(i) == a;
  cookies->CleanMode = true;
  EXPECT_THROW(cookies->Execute(), EKeptCookiesError);
  EXPECT_TRUE(InCache(a));
  EXPECT_FALSE(cookies->Found.Record(IndexOf(*cookies, a)).CleanSucceeded);
  EXPECT_EQ(ReadWholeFile(keptFile_), bytes);  // left as it was
  RemoveUrlCacheEntry(a);
}

TEST_F(UrlCacheTest, KeptCookiesFileRules) {
  // Lines survive a save and a load, names with "=" and quotes included.
  const std::vector<TCookieLine> lines = {{"Cookie:u@a.example/", "C:\\x\\a.txt", 0},
                                          {"Cookie:u@b=c.example/", "", 0},
                                          {"\"quoted\"=name", "f", 0}};
  SaveKeptCookies(keptFile_, lines);
  EXPECT_EQ(LoadKeptCookies(keptFile_), lines);
  EXPECT_EQ(ReadWholeFile(keptFile_).find("a.example"), std::string::npos) << "stored enciphered";

  // A refresh keeps the cookies the cache still has, with their current files and hits.
  const std::string live = SetCookie(Host("refresh"), "r");
  SaveKeptCookies(keptFile_, {{live, "stale", 0}, {"Cookie:u@gone.tw-test.example/", "", 0}});
  const std::vector<TCookieLine> refreshed = RefreshKeptCookies(keptFile_);
  ASSERT_EQ(refreshed.size(), 1u);
  EXPECT_EQ(refreshed[0].Name, live);
  EXPECT_EQ(refreshed[0].LocalFile, FindUrlCacheEntry(live)->LocalFile);
  EXPECT_EQ(LoadKeptCookies(keptFile_).size(), 1u);
  // The kept cookie is not offered for cleaning.
  for (const TCookieLine& found : ListFoundCookies(refreshed)) EXPECT_NE(found.Name, live);

  // When none is left, the file goes rather than staying stale.
  RemoveUrlCacheEntry(live);
  EXPECT_TRUE(RefreshKeptCookies(keptFile_).empty());
  EXPECT_FALSE(FileExists(keptFile_));

  // An empty list is never written: saving one removes the file.
  SaveKeptCookies(keptFile_, lines);
  SaveKeptCookies(keptFile_, {});
  EXPECT_FALSE(FileExists(keptFile_));

  // Damaged files are errors, never an empty list: garbage, and a packet of nothing.
  for (const std::string& content : {std::string("not a packet at all"), std::string()}) {
    WriteFileAtomic(keptFile_, content);
    EXPECT_THROW(LoadKeptCookies(keptFile_), EKeptCookiesError);
    EXPECT_THROW(RefreshKeptCookies(keptFile_), EKeptCookiesError);
    EXPECT_TRUE(FileExists(keptFile_));
  }
}

TEST_F(UrlCacheTest, AFailedLookupNeverLosesAKeptCookie) {
  // The cache answers per name: found (with a new file and hits), not there, or failed.
  const auto lookup = [](const std::string& name) {
    TCacheLookup answer;
    if (name.find("found") != std::string::npos) {
      answer.Result = TCacheLookupResult::Found;
      answer.Entry.LocalFile = "C:\\now\\" + name;
      answer.Entry.HitRate = 7;
    } else if (name.find("gone") != std::string::npos) {
      answer.Result = TCacheLookupResult::NotFound;
    } else {
      answer.Error = ERROR_ACCESS_DENIED;
    }
    return answer;
  };
  struct Case {
    std::vector<std::string> names;
    std::vector<TCookieLine> kept;  // what the refresh returns and the file then holds
    std::vector<std::string> failed;
  };
  const std::vector<Case> cases = {
      {{"found", "gone", "failed"},
       {{"found", "C:\\now\\found", 7}, {"failed", "was-failed", 0}},
       {"failed"}},
      // Every lookup failed: the file keeps all it held.
      {{"failed-a", "failed-b"}, {{"failed-a", "was-failed-a", 0}, {"failed-b", "was-failed-b", 0}},
       {"failed-a", "failed-b"}},
  };
  for (const Case& c : cases) {
    std::vector<TCookieLine> lines;
    for (const std::string& name : c.names) lines.push_back({name, "was-" + name, 0});
    SaveKeptCookies(keptFile_, lines);
    std::vector<std::string> failed;
    EXPECT_EQ(RefreshKeptCookies(keptFile_, lookup, &failed), c.kept) << c.names[0];
    EXPECT_EQ(failed, c.failed);
    ASSERT_TRUE(FileExists(keptFile_));
    std::vector<TCookieLine> stored = c.kept;  // the file keeps no hit counts
    for (TCookieLine& line : stored) line.Hits = 0;
    EXPECT_EQ(LoadKeptCookies(keptFile_), stored);
  }

  // A clean after a failed lookup spares that cookie.
  const std::string a = SetCookie(Host("unknown"), "a");
  SaveKeptCookies(keptFile_, {{a, "", 0}});
  RefreshKeptCookies(keptFile_, [](const std::string&) { return TCacheLookup{}; });
  auto cookies = Object(TCacheEntryObject::kCookie);
  cookies->KeptCookiesFile = keptFile_;
  cookies->Execute();
  for (int i = 0; i < cookies->Found.Count(); ++i) cookies->Found.Record(i).Checked = cookies->Found.Text(i) == a;
  cookies->CleanMode = true;
  cookies->Execute();
  EXPECT_TRUE(InCache(a));
  EXPECT_EQ(LookupUrlCacheEntry(a).Result, TCacheLookupResult::Found);
  EXPECT_EQ(LookupUrlCacheEntry("Cookie:u@never-set.tw-test.example/").Result, TCacheLookupResult::NotFound);
  RemoveUrlCacheEntry(a);
}

TEST_F(UrlCacheTest, ARefreshWaitsForASaveUnderwaySoNoKeptCookieIsLost) {
  SaveKeptCookies(keptFile_, {{"found-a", "old", 0}});
  const auto lookup = [](const std::string& name) {
    TCacheLookup answer;
    answer.Result = TCacheLookupResult::Found;
    answer.Entry.LocalFile = "C:\\now\\" + name;
    return answer;
  };
  std::optional<TKeptCookiesLock> manager(std::in_place, keptFile_);  // a save under way
  std::future<std::vector<TCookieLine>> refresh =
      std::async(std::launch::async, [&] { return RefreshKeptCookies(keptFile_, lookup); });
  EXPECT_EQ(refresh.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
  SaveKeptCookies(keptFile_, {{"found-a", "old", 0}, {"found-b", "new", 0}});  // nested hold
  manager.reset();
  const std::vector<TCookieLine> expected = {{"found-a", "C:\\now\\found-a", 0},
                                             {"found-b", "C:\\now\\found-b", 0}};
  EXPECT_EQ(refresh.get(), expected);
  EXPECT_EQ(LoadKeptCookies(keptFile_), expected);
}

TEST_F(UrlCacheTest, AdultHistoryCountCountsMatchingVisits) {
  TQueueSynchronizer sync;
  TFakeScanEvents events;
  TScanMgr manager(sync, events, CleanerBuilders(), 1, true);
  int total0 = 0, adult0 = 0;
  manager.AdultHistoryCount(0, total0, adult0);
  const std::string host = Host("history");
  AddHistory("http://" + host + "/plain");
  AddHistory("http://" + host + "/free-xxx-videos");
  int total = 0, adult = 0;
  manager.AdultHistoryCount(0, total, adult);
  EXPECT_EQ(total, total0 + 2);
  EXPECT_EQ(adult, adult0 + 1);

  // Without a history lister there is nothing to count.
  TWorkObjectBuilders none;
  TScanMgr bare(sync, events, none, 1, true);
  bare.AdultHistoryCount(0, total, adult);
  EXPECT_EQ(total, 0);
  EXPECT_EQ(adult, 0);
}

// Runs twcli with Args; its exit code, and its output in Out.
DWORD RunTwcli(const std::string& args, std::string& out) {
  char temp[MAX_PATH];
  ::GetTempPathA(MAX_PATH, temp);
  // A file of its own per run: the last run's may still wait for its removal, and reading it
  // would pass that run's output off as this one's.
  static int runs = 0;
  const std::string outFile = Format("%stw_twcli_out_%d_%d.txt", temp,
                                     static_cast<int>(::GetCurrentProcessId()), ++runs);
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  unique_hfile file(::CreateFileA(outFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    out = Format("cannot make %s (error %d)", outFile, static_cast<int>(::GetLastError()));
    return ~0u;
  }
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = file.get();
  si.hStdError = file.get();
  PROCESS_INFORMATION pi{};
  std::string command = std::string("\"") + TW_TWCLI + "\" " + args;
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
    return ~0u;
  unique_handle process(pi.hProcess), thread(pi.hThread);
  ::WaitForSingleObject(process.get(), 120000);
  DWORD code = ~0u;
  ::GetExitCodeProcess(process.get(), &code);
  file.reset();
  std::ifstream in(outFile, std::ios::binary);
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  in.close();
  ::DeleteFileA(outFile.c_str());
  return code;
}

// A cookie kept with twcli survives a clean of every other cookie, history and content entry,
// and is still kept by the next run.
TEST_F(UrlCacheTest, TwcliKeptCookieSurvivesAClean) {
  const std::string host = Host("twcli");
  const std::string kept = SetCookie(host + "-kept", "k");
  const std::string other = SetCookie(host + "-other", "o");
  const std::string history = AddHistory("http://" + host + "/visited");
  const std::string page = "http://" + host + "/page.htm";
  AddContent(page, 10);

  std::string out;
  ASSERT_EQ(RunTwcli("cookies forget --all", out), 0u) << out;
  ASSERT_EQ(RunTwcli("cookies keep \"" + kept + "\"", out), 0u) << out;
  ASSERT_EQ(RunTwcli("cookies list --json", out), 0u) << out;
  EXPECT_NE(out.find("\"name\":\"" + kept + "\"", out.find("\"keep\":")), std::string::npos) << out;

  const std::string db = keptFile_ + ".xml";
  WriteFileAtomic(db,
                  "<?xml version=\"1.0\"?><Database version=\"1\"><Group id=\"g01\" icon=\"x\">"
                  "<en name=\"n\" info=\"i\"/><Item id=\"g01-i01\" icon=\"x\" enabled=\"true\" "
                  "mode=\"0000000\" checked=\"true\"><en name=\"n\" info=\"i\"/>"
                  "<Action method=\"DeleteCache\"/><Action method=\"DeleteCookies\"/>"
                  "<Action method=\"DeleteHistory\"/></Item></Group></Database>");
  EXPECT_EQ(RunTwcli("clean --mode 7 --database \"" + db + "\"", out), 0u) << out;
  ::DeleteFileA(db.c_str());
  EXPECT_TRUE(InCache(kept)) << out;
  EXPECT_FALSE(InCache(other));
  EXPECT_FALSE(InCache(history));
  EXPECT_FALSE(InCache(page));

  ASSERT_EQ(RunTwcli("cookies list --json", out), 0u) << out;
  EXPECT_NE(out.find("\"name\":\"" + kept + "\"", out.find("\"keep\":")), std::string::npos) << out;
  EXPECT_EQ(RunTwcli("cookies forget --all", out), 0u) << out;
  EXPECT_FALSE(FileExists(KeptCookiesPath()));
  RemoveUrlCacheEntry(kept);
}

}  // namespace
}  // namespace tw
