#pragma once
// The programs that hold what a clean removes: listed with their visible windows, kept current
// once a second, and asked to close (forced only when the user agrees) when the user confirms.
#include <windows.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "database/XMLDatabase.h"
#include "ui/components/GroupedList.h"
#include "ui/dialogs/DialogBase.h"

namespace tw {

// Milliseconds a program is given to close before the user is asked about forcing it.
inline DWORD TerminateTimeout = 5000;

// How TerminateApp ended.
enum TTerminateResult : int {
  trNotOpened = 0,   // the process could not be opened for waiting and ending
  trClosed = 1,      // it closed within the time allowed
  trWaitFailed = 2,
  trDeclined = 3,    // time ran out and the user kept it running
  trForced = 4,      // time ran out and it was ended by force
  trForceFailed = 5, // time ran out and ending it by force failed
};

// Asked when a program did not close in time: true to end it by force.
using TForceQuestion = std::function<bool(DWORD processId, const std::string& exePath)>;

// Asks every visible top-level window of the process to close with Message, waits up to
// TimeoutMs for the process to end, and then asks AskForce before ending it by force.
int TerminateApp(const std::string& exePath, DWORD processId, DWORD timeoutMs, UINT message,
                 const TForceQuestion& askForce);

// The question as the program asks it: the HTML notice with OK and Cancel, centred over Owner.
bool AskForceTermination(HWND owner, int language, DWORD processId, const std::string& exePath);

// WM_QUIT for the messengers that answer nothing else, WM_CLOSE for everything else.
UINT CloseMessageFor(const std::string& fileName);

// One listed process.
struct TProcessInfo {
  std::vector<HWND> Windows;  // its visible top-level windows, in enumeration order
  DWORD ProcessId = 0;
  std::string ExePath;        // the program's full path in lower case
};

// What closing one checked program gave.
struct TCloseOutcome {
  std::string ExePath;
  DWORD ProcessId = 0;
  int Result = trNotOpened;
};

class TTerminateAppDlg final : public TDialog {
 public:
  // Owner: the window it is shown over; Language: the texts' language; Programs: the file
  // names of the programs to close (compared with each process's file name without regard to
  // case).
  TTerminateAppDlg(HWND owner, int language, const std::set<std::string, CaseInsensitiveLess>& programs);
  ~TTerminateAppDlg() override;

  // True when no listed program has a visible window: the dialog need not be shown.
  bool NothingToClose = true;
  // Shows the dialog modally with the list refreshing once a second: OK (1) after the checked
  // programs were handled, Abort (3) from Cancel or from closing the window.
  int Execute();

  // Asked before a program is ended by force; the HTML question over this dialog by default.
  TForceQuestion ForceQuestion;
  // The processes as listed, one per group.
  const std::vector<TProcessInfo>& Processes() const { return processes_; }
  // What closing gave, one entry per checked program, in list order.
  const std::vector<TCloseOutcome>& Outcomes() const { return outcomes_; }
  TGroupedList& ELVProcess() { return *list_; }
  THotImage& HotClean() { return ConfirmButton(); }
  THotImage& HotAbort() { return CancelButton(); }
  // One refresh of the list, as the timer runs it.
  void Refresh();

 protected:
  std::optional<LRESULT> HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void AddProcess(const std::string& exePath, DWORD processId);
  void CloseChecked();
  void ReportUnended();
  std::string WindowTitle(HWND hwnd) const;

  std::set<std::string, CaseInsensitiveLess> programs_;
  std::vector<TProcessInfo> processes_;
  std::vector<TCloseOutcome> outcomes_;
  std::unique_ptr<TGroupedList> list_;
  HWND labelCloseApp_ = nullptr;
  HIMAGELIST smallIcons_ = nullptr, largeIcons_ = nullptr;
  bool timerOn_ = false;
};

}  // namespace tw
