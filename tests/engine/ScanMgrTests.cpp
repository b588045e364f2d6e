#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <map>
#include <string>
#include <vector>

#include "cleaners/WorkObjectBuilders.h"
#include "cleaners/system/DeleteFileObject.h"
#include "database/XMLDatabase.h"
#include "engine/ScanMgr.h"
#include "engine/States.h"
#include "engine/Utility.h"
#include "platform/Com.h"
#include "platform/QueueSynchronizer.h"
#include "support/FileIO.h"
#include "support/Format.h"
#include "engine/FakeScanEvents.h"

namespace tw {
namespace {

std::string Action(const std::string& path, const std::string& extra = "") {
  return "<Action method=\"DeleteFiles\" path=\"" + path +
         "\" excludeAttr=\"\" fileAttrib=\"faAnyFile\" fileFilter=\"*.*\" excludeFolder=\"\" "
         "recurse=\"false\"" + extra + "/>";
}

std::string Item(const std::string& id, const std::string& mode, const std::string& checked,
                 const std::string& actions, const std::string& enabled = "true",
                 const std::string& icon = "shell32.dll") {
  return "<Item id=\"" + id + "\" icon=\"" + icon + "\" enabled=\"" + enabled + "\" mode=\"" +
         mode + "\" checked=\"" + checked + "\"><en name=\"n\" info=\"i\"/>" + actions + "</Item>";
}

std::string Group(const std::string& id, const std::string& items) {
  return "<Group id=\"" + id + "\" icon=\"x\"><en name=\"n\" info=\"i\"/>" + items + "</Group>";
}

class ScanMgrTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    dir_ = Format("%stweng_scan_%d\\", temp, static_cast<int>(::GetCurrentProcessId()));
    Clear(dir_);
    ::CreateDirectoryA(dir_.c_str(), nullptr);
    ::CreateDirectoryA((dir_ + "empty").c_str(), nullptr);
  }
  void TearDown() override { Clear(dir_); }
  static void Clear(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE find = ::FindFirstFileA((folder + "*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        if (IsDotEntry(entry.cFileName)) continue;
        std::string path = folder + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) Clear(path + "\\");
        else ::DeleteFileA(path.c_str());
      } while (::FindNextFileA(find, &entry));
      ::FindClose(find);
    }
    ::RemoveDirectoryA(folder.c_str());
  }
  void Folder(const std::string& name, std::vector<std::string> files) {
    ::CreateDirectoryA((dir_ + name).c_str(), nullptr);
    for (const std::string& file : files) WriteFileAtomic(dir_ + name + "\\" + file, "data");
  }

  // Loads a database whose groups are Body.
  void Load(const std::string& body) {
    const std::string file = dir_ + "db.xml";
    WriteFileAtomic(file, "<?xml version=\"1.0\"?><Database version=\"1\">" + body + "</Database>");
    ASSERT_TRUE(database_.Load(file, false));
  }

  // A manager whose events go to Log and which remembers when the end marker completed.
  std::unique_ptr<TScanMgr> Manager() {
    auto manager = std::make_unique<TScanMgr>(sync_, events_, CleanerBuilders(), 1, true);
    TScanMgr* m = manager.get();
    events_.ScanStart = [this, m](TScanMgr* sender) {
      EXPECT_EQ(sender, m);
      log_.push_back("start");
    };
    events_.Item = [this](TWorkObject* sender, TWorkDataPtr data) {
      log_.push_back(Format("item %s %s", IdOf(*sender), data->Text));
    };
    events_.WorkDone = [this, m](TCustomWorkObject* sender) {
      auto* object = static_cast<TWorkObject*>(sender);
      log_.push_back("done " + IdOf(*object));
      if (object == m->WorkObjects.back().get()) finished_ = true;
    };
    events_.ScanQueued = [this](int count) { queued_.push_back(count); };
    return manager;
  }
  void ScanAndWait(TScanMgr& manager, int mode) {
    finished_ = false;
    manager.Scan(database_.Document, static_cast<TPresetMode>(mode));
    sync_.RunUntil([&] { return finished_; });
  }
  static std::string IdOf(const TWorkObject& object) {
    return object.ItemNode ? object.ItemNode.Attr("id") : std::string("end");
  }
  static std::vector<std::string> ObjectIds(const TScanMgr& manager) {
    std::vector<std::string> ids;
    for (const auto& object : manager.WorkObjects) ids.push_back(IdOf(*object));
    return ids;
  }

  ComApartment com_;
  TQueueSynchronizer sync_;
  TFakeScanEvents events_;
  TXMLDatabase database_;
  std::string dir_;
  std::vector<std::string> log_;
  std::vector<int> queued_;
  bool finished_ = false;
};

