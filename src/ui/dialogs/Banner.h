#pragma once
// The product banner across the top of a dialog.
#include <windows.h>

#include "ui/components/PictureButton.h"
#include "ui/components/Window.h"

namespace tw {

// Shows the product logo of Language in Image and paints the dialog's top band, as high as the
// logo, in the logo's edge colour. Returns the logo's size.
SIZE ShowLogoBanner(TWindow& dialog, THotImage& image, int language);

}  // namespace tw
