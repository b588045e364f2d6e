#pragma once
// The scan manager's events handed to functions a test sets; an empty one is skipped.
#include <functional>

#include "engine/ScanEvents.h"

namespace tw {

class TFakeScanEvents final : public TScanEvents {
 public:
  std::function<void(TScanMgr*)> ScanStart;
  std::function<void(int)> ScanQueued;
  std::function<void(TWorkObject*, TWorkDataPtr)> Item;
  std::function<void(TCustomWorkObject*)> WorkDone;
  std::function<void()> AbortStopped;
  std::function<void()> ShutdownStopped;

  void OnScanStart(TScanMgr* sender) override {
    if (ScanStart) ScanStart(sender);
  }
  void OnScanQueued(int count) override {
    if (ScanQueued) ScanQueued(count);
  }
  void OnItem(TWorkObject* sender, TWorkDataPtr data) override {
    if (Item) Item(sender, std::move(data));
  }
  void OnWorkDone(TCustomWorkObject* sender) override {
    if (WorkDone) WorkDone(sender);
  }
  void OnAbortStopped() override {
    if (AbortStopped) AbortStopped();
  }
  void OnShutdownStopped() override {
    if (ShutdownStopped) ShutdownStopped();
  }
};

}  // namespace tw