TEST_F(ScanMgrTest, EachModeTakesItsItems) {
  const std::string path = dir_ + "empty";
  Load(Group("g01", Item("g01-i01", "1010000", "false", Action(path)) +
                        Item("g01-i02", "1111111", "true", Action(path), "false") +
                        Item("g01-i03", "0100000", "true", Action(path) + Action(path))) +
       Group("g00", Item("g00-i01", "0000100", "true", Action(path)) +
                        Item("g00-i02", "0000000", "false", Action(path))));
  const std::map<int, std::vector<std::string>> expected = {
      {0, {"end"}},
      {1, {"g01-i01", "end"}},
      {2, {"g01-i03", "g01-i03", "end"}},
      {3, {"g01-i01", "end"}},
      {4, {"end"}},
      {5, {"g00-i01", "end"}},  // only the group g00, by tick
      {7, {"g01-i03", "g01-i03", "g00-i01", "end"}},
  };
  auto manager = Manager();
  for (const auto& [mode, ids] : expected) {
    SCOPED_TRACE(mode);
    queued_.clear();
    ScanAndWait(*manager, mode);
    EXPECT_EQ(ObjectIds(*manager), ids);
    EXPECT_EQ(queued_, (std::vector<int>{static_cast<int>(ids.size())}));
    EXPECT_STREQ(manager->WorkObjects.back()->ClassName(), "TDummyObject");
    EXPECT_TRUE(manager->WorkObjects.back()->IsEndMarker());
  }
}

TEST_F(ScanMgrTest, ProgramsToCloseComeFromGroupsIconsAndMethods) {
  Folder("Temp", {});
  const std::string savedTemp = GetEnvVar("TEMP"), savedLocal = GetEnvVar("LOCALAPPDATA");
  ::SetEnvironmentVariableA("TEMP", (dir_ + "Temp").c_str());
  ::SetEnvironmentVariableA("LOCALAPPDATA", dir_.substr(0, dir_.size() - 1).c_str());
  const std::string icons = "C:\\Apps\\Mail.EXE;lib.dll;C:\\x\\msmsgs.exe;res:Chrome.exe";
  Load(Group("g04", Item("g04-i01", "0", "true", "<Action method=\"RegFixNoSuchFixer\"/>", "true",
                         icons)) +
       Group("g05", Item("g05-i03", "0", "true", Action("%temp%"), "true", "C:\\x\\Only05.exe")) +
       Group("g13", Item("g13-i01", "0", "true",
                         Action("%TEMP%") + "<Action method=\"DeleteCookies\"/>", "true",
                         "C:\\b\\Other.exe")));
  auto manager = Manager();
  ScanAndWait(*manager, pmAdvanced);
  ::SetEnvironmentVariableA("TEMP", savedTemp.c_str());
  ::SetEnvironmentVariableA("LOCALAPPDATA", savedLocal.c_str());

  // A method without a class builds nothing but still names its programs ("RegFix..." here).
  EXPECT_EQ(ObjectIds(*manager), (std::vector<std::string>{"g05-i03", "g13-i01", "g13-i01", "end"}));
  const std::vector<std::string> programs(manager->ProgramsToClose.begin(),
                                          manager->ProgramsToClose.end());
  EXPECT_EQ(programs,
            (std::vector<std::string>{"aoldesktop.exe", "aolexplorer.exe", "chrome.exe",
                                      "iexplore.exe", "mail.exe", "msn6.exe", "msnmsgr.exe",
                                      "other.exe", "regedit.exe", "regedt32.exe", "safari.exe"}));
}

TEST_F(ScanMgrTest, ScanStartsWithAnEmptyListAndCountsProgramsOnce) {
  auto manager = Manager();
  manager->ProgramsToClose.insert("Stale.exe");
  Load(Group("g01", Item("g01-i01", "1", "true", Action(dir_ + "empty"), "true", "A.exe;a.EXE")));
  ScanAndWait(*manager, pmQuick);
  manager->ProgramsToClose.insert("A.EXE");
  EXPECT_EQ(std::vector<std::string>(manager->ProgramsToClose.begin(),
                                     manager->ProgramsToClose.end()),
            (std::vector<std::string>{"a.exe"}));
}

