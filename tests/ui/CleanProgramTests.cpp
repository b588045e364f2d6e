// Drives the real Tidewhisk.exe through cleans in each preset mode: findings unticked in the
// results list, the close-programs and warning dialogs, and the summary against what is left.
#include <gtest/gtest.h>
#include <windows.h>

#include "ui/MainProgram.h"

namespace tw {
namespace {

using namespace main_program;
using namespace std::chrono_literals;

// ---- Cleaning from the main window

constexpr const char* kTypedUrlsKey = "Software\\Microsoft\\Internet Explorer\\TypedURLs";
constexpr const char* kMuiCacheKey = "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache";
constexpr const char* kSessionManager = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr const char* kFilePrefix = "tw_e2e_clean_";

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The wide strings of the removals waiting for the next restart, sources and targets in turn.
std::vector<std::wstring> PendingRenames() {
  std::vector<std::wstring> strings;
  unique_hkey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen(kSessionManager).c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
    return strings;
  DWORD type = 0, size = 0;
  if (::RegQueryValueExW(key.get(), L"PendingFileRenameOperations", nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return strings;
  std::vector<wchar_t> data(size / sizeof(wchar_t) + 1, L'\0');
  ::RegQueryValueExW(key.get(), L"PendingFileRenameOperations", nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
  data.resize(size / sizeof(wchar_t));
  std::size_t start = 0;
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (data[i] != L'\0') continue;
    if (i == start && strings.size() % 2 == 0) break;  // the list's end
    strings.emplace_back(data.data() + start, i - start);
    start = i + 1;
  }
  return strings;
}
bool PendingRename(const std::string& fileName) {
  for (const std::wstring& s : PendingRenames())
    if (Lower(Narrow(s)).find(Lower(fileName)) != std::string::npos) return true;
  return false;
}
// Takes this test's files off the list of removals at the next restart.
void ForgetPendingRenames() {
  const std::vector<std::wstring> strings = PendingRenames();
  std::wstring kept;
  bool changed = false;
  for (std::size_t i = 0; i + 1 < strings.size(); i += 2) {
    if (Lower(Narrow(strings[i])).find(kFilePrefix) != std::string::npos) {
      changed = true;
      continue;
    }
    kept += strings[i] + L'\0' + strings[i + 1] + L'\0';
  }
  if (!changed) return;
  unique_hkey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, Widen(kSessionManager).c_str(), 0, KEY_SET_VALUE, key.put()) != ERROR_SUCCESS)
    return;
  if (kept.empty()) {
    ::RegDeleteValueW(key.get(), L"PendingFileRenameOperations");
    return;
  }
  kept += L'\0';
  ::RegSetValueExW(key.get(), L"PendingFileRenameOperations", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                   static_cast<DWORD>(kept.size() * sizeof(wchar_t)));
}

// The URL-cache name of the cookie of Host, empty when the cache has none.
std::string CookieEntry(const std::string& host) {
  std::string found;
  for (const char* pattern : {"cookie:", "Cookie:"}) {
    EnumUrlCache(pattern, [&](const INTERNET_CACHE_ENTRY_INFOA& info) {
      const std::string source = info.lpszSourceUrlName ? info.lpszSourceUrlName : "";
      if (Lower(source).find(host) != std::string::npos) found = source;
      return found.empty();
    });
    if (!found.empty()) break;
  }
  return found;
}

// A typed address is a value of a key the history cleaners empty; a program name cache entry is
// one the registry integrity fixers remove when its program is gone.
enum class TKind { File, LockedFile, TypedAddress, ProgramName, Cookie, KeptCookie };

// What a clean may meet: the preset modes that list it ('1' at the mode's place, as the items of
// the shipped database have it), whether the user leaves it ticked, and for registry values the
// database item whose backup holds them.
struct TFixture {
  const char* tag;
  TKind kind;
  const char* modes;
  bool ticked;
  const char* item = "";
};
constexpr TFixture kFixtures[] = {
    {"removed", TKind::File, "1001010", true},
    {"spared", TKind::File, "1001010", false},
    {"locked", TKind::LockedFile, "1001010", true},
    {"typed-removed", TKind::TypedAddress, "0011010", true, "g01-i04"},
    {"typed-spared", TKind::TypedAddress, "0011010", false, "g01-i04"},
    {"mui-removed", TKind::ProgramName, "0000100", true, "g00-i12"},
    {"mui-spared", TKind::ProgramName, "0000100", false, "g00-i12"},
    {"cookie-removed", TKind::Cookie, "0101010", true},
    {"cookie-spared", TKind::Cookie, "0101010", false},
    // Listed and left ticked like any cookie; the clean spares it.
    {"cookie-kept", TKind::KeptCookie, "0101010", true},
};
constexpr std::size_t kFixtureCount = std::size(kFixtures);
std::size_t FixtureIndex(std::string_view tag) {
  for (std::size_t f = 0; f < kFixtureCount; ++f)
    if (tag == kFixtures[f].tag) return f;
  return kFixtureCount;
}

class CleanTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    WriteString(kKey, "ShowTipsAtStartup", "0");
    WriteString(kKey, "ShowInfoTips", "0");
    keptFile_ = KeptCookiesPath();
    keptBefore_ = LoadKeptCookies(keptFile_);
    for (const TBackupFile& file : ListBackups()) backupsBefore_.push_back(file.Path);
    for (std::size_t f = 0; f < kFixtureCount; ++f) {
      const TFixture& fixture = kFixtures[f];
      switch (fixture.kind) {
        case TKind::File:
        case TKind::LockedFile:
          marker_[f] = kFilePrefix + std::string(fixture.tag);
          break;
        case TKind::TypedAddress:
          value_[f] = "url" + std::to_string(9100 + f);
          marker_[f] = Format("tw-e2e-%s.example", fixture.tag);
          break;
        case TKind::ProgramName:
          marker_[f] = Format("tw-e2e-%s", fixture.tag);
          value_[f] = "C:\\" + marker_[f] + "\\program.exe.FriendlyAppName";
          break;
        case TKind::Cookie:
        case TKind::KeptCookie:
          marker_[f] = Format("tw-e2e-%s-%d.example", fixture.tag, static_cast<int>(::GetCurrentProcessId()));
          break;
      }
    }
  }
  void TearDown() override {
    RemoveFixtures();
    SaveKeptCookies(keptFile_, keptBefore_);
    for (const TBackupFile& file : ListBackups())
      if (std::find(backupsBefore_.begin(), backupsBefore_.end(), file.Path) == backupsBefore_.end())
        ::DeleteFileA(file.Path.c_str());
    ProgramTest::TearDown();
  }

