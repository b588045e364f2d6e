#include "ui/dialogs/DialogParts.h"

#include <richedit.h>
#include <shellapi.h>

#include <algorithm>

#include "platform/Gdi.h"
#include "platform/Text.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "ui/components/Window.h"
#include "ui/resources/ResourceNames.h"

namespace tw {

unique_hwnd CreateHintWindow(HWND parent) {
  unique_hwnd tooltip(::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent,
                                        nullptr, ::GetModuleHandleA(nullptr), nullptr));
  if (tooltip) ::SendMessageA(tooltip.get(), TTM_SETMAXTIPWIDTH, 0, 400);
  return tooltip;
}

void SetControlHint(HWND tooltip, HWND control, const std::string& text) {
  if (!tooltip || !control) return;
  TOOLINFOA ti{};
  ti.cbSize = sizeof ti;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = ::GetParent(control);
  ti.uId = reinterpret_cast<UINT_PTR>(control);
  ti.lpszText = const_cast<char*>(text.c_str());
  ::SendMessageA(tooltip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
  ::SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

int ControlTextWidth(HWND control) {
  std::wstring text = Widen(WindowText(control));
  // "&&" shows one "&", a single "&" none.
  std::wstring shown;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&' && i + 1 < text.size()) ++i;
    shown += text[i];
  }
  const unique_window_dc windowDc(control);
  HDC dc = windowDc.get();
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(control, WM_GETFONT, 0, 0)));
  SIZE size{};
  ::GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &size);
  ::SelectObject(dc, old);
  return size.cx;
}

TListSectionLayout PlaceListSection(HWND hint, HWND list, std::span<const HWND> buttons, HWND edit, int left, int top,
                                    int width) {
  int buttonWidth = 120;
  for (HWND button : buttons) buttonWidth = std::max(buttonWidth, ControlTextWidth(button) + 24);
  TListSectionLayout layout{left + 12, width - 24, 0, 0};
  const int count = static_cast<int>(buttons.size());
  const int hintHeight = std::max(46, ControlTextHeight(hint, layout.InnerWidth) + 2);
  const int listHeight = count * 26 + (count - 1) * 6;
  ::MoveWindow(hint, layout.Inner, top + 20, layout.InnerWidth, hintHeight, TRUE);
  const int listTop = top + 20 + hintHeight + 6;
  layout.ListWidth = layout.InnerWidth - 12 - buttonWidth;
  ::MoveWindow(list, layout.Inner, listTop, layout.ListWidth, listHeight, TRUE);
  for (int i = 0; i < count; ++i)
    ::MoveWindow(buttons[static_cast<std::size_t>(i)], layout.Inner + layout.ListWidth + 12, listTop + i * 32,
                 buttonWidth, 26, TRUE);
  layout.EditTop = listTop + listHeight + 8;
  ::MoveWindow(edit, layout.Inner, layout.EditTop, layout.ListWidth, 22, TRUE);
  return layout;
}

int ControlTextHeight(HWND control, int width) {
  const std::wstring text = Widen(WindowText(control));
  const unique_window_dc windowDc(control);
  HDC dc = windowDc.get();
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(control, WM_GETFONT, 0, 0)));
  RECT bounds{0, 0, width, 0};
  // Measured as the label draws its text: "&&" as one "&" unless it shows ampersands as they are.
  const bool noPrefix = (::GetWindowLongPtrA(control, GWL_STYLE) & SS_NOPREFIX) != 0;
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds,
              DT_CALCRECT | DT_WORDBREAK | (noPrefix ? DT_NOPREFIX : 0));
  ::SelectObject(dc, old);
  return bounds.bottom - bounds.top;
}

std::unique_ptr<THotImage> CreatePictureButton(HWND parent, const std::string& picture, const std::string& pictureHot,
                                               const std::string& hint) {
  auto button = std::make_unique<THotImage>(parent);
  button->FlipPictures = false;
  button->SetPicture(TPicture::FromResource(picture));
  button->SetPictureHot(TPicture::FromResource(pictureHot));
  button->FlipPictures = true;
  button->Cursor = ::LoadCursorA(nullptr, IDC_HAND);
  button->SetHint(hint);
  return button;
}

std::unique_ptr<THotImage> CreateCloseButton(HWND parent, int language) {
  return CreatePictureButton(parent, res::PictureName(res::kBtnClose, language),
                             res::PictureName(res::kBtnCloseOver, language), std::string(StrRes(kRowCloseHint, language)));
}

HIMAGELIST SystemImages(bool small) {
  SHFILEINFOA info{};
  char windir[MAX_PATH] = "C:\\";
  ::GetWindowsDirectoryA(windir, MAX_PATH);
  return reinterpret_cast<HIMAGELIST>(::SHGetFileInfoA(
      windir, 0, &info, sizeof info, SHGFI_SYSICONINDEX | (small ? SHGFI_SMALLICON : SHGFI_LARGEICON)));
}

void SetClientSize(HWND window, int width, int height) {
  RECT client{0, 0, width, height};
  ::AdjustWindowRectEx(&client, static_cast<DWORD>(::GetWindowLongPtrA(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrA(window, GWL_EXSTYLE)));
  ::SetWindowPos(window, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND CreateTextBox(HWND parent, DWORD style, DWORD exStyle, int x, int y, int width, int height) {
  static const HMODULE richEdit = ::LoadLibraryA("msftedit.dll");
  style |= WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY;
  HWND box = nullptr;
  if (richEdit)
    box = ::CreateWindowExW(exStyle, MSFTEDIT_CLASS, L"", style, x, y, width, height, parent, nullptr,
                            ::GetModuleHandleA(nullptr), nullptr);
  if (!box)
    box = ::CreateWindowExW(exStyle, L"EDIT", L"", style, x, y, width, height, parent, nullptr,
                            ::GetModuleHandleA(nullptr), nullptr);
  ::SendMessageA(box, WM_SETFONT, reinterpret_cast<WPARAM>(Application().Font()), 0);
  return box;
}

}  // namespace tw
