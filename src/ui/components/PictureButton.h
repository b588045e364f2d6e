#pragma once
// The picture button of every window: shows PictureHot while the mouse is over it.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Handles.h"

namespace tw {

// A bitmap picture; copies share the (never modified) bitmap.
class TPicture {
 public:
  TPicture() = default;
  // The bitmap resource Name of the program; an empty picture when there is none.
  static TPicture FromResource(std::string_view name);
  // Takes ownership of Bitmap.
  static TPicture FromBitmap(HBITMAP bitmap, std::string name = {});
  bool Empty() const { return !bitmap_; }
  HBITMAP Bitmap() const { return bitmap_ ? static_cast<HBITMAP>(bitmap_->get()) : nullptr; }
  SIZE Size() const { return size_; }
  const std::string& Name() const { return name_; }
  // Draws the picture at X, Y of DC.
  void Draw(HDC dc, int x, int y) const;
  // The colour of the top right pixel: what a band continuing the picture is filled with.
  COLORREF EdgeColor() const;

 private:
  std::shared_ptr<unique_hgdiobj> bitmap_;
  SIZE size_{0, 0};
  std::string name_;
};

class THotImage {
 public:
  // Created 40 x 20 pixels, as a child of Parent.
  THotImage(HWND parent, int x = 0, int y = 0);
  ~THotImage();
  THotImage(const THotImage&) = delete;
  THotImage& operator=(const THotImage&) = delete;

  HWND Handle() const { return handle_.get(); }
  // The normal picture; the control takes the picture's size.
  void SetPicture(const TPicture& picture);
  const TPicture& Picture() const { return picture_; }
  // Assignment copies the given picture.
  void SetPictureHot(const TPicture& picture) { pictureHot_ = picture; }
  const TPicture& PictureHot() const { return pictureHot_; }
  // While false nothing is swapped; true at creation.
  bool FlipPictures = true;
  HCURSOR Cursor = nullptr;
  // The hint, which is also the button's caption (its window text).
  void SetHint(const std::string& text);
  const std::string& Hint() const { return hint_; }
  void SetVisible(bool visible);
  bool Visible() const;
  void SetPosition(int x, int y);
  SIZE Size() const;
  bool MouseInside() const { return inside_; }

  std::function<void()> OnClick;
  std::function<void()> OnMouseEnter;
  std::function<void()> OnMouseLeave;

  // The mouse entering and leaving, as the control handles them (also callable directly).
  void MouseEnter();
  void MouseLeave();

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);

  unique_hwnd handle_;
  unique_hwnd tooltip_;
  TPicture picture_, pictureHot_, saved_;
  std::string hint_;
  bool inside_ = false;
  bool pressed_ = false;
};

}  // namespace tw
