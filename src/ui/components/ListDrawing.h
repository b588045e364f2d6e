#pragma once
// Drawing steps shared by the grouped list and its hint window: solid fills and frames, image
// sizes and 8-bit text drawn as wide text.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "platform/Text.h"
#include "ui/components/portable/ListLayout.h"

namespace tw::list_drawing {

inline RECT ToRect(const TListRect& r, int offset) { return {r.Left, r.Top + offset, r.Right, r.Bottom + offset}; }

inline void FillSolid(HDC dc, const RECT& r, COLORREF color) {
  const COLORREF old = ::SetBkColor(dc, color);
  ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
  ::SetBkColor(dc, old);
}

inline void Frame(HDC dc, const RECT& r, COLORREF color) {
  FillSolid(dc, {r.left, r.top, r.right, r.top + 1}, color);
  FillSolid(dc, {r.left, r.bottom - 1, r.right, r.bottom}, color);
  FillSolid(dc, {r.left, r.top, r.left + 1, r.bottom}, color);
  FillSolid(dc, {r.right - 1, r.top, r.right, r.bottom}, color);
}

inline SIZE ImageSize(HIMAGELIST list) {
  int cx = 0, cy = 0;
  if (list) ::ImageList_GetIconSize(list, &cx, &cy);
  return {cx, cy};
}

// Text is drawn and measured as wide text: the program's 8-bit text is in its ANSI code page
// (UTF-8), which the narrow drawing calls would read by the font's character set instead.
inline int DrawText8(HDC dc, const std::string& text, RECT* rect, UINT format) {
  const std::wstring wide = Widen(text);
  return ::DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), rect, format);
}

inline bool Pressed(int key) { return ::GetKeyState(key) < 0; }

}  // namespace tw::list_drawing
