#pragma once
// The scan manager: turns the scan database into work objects for the cleaning mode it is
// given, runs them on its one-thread pool (every Execute and event in the main thread), and
// queues them again for a clean.
//
// Front ends learn what happens through one TScanEvents (engine/ScanEvents.h), given at
// construction; it must outlive the manager. With synchronized callbacks off, the objects run
// and complete in the pool's thread, and get no OnItem.
#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "database/XMLDatabase.h"
#include "engine/CustomWorkObject.h"
#include "engine/MethodTable.h"
#include "engine/ScanEvents.h"
#include "engine/States.h"
#include "engine/WorkPool.h"
#include "platform/MainThread.h"

namespace tw {

// The end marker: does nothing; its completion closes a scan or a clean.
class TDummyObject final : public TWorkObject {
 public:
  using TWorkObject::TWorkObject;
  void Execute() override {}
  const char* ClassName() const override { return "TDummyObject"; }
  bool IsEndMarker() const override { return true; }
};

class TScanMgr {
 public:
  // Events: the front end's receiver of every event of the manager and its objects.
  // SynchronizedCallbacks: run the work in the main thread through Sync, and report findings
  // through OnItem (UseCallbacks). The manager always owns its work objects.
  // Builders: the work-object classes by method (the cleaners' CleanerBuilders()); an action
  // whose method has no builder builds nothing.
  TScanMgr(TSynchronizer& sync, TScanEvents& events, const TWorkObjectBuilders& builders,
           int threadCount = 1, bool synchronizedCallbacks = true);
  // Destroys the pool (waiting for its threads), then the work objects.
  ~TScanMgr();
  TScanMgr(const TScanMgr&) = delete;
  TScanMgr& operator=(const TScanMgr&) = delete;

  // Builds and queues the work of one scan in Mode. Called while no run is under way. A
  // database error raises out of Scan: the objects built so far stay in WorkObjects and nothing
  // is queued. Language: the front end's, for texts of the string table in findings.
  void Scan(const TXmlDocument& document, TPresetMode mode, int language = 0);
  // Queues every object of WorkObjects again with CleanMode set, the end marker last. The
  // findings of an object whose scan ended in an error are unticked first (they were not shown);
  // so is every ticked finding that Protect names, which is marked Protected.
  // Objects with SkipClean are not queued.
  void Clean();
  // Unticks every ticked finding that Protect names and marks it Protected (Clean does it first;
  // a front end may do it before, to count what the clean will touch).
  void KeepProtected();
  // Sets Aborted on every object and stops the pool; OnAbortStopped follows (at once when no
  // worker thread is alive; after an earlier stop's callback when one is still under way).
  void Abort();
  // As Abort, with OnShutdownStopped; used when the program ends.
  void Shutdown();
  // Empties WorkObjects and frees its objects (in a thread of their own, so that a large scan
  // does not stall the caller). While the pool is stopping, a thread may still hand the object
  // it ran, or its completion, to the main thread: the objects are then kept until the stop's
  // callback, the last thing the pool raises, and freed there. The only way objects of a run
  // that may still be under way are let go.
  void ReleaseWork();
  // Builds the objects a scan in Mode would run, without running or keeping them (for a front
  // end that looks at them before a scan starts). Raises as Scan does.
  std::vector<std::unique_ptr<TWorkObject>> Preview(const TXmlDocument& document, TPresetMode mode);
  // Counts the URL-cache history entries, and those of them that the adult keyword list matches.
  // Both 0 when this program has no history lister. Runs in the calling thread. Language: the
  // front end's, should the keyword list not exist yet.
  void AdultHistoryCount(int language, int& total, int& adult);

  const TWorkObjectBuilders& Builders;

  // The objects of the last scan in the order built, end marker last.
  std::vector<std::unique_ptr<TWorkObject>> WorkObjects;

 private:
  // Objects released while the pool was stopping. Its stop callback hands them to the main
  // thread, which frees them after every completion already posted for them. Declared before
  // the pool so that they outlive it: its destruction may still complete one of them.
  TSynchronizer& sync_;
  TScanEvents& events_;
  std::mutex retiredLock_;
  std::vector<std::unique_ptr<TWorkObject>> retired_;

 public:
  TWorkThreadPool Pool;
  // Executable file names of programs that hold what the objects clean; each name once,
  // whatever its letter case (the first spelling is kept), sorted without regard to case.
  std::set<std::string, CaseInsensitiveLess> ProgramsToClose;
  bool UseCallbacks;
  // What no object may list or remove; the front end fills it from the user's settings before
  // Scan, and may renew it before Clean (the clean checks every ticked finding against it).
  TProtectList Protect;
  // The user's "Move removed files to the Recycle Bin": Clean then sets Recycle on the objects
  // of recoverable items (ItemRecoverable), whose removed files go into the Recycle Bin.
  bool MoveToRecycleBin = false;
    // Written by the clean dialog, read by the clean summary; the manager only clears it when it
  // lets its objects go (ReleaseWork).
  TWorkObject* LastCleanedObject = nullptr;

 private:
  void StopAll(void (TScanEvents::*onStopped)());
  using TPrograms = std::set<std::string, CaseInsensitiveLess>;
  void Build(const TXmlDocument& document, TPresetMode mode,
             std::vector<std::unique_ptr<TWorkObject>>& objects, TPrograms& programs);
  void ScanItem(const TXmlNode& group, const TXmlNode& item, TPresetMode mode,
                std::vector<std::unique_ptr<TWorkObject>>& objects, TPrograms& programs);
  // The events every object built gets.
  TWorkDoneEvent WorkDoneEvent();
  TWorkItemEvent ItemEvent();
  // Hands the retired objects to the main thread to be freed there, behind what is queued.
  void FreeRetired();

  int scanLanguage_ = 0;
};

}  // namespace tw
