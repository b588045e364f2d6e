#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <vector>

#include "cleaners/portable/SystemRules.h"
#include "support/Exceptions.h"
#include "support/FileIO.h"

namespace tw {
namespace {

TEST(SystemRules, TrimDropsBlanksAndControlCharactersAtBothEnds) {
  const std::pair<const char*, const char*> cases[] = {
      {"  copied text\r\n", "copied text"},
      {"\tinner  blanks stay\t", "inner  blanks stay"},
      {" \r\n\t ", ""},
      {"", ""},
      {"\x01x\x1f", "x"},
      {"caf\xc3\xa9 ", "caf\xc3\xa9"},  // UTF-8 bytes above 0x7F are text
  };
  for (const auto& [text, trimmed] : cases) EXPECT_EQ(TrimBlanks(text), trimmed) << text;
}

TEST(SystemRules, HotFixPatternNeedsTwoDollarSigns) {
  const std::pair<const char*, bool> cases[] = {
      {"$NtUninstallKB123456$", true},
      {"C:\\WINDOWS\\$NtUninstallKB123456$\\", true},
      {"a$b$", true},
      {"$$", true},
      {"$hf_mig", false},
      {"C:\\$Recycle.Bin\\", false},
      {"NtUninstall", false},
  };
  for (const auto& [text, matches] : cases) EXPECT_EQ(MatchesHotFixPattern(text), matches) << text;
}

TEST(SystemRules, SettingsFilesOfTheSearchDataFolderAreSpared) {
  const std::pair<const char*, bool> cases[] = {
      {"uinfo.dat", true}, {"UINFO.DAT", true},  {"UInfo.Dat", true},      {"notes.txt", true},
      {"a.txt.bak", true}, {"NOTES.TXT", false}, {"config.xml", true},     {"sidebar_prefs", true},
      {"Sidebar", false},  {"index.cf1", false}, {"uinfo.dat.old", false}, {"xuinfo.dat", false},
  };
  for (const auto& [name, spared] : cases) EXPECT_EQ(IsSparedDataFile(name), spared) << name;
}

TEST(SystemRules, OnlyATargetMissingFromAPresentFixedDiskIsBroken) {
  // C: and D: are fixed disks, R: is removable, N: a network drive, Q: is absent.
  std::vector<std::string> asked;
  const std::map<std::string, TTargetState> files = {
      {"C:\\there.txt", TTargetState::Present},
      {"C:\\Windows", TTargetState::Present},
      {"C:\\locked.sys", TTargetState::Unknown},
  };
  TTargetProbe probe{[&](const std::string& root) {
                       asked.push_back(root);
                       return root == "C:\\" || root == "D:\\" || root == "c:\\";
                     },
                     [&](const std::string& path) {
                       auto it = files.find(path);
                       return it == files.end() ? TTargetState::Missing : it->second;
                     }};
  const std::pair<const char*, bool> cases[] = {
      {"C:\\gone.txt", true},
      {"c:\\gone.txt", true},
      {"D:\\dir\\gone.exe", true},
      {"C:\\there.txt", false},
      {"C:\\Windows", false},
      {"C:\\locked.sys", false},  // the system cannot tell: healthy
      {"R:\\usb\\gone.txt", false},
      {"N:\\share\\gone.txt", false},
      {"Q:\\gone.txt", false},
      {"\\\\server\\share\\gone.txt", false},
      {"C:\\dir\\\\gone.txt", false},  // two backslashes anywhere: a network path
      {"gone.txt", false},
      {"C:gone.txt", false},
      {"", false},
  };
  for (const auto& [target, broken] : cases)
    EXPECT_EQ(IsBrokenTarget(target, probe), broken) << target;
  // Drives are asked by their roots only.
  for (const std::string& root : asked) EXPECT_EQ(root.size(), 3u) << root;
}

TEST(SystemRules, RecycledItemTextJoinsLocationAndNameAndFallsBackToTheItemPath) {
  using Detail = std::optional<std::string>;
  auto give = [](Detail value) { return [value] { return value; }; };
  TFileLogFile quiet("unused.log", false);
  EXPECT_EQ(
      RecycledItemText(give("C:\\Users\\me\\Documents"), give("report.doc"), "C:\\$R1.doc", quiet),
      "C:\\Users\\me\\Documents\\report.doc");
  EXPECT_EQ(RecycledItemText(give(std::nullopt), give("report.doc"), "C:\\$R1.doc", quiet),
            "report.doc");
  EXPECT_EQ(RecycledItemText(give(std::nullopt), give(std::nullopt), "C:\\$R1.doc", quiet),
            "C:\\$R1.doc");
}

TEST(SystemRules, AnErrorWhileReadingADetailIsLoggedAndKeepsWhatWasGathered) {
  namespace fs = std::filesystem;
  const fs::path file = fs::temp_directory_path() / "tw_recycled_item_text.log";
  fs::remove(file);
  {
    TFileLogFile log(file.string(), true);
    log.TimeStamp = false;
    auto location = [] { return std::optional<std::string>("C:\\Docs"); };
    auto failing = []() -> std::optional<std::string> { throw EOSError("Type mismatch"); };
    EXPECT_EQ(RecycledItemText(location, failing, "C:\\$R1.doc", log), "C:\\Docs\\");
    EXPECT_EQ(RecycledItemText(failing, location, "C:\\$R2.doc", log), "C:\\$R2.doc");
  }
  const std::string text = ReadWholeFile(file.string());
  EXPECT_EQ(text,
            "[GetDetailsEx] EOSError: Type mismatch\r\n"
            "[GetDetailsEx] EOSError: Type mismatch\r\n");
  fs::remove(file);
}

}  // namespace
}  // namespace tw

namespace tw {
namespace {

// The Recycle Bin's size column as a shell shows it in each language, read back as bytes.
TEST(SystemRules, SizeColumnTextIsReadAsBytes) {
  const std::vector<std::pair<std::string, std::optional<std::int64_t>>> cases = {
      {"300 bytes", 300},
      {"0 bytes", 0},
      {"12 KB", 12 * 1024},
      {"1,234 KB", 1234 * 1024},
      {"1.234 KB", 1234 * 1024},
      {"1 234 Ko", 1234 * 1024},
      {"1\xC2\xA0" "234\xC2\xA0Ko", 1234 * 1024},
      {"1.50 MB", 1536 * 1024},
      {"1,5 Mo", 1536 * 1024},
      {"2 GB", 2ll * 1024 * 1024 * 1024},
      {"42", 42},
      {"", std::nullopt},
      {"KB", std::nullopt},
      {"12 parsecs", std::nullopt},
      {"1,5,6 KB", std::nullopt},
  };
  for (const auto& [text, bytes] : cases) EXPECT_EQ(SizeFromColumnText(text), bytes) << text;
}

}  // namespace
}  // namespace tw
