#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/FakeScanEvents.h"
#include "database/XMLDatabase.h"
#include "engine/RunTally.h"
#include "engine/ScanMgr.h"
#include "engine/States.h"
#include "platform/Com.h"
#include "platform/QueueSynchronizer.h"
#include "support/FileIO.h"
#include "support/Format.h"

namespace tw {
namespace {

class TFakeObject final : public TWorkObject {
 public:
  explicit TFakeObject(TWorkDoneEvent onWorkDone = [](TCustomWorkObject*) {}, std::function<void()> body = {},
                       std::atomic<int>* destroyed = nullptr)
      : TWorkObject(nullptr, std::move(onWorkDone), {}, TXmlNode()), Body(std::move(body)), destroyed_(destroyed) {}
  ~TFakeObject() override {
    if (destroyed_) ++*destroyed_;
  }
  void Execute() override {
    if (Body) Body();
  }
  const char* ClassName() const override { return "TFakeObject"; }
  // Findings: 't' ticked and removed, 'f' ticked and not removed, 'u' unticked.
  void Findings(const std::string& marks) {
    for (char mark : marks) {
      auto record = std::make_unique<TChecked>();
      record->Checked = mark != 'u' && mark != 'p';
      record->Protected = mark == 'p';  // kept by the protect list
      record->CleanSucceeded = mark != 'f';
      Found.Add("x", std::move(record));
    }
  }
  std::function<void()> Body;

 private:
  std::atomic<int>* destroyed_;
};

using TObjects = std::vector<std::unique_ptr<TWorkObject>>;

TFakeObject& Add(TObjects& objects, const std::string& marks) {
  auto object = std::make_unique<TFakeObject>();
  object->Findings(marks);
  objects.push_back(std::move(object));
  return static_cast<TFakeObject&>(*objects.back());
}

TEST(RunTally, CleanCountsFailuresOfObjectsThatRaisedAndSkipsWhatTheUserLeftOut) {
  // How each object's clean ended, and which object finished last (-1: the run was not cut off).
  struct Object {
    const char* marks;
    const char* raised;  // the class its clean raised, "" for none
    bool skipped;
  };
  const std::vector<Object> objects = {
      {"ttfu", "", false},                   // 0: ran: 3 ticked, 1 not removed
      {"ttu", "EExRegistryException", false},  // 1: raised: both ticked findings stay
      {"tt", "", true},                      // 2: left out for want of rights
      {"uuu", "EDeleteFileError", false},    // 3: raised with nothing ticked: nothing failed
      {"ttttp", "", false},                  // 4: cut off by an abort when last is before it
  };
  struct Case {
    int last;
    TCleanTally expected;
  };
  const Case cases[] = {
      {-1, {9, 3, 2, 1}},  // every object: 3 + 2 + 4 ticked ran, 1 + 2 failed, 2 skipped, 1 kept
      {4, {9, 3, 2, 1}},
      {3, {5, 3, 2, 1}},   // aborted after the fourth object: the fifth is not counted, what it
      {1, {5, 3, 0, 1}},   // kept stays kept
      {0, {3, 1, 0, 1}},
  };
  TObjects list;
  for (const Object& spec : objects) {
    TFakeObject& object = Add(list, spec.marks);
    object.ErrorClass = spec.raised;
    if (*spec.raised) object.ErrorMessage = "Access is denied";
    object.SkipClean = spec.skipped;
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.last);
    EXPECT_EQ(TallyClean(list, c.last < 0 ? nullptr : list[static_cast<std::size_t>(c.last)].get()), c.expected);
  }
}

TEST(RunTally, RecycledFindingsCountWithTheirBytes) {
  TObjects list;
  TFakeObject& files = Add(list, "tttu");
  TFakeObject& raised = Add(list, "t");
  raised.ErrorClass = "EDeleteFileError";
  auto recycled = [](TFakeObject& object, int index, std::int64_t size) {
    object.Found.Record(index).Recycled = true;
    object.Found.Record(index).Size = size;
  };
  recycled(files, 0, 100);
  recycled(files, 2, 20);
  recycled(raised, 0, 5);
  files.Found.Record(1).Size = 1000;  // removed outright: not restorable
  // What went into the Recycle Bin stays restorable when the object's clean raised afterwards.
  TCleanTally expected{4, 1, 0};
  expected.Recycled = 3;
  expected.RecycledSize = 125;
  EXPECT_EQ(TallyClean(list, nullptr), expected);
}

TEST(RunTally, ErrorsAUserIsToldAboutAndLockedDatabases) {
  TObjects list;
  TFakeObject& absent = Add(list, "t");
  absent.ErrorClass = "EDeleteFileError";
  absent.ErrorMessage = "Path not found! C:\\Nothing";
  TFakeObject& denied = Add(list, "t");
  denied.ErrorClass = "ERegistryException";
  denied.ErrorMessage = "Access is denied";
  TFakeObject& partial = Add(list, "tu");
  partial.PartialErrors = {{"EDatabaseLocked", "database is locked: C:\\Profile 1\\History"}};
  TFakeObject& untickedFailure = Add(list, "u");
  untickedFailure.ErrorClass = "EDeleteFileError";
  untickedFailure.ErrorMessage = "Invalid temp path! C:\\";

  auto messages = [&](bool cleaning) {
    std::vector<std::string> out;
    for (const TRunError& error : RunErrors(list, cleaning)) out.push_back(error.Error.message);
    return out;
  };
  // A scan tells all but the missing place; a clean only what had something ticked.
  EXPECT_EQ(messages(false), (std::vector<std::string>{"Access is denied", "database is locked: C:\\Profile 1\\History",
                                                       "Invalid temp path! C:\\"}));
  EXPECT_EQ(messages(true), (std::vector<std::string>{"Path not found! C:\\Nothing", "Access is denied",
                                                      "database is locked: C:\\Profile 1\\History"}));

  EXPECT_FALSE(MetLockedDatabase(absent));
  EXPECT_TRUE(MetLockedDatabase(partial));
  denied.ErrorClass = "EDatabaseLocked";
  EXPECT_TRUE(MetLockedDatabase(denied));
}

TEST(RunTally, MachineWideObjectsAreThoseWithTickedFindingsInSharedPlaces) {
  TObjects list;
  Add(list, "t").DeclaredMachinePlace = "HKEY_LOCAL_MACHINE\\Software\\X";
  Add(list, "uu").DeclaredMachinePlace = "C:\\Windows\\Temp";  // nothing ticked
  Add(list, "t");                                                 // the user's own
  TFakeObject& failed = Add(list, "t");
  failed.DeclaredMachinePlace = "C:\\Windows\\Logs";
  failed.ErrorClass = "EDeleteFileError";  // not listed, so not cleaned
  const std::vector<TWorkObject*> found = MachineWideObjects(list);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0], list[0].get());
}

