#pragma once
// The hint window of the grouped list: a pop-up beside the cursor with a text and an image at its
// left, which lets the mouse through to the list below.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "platform/Handles.h"

namespace tw {

// A hint: its text, and the image drawn at its left (none for -1).
struct TListHint {
  std::string Text;
  int Image = -1;
  bool LargeImage = false;
};

class TListHintWindow {
 public:
  TListHintWindow() = default;
  ~TListHintWindow();
  TListHintWindow(const TListHintWindow&) = delete;
  TListHintWindow& operator=(const TListHintWindow&) = delete;

  // Shows Hint below the cursor in a window owned by Owner, at most WidthShare of the monitor
  // wide, its text in Font and its image from Images (the owner keeps both). False when the
  // window cannot be made.
  bool Show(HWND owner, const TListHint& hint, HIMAGELIST images, HFONT font, int dpi,
            double widthShare);
  void Hide();

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
  void Paint();

  unique_hwnd window_;
  TListHint hint_;
  HIMAGELIST images_ = nullptr;
  HFONT font_ = nullptr;
  int dpi_ = 96;
};

}  // namespace tw