TEST_F(ScanMgrTest, AMissingAttributeStopsTheScanBeforeAnythingIsQueued) {
  Load(Group("g01", Item("g01-i01", "1", "true", Action(dir_ + "empty")) +
                        Item("g01-i02", "1", "true",
                             "<Action method=\"DeleteFiles\" path=\"C:\\\" excludeAttr=\"\" "
                             "fileAttrib=\"\" fileFilter=\"*.*\" excludeFolder=\"\"/>")));
  auto manager = Manager();
  EXPECT_THROW(manager->Scan(database_.Document, pmQuick), EXMLAttributeError);
  EXPECT_EQ(ObjectIds(*manager), (std::vector<std::string>{"g01-i01"}));
  EXPECT_EQ(manager->Pool.Pending(), 0);
  EXPECT_TRUE(queued_.empty());
}

TEST_F(ScanMgrTest, ScanAndCleanReportInQueueOrderAndGoOnAfterAnError) {
  Folder("a", {"a1.tmp", "a2.tmp"});
  Folder("c", {"c1.tmp"});
  Load(Group("g01", Item("g01-i01", "1", "true", Action(dir_ + "a")) +
                        Item("g01-i02", "1", "true", Action(dir_ + "missing")) +
                        Item("g01-i03", "1", "true", Action(dir_ + "c"))));
  auto manager = Manager();
  ScanAndWait(*manager, pmQuick);
  TWorkObject& a = *manager->WorkObjects[0];
  TWorkObject& missing = *manager->WorkObjects[1];
  ASSERT_EQ(a.Found.Count(), 2);
  std::vector<std::string> expected = {"start", "item g01-i01 " + a.Found.Text(0),
                                       "item g01-i01 " + a.Found.Text(1), "done g01-i01",
                                       "done g01-i02", "item g01-i03 " + dir_ + "c\\c1.tmp",
                                       "done g01-i03", "done end"};
  EXPECT_EQ(log_, expected);
  EXPECT_EQ(missing.ErrorClass, "EDeleteFileError");
  EXPECT_EQ(missing.ErrorMessage, "Path not found! " + dir_ + "missing");

  log_.clear();
  a.Found.Record(0).Checked = false;
  finished_ = false;
  manager->Clean();
  sync_.RunUntil([&] { return finished_; });
  expected = {"item g01-i01 " + a.Found.Text(1), "done g01-i01", "done g01-i02",
              "item g01-i03 " + dir_ + "c\\c1.tmp", "done g01-i03", "done end"};
  EXPECT_EQ(log_, expected);
  EXPECT_TRUE(FileExists(a.Found.Text(0)));
  EXPECT_FALSE(FileExists(a.Found.Text(1)));
  EXPECT_FALSE(FileExists(dir_ + "c\\c1.tmp"));
  for (const auto& object : manager->WorkObjects) EXPECT_TRUE(object->CleanMode);
  EXPECT_EQ(missing.ErrorMessage, "Path not found! " + dir_ + "missing");
}

// Lists two findings and then fails; in a clean it reports every ticked finding.
class TListsThenFails final : public TWorkObject {
 public:
  using TWorkObject::TWorkObject;
  void Execute() override {
    if (CleanMode) {
      for (int i = 0; i < Found.Count(); ++i)
        if (Found.Record(i).Checked) ReportItem(Found.Text(i));
      return;
    }
    AddFinding("first", std::make_unique<TChecked>());
    AddFinding("second", std::make_unique<TChecked>());
    throw EAssertionFailed("the walk broke off");
  }
  const char* ClassName() const override { return "TListsThenFails"; }
};

TEST_F(ScanMgrTest, FindingsOfAFailedScanAreNeverCleaned) {
  Load(Group("g01", Item("g01-i01", "1", "true", Action(dir_ + "empty"))));
  TWorkObjectBuilders builders = {{"DeleteFiles", [](TWorkObjectInit init, const TActionParams&) {
                                     return std::unique_ptr<TWorkObject>(std::make_unique<TListsThenFails>(
                                         init.handle, init.onWorkDone, init.onItem, init.itemNode));
                                   }}};
  TScanMgr manager(sync_, events_, builders, 1, true);
  events_.Item = [this](TWorkObject* sender, TWorkDataPtr data) {
    if (sender->CleanMode) log_.push_back(data->Text);
  };
  events_.WorkDone = [this, &manager](TCustomWorkObject* sender) {
    if (sender == manager.WorkObjects.back().get()) finished_ = true;
  };
  manager.Scan(database_.Document, pmQuick);
  sync_.RunUntil([&] { return finished_; });
  TWorkObject& failed = *manager.WorkObjects[0];
  ASSERT_EQ(failed.Found.Count(), 2);
  EXPECT_EQ(failed.ErrorMessage, "the walk broke off");
  finished_ = false;
  manager.Clean();
  sync_.RunUntil([&] { return finished_; });
  EXPECT_TRUE(log_.empty());
  EXPECT_FALSE(failed.Found.Record(0).Checked);
}

