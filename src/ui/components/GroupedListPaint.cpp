#include <algorithm>

#include "ui/components/GroupedList.h"
#include "platform/Gdi.h"
#include "ui/components/ListDrawing.h"

// The grouped list's painting: the header band, group caption rows and item tiles, drawn into a
// back buffer kept between paints.

namespace tw {

using namespace list_drawing;

namespace {

constexpr COLORREF kGroupCaptionColor = RGB(0, 51, 153);
constexpr COLORREF kGroupLineColor = RGB(213, 223, 229);
constexpr COLORREF kDetailColor = RGB(109, 109, 109);
constexpr COLORREF kDisabledColor = RGB(192, 192, 192);
constexpr COLORREF kSelectedFill = RGB(204, 232, 255);
constexpr COLORREF kSelectedFrame = RGB(153, 209, 255);
constexpr COLORREF kHotFill = RGB(229, 243, 255);
constexpr COLORREF kHotFrame = RGB(204, 232, 255);
constexpr COLORREF kExpandFrame = RGB(150, 150, 150);
constexpr COLORREF kExpandSign = RGB(64, 64, 64);

}  // namespace

void TGroupedList::Paint(HDC target, const RECT& clip) {
  EnsureLayout();
  RECT client{};
  ::GetClientRect(handle_.get(), &client);
  if (client.right <= 0 || client.bottom <= 0) return;
  if (!buffer_ || bufferSize_.cx < client.right || bufferSize_.cy < client.bottom) {
    bufferSize_ = {std::max(bufferSize_.cx, client.right), std::max(bufferSize_.cy, client.bottom)};
    buffer_.reset(::CreateCompatibleBitmap(target, bufferSize_.cx, bufferSize_.cy));
  }
  const unique_hdc bufferDc(::CreateCompatibleDC(target));
  HDC dc = bufferDc.get();
  HGDIOBJ oldBitmap = ::SelectObject(dc, buffer_.get());
  HGDIOBJ oldFont = ::SelectObject(dc, font_.get());
  ::SetBkMode(dc, TRANSPARENT);
  FillSolid(dc, client, ::GetSysColor(COLOR_WINDOW));

  const int headerHeight = HeaderHeight();
  const int offset = headerHeight - scroll_;
  const int top = std::max(scroll_, static_cast<int>(clip.top) - offset);
  const int bottom = static_cast<int>(clip.bottom) - offset;
  ::IntersectClipRect(dc, 0, headerHeight, client.right, client.bottom);
  for (int g = layout_.FirstGroupBelow(top); g < GroupCount(); ++g) {
    if (!groups_[static_cast<std::size_t>(g)].Visible) continue;
    const TListRect area = layout_.GroupRect(g);
    if (area.Top >= bottom) break;
    const TListRect header = layout_.GroupHeaderRect(g);
    if (header.Bottom > top) PaintGroupHeader(dc, g, offset);
    int first = 0, last = 0;
    layout_.ItemsBetween(g, top, bottom, first, last);
    for (int i = first; i < last; ++i) PaintItem(dc, g, i, offset);
  }
  ::SelectClipRgn(dc, nullptr);
  if (headerHeight > 0) PaintHeader(dc, client);

  ::BitBlt(target, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top, dc, clip.left, clip.top,
           SRCCOPY);
  ::SelectObject(dc, oldFont);
  ::SelectObject(dc, oldBitmap);
}

void TGroupedList::PaintHeader(HDC dc, const RECT& client) {
  const int h = HeaderHeight();
  RECT band{0, 0, client.right, h};
  if (headerColor_ != CLR_DEFAULT) {
    FillSolid(dc, band, headerColor_);
  } else {
    // A light band, shaded from white to grey.
    TRIVERTEX v[2] = {{0, 0, 0xFF00, 0xFF00, 0xFF00, 0}, {band.right, band.bottom, 0xEC00, 0xEE00, 0xF100, 0}};
    GRADIENT_RECT gr{0, 1};
    ::GradientFill(dc, v, 2, &gr, 1, GRADIENT_FILL_RECT_V);
  }
  FillSolid(dc, {0, h - 1, client.right, h}, RGB(213, 213, 213));
  int x = ScaleForDpi(6, dpi_);
  const SIZE image = ImageSize(small_);
  if (headerImage_ >= 0 && small_) {
    ::ImageList_Draw(small_, headerImage_, dc, x, (h - image.cy) / 2, ILD_TRANSPARENT);
    x += image.cx + ScaleForDpi(6, dpi_);
  }
  HGDIOBJ old = ::SelectObject(dc, font_.get());
  ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
  RECT text{x, 0, client.right - ScaleForDpi(6, dpi_), h - 1};
  DrawText8(dc, headerCaption_, &text,
              DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
  ::SelectObject(dc, old);
}

void TGroupedList::DrawCheck(HDC dc, const TListRect& r, int offset, bool checked, bool enabled) {
  RECT box = ToRect(r, offset);
  UINT state = DFCS_BUTTONCHECK | (checked ? DFCS_CHECKED : 0) | (enabled ? 0 : DFCS_INACTIVE) |
               (FlatCheckBoxes ? DFCS_FLAT : 0);
  ::DrawFrameControl(dc, &box, DFC_BUTTON, state);
}

void TGroupedList::DrawImage(HDC dc, HIMAGELIST list, int image, const TListRect& box, int offset) {
  if (!list || image < 0) return;
  const SIZE size = ImageSize(list);
  const int x = box.Left + (box.Width() - size.cx) / 2;
  const int y = box.Top + offset + (box.Height() - size.cy) / 2;
  ::ImageList_Draw(list, image, dc, x, y, ILD_TRANSPARENT);
}

void TGroupedList::PaintGroupHeader(HDC dc, int group, int offset) {
  const TGroup& g = groups_[static_cast<std::size_t>(group)];
  const TListRect header = layout_.GroupHeaderRect(group);
  const THeaderParts parts = layout_.GroupHeaderParts(group, checks_, CaptionWidth(group));
  // Expand button: a box with a minus while open, a plus while closed.
  RECT e = ToRect(parts.Expand, offset);
  FillSolid(dc, e, RGB(255, 255, 255));
  Frame(dc, e, kExpandFrame);
  const int cx = (e.left + e.right) / 2, cy = (e.top + e.bottom) / 2;
  const int arm = std::max(2, static_cast<int>(e.right - e.left) / 2 - 2);
  const int thick = std::max(1, dpi_ / 96);
  FillSolid(dc, {cx - arm, cy - thick / 2, cx + arm + 1, cy - thick / 2 + thick}, kExpandSign);
  if (!g.Expanded) FillSolid(dc, {cx - thick / 2, cy - arm, cx - thick / 2 + thick, cy + arm + 1}, kExpandSign);
  if (checks_ == TCheckBoxes::Shown) DrawCheck(dc, parts.Check, offset, g.Checked, true);
  DrawImage(dc, large_ ? large_ : small_, g.Image, parts.Icon, offset);
  HGDIOBJ old = ::SelectObject(dc, g.Bold ? boldFont_.get() : font_.get());
  ::SetTextColor(dc, kGroupCaptionColor);
  RECT text = ToRect({parts.Caption.Left, header.Top, header.Right - metrics_.MarginRight, header.Bottom}, offset);
  DrawText8(dc, g.Caption, &text,
              DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
  ::SelectObject(dc, old);
  // A line from the caption to the right edge.
  const int lineLeft = parts.Caption.Right + metrics_.Gap;
  const int lineRight = header.Right - metrics_.MarginRight;
  if (lineRight > lineLeft) FillSolid(dc, {lineLeft, cy, lineRight, cy + 1}, kGroupLineColor);
  if (focus_ == TListPos{group, -1} && ::GetFocus() == handle_.get()) {
    RECT f = ToRect(header, offset);
    ::InflateRect(&f, -1, -2);
    ::DrawFocusRect(dc, &f);
  }
}

void TGroupedList::PaintItem(HDC dc, int group, int item, int offset) {
  const std::uint8_t flags = groups_[static_cast<std::size_t>(group)].Items[static_cast<std::size_t>(item)];
  const bool enabled = !(flags & kDisabled);
  const TListRect tile = layout_.ItemRect(group, item);
  RECT r = ToRect(tile, offset);
  ::InflateRect(&r, -1, -1);
  if (flags & kSelected) {
    FillSolid(dc, r, kSelectedFill);
    Frame(dc, r, kSelectedFrame);
  } else if (HotTrack && hot_ == TListPos{group, item}) {
    FillSolid(dc, r, kHotFill);
    Frame(dc, r, kHotFrame);
  }
  const TTileParts parts = layout_.ItemParts(group, item, checks_, IconSize());
  if (checks_ == TCheckBoxes::Shown) DrawCheck(dc, parts.Check, offset, (flags & kChecked) != 0, enabled);
  if (OnItemImage) DrawImage(dc, smallImages_ ? small_ : large_, OnItemImage(group, item), parts.Icon, offset);

  const std::string caption = OnItemCaption ? OnItemCaption(group, item) : std::string();
  const std::string detail = OnItemDetail ? OnItemDetail(group, item) : std::string();
  COLORREF color = ::GetSysColor(COLOR_WINDOWTEXT);
  if (!enabled) color = kDisabledColor;
  else if (OnItemColor) {
    const COLORREF own = OnItemColor(group, item);
    if (own != CLR_DEFAULT) color = own;
  }
  RECT text = ToRect(parts.Text, offset);
  const bool twoLines = !detail.empty() && text.bottom - text.top >= 2 * lineHeight_;
  const int block = twoLines ? 2 * lineHeight_ : lineHeight_;
  RECT line = text;
  line.top = text.top + (text.bottom - text.top - block) / 2;
  line.bottom = line.top + lineHeight_;
  HGDIOBJ old = ::SelectObject(dc, font_.get());
  ::SetTextColor(dc, color);
  const UINT format = DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX | DT_VCENTER;
  DrawText8(dc, caption, &line, format);
  if (twoLines) {
    ::OffsetRect(&line, 0, lineHeight_);
    ::SetTextColor(dc, enabled ? kDetailColor : kDisabledColor);
    DrawText8(dc, detail, &line, format);
  }
  ::SelectObject(dc, old);
  if (focus_ == TListPos{group, item} && ::GetFocus() == handle_.get()) ::DrawFocusRect(dc, &r);
}

}  // namespace tw
