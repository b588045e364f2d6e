#pragma once
// The clean in progress: takes over the events of every work object, starts the clean, shows
// which finding is being removed, and closes when the end marker has run.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/ScanMgr.h"
#include "ui/dialogs/DialogBase.h"
#include "ui/dialogs/portable/CleanText.h"

namespace tw {

// The registered web browser's program path (dequoted, long form) and its kind (kBrowser...),
// as the last progress dialog found them.
extern std::string DefaultBrowserPath;
extern int DefaultBrowserKind;

// The clean's counts over the work objects up to and including the manager's LastCleanedObject
// (all of them when it is not among them), as TallyClean counts them: every ticked finding of an
// object whose clean raised failed. ScheduledAtRestart stays false: the progress dialog knows it.
TCleanCounts CountCleanResults(const TScanMgr& manager);

class TCleanProgress final : public TDialog {
 public:
  // Owner: the window it is shown over; Manager: whose work objects are cleaned; MakeBackups:
  // the user's "MakeRegistryBackups" (registry entries are saved before they are removed).
  TCleanProgress(HWND owner, int language, TScanMgr& manager, bool makeBackups);
  // Gives the work objects back the events they had.
  ~TCleanProgress() override;

  // Shows the dialog and runs the clean: OK (1) when the end marker has run, Abort (3) when the
  // user aborted (the manager is aborted at once).
  int Execute();
  // What the clean did, for the summary: CountCleanResults, with ScheduledAtRestart set when
  // files were handed to the system for the next restart during the clean; all zero when the
  // user aborted before the first object finished.
  TCleanCounts Counts() const;

  // The owner's gauge (the status bar): set up with the number of ticked findings when the
  // clean starts, then moved with the dialog's gauge.
  std::function<void(int maximum)> OnProgressStart;
  std::function<void(int position, int maximum)> OnProgress;
  // The shortest time between two updates of the shown texts and gauges, in milliseconds.
  unsigned DisplayInterval = 60;
  // How long the dialog stays after the end marker, counted from the clean's start.
  unsigned EndPause = 1000;

  HWND RunningLabel() const { return lblRunning_; }
  HWND LblCurrentItem() const { return lblCurrentItem_; }
  HWND ItemsProgressBar() const { return gauge_; }
  THotImage& HotAbort() { return *hotAbort_; }
  int Maximum() const { return maximum_; }
  int Position() const { return position_; }
  // The number of times the shown finding changed (for watching the repaint rate).
  int DisplayUpdates() const { return displayUpdates_; }

 protected:
  std::optional<LRESULT> HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  struct TSavedEvents {
    TWorkObject* Object;
    TWorkDoneEvent OnWorkDone;
    TWorkItemEvent OnItem, OnBackup;
  };
  void StartClean();
  void ScanMgrWorkItem(TWorkObject* sender, TWorkDataPtr data);
  void ScanMgrBackup(TWorkObject* sender, TWorkDataPtr data);
  void ScanMgrWorkDone(TCustomWorkObject* sender);
  // The caption and the running label for Sender; Whole: the group's whole name.
  std::string Describe(TWorkObject* sender, bool whole, int row);
  std::string EntryText(TWorkObject* sender, const std::string& text, bool cache);
  bool DisplayDue();
  void ShowEntry(const std::string& text);
  void ShowGauge();
  void Pump();

  TScanMgr& manager_;
  bool makeBackups_;
  std::vector<TSavedEvents> saved_;
  std::unique_ptr<THotImage> hotAbort_;
  HWND runningFrame_ = nullptr, itemFrame_ = nullptr, lblRunning_ = nullptr, lblCurrentItem_ = nullptr, gauge_ = nullptr;
  int maximum_ = 0;
  int position_ = 0;
  int displayUpdates_ = 0;
  std::uint64_t lastDisplay_ = 0;
  std::uint64_t lastPump_ = 0;
  std::uint64_t started_ = 0;
  std::size_t pendingAtStart_ = 0;
  bool cleanStarted_ = false;
  bool finished_ = false;
  bool aborted_ = false;
};

}  // namespace tw