TEST_F(ScanMgrTest, AbortDropsTheQueueAndAFreshScanRunsAgain) {
  Folder("a", {"1", "2", "3"});
  Load(Group("g01", Item("g01-i01", "1", "true", Action(dir_ + "a") + Action(dir_ + "a") +
                                                      Action(dir_ + "a"))));
  auto manager = Manager();
  std::atomic<int> aborted{0}, shutdown{0};
  events_.AbortStopped = [&] { ++aborted; };
  events_.ShutdownStopped = [&] { ++shutdown; };
  manager->Scan(database_.Document, pmQuick);
  manager->Abort();
  sync_.RunUntil([&] { return aborted > 0; });
  sync_.ProcessPending();
  for (const auto& object : manager->WorkObjects) {
    EXPECT_TRUE(object->Aborted);
    EXPECT_TRUE(object->Found.Empty());  // a run already handed over stops at its first entry
  }
  EXPECT_EQ(manager->Pool.LiveThreads(), 0);

  log_.clear();
  ScanAndWait(*manager, pmQuick);
  EXPECT_EQ(manager->WorkObjects[2]->Found.Count(), 3);
  EXPECT_EQ(log_.back(), "done end");

  manager->Shutdown();
  sync_.RunUntil([&] { return shutdown > 0; });
  EXPECT_EQ(aborted, 1);
}

TEST_F(ScanMgrTest, WithoutSynchronizedCallbacksObjectsRunInThePoolAndReportNoItems) {
  Load(Group("g01", Item("g01-i01", "1", "true",
                         Action(dir_ + "empty", "") +
                             "<Action method=\"DeleteFiles\" path=\"CSIDL_COOKIES\\sub\" "
                             "excludeAttr=\"faHidden\" fileAttrib=\"faAnyFile;faNormal\" "
                             "fileFilter=\"*.tmp;*.log\" excludeFolder=\"x;y\" recurse=\"True\"/>")));
  std::atomic<int> done{0};
  std::vector<int> queued;
  {
    TScanMgr manager(sync_, events_, CleanerBuilders(), 1, false);
    events_.WorkDone = [&](TCustomWorkObject*) { ++done; };
    events_.Item = [&](TWorkObject*, TWorkDataPtr) { ADD_FAILURE() << "OnItem given"; };
    events_.ScanQueued = [&](int count) { queued.push_back(count); };
    manager.Scan(database_.Document, pmQuick);
    EXPECT_EQ(queued, (std::vector<int>{3}));
    ASSERT_EQ(manager.WorkObjects.size(), 3u);
    auto* files = dynamic_cast<TDeleteFileObject*>(manager.WorkObjects[1].get());
    ASSERT_NE(files, nullptr);
    EXPECT_EQ(files->Handle, nullptr);
    EXPECT_FALSE(files->OnItem);
    EXPECT_EQ(files->Path, "CSIDL_COOKIES\\sub");
    EXPECT_EQ(files->ExcludeAttr, "faHidden");
    EXPECT_EQ(files->FileAttrib, "faAnyFile;faNormal");
    EXPECT_EQ(files->FileFilter, "*.tmp;*.log");
    EXPECT_EQ(files->ExcludeFolder, "x;y");
    EXPECT_FALSE(files->Recurse);  // only "true" is true
    EXPECT_EQ(files->ResolvedPath(), SpecialFolderPath(33) + "sub");
    EXPECT_TRUE(dynamic_cast<TDeleteFileObject*>(manager.WorkObjects[0].get())->ItemNode);
    ASSERT_TRUE([&] {
      for (int i = 0; i < 500 && done < 3; ++i) ::Sleep(10);
      return done == 3;
    }());
  }
}

}  // namespace
}  // namespace tw
