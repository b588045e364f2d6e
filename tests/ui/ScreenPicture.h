#pragma once
// A part of the screen saved as a 24-bit BMP file: the pictures the dialog tests and the
// screenshot tour take to be looked at.
#include <windows.h>

#include <cstddef>
#include <string>

#include "support/FileIO.h"

namespace tw {

inline bool SaveScreenPicture(const RECT& area, const std::string& path) {
  const int w = area.right - area.left, h = area.bottom - area.top;
  if (w <= 0 || h <= 0) return false;
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool saved = false;
  if (bitmap && bits) {
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    ::BitBlt(dc, 0, 0, w, h, screen, area.left, area.top, SRCCOPY | CAPTUREBLT);
    ::GdiFlush();
    ::SelectObject(dc, old);
    const std::size_t size = static_cast<std::size_t>((w * 3 + 3) & ~3) * static_cast<std::size_t>(h);
    BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + size), 0, 0,
                          sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
    std::string data(reinterpret_cast<const char*>(&file), sizeof file);
    data.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    data.append(static_cast<const char*>(bits), size);
    try {
      WriteFileAtomic(path, data);
      saved = true;
    } catch (...) {
      saved = false;
    }
  }
  if (bitmap) ::DeleteObject(bitmap);
  ::DeleteDC(dc);
  ::ReleaseDC(nullptr, screen);
  return saved;
}

}  // namespace tw