  // In the temporary folder the program cleans: the one of current Windows versions.
  std::string FilePath(std::size_t f) const {
    char local[MAX_PATH];
    ::SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, local);
    return std::string(local) + "\\Temp\\" + marker_[f] + ".tmp";
  }

  void MakeFixtures() {
    std::vector<TCookieLine> kept = keptBefore_;
    for (std::size_t f = 0; f < kFixtureCount; ++f) {
      switch (kFixtures[f].kind) {
        case TKind::File:
        case TKind::LockedFile: {
          unique_hfile file(::CreateFileA(FilePath(f).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
          ASSERT_TRUE(file) << FilePath(f);
          const std::string data(1000 + 100 * f, 'x');
          DWORD written = 0;
          ::WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
          // Held open without sharing, as a running program holds its files.
          if (kFixtures[f].kind == TKind::LockedFile) locked_ = std::move(file);
          break;
        }
        case TKind::TypedAddress:
          WriteString(kTypedUrlsKey, value_[f].c_str(), "http://" + marker_[f] + "/");
          break;
        case TKind::ProgramName:
          WriteString(kMuiCacheKey, value_[f].c_str(), "Program");
          break;
        case TKind::Cookie:
        case TKind::KeptCookie: {
          const std::string url = "http://" + marker_[f] + "/";
          ASSERT_TRUE(::InternetSetCookieA(url.c_str(), "tw", "v; expires=Sat, 01-Jan-2050 00:00:00 GMT"));
          cookie_[f] = CookieEntry(marker_[f]);
          ASSERT_FALSE(cookie_[f].empty()) << marker_[f];
          if (kFixtures[f].kind == TKind::KeptCookie)
            for (const TCookieLine& line : ListFoundCookies({}))
              if (line.Name == cookie_[f]) kept.push_back(line);
          break;
        }
      }
    }
    SaveKeptCookies(keptFile_, kept);
  }
  void RemoveFixtures() {
    locked_.reset();
    for (std::size_t f = 0; f < kFixtureCount; ++f) {
      if (kFixtures[f].kind == TKind::File || kFixtures[f].kind == TKind::LockedFile) ::DeleteFileA(FilePath(f).c_str());
      if (kFixtures[f].kind == TKind::TypedAddress) DeleteValue(kTypedUrlsKey, value_[f].c_str());
      if (kFixtures[f].kind == TKind::ProgramName) DeleteValue(kMuiCacheKey, value_[f].c_str());
      if (!cookie_[f].empty()) RemoveUrlCacheEntry(cookie_[f]);
    }
    ForgetPendingRenames();
  }
  bool Present(std::size_t f) const {
    switch (kFixtures[f].kind) {
      case TKind::File:
      case TKind::LockedFile: return Exists(FilePath(f));
      case TKind::TypedAddress: return ReadValue(kTypedUrlsKey, value_[f].c_str()).exists;
      case TKind::ProgramName: return ReadValue(kMuiCacheKey, value_[f].c_str()).exists;
      default: return FindUrlCacheEntry(cookie_[f]).has_value();
    }
  }
  // The fixture a finding's text names, or kFixtureCount for anything else.
  std::size_t FixtureOf(const std::string& text) const {
    for (std::size_t f = 0; f < kFixtureCount; ++f)
      if (Lower(text).find(Lower(marker_[f])) != std::string::npos) return f;
    return kFixtureCount;
  }

  std::string keptFile_;
  std::vector<TCookieLine> keptBefore_;
  std::vector<std::string> backupsBefore_;
  std::array<std::string, kFixtureCount> marker_, value_, cookie_;
  unique_hfile locked_;
};

// In each preset mode: scan, untick some findings in the results list, clean through the close
// programs and warning dialogs, and compare the summary with what is left on disk, in the
// registry and in the URL cache.
TEST_F(CleanTest, CleanInEachPresetModeRemovesExactlyTheTickedFindings) {
  for (int mode : {1, 2, 3, 4, 5, 6}) {
    SCOPED_TRACE(mode);
    MakeFixtures();
    if (HasFatalFailure()) return;
    WriteDword(kKey, "PresetScanMode", static_cast<DWORD>(mode));
    const TCliScan cli = CliScan(mode);
    ASSERT_GE(cli.count, 0);

    // The groups the results list will show, and which of their findings stay ticked: only this
    // test's own, so that nothing else of the prefix goes.
    struct TPlanGroup {
      std::vector<std::size_t> fixtures;  // per finding; kFixtureCount for others
      bool ours = false;
    };
    std::vector<TPlanGroup> plan;
    std::array<int, kFixtureCount> listed{};
    for (const TCliObject& object : cli.objects) {
      if (object.failed || object.texts.empty()) continue;
      TPlanGroup group;
      for (const std::string& text : object.texts) {
        const std::size_t f = FixtureOf(text);
        group.fixtures.push_back(f);
        if (f < kFixtureCount) {
          ++listed[f];
          group.ours = true;
        }
      }
      plan.push_back(std::move(group));
    }
    // Ticked in the list; of them, the ones the clean handles (all but the kept cookie) and the
    // locked one, which cannot go now.
    int ticked = 0, cleaned = 0, lockedTicked = 0;
    for (std::size_t f = 0; f < kFixtureCount; ++f) {
      const bool inMode = kFixtures[f].modes[mode - 1] == '1';
      EXPECT_EQ(listed[f], inMode ? 1 : 0) << kFixtures[f].tag;
      if (inMode && kFixtures[f].ticked) {
        ++ticked;
        cleaned += kFixtures[f].kind != TKind::KeptCookie;
        lockedTicked += kFixtures[f].kind == TKind::LockedFile;
      }
    }

    // In the first mode a backup past the keeping time waits: after the clean the user is asked
    // whether to recycle it (and says yes).
    std::string oldBackup;
    if (mode == 1) {
      oldBackup = SaveBackup("g07-i01", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\TidewhiskOld]\r\n\"x\"=\"1\"\r\n");
      FILETIME now{};
      ::GetSystemTimeAsFileTime(&now);
      ULARGE_INTEGER time{{now.dwLowDateTime, now.dwHighDateTime}};
      time.QuadPart -= 40ull * 24 * 3600 * 10000000;
      const FILETIME old{time.LowPart, time.HighPart};
      unique_hfile file(::CreateFileA(oldBackup.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
      ASSERT_TRUE(file && ::SetFileTime(file.get(), nullptr, nullptr, &old));
    }

    TProgram program;
    HWND scan = StartInMode(program, mode);
    ASSERT_NE(scan, nullptr);
    ClickAt(scan, 5, 5);
    HWND summary = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (summary = program.Find("TScanInfoDlg")) && ::IsWindowVisible(summary); }, 120s));
    ::PostMessageA(summary, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return program.Find("TScanInfoDlg") == nullptr; }, 5s));
    const TReadyList results = TReadyList::Results(program.Main());
    ASSERT_EQ(results.Groups(), static_cast<int>(plan.size()));

    // Untick: whole groups of others' findings while collapsed, single findings in ours.
    for (int g = 0; g < results.Groups(); ++g) {
      const TPlanGroup& group = plan[static_cast<std::size_t>(g)];
      const int count = static_cast<int>(group.fixtures.size());
      if (!group.ours) {
        results.ClickGroupCheck(g);
        ASSERT_TRUE(WaitFor([&] { return !(results.State(g) & TGL_STATE_CHECKED); }, 5s)) << g;
        continue;
      }
      results.ClickExpand(g);
      ASSERT_TRUE(WaitFor([&] { return results.Items(g) == count; }, 5s)) << g << ": " << results.Items(g);
      for (int i = 0; i < count; ++i) {
        const std::size_t f = group.fixtures[static_cast<std::size_t>(i)];
        if (f < kFixtureCount && kFixtures[f].ticked) continue;
        results.ClickItemCheck(g, i);
        ASSERT_TRUE(WaitFor([&] { return !(results.State(g, i) & TGL_STATE_CHECKED); }, 5s)) << g << "." << i;
      }
    }
    int shownTicked = 0;
    for (int g = 0; g < results.Groups(); ++g)
      for (int i = 0; i < results.Items(g); ++i) shownTicked += (results.State(g, i) & TGL_STATE_CHECKED) != 0;
    EXPECT_EQ(shownTicked, ticked);

    // Clean: the close-programs dialog when it is shown (its answer does not stop the run), then
    // the warning; nothing goes before the warning is answered.
    HWND clean = ChildOf(program.Main(), "TwHotImage", Row(kRowCleanButton, 0));
    ASSERT_NE(clean, nullptr);
    ClickAt(clean, 5, 5);
    HWND warning = nullptr;
    ASSERT_TRUE(WaitFor([&] {
      if (HWND close = program.Find("TTerminateAppDlg"); close && ::IsWindowVisible(close)) {
        if (HWND cancel = ChildOf(close, "TwHotImage", Row(kRowCancel, 0))) ClickAt(cancel, 5, 5);
      }
      return (warning = program.Find("TCleanWarningDlg")) && ::IsWindowVisible(warning);
    }, 30s)) << VisibleWindows();
    for (std::size_t f = 0; f < kFixtureCount; ++f) EXPECT_TRUE(Present(f)) << kFixtures[f].tag;
    HWND proceed = ChildOf(warning, "TwHotImage", Row(kRowCleanButton, 0));
    ASSERT_NE(proceed, nullptr);
    ClickAt(proceed, 5, 5);

    // The summary counts what happened.
    ASSERT_TRUE(WaitFor([&] {
      return (summary = program.Find("TScanInfoDlg")) && ::IsWindowVisible(summary);
    }, 120s));
    EXPECT_EQ(Text(summary), Row(kRowCleaningCompleted, 0));
    auto flat = [](std::string text) {
      text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }), text.end());
      return text;
    };
    const std::string sentence =
        lockedTicked ? Format(Row(kRowCleaningCounts, 0) + ":" + Row(kRowCleaningNeedsReboot, 0), cleaned - lockedTicked, lockedTicked, cleaned)
                     : Format(Row(kRowCleaningCounts, 0) + ".", cleaned, 0, cleaned);
    const std::string shown = Narrow(WideText(Child(summary, "RICHEDIT50W")));
    EXPECT_NE(flat(shown).find(flat(sentence)), std::string::npos) << shown << "\nexpected: " << sentence;
    ::PostMessageA(summary, WM_COMMAND, IDOK, 0);
    if (!oldBackup.empty()) {
      HWND box = nullptr;
      ASSERT_TRUE(WaitFor([&] { return (box = program.Find("#32770")) && ::IsWindowVisible(box); }, 10s));
      EXPECT_NE(ChildTexts(box).find(Format(Row(kRowRecycleOldBackups, 0), 30.0)), std::string::npos) << ChildTexts(box);
      ::PostMessageA(box, WM_COMMAND, IDYES, 0);
    }
    // Back to the ready list, the results gone.
    EXPECT_TRUE(WaitFor([&] {
      return !program.Find("TScanInfoDlg") && !::IsWindowVisible(results.Handle()) && results.Groups() == 0 &&
             ::IsWindowVisible(TReadyList(program.Main()).Handle()) && ::IsWindowVisible(scan);
    }, 10s));

    // Ticked findings are gone, except the locked file, which waits for the next restart;
    // unticked findings, the kept cookie and whatever the mode does not cover stay.
    for (std::size_t f = 0; f < kFixtureCount; ++f) {
      const TFixture& fixture = kFixtures[f];
      const bool removed = fixture.modes[mode - 1] == '1' && fixture.ticked && fixture.kind != TKind::LockedFile &&
                           fixture.kind != TKind::KeptCookie;
      EXPECT_EQ(Present(f), !removed) << fixture.tag;
      if (fixture.kind == TKind::LockedFile) {
        EXPECT_EQ(PendingRename(marker_[f] + ".tmp"), fixture.modes[mode - 1] == '1') << fixture.tag;
      }
    }
    if (!oldBackup.empty()) EXPECT_FALSE(Exists(oldBackup)) << "recycled after the yes";
    bool stillKept = false;
    for (const TCookieLine& line : LoadKeptCookies(keptFile_)) stillKept |= line.Name == cookie_[FixtureIndex("cookie-kept")];
    EXPECT_TRUE(stillKept);

    // Each item with a removed registry value made one new backup, which holds the value as it was
    // before it went, and none of the spared ones.
    std::vector<TBackupFile> made;
    for (const TBackupFile& file : ListBackups())
      if (std::find(backupsBefore_.begin(), backupsBefore_.end(), file.Path) == backupsBefore_.end())
        made.push_back(file);
    std::vector<std::string> items;
    for (const TFixture& fixture : kFixtures)
      if (*fixture.item && fixture.ticked && fixture.modes[mode - 1] == '1') items.push_back(fixture.item);
    ASSERT_EQ(made.size(), items.size());
    for (const TBackupFile& file : made) {
      SCOPED_TRACE(file.Name);
      EXPECT_NE(std::find(items.begin(), items.end(), file.ItemId), items.end());
      const std::string text = LoadBackupText(file.Path);
      for (std::size_t f = 0; f < kFixtureCount; ++f) {
        if (kFixtures[f].item != file.ItemId) continue;
        EXPECT_EQ(text.find(marker_[f]) != std::string::npos, kFixtures[f].ticked) << kFixtures[f].tag << "\n" << text;
      }
      ::DeleteFileA(file.Path.c_str());
    }

    program.Post(Registered("UM_TERMINATE"));
    EXPECT_GE(program.WaitExit(10s), 0);
    RemoveFixtures();
  }
}

}  // namespace
}  // namespace tw