// The front end leaves the results of an aborted clean while the pool still has the running
// object's completion to hand over: the objects must live until that completion has run.
TEST(RunTally, WorkReleasedDuringAStopOutlivesTheLastCompletion) {
  ComApartment com;
  TQueueSynchronizer sync;
  std::atomic<int> destroyed{0}, completed{0}, stopped{0};
  TScanMgr* managerOf = nullptr;
  TWorkObjectBuilders builders;
  builders["DeleteFiles"] = [&](TWorkObjectInit init, const TActionParams&) -> std::unique_ptr<TWorkObject> {
    return std::make_unique<TFakeObject>(std::move(init.onWorkDone), [&] {
      // The user aborts and the window goes back to the ready list, all within this run.
      managerOf->Abort();
      managerOf->ReleaseWork();
      EXPECT_EQ(destroyed, 0);
    }, &destroyed);
  };
  char temp[MAX_PATH];
  ::GetTempPathA(MAX_PATH, temp);
  const std::string file = Format("%stw_release_%d.xml", temp, static_cast<int>(::GetCurrentProcessId()));
  WriteFileAtomic(file,
                  "<?xml version=\"1.0\"?><Database version=\"1\"><Group id=\"g01\" icon=\"x\"><en name=\"n\" "
                  "info=\"i\"/><Item id=\"g01-i01\" icon=\"x\" enabled=\"true\" mode=\"1\" checked=\"true\"><en "
                  "name=\"n\" info=\"i\"/><Action method=\"DeleteFiles\" path=\"C:\\\" excludeAttr=\"\" "
                  "fileAttrib=\"\" fileFilter=\"\" excludeFolder=\"\" recurse=\"false\"/><Action "
                  "method=\"DeleteFiles\" path=\"C:\\\" excludeAttr=\"\" fileAttrib=\"\" fileFilter=\"\" "
                  "excludeFolder=\"\" recurse=\"false\"/></Item></Group></Database>");
  TXMLDatabase database;
  ASSERT_TRUE(database.Load(file, false));
  ::DeleteFileA(file.c_str());
  {
    TFakeScanEvents events;
    events.WorkDone = [&](TCustomWorkObject*) {
      ++completed;
      EXPECT_EQ(destroyed, 0) << "a completion reached a freed object";
    };
    events.AbortStopped = [&] { ++stopped; };
    TScanMgr manager(sync, events, builders, 1, true);
    managerOf = &manager;
    manager.Scan(database.Document, pmQuick);
    sync.RunUntil([&] { return stopped > 0; });
    sync.ProcessPending();     // the freeing, queued just before the stop was told
    EXPECT_EQ(completed, 1);   // the running object completed; the one queued behind it was dropped
    EXPECT_EQ(destroyed, 2);   // both objects (and the end marker), freed by the stop
    EXPECT_TRUE(manager.WorkObjects.empty());
  }
}

}  // namespace
}  // namespace tw
