// The picture button, the threaded timer, the tray icon (with the shell calls recorded), the
// window synchronizer, the version reader and the HTML notice dialog, in this process.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "platform/Text.h"
#include "platform/VersionInfo.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "support/Messages.h"
#include "ui/components/FormUtils.h"
#include "ui/components/OwnerDrawnMenu.h"
#include "ui/components/PictureButton.h"
#include "ui/components/ThreadedTimer.h"
#include "ui/components/TrayIcon.h"
#include "ui/components/Window.h"
#include "ui/components/WindowSynchronizer.h"
#include "ui/dialogs/HtmlNoticeDialog.h"
#include "ui/MessagePump.h"

namespace tw {
namespace {

using namespace std::chrono_literals;


TPicture Solid(COLORREF color, const char* name) {
  HDC screen = ::GetDC(nullptr);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 8, 4);
  HDC dc = ::CreateCompatibleDC(screen);
  HGDIOBJ old = ::SelectObject(dc, bitmap);
  RECT r{0, 0, 8, 4};
  HBRUSH brush = ::CreateSolidBrush(color);
  ::FillRect(dc, &r, brush);
  ::DeleteObject(brush);
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  ::ReleaseDC(nullptr, screen);
  return TPicture::FromBitmap(bitmap, name);
}

class Parent {
 public:
  Parent() {
    hwnd_ = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  }
  ~Parent() { ::DestroyWindow(hwnd_); }
  HWND get() const { return hwnd_; }

