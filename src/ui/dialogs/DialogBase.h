#pragma once
// What every dialog of the program does alike: it shows its texts in one language, the product
// banner across its top, guards its window procedure once, ends on the commands it maps to a
// result, and (for the questions) offers a pair of picture buttons that confirm or cancel.
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Handles.h"
#include "ui/components/PictureButton.h"
#include "ui/components/Window.h"

namespace tw {

class TDialog : public TWindow {
 protected:
  // Language: the texts' language (0 English, 1 French, 2 German, 3 Spanish).
  explicit TDialog(int language);

  // Creates the window over Owner, Width x Height. ClassName also names the dialog in the log.
  void CreateDialogWindow(const char* className, const std::string& caption, DWORD style, DWORD exStyle, int width,
                          int height, HWND owner);
  // The dialog's own answer to a message, or nothing for the common handling. An exception is
  // logged under the dialog's name and the message answered with 0.
  virtual std::optional<LRESULT> HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  // The command Id (a button, or IDOK / IDCANCEL from the keyboard) ends the dialog with Result.
  void EndOnCommand(int id, int result);

  // Row of the string table in the dialog's language.
  std::string RowText(int row) const;

  // Where the dialog's own controls go under the banner.
  struct TBannerPlace {
    int Top;    // where the banner ends
    int Width;  // the dialog's width: the minimum asked for, or the logo's when that is wider
  };
  // Shows the product logo of the dialog's language in the band across the top (made on the
  // first call) and paints the rest of the band in the logo's edge colour.
  TBannerPlace ShowBanner(int minWidth);
  THotImage& Banner() { return *banner_; }
  // A bold heading (Row) at Top, across Width less the margins.
  HWND AddHeading(int row, int top, int width);

  // The hint of a plain control (replaces the one it had).
  void SetHint(HWND control, const std::string& text);

  // The picture button that confirms a question (Clean, or OK) and the one that cancels it.
  // Create makes both and returns the pair's height; Place puts Cancel at the right edge of
  // Width less the margin and Confirm left of it, both with their tops at Top.
  enum class TConfirmPicture { Clean, Ok };
  int CreateConfirmButtons(TConfirmPicture confirm);
  void PlaceConfirmButtons(int width, int top);
  THotImage& ConfirmButton() { return *confirm_; }
  THotImage& CancelButton() { return *cancel_; }

 private:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept final;

  const char* name_ = "TDialog";
  std::vector<std::pair<int, int>> endCommands_;
  std::unique_ptr<THotImage> banner_, confirm_, cancel_;
  unique_hwnd hints_;
};

}  // namespace tw
