// The protect list in the scan manager: what it names is never listed, and a clean checks every
// ticked finding against the list as it is then (an old scan, a list changed since).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/FakeScanEvents.h"
#include "cleaners/WorkObjectBuilders.h"
#include "database/XMLDatabase.h"
#include "engine/ProtectPlaces.h"
#include "engine/ScanMgr.h"
#include "engine/States.h"
#include "platform/Com.h"
#include "platform/QueueSynchronizer.h"
#include "support/FileIO.h"
#include "support/Format.h"

namespace tw {
namespace {

class ProtectScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    dir_ = Format("%stweng_protect_%d\\", temp, static_cast<int>(::GetCurrentProcessId()));
    for (const char* folder : {"", "a", "a\\keep", "a\\sub"}) ::CreateDirectoryA((dir_ + folder).c_str(), nullptr);
    for (const char* file : {"a\\1.tmp", "a\\2.tmp", "a\\keep\\3.tmp", "a\\sub\\4.tmp", "a\\sub\\5.kdbx"})
      WriteFileAtomic(dir_ + file, "data");
    const std::string action = "<Action method=\"DeleteFiles\" path=\"" + dir_ +
                               "a\" excludeAttr=\"\" fileAttrib=\"faAnyFile\" fileFilter=\"*.*\" "
                               "excludeFolder=\"\" recurse=\"true\"/>";
    WriteFileAtomic(dir_ + "db.xml", "<?xml version=\"1.0\"?><Database version=\"1\"><Group id=\"g01\" icon=\"x\">"
                                     "<Item id=\"g01-i01\" icon=\"x\" enabled=\"true\" mode=\"1\" checked=\"true\">" +
                                         action + "</Item></Group></Database>");
    ASSERT_TRUE(database_.Load(dir_ + "db.xml", false));
    events_.WorkDone = [this](TCustomWorkObject* sender) {
      if (sender == manager_.WorkObjects.back().get()) finished_ = true;
    };
    events_.Item = [this](TWorkObject* sender, TWorkDataPtr data) {
      if (sender->CleanMode) cleaned_.push_back(data->Text.substr(dir_.size()));
    };
  }
  void TearDown() override {
    for (const char* file : {"a\\1.tmp", "a\\2.tmp", "a\\keep\\3.tmp", "a\\sub\\4.tmp", "a\\sub\\5.kdbx", "db.xml"})
      ::DeleteFileA((dir_ + file).c_str());
    for (const char* folder : {"a\\keep", "a\\sub", "a", ""}) ::RemoveDirectoryA((dir_ + folder).c_str());
  }
  void Run(bool clean) {
    finished_ = false;
    if (clean) manager_.Clean();
    else manager_.Scan(database_.Document, pmQuick);
    sync_.RunUntil([&] { return finished_; });
  }
  std::vector<std::string> Listed() const {
    std::vector<std::string> texts;
    const TFoundList& found = manager_.WorkObjects.front()->Found;
    for (int i = 0; i < found.Count(); ++i) texts.push_back(found.Text(i).substr(dir_.size()));
    return texts;
  }
  bool Exists(const char* path) const { return ::GetFileAttributesA((dir_ + path).c_str()) != INVALID_FILE_ATTRIBUTES; }

  ComApartment com_;
  TQueueSynchronizer sync_;
  TXMLDatabase database_;
  TFakeScanEvents events_;
  TScanMgr manager_{sync_, events_, CleanerBuilders(), 1, true};
  std::string dir_;
  std::vector<std::string> cleaned_;
  bool finished_ = false;
};

TEST_F(ProtectScanTest, AProtectedEntryIsNeverListedNorAFolderThatHoldsOne) {
  manager_.Protect = ProtectListFromLines({"folder:" + dir_ + "A\\KEEP", "file:*.kdbx", "file:" + dir_ + "a\\2.*"});
  Run(false);
  // "keep" and what it holds, "sub" (it holds a "*.kdbx") and its "*.kdbx", and "2.tmp" are left out.
  std::vector<std::string> listed = Listed();
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, (std::vector<std::string>{"a\\1.tmp", "a\\sub\\4.tmp"}));
  Run(true);
  EXPECT_FALSE(Exists("a\\1.tmp") || Exists("a\\sub\\4.tmp"));
  EXPECT_TRUE(Exists("a\\2.tmp") && Exists("a\\keep\\3.tmp") && Exists("a\\sub\\5.kdbx"));
}

TEST_F(ProtectScanTest, TheCleanKeepsWhatIsProtectedNowAndSaysSo) {
  Run(false);  // nothing protected yet: everything listed
  ASSERT_EQ(Listed().size(), 7u);
  manager_.Protect = ProtectListFromLines({"folder:%TEMP%\\" + dir_.substr(dir_.rfind('\\', dir_.size() - 2) + 1) + "a\\keep",
                                           "file:" + dir_ + "a\\1.tmp"});
  Run(true);
  EXPECT_TRUE(Exists("a\\1.tmp") && Exists("a\\keep\\3.tmp") && Exists("a\\keep"));
  EXPECT_FALSE(Exists("a\\2.tmp") || Exists("a\\sub"));
  const TFoundList& found = manager_.WorkObjects.front()->Found;
  std::vector<std::string> kept;
  for (int i = 0; i < found.Count(); ++i) {
    const TChecked& record = found.Record(i);
    if (record.Protected) {
      kept.push_back(found.Text(i).substr(dir_.size()));
      EXPECT_FALSE(record.Checked);         // not part of the clean
      EXPECT_TRUE(record.CleanSucceeded);  // and not a failure
    }
  }
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(kept, (std::vector<std::string>{"a\\1.tmp", "a\\keep", "a\\keep\\3.tmp"}));
  for (const std::string& text : cleaned_) EXPECT_TRUE(std::find(kept.begin(), kept.end(), text) == kept.end()) << text;
}

}  // namespace
}  // namespace tw