 private:
  HWND hwnd_;
};

TEST(HotImage, FlipsOnlyWhenAllowedAndKeepsWhatChangedWhileHovering) {
  Parent parent;
  THotImage image(parent.get());
  EXPECT_EQ(image.Size().cx, 40);
  EXPECT_EQ(image.Size().cy, 20);
  const TPicture normal = Solid(RGB(255, 0, 0), "normal"), hot = Solid(RGB(0, 255, 0), "hot");
  image.SetPicture(normal);
  image.SetPictureHot(hot);
  EXPECT_EQ(image.Size().cx, 8);
  int entered = 0, left = 0;
  image.OnMouseEnter = [&] { ++entered; };
  image.OnMouseLeave = [&] { ++left; };

  image.FlipPictures = false;
  image.MouseEnter();
  EXPECT_EQ(image.Picture().Name(), "normal");
  image.MouseLeave();
  EXPECT_EQ(image.Picture().Name(), "normal");
  EXPECT_EQ(image.PictureHot().Name(), "normal");  // the shown picture becomes the hot one
  EXPECT_EQ(entered, 1);
  EXPECT_EQ(left, 1);

  image.SetPictureHot(hot);
  image.FlipPictures = true;
  image.MouseEnter();
  EXPECT_EQ(image.Picture().Name(), "hot");
  image.MouseLeave();
  EXPECT_EQ(image.Picture().Name(), "normal");
  EXPECT_EQ(image.PictureHot().Name(), "hot");
  EXPECT_EQ(Solid(RGB(1, 2, 3), "x").EdgeColor(), RGB(1, 2, 3));
  // The hint is the button's caption, and its window text for screen readers.
  image.SetHint("Nettoyer");
  EXPECT_EQ(WindowText(image.Handle()), "Nettoyer");

  // A click is a press and a release inside the control.
  int clicks = 0;
  image.OnClick = [&] { ++clicks; };
  ::SendMessageA(image.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  ::SendMessageA(image.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  ::SendMessageA(image.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  ::SendMessageA(image.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(50, 50));  // released outside
  ::SendMessageA(image.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));    // no press before
  EXPECT_EQ(clicks, 1);
}

TEST(ThreadedTimer, TicksInTheMainThreadOnlyWhileEnabled) {
  TThreadedTimer timer(Application().Synchronizer());
  EXPECT_EQ(timer.Interval(), 1000u);
  EXPECT_FALSE(timer.Enabled());
  const DWORD mainThread = ::GetCurrentThreadId();
  std::vector<DWORD> threads;
  timer.OnTimer = [&] { threads.push_back(::GetCurrentThreadId()); };
  timer.SetInterval(30);
  timer.SetEnabled(true);
  ASSERT_TRUE(PumpUntil([&] { return threads.size() >= 3; }, 3s));
  for (DWORD id : threads) EXPECT_EQ(id, mainThread);
  timer.SetEnabled(false);
  const std::size_t count = threads.size();
  Pump(200ms);
  EXPECT_EQ(threads.size(), count);
  // A long interval does not tick early.
  timer.SetInterval(5000);
  timer.SetEnabled(true);
  Pump(300ms);
  EXPECT_EQ(threads.size(), count);
}

TEST(WindowSynchronizer, RunsCallsInTheMainThreadAndCarriesErrors) {
  TWindowSynchronizer sync;
  const DWORD mainThread = ::GetCurrentThreadId();
  std::vector<int> order;
  DWORD ranIn = 0;
  bool raised = false;
  std::thread worker([&] {
    sync.Queue([&] { order.push_back(1); });
    sync.Synchronize([&] {
      order.push_back(2);
      ranIn = ::GetCurrentThreadId();
    });
    try {
      sync.Synchronize([] { throw Exception("EDemo", "from the main thread"); });
    } catch (const Exception& e) {
      raised = e.ClassName() == "EDemo";
    }
  });
  ASSERT_TRUE(PumpUntil([&] { return raised; }, 5s));
  worker.join();
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  EXPECT_EQ(ranIn, mainThread);
  // From the main thread a call runs at once.
  bool now = false;
  sync.Synchronize([&] { now = true; });
  EXPECT_TRUE(now);
}

struct ShellCall {
  DWORD message;
  UINT flags;
  std::string tip, info, title;
  DWORD infoFlags;
  HICON icon;
};

class TrayIconTest : public ::testing::Test {
 protected:
  std::vector<ShellCall> calls;
  bool fail = false;
  TShellNotify Recorder() {
    return [this](DWORD message, NOTIFYICONDATAA& data) {
      calls.push_back({message, data.uFlags, data.szTip, data.szInfo, data.szInfoTitle, data.dwInfoFlags, data.hIcon});
      return !fail;
    };
  }
  int Count(DWORD message) const {
    int n = 0;
    for (const ShellCall& c : calls) n += c.message == message;
    return n;
  }
};

TEST_F(TrayIconTest, VisibilityAndTheShell) {
  TMyTrayIcon tray(Application().Synchronizer(), Recorder());
  EXPECT_FALSE(tray.Visible());
  EXPECT_EQ(tray.Data().uCallbackMessage, WM_TRAYNOTIFY);
  EXPECT_EQ(tray.Data().uTimeout, 10000u);
  EXPECT_EQ(tray.Data().uID, static_cast<UINT>(reinterpret_cast<UINT_PTR>(tray.Handle())));
  tray.SetVisible(true);
  ASSERT_EQ(Count(NIM_ADD), 1);
  EXPECT_TRUE(calls.back().flags & NIF_MESSAGE);
  EXPECT_TRUE(calls.back().flags & NIF_ICON);

  // The same hint again costs no shell call; an empty one drops the tip flag.
  tray.SetHint("Tidewhisk");
  const int modifies = Count(NIM_MODIFY);
  EXPECT_TRUE(calls.back().flags & NIF_TIP);
  EXPECT_EQ(calls.back().tip, "Tidewhisk");
  tray.SetHint("Tidewhisk");
  EXPECT_EQ(Count(NIM_MODIFY), modifies);
  tray.SetHint(std::string(200, 'x'));
  EXPECT_EQ(calls.back().tip.size(), 127u);
  tray.SetHint("");
  EXPECT_FALSE(calls.back().flags & NIF_TIP);

  // The shell's taskbar came back: a visible icon is added again, a hidden one is not.
  ::SendMessageA(tray.Handle(), ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_EQ(Count(NIM_ADD), 2);
  tray.SetVisible(false);
  EXPECT_EQ(Count(NIM_DELETE), 1);
  ::SendMessageA(tray.Handle(), ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_EQ(Count(NIM_ADD), 2);

  fail = true;
  try {
    tray.SetVisible(true);
    FAIL() << "no error";
  } catch (const EOutOfResources& e) {
    EXPECT_STREQ(e.what(), "Cannot create shell notification icon");
  }
  EXPECT_FALSE(tray.Visible());
}

TEST_F(TrayIconTest, BalloonsShowAndClear) {
  TMyTrayIcon tray(Application().Synchronizer(), Recorder());
  tray.SetVisible(true);
  tray.ShowBalloonText("Text", "Title", bfWarning, 5000);
  EXPECT_TRUE(calls.back().flags & NIF_INFO);
  EXPECT_EQ(calls.back().info, "Text");
  EXPECT_EQ(calls.back().title, "Title");
  EXPECT_EQ(calls.back().infoFlags, static_cast<DWORD>(bfWarning));
  EXPECT_TRUE(tray.BalloonShown());
  EXPECT_EQ(tray.BalloonHint, "Text");
  int clicked = 0;
  tray.OnBalloonClick = [&](TMouseButton button, unsigned, int, int) { clicked += button == mbLeft; };
  ::SendMessageA(tray.Handle(), WM_TRAYNOTIFY, 0, NIN_BALLOONUSERCLICK);
  EXPECT_EQ(clicked, 1);
  EXPECT_FALSE(tray.BalloonShown());
  tray.HideBalloonHint();
  EXPECT_TRUE(calls.back().flags & NIF_INFO);
  EXPECT_EQ(calls.back().info, "");
  EXPECT_EQ(calls.back().title, "");
}

TEST_F(TrayIconTest, SingleAndDoubleClicksAreToldApart) {
  TMyTrayIcon tray(Application().Synchronizer(), Recorder());
  int clicks = 0, doubles = 0, downs = 0;
  tray.OnClick = [&] { ++clicks; };
  tray.OnDblClick = [&] { ++doubles; };
  tray.OnMouseDown = [&](TMouseButton button, unsigned shift, int, int) {
    downs += button == mbLeft && (shift & ssLeft);
  };
  const auto doubleClickTime = std::chrono::milliseconds(::GetDoubleClickTime());
  ::SendMessageA(tray.Handle(), WM_TRAYNOTIFY, 0, WM_LBUTTONDOWN);
  ::SendMessageA(tray.Handle(), WM_TRAYNOTIFY, 0, WM_LBUTTONUP);
  EXPECT_EQ(clicks, 0);  // not before the double-click time
  ASSERT_TRUE(PumpUntil([&] { return clicks == 1; }, doubleClickTime + 2s));
  EXPECT_EQ(downs, 1);

  ::SendMessageA(tray.Handle(), WM_TRAYNOTIFY, 0, WM_LBUTTONDOWN);
  ::SendMessageA(tray.Handle(), WM_TRAYNOTIFY, 0, WM_LBUTTONUP);
  ::SendMessageA(tray.Handle(), WM_TRAYNOTIFY, 0, WM_LBUTTONDBLCLK);
  ::SendMessageA(tray.Handle(), WM_TRAYNOTIFY, 0, WM_LBUTTONUP);
  Pump(doubleClickTime + 500ms);
  EXPECT_EQ(doubles, 1);
  EXPECT_EQ(clicks, 1);
}

TEST_F(TrayIconTest, AnimationCyclesAndKeepsTheLastFrame) {
  HIMAGELIST list = ::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 3, 0);
  for (int i = 0; i < 3; ++i) ::ImageList_AddIcon(list, ::LoadIconA(nullptr, i == 0 ? IDI_APPLICATION : i == 1 ? IDI_WARNING : IDI_ERROR));
  {
    TMyTrayIcon tray(Application().Synchronizer(), Recorder());
    tray.SetIcons(list);
    tray.SetVisible(true);
    std::vector<int> seen;
    tray.OnAnimate = [&] { seen.push_back(tray.IconIndex()); };
    tray.SetAnimateInterval(40);
    tray.SetAnimate(true);
    ASSERT_TRUE(PumpUntil([&] { return seen.size() >= 5; }, 5s));
    EXPECT_EQ(std::vector<int>(seen.begin(), seen.begin() + 5), (std::vector<int>{0, 1, 2, 0, 1}));
    tray.SetAnimate(false);
    EXPECT_EQ(tray.Icon(), tray.CurrentIcon());
    const std::size_t count = seen.size();
    Pump(200ms);
    EXPECT_EQ(seen.size(), count);
  }
  ::ImageList_Destroy(list);
}

// The program's popup menus draw themselves: white entries with a free band at the left, grey
// when highlighted, and the dark side band with the last entry.
TEST(OwnerDrawnMenu, MeasuresAndDrawsItsEntries) {
  unique_hmenu menu(::CreatePopupMenu());
  ::AppendMenuW(menu.get(), MF_STRING, 10, L"Hide");
  ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(menu.get(), MF_STRING, 11, L"Exit");
  {
    TOwnerDrawnMenu drawn(menu.get(), "Menu");
    drawn.SetCaption(11, "Quitter \xC3\xA9");
    EXPECT_EQ(drawn.Caption(11), "Quitter \xC3\xA9");
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_DATA;
    ASSERT_TRUE(::GetMenuItemInfoW(menu.get(), 2, TRUE, &info));
    EXPECT_TRUE(info.fType & MFT_OWNERDRAW);

    MEASUREITEMSTRUCT measure{};
    measure.CtlType = ODT_MENU;
    measure.itemID = 11;
    measure.itemData = info.dwItemData;
    ASSERT_TRUE(TOwnerDrawnMenu::Measure(measure));
    EXPECT_GT(measure.itemWidth, 48u + 20u);
    // Items of other menus are left to their owners.
    MEASUREITEMSTRUCT other = measure;
    other.itemData = 12345;
    EXPECT_FALSE(TOwnerDrawnMenu::Measure(other));
    // A band caption longer than the menu makes its entries taller, so that its words fit.
    const UINT normal = measure.itemHeight;
    drawn.SetBandCaption("   A band caption far longer than two entries of a menu");
    ASSERT_TRUE(TOwnerDrawnMenu::Measure(measure));
    EXPECT_GT(measure.itemHeight, 2 * normal) << normal;
    drawn.SetBandCaption("Menu");
    ASSERT_TRUE(TOwnerDrawnMenu::Measure(measure));
    EXPECT_EQ(measure.itemHeight, normal);

    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    unique_hgdiobj bitmap(::CreateCompatibleBitmap(screen, 200, 60));
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap.get());
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_MENU;
    draw.itemID = 11;
    draw.itemData = info.dwItemData;
    draw.itemState = ODS_SELECTED;
    draw.hDC = dc;
    draw.rcItem = {0, 30, 200, 50};
    ASSERT_TRUE(TOwnerDrawnMenu::Draw(draw));
    EXPECT_EQ(::GetPixel(dc, 30, 32), RGB(128, 128, 128));  // highlighted
    EXPECT_EQ(::GetPixel(dc, 20, 32), RGB(83, 83, 83));     // its piece of the band
    draw.itemState = 0;
    TOwnerDrawnMenu::Draw(draw);
    EXPECT_EQ(::GetPixel(dc, 30, 32), RGB(255, 255, 255));
    // The menu's default entry is bold even when the item's state does not say so (Wine's).
    auto ink = [&] {
      int dark = 0;
      for (int x = 48; x < 200; ++x)
        for (int y = 30; y < 50; ++y) dark += GetRValue(::GetPixel(dc, x, y)) < 128;
      return dark;
    };
    const int plain = ink();
    ::SetMenuDefaultItem(menu.get(), 11, FALSE);
    TOwnerDrawnMenu::Draw(draw);
    EXPECT_GT(ink(), plain);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
  }
  // A menu that outlives its look is a plain menu again, with its last captions.
  wchar_t text[64] = L"";
  ::GetMenuStringW(menu.get(), 11, text, 64, MF_BYCOMMAND);
  EXPECT_STREQ(text, L"Quitter \u00E9");
}

// Help opens pages that ship with the program: French for French, English for the others.
TEST(Help, PagesLieBesideTheProgram) {
  std::string folder = TW_PROGRAM_WIN;
  folder.erase(folder.find_last_of("\\/") + 1);
  for (int language = 0; language < 4; ++language) {
    const std::string page = HelpFilePath(folder, language);
    EXPECT_EQ(page.find(language == 1 ? "help\\fr\\" : "help\\en\\"), folder.size()) << page;
    EXPECT_NE(::GetFileAttributesA(page.c_str()), INVALID_FILE_ATTRIBUTES) << page;
  }
}

TEST(VersionInfo, ProgramVersionAndFilesWithout) {
  EXPECT_EQ(TVerInfoRes(TW_PROGRAM_WIN).FileVersion(), "1.0.0.0");
  EXPECT_TRUE(TVerInfoRes(TW_PROGRAM_WIN).Flags().empty());
  // This test program carries no version information: empty and no error.
  EXPECT_EQ(TVerInfoRes(ProgramFileName()).FileVersion(), "");
}

std::wstring RichText(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

TEST(WarningDlg, ShowsThePageAsTextWithItsButtonsAndResults) {
  const std::string html =
      "Process 42 did not end.<br></br>Force <font style=\"font-weight:bold;color:red\">iexplore.exe</font> anyway?";
  {
    TWarningDlg dialog(nullptr, 2);
    EXPECT_EQ(WindowText(dialog.Handle()), std::string(StrRes(kRowCaptionWarning, 2)));
    dialog.LoadHtml(html);
    ASSERT_TRUE(dialog.ShowsText());
    const std::wstring text = RichText(dialog.TextControl());
    EXPECT_NE(text.find(L"Force iexplore.exe anyway?"), std::wstring::npos);
    EXPECT_EQ(text.find(L"<"), std::wstring::npos);
    // The process name keeps its bold red look.
    const int at = static_cast<int>(text.find(L"iexplore"));
    ::SendMessageW(dialog.TextControl(), EM_SETSEL, at, at + 8);
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    ::SendMessageW(dialog.TextControl(), EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    EXPECT_TRUE(format.dwEffects & CFE_BOLD);
    EXPECT_EQ(format.crTextColor, RGB(255, 0, 0));
    EXPECT_FALSE(dialog.HotCancel().Visible());
    EXPECT_EQ(dialog.HotOk().Hint(), std::string(StrRes(kRowCleanButton, 2)));
    // OK answers 1.
    ::PostMessageA(dialog.HotOk().Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    ::PostMessageA(dialog.HotOk().Handle(), WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    EXPECT_EQ(dialog.Execute(), mrOk);
  }
  {
    TWarningDlg dialog(nullptr, 0);
    dialog.LoadHtml(html);
    dialog.ShowCancel(true);
    EXPECT_TRUE(dialog.HotCancel().Visible());
    ::PostMessageA(dialog.HotCancel().Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    ::PostMessageA(dialog.HotCancel().Handle(), WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    EXPECT_EQ(dialog.Execute(), mrCancel);
  }
  {
    // Closing the window is Cancel.
    TWarningDlg dialog(nullptr, 0);
    dialog.LoadHtml(html);
    ::PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(dialog.Execute(), mrCancel);
  }
}

}  // namespace
}  // namespace tw
