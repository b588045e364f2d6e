#include "ui/dialogs/DialogBase.h"

#include <algorithm>

#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "ui/dialogs/DialogParts.h"
#include "ui/resources/ResourceNames.h"

namespace tw {

TDialog::TDialog(int language) { Language = language; }

void TDialog::CreateDialogWindow(const char* className, const std::string& caption, DWORD style, DWORD exStyle,
                                 int width, int height, HWND owner) {
  name_ = className;
  CreateHandle(className, caption, style, exStyle, 0, 0, width, height, owner, nullptr);
}

std::optional<LRESULT> TDialog::HandleMessage(UINT, WPARAM, LPARAM) { return std::nullopt; }

void TDialog::EndOnCommand(int id, int result) { endCommands_.emplace_back(id, result); }

std::string TDialog::RowText(int row) const { return std::string(StrRes(row, Language)); }

LRESULT TDialog::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  try {
    if (const std::optional<LRESULT> answer = HandleMessage(msg, wParam, lParam)) return *answer;
    if (msg == WM_COMMAND) {
      for (const auto& [id, result] : endCommands_) {
        if (LOWORD(wParam) != id) continue;
        ModalResult = result;
        return 0;
      }
    }
  } catch (...) {
    LogBoundaryError(name_);
    return 0;
  }
  return TWindow::WndProc(msg, wParam, lParam);
}

TDialog::TBannerPlace TDialog::ShowBanner(int minWidth) {
  if (!banner_) {
    banner_ = std::make_unique<THotImage>(Handle(), 0, 0);
    banner_->FlipPictures = false;
  }
  banner_->SetPicture(TPicture::FromResource(res::PictureName(res::kTopLogo, Language)));
  const SIZE logo = banner_->Picture().Size();
  BannerHeight = logo.cy;
  BannerColor = banner_->Picture().EdgeColor();
  // Without its picture the banner keeps the room of one.
  return {logo.cy > 0 ? static_cast<int>(logo.cy) : 64, std::max(minWidth, static_cast<int>(logo.cx))};
}

HWND TDialog::AddHeading(int row, int top, int width) {
  HWND heading = CreateControl("STATIC", RowText(row), WS_VISIBLE, 12, top, width - 24, 18, Handle(), 0);
  ::SendMessageA(heading, WM_SETFONT, reinterpret_cast<WPARAM>(Application().BoldFont()), 0);
  return heading;
}

void TDialog::SetHint(HWND control, const std::string& text) {
  if (!hints_) hints_ = CreateHintWindow(Handle());
  SetControlHint(hints_.get(), control, text);
}

int TDialog::CreateConfirmButtons(TConfirmPicture confirm) {
  const int l = Language;
  if (confirm == TConfirmPicture::Clean)
    confirm_ = CreatePictureButton(Handle(), res::PictureName(res::kBtnClean, l), res::PictureName(res::kBtnCleanOver, l),
                                   RowText(kRowCleanButton));
  else  // one picture for every language; its hint is the Clean button's
    confirm_ = CreatePictureButton(Handle(), std::string(res::kBtnOk), std::string(res::kBtnOkOver), RowText(kRowCleanButton));
  cancel_ = CreatePictureButton(Handle(), res::PictureName(res::kBtnCancel, l), res::PictureName(res::kBtnCancelOver, l),
                                RowText(kRowCancel));
  return static_cast<int>(std::max(confirm_->Size().cy, cancel_->Size().cy));
}

void TDialog::PlaceConfirmButtons(int width, int top) {
  const SIZE confirm = confirm_->Size(), cancel = cancel_->Size();
  cancel_->SetPosition(width - 12 - cancel.cx, top);
  confirm_->SetPosition(width - 12 - cancel.cx - 8 - confirm.cx, top);
}

}  // namespace tw
