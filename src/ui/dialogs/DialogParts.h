#pragma once
// Pieces the dialogs share: hints of plain controls, picture buttons, the system image lists, the
// read-only text boxes and sizing a dialog to its client area.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <span>
#include <string>

#include "platform/Handles.h"
#include "ui/components/PictureButton.h"

namespace tw {

// A tooltip window for the hints of Parent's controls.
unique_hwnd CreateHintWindow(HWND parent);
// Sets (or replaces) Control's hint.
void SetControlHint(HWND tooltip, HWND control, const std::string& text);
// The width of a control's text in its font.
int ControlTextWidth(HWND control);
// The height a label's text takes, wrapped at words, in Width pixels of its font (ampersands
// measured as the label shows them).
int ControlTextHeight(HWND control, int width);

// A settings section laid out from Top in Width pixels: its explanation, a list with its buttons
// beside it, one above the other, and the entry field under the list.
struct TListSectionLayout {
  int Inner;       // the left edge of the section's contents
  int InnerWidth;  // their width
  int ListWidth;   // the list's and the entry field's width
  int EditTop;     // the entry field's top
};
TListSectionLayout PlaceListSection(HWND hint, HWND list, std::span<const HWND> buttons, HWND edit, int left, int top,
                                    int width);
// A picture button of Parent: Picture, PictureHot under the mouse, the hand cursor and Hint.
std::unique_ptr<THotImage> CreatePictureButton(HWND parent, const std::string& picture, const std::string& pictureHot,
                                               const std::string& hint);
// The close picture button of Language ("BTNCLOSE_" pictures, hint kRowCloseHint).
std::unique_ptr<THotImage> CreateCloseButton(HWND parent, int language);
// The shell's image lists of small (16) or large (32) file icons, shared by the process.
HIMAGELIST SystemImages(bool small);
// A read-only Unicode text box of Parent in the application's font: the rich edit control
// (MSFTEDIT_CLASS), or the plain edit control where that cannot be made. Style: the text box's
// own (ES_..., WS_VSCROLL), besides child, visible, multi-line and read-only.
HWND CreateTextBox(HWND parent, DWORD style, DWORD exStyle, int x, int y, int width, int height);
// Gives Window a client area of Width x Height, keeping its position.
void SetClientSize(HWND window, int width, int height);

}  // namespace tw
