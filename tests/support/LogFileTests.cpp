#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "support/Exceptions.h"
#include "support/FileIO.h"
#include "support/LogFile.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

class LogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tw_log_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    file_ = (dir_ / "Logger.txt").string();
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::vector<std::string> Lines() {
    std::string text = ReadWholeFile(file_);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t pos; (pos = text.find("\r\n", start)) != std::string::npos; start = pos + 2)
      lines.push_back(text.substr(start, pos - start));
    EXPECT_EQ(start, text.size()) << "every record ends with CR LF";
    return lines;
  }
  fs::path dir_;
  std::string file_;
};

TEST_F(LogFileTest, SwitchedOffWritesNothing) {
  EXPECT_FALSE(LoggingEnabled);
  TFileLogFile log(file_);
  log.Write("[TXMLDatabase.Load] %s %s", "EOleSysError", "class not registered");
  EXPECT_FALSE(fs::exists(file_));
}

TEST_F(LogFileTest, CreatesThenAppendsStampedEscapedRecords) {
  TFileLogFile log(file_, true);
  log.Write("[WMWorkDone] %s: %s", "EOSError", "System Error.\r\nline two\nthree\rfour");
  log.Write("%s", "### Application.Terminate ###");
  log.TimeStamp = false;
  log.EscapeLineBreaks = false;
  log.Write("plain %d", 7);
  auto lines = Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d \[WMWorkDone\] EOSError: System Error\.<EOL>line two<LF>three<CR>four)"))) << lines[0];
  EXPECT_TRUE(std::regex_match(lines[1], std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d ### Application\.Terminate ###)"))) << lines[1];
  EXPECT_EQ(lines[2], "plain 7");
}

TEST_F(LogFileTest, SwitchedOnAndOffAtRunTimeAndUnwritableRecordsDroppedWhenAsked) {
  TFileLogFile log(file_);
  log.SetEnabled(true);
  log.Write("%s", "one");
  log.SetEnabled(false);
  log.Write("%s", "two");
  ASSERT_EQ(Lines().size(), 1u);
  EXPECT_NE(Lines()[0].find("one"), std::string::npos);

  // A folder that does not exist: the writer raises, unless it drops what it cannot write.
  TFileLogFile lost((dir_ / "missing" / "Logger.txt").string(), true);
  EXPECT_THROW(lost.Write("%s", "x"), EInOutError);
  lost.DropFailedRecords = true;
  EXPECT_NO_THROW(lost.Write("%s", "x"));
}

TEST_F(LogFileTest, FormatErrorRaisesBeforeTouchingTheFile) {
  TFileLogFile log(file_, true);
  EXPECT_ANY_THROW(log.Write("%d", "not a number"));
  EXPECT_FALSE(fs::exists(file_));
}

TEST_F(LogFileTest, ConcurrentWritersProduceWholeLines) {
  TFileLogFile log(file_, true);
  log.TimeStamp = false;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) log.Write("[Thread%d] record %d %s", t, i, std::string(100, 'a' + t));
    });
  for (auto& th : threads) th.join();
  auto lines = Lines();
  ASSERT_EQ(lines.size(), 800u);
  for (const auto& line : lines)
    EXPECT_TRUE(std::regex_match(line, std::regex(R"(\[Thread(\d)\] record \d+ ([a-d])\2{99})"))) << line;
}

TEST(LogFileName, DriveRootedNamesStay) {
  EXPECT_EQ(ResolveLogFileName("C:\\ProgramData\\Tidewhisk\\Logger.txt", "D:\\app\\"), "C:\\ProgramData\\Tidewhisk\\Logger.txt");
  EXPECT_EQ(ResolveLogFileName("Logger.txt", "D:\\app\\"), "D:\\app\\Logger.txt");
}

}  // namespace
}  // namespace tw
