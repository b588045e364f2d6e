#include "ui/main/Splash.h"

#include "database/XMLDatabase.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "support/FileIO.h"
#include "support/Format.h"
#include "support/LogFile.h"
#include "ui/components/FormUtils.h"
#include "ui/main/MainWindow.h"
#include "ui/main/portable/StartupOptions.h"
#include "ui/resources/ResourceNames.h"

namespace tw {
namespace {

constexpr UINT_PTR kSplashTimer = 1;
constexpr int kLabelHeight = 22;

// Milliseconds by the high-resolution clock (the tick count where there is none).
double NowMs() {
  LARGE_INTEGER frequency{}, counter{};
  if (::QueryPerformanceFrequency(&frequency) && frequency.QuadPart && ::QueryPerformanceCounter(&counter))
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
  return static_cast<double>(::GetTickCount64());
}

}  // namespace

TSplashForm::TSplashForm(TTWMainForm& main) : main_(main) {
  Language = main.Language;
  CreateHandle("TSplashForm", "", WS_POPUP | WS_BORDER, WS_EX_TOOLWINDOW | WS_EX_TOPMOST, 0, 0, 400, 100,
               nullptr, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  HWND h = Handle();
  logo_ = std::make_unique<THotImage>(h, 0, 0);
  logo_->FlipPictures = false;
  logo_->SetPicture(TPicture::FromResource(res::PictureName(res::kTopLogo, main.CheckedLanguage())));
  SIZE logo = logo_->Picture().Size();
  if (logo.cx == 0) logo = {400, 80};
  statusLabel_ = CreateControl("STATIC", std::string(StrRes(kRowStartingUp, Language)), WS_VISIBLE | SS_LEFT | SS_CENTERIMAGE,
                               8, logo.cy, logo.cx - 16, kLabelHeight, h, 0);
  RECT r{0, 0, logo.cx, logo.cy + kLabelHeight};
  ::AdjustWindowRectEx(&r, WS_POPUP | WS_BORDER, FALSE, WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
  const int w = r.right - r.left, hgt = r.bottom - r.top;
  SetBounds((::GetSystemMetrics(SM_CXSCREEN) - w) / 2, (::GetSystemMetrics(SM_CYSCREEN) - hgt) / 2, w, hgt);
}

void TSplashForm::FormShow() {
  ::ShowWindow(Handle(), SW_SHOWNOACTIVATE);
  ::UpdateWindow(Handle());
  ::SetTimer(Handle(), kSplashTimer, 2500, nullptr);
  try {
    main_.TrayIcon().SetVisible(true);
  } catch (...) {
    // No notification area (no shell running): the program goes on without its icon.
    LogBoundaryError("TSplashForm.FormShow");
  }
  main_.TrayIcon().SetHideTask(false);
}

void TSplashForm::SplashTimerTick() {
  ::KillTimer(Handle(), kSplashTimer);
  if (++ticks_ == 1) {
    ::SetTimer(Handle(), kSplashTimer, 2000, nullptr);
    ::SetWindowTextA(statusLabel_, std::string(StrRes(kRowLoadingComponents, Language)).c_str());
    return;
  }
  if (!main_.HideSwitch()) main_.Show();
  const double start = NowMs();
  while (NowMs() - start < 1000 && !Application().Terminated) {
    Application().ProcessMessages();
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  FormClose();
}

void TSplashForm::FormClose() {
  // The window goes; the database loads.
  ::DestroyWindow(Handle());
  if (Application().Terminated || main_.Closing()) return;
  const std::string fileName = DatabaseFileName();
  try {
    if (!main_.Database().Load(fileName, DatabaseProtected)) {
      const int row = FileExists(fileName) ? kRowDatabaseCorrupted : kRowDatabaseNotFound;
      ShowMessageOver(Format(std::string(StrRes(row, main_.Language)), fileName), TMessageKind::Error,
                      main_.Handle(), main_.Language);
      main_.DatabaseUnavailable();
    }
  } catch (...) {
    ErrorInfo error = DescribeException(std::current_exception());
    LogFile().Write("[TSplashForm.FormClose] %s: %s", error.className, error.message);
    throw;
  }
}

LRESULT TSplashForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  try {
    switch (msg) {
      case WM_TIMER:
        if (wParam == kSplashTimer) SplashTimerTick();
        return 0;
      case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(dc, RGB(255, 255, 255));
        ::SetBkColor(dc, RGB(0, 0, 0));
        return reinterpret_cast<LRESULT>(::GetStockObject(BLACK_BRUSH));
      }
      default:
        break;
    }
  } catch (...) {
    LogBoundaryError("TSplashForm.WndProc");
    return 0;
  }
  return TWindow::WndProc(msg, wParam, lParam);
}

}  // namespace tw
