// The process entry of Tidewhisk.exe: the single-instance guard, the main and splash windows,
// the message loop, and the order in which everything is freed.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "cleaners/browsers/BrowserProfiles.h"
#include "engine/ScanMgr.h"
#include "platform/Com.h"
#include "platform/CrashReport.h"
#include "platform/Handles.h"
#include "platform/Text.h"
#include "support/LogFile.h"
#include "ui/components/FormUtils.h"
#include "ui/components/Window.h"
#include "ui/main/MainWindow.h"
#include "ui/main/Splash.h"
#include "ui/main/portable/RestartOptions.h"
#include "ui/main/portable/StartupOptions.h"

namespace {

constexpr const char* kInstanceMapping = "{6F206A8B-C027-402C-A42B-C995932B5B89}";

std::vector<std::string> Arguments() {
  std::vector<std::string> args;
  for (int i = 1; i < __argc; ++i) args.emplace_back(__argv[i]);
  return args;
}

int Run() {
  using namespace tw;
  InstallCrashReport();
  RegisterProgramMessages();
  const std::vector<std::string> args = Arguments();
  // A restart with administrator rights waits for the instance that made it to end first.
  if (const std::uint32_t pid = ReadRestartOptions(args).WaitPid) {
    unique_handle previous(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (previous) ::WaitForSingleObject(previous.get(), 15000);
  }
  // 1. The shared section marks the first instance; it holds the first instance's main window.
  unique_handle mapping(::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4, kInstanceMapping));
  const DWORD createError = ::GetLastError();
  if (!mapping) RaiseOSError(createError);
  if (HasTerminateSwitch(args)) {
    // Asks the running instance to end, as an installer or a script would; starts nothing.
    if (createError == ERROR_ALREADY_EXISTS) {
      DWORD recipients = BSM_APPLICATIONS;
      ::BroadcastSystemMessageA(BSF_POSTMESSAGE | BSF_IGNORECURRENTTASK, &recipients,
                                RegisteredMessages().Terminate, 0, 0);
    }
    return 0;
  }
  if (createError == ERROR_ALREADY_EXISTS) {
    unique_mapview view(::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 4));
    HWND first = nullptr;
    if (view) first = reinterpret_cast<HWND>(static_cast<INT_PTR>(*static_cast<const std::int32_t*>(view.get())));
    if (!first || !::IsWindow(first) || ::IsIconic(first) || !::IsWindowVisible(first)) {
      DWORD recipients = BSM_APPLICATIONS;
      ::BroadcastSystemMessageA(BSF_POSTMESSAGE | BSF_IGNORECURRENTTASK, &recipients,
                                RegisteredMessages().ShowWindow, 0, 0);
    }
    return 0;
  }

  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&icc);
  ComApartment apartment;
  Application().Title.clear();
  // Firefox and Opera are located once, before the main window exists, for the whole run.
  DiscoverBrowsers();

  TTWMainForm::TScanRun scanRun;
  {
    auto mainForm = std::make_unique<TTWMainForm>(args);
    // Later instances find this window through the section.
    unique_mapview view(::MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 4));
    if (view)
      *static_cast<std::int32_t*>(view.get()) =
          static_cast<std::int32_t>(reinterpret_cast<INT_PTR>(mainForm->Handle()));
    auto splash = std::make_unique<TSplashForm>(*mainForm);
    if (!Application().Terminated) splash->FormShow();
    Application().Run();
    splash.reset();
    scanRun = mainForm->TakeScanRun();
  }
  // The scan manager goes after the main window, and the receiver of its events after it.
  scanRun.Manager.reset();
  scanRun.Events.reset();
  ClearBrowserLocations();
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    return Run();
  } catch (...) {
    tw::LogBoundaryError("WinMain");
    return 1;
  }
}
