#include "ui/dialogs/Banner.h"

#include <algorithm>
#include <string>

#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "ui/resources/ResourceNames.h"

namespace tw {

SIZE ShowLogoBanner(TWindow& dialog, THotImage& image, int language) {
  image.SetPicture(TPicture::FromResource(res::PictureName(res::kTopLogo, language)));
  const SIZE logo = image.Picture().Size();
  dialog.BannerHeight = logo.cy;
  dialog.BannerColor = image.Picture().EdgeColor();
  return logo;
}

TWarningTop ShowWarningTop(TWindow& dialog, std::unique_ptr<THotImage>& image, int language, int minWidth) {
  HWND h = dialog.Handle();
  image = std::make_unique<THotImage>(h, 0, 0);
  image->FlipPictures = false;
  const SIZE logo = ShowLogoBanner(dialog, *image, language);
  TWarningTop result;
  result.top = logo.cy > 0 ? logo.cy : 64;
  result.width = std::max(minWidth, static_cast<int>(logo.cx));
  result.heading = CreateControl("STATIC", std::string(StrRes(kRowCaptionWarning, language)), WS_VISIBLE, 12, result.top + 10,
                                 result.width - 24, 18, h, 0);
  ::SendMessageA(result.heading, WM_SETFONT, reinterpret_cast<WPARAM>(Application().BoldFont()), 0);
  return result;
}

}  // namespace tw
