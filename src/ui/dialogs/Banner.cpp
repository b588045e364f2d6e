#include "ui/dialogs/Banner.h"

#include "ui/resources/ResourceNames.h"

namespace tw {

SIZE ShowLogoBanner(TWindow& dialog, THotImage& image, int language) {
  image.SetPicture(TPicture::FromResource(res::PictureName(res::kTopLogo, language)));
  const SIZE logo = image.Picture().Size();
  dialog.BannerHeight = logo.cy;
  dialog.BannerColor = image.Picture().EdgeColor();
  return logo;
}

}  // namespace tw
