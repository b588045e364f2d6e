#pragma once
// What a scan manager tells the front end that runs it. The program's main window and twcli
// each implement it; a test implements the part it watches. The manager raises the events in
// the order and in the threads given below; a front end that must reach its windows from a
// worker thread posts a message or queues the call on the main thread's synchronizer.
#include "engine/CustomWorkObject.h"

namespace tw {

class TScanMgr;

class TScanEvents {
 public:
  virtual ~TScanEvents() = default;

  // Main thread, first thing in Scan.
  virtual void OnScanStart(TScanMgr* /*sender*/) {}
  // Main thread, last thing in Scan: Count objects are queued, the end marker included.
  virtual void OnScanQueued(int /*count*/) {}
  // Main thread, per finding of a scan (the receiver owns Data). A clean's findings go to the
  // objects' own OnItem, which whoever runs the clean sets.
  virtual void OnItem(TWorkObject* /*sender*/, TWorkDataPtr /*data*/) {}
  // Main thread, after every run of every object; the end marker's completion means that
  // everything queued before it has completed.
  virtual void OnWorkDone(TCustomWorkObject* sender) = 0;
  // WORKER THREAD, when the pool has stopped after Abort, or after Shutdown (when the program
  // ends). Must not touch windows.
  virtual void OnAbortStopped() {}
  virtual void OnShutdownStopped() {}
};

}  // namespace tw
