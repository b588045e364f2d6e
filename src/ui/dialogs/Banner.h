#pragma once
// The product banner across the top of a dialog.
#include <windows.h>

#include <memory>

#include "ui/components/PictureButton.h"
#include "ui/components/Window.h"

namespace tw {

// Shows the product logo of Language in Image and paints the dialog's top band, as high as the
// logo, in the logo's edge colour. Returns the logo's size.
SIZE ShowLogoBanner(TWindow& dialog, THotImage& image, int language);

// The top of the warning dialogs: the logo banner (Image is made here) and, under it, the bold
// heading kRowCaptionWarning "Warning". Top: where the banner ends; Width: the dialog's width, at least
// MinWidth and as wide as the logo.
struct TWarningTop {
  HWND heading = nullptr;
  int top = 0;
  int width = 0;
};
TWarningTop ShowWarningTop(TWindow& dialog, std::unique_ptr<THotImage>& image, int language, int minWidth);

}  // namespace tw
