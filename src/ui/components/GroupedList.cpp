#include "ui/components/GroupedList.h"

#include <algorithm>
#include <cstdlib>

#include "platform/Text.h"
#include "ui/components/Window.h"

namespace tw {
namespace {

constexpr const char* kClassName = "TwGroupedList";
constexpr const char* kHintClassName = "TwGroupedListHint";
constexpr UINT_PTR kHintShowTimer = 1;
constexpr UINT_PTR kHintHideTimer = 2;
constexpr UINT kDpiChangedAfterParent = 0x02E3;
constexpr UINT kHintFormat = DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_EXPANDTABS;

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
constexpr COLORREF kHintFrame = RGB(118, 118, 118);

int WindowDpi(HWND hwnd) {
  using TGetDpiForWindow = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<TGetDpiForWindow>(
      ::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetDpiForWindow"));
  if (getDpiForWindow && hwnd) {
    const UINT dpi = getDpiForWindow(hwnd);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  HDC dc = ::GetDC(nullptr);
  const int dpi = dc ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) ::ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi : 96;
}

RECT ToRect(const TListRect& r, int offset) { return {r.Left, r.Top + offset, r.Right, r.Bottom + offset}; }

void FillSolid(HDC dc, const RECT& r, COLORREF color) {
  const COLORREF old = ::SetBkColor(dc, color);
  ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
  ::SetBkColor(dc, old);
}

void Frame(HDC dc, const RECT& r, COLORREF color) {
  FillSolid(dc, {r.left, r.top, r.right, r.top + 1}, color);
  FillSolid(dc, {r.left, r.bottom - 1, r.right, r.bottom}, color);
  FillSolid(dc, {r.left, r.top, r.left + 1, r.bottom}, color);
  FillSolid(dc, {r.right - 1, r.top, r.right, r.bottom}, color);
}

SIZE ImageSize(HIMAGELIST list) {
  int cx = 0, cy = 0;
  if (list) ::ImageList_GetIconSize(list, &cx, &cy);
  return {cx, cy};
}

bool Pressed(int key) { return ::GetKeyState(key) < 0; }

// Text is drawn and measured as wide text: the program's 8-bit text is in its ANSI code page
// (UTF-8), which the narrow drawing calls would read by the font's character set instead.
int DrawText8(HDC dc, const std::string& text, RECT* rect, UINT format) {
  const std::wstring wide = Widen(text);
  return ::DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), rect, format);
}

// The position before the other in the order of the list.
bool Before(TListPos a, TListPos b) { return a.Group != b.Group ? a.Group < b.Group : a.Item < b.Item; }

LRESULT PackRect(const RECT& r) {
  auto word = [](LONG v) { return static_cast<LRESULT>(static_cast<std::uint16_t>(static_cast<std::int16_t>(v))); };
  return word(r.left) | (word(r.top) << 16) | (word(r.right) << 32) | (word(r.bottom) << 48);
}

}  // namespace

TGroupedList::TGroupedList(HWND parent, int id) {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    WNDCLASSA hint{};
    hint.style = CS_SAVEBITS | CS_DROPSHADOW;
    hint.lpfnWndProc = WindowProc;
    hint.hInstance = ::GetModuleHandleA(nullptr);
    hint.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    hint.lpszClassName = kHintClassName;
    return ::RegisterClassA(&wc) != 0 && ::RegisterClassA(&hint) != 0;
  }();
  (void)registered;
  handle_.reset(::CreateWindowExA(WS_EX_CLIENTEDGE, kClassName, "",
                                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | WS_CLIPSIBLINGS, 0, 0,
                                  100, 100, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  ::GetModuleHandleA(nullptr), nullptr));
  if (!handle_) throw EOSError("Cannot create a grouped list");
  ::SetWindowLongPtrA(handle_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  dpi_ = WindowDpi(handle_.get());
  UpdateFonts();
  UpdateMetrics();
  Changed();
}

TGroupedList::~TGroupedList() {
  if (hintWindow_) ::SetWindowLongPtrA(hintWindow_.get(), GWLP_USERDATA, 0);
  if (handle_) ::SetWindowLongPtrA(handle_.get(), GWLP_USERDATA, 0);
}

TGroupedList* TGroupedList::FromHandle(HWND hwnd) {
  char name[64] = "";
  if (!hwnd || !::GetClassNameA(hwnd, name, sizeof name) || std::string(name) != kClassName) return nullptr;
  return reinterpret_cast<TGroupedList*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

// ---- State

TGroupedList::TGroup& TGroupedList::Group(int group) {
  if (group < 0 || group >= GroupCount()) throw EListError("Group index out of bounds");
  return groups_[static_cast<std::size_t>(group)];
}

const TGroupedList::TGroup& TGroupedList::Group(int group) const {
  if (group < 0 || group >= GroupCount()) throw EListError("Group index out of bounds");
  return groups_[static_cast<std::size_t>(group)];
}

bool TGroupedList::Flag(int group, int item, std::uint8_t flag) const {
  const TGroup& g = Group(group);
  if (item < 0 || item >= static_cast<int>(g.Items.size())) throw EListError("Item index out of bounds");
  return (g.Items[static_cast<std::size_t>(item)] & flag) != 0;
}

void TGroupedList::SetFlag(int group, int item, std::uint8_t flag, bool on) {
  TGroup& g = Group(group);
  if (item < 0 || item >= static_cast<int>(g.Items.size())) throw EListError("Item index out of bounds");
  std::uint8_t& f = g.Items[static_cast<std::size_t>(item)];
  const std::uint8_t before = f;
  f = static_cast<std::uint8_t>(on ? f | flag : f & ~flag);
  if (f != before) InvalidateItem(group, item);
}

void TGroupedList::SetCheckBoxes(TCheckBoxes mode) {
  if (checks_ == mode) return;
  checks_ = mode;
  Repaint();
}

void TGroupedList::SetImageLists(HIMAGELIST small, HIMAGELIST large) {
  small_ = small;
  large_ = large;
  Repaint();
}

void TGroupedList::SetSmallImages(bool small) {
  if (smallImages_ == small) return;
  smallImages_ = small;
  Repaint();
}

void TGroupedList::SetTileHeight(int height) {
  height = std::max(8, height);
  if (tileHeight_ == height) return;
  tileHeight_ = height;
  UpdateMetrics();
  Changed();
}

void TGroupedList::SetShowHeader(bool show) {
  if (showHeader_ == show) return;
  showHeader_ = show;
  UpdateMetrics();
  Changed();
}

void TGroupedList::SetHeaderCaption(const std::string& caption) {
  headerCaption_ = caption;
  ::SetWindowTextA(handle_.get(), caption.c_str());
  Repaint();
}

void TGroupedList::SetHeaderImage(int image) {
  if (headerImage_ == image) return;
  headerImage_ = image;
  Repaint();
}

void TGroupedList::SetHeaderColor(COLORREF color) {
  headerColor_ = color;
  Repaint();
}

void TGroupedList::BeginUpdate() { ++updates_; }

void TGroupedList::EndUpdate() {
  if (updates_ > 0 && --updates_ == 0) Changed();
}

int TGroupedList::InsertGroup(int index, const std::string& caption, int image) {
  if (index < 0 || index > GroupCount()) index = GroupCount();
  TGroup group;
  group.Caption = caption;
  group.Image = image;
  groups_.insert(groups_.begin() + index, std::move(group));
  for (TListPos* p : {&focus_, &anchor_, &hot_})
    if (p->Group >= index) ++p->Group;
  if (hintHit_.Group >= index) hintHit_ = {};
  Changed();
  return index;
}

void TGroupedList::DeleteGroup(int group) {
  Group(group);
  groups_.erase(groups_.begin() + group);
  for (TListPos* p : {&focus_, &anchor_, &hot_}) {
    if (p->Group == group) *p = {};
    else if (p->Group > group) --p->Group;
  }
  if (hintHit_.Group >= group) hintHit_ = {};
  Changed();
}

void TGroupedList::Clear() {
  groups_.clear();
  focus_ = anchor_ = hot_ = {};
  hintHit_ = {};
  HideHint();
  scroll_ = 0;
  Changed();
}

void TGroupedList::SetGroupCaption(int group, const std::string& caption) {
  Group(group).Caption = caption;
  Repaint();
}

void TGroupedList::SetGroupImage(int group, int image) {
  Group(group).Image = image;
  Repaint();
}

void TGroupedList::SetGroupBold(int group, bool bold) {
  Group(group).Bold = bold;
  Repaint();
}

void TGroupedList::SetGroupVisible(int group, bool visible) {
  TGroup& g = Group(group);
  if (g.Visible == visible) return;
  g.Visible = visible;
  if (!visible)
    for (TListPos* p : {&focus_, &anchor_, &hot_})
      if (p->Group == group) *p = {};
  Changed();
}

void TGroupedList::SetGroupExpanded(int group, bool expanded) {
  if (Group(group).Expanded == expanded) return;
  if (expanded && OnGroupExpanding) OnGroupExpanding(group);
  TGroup& g = Group(group);  // the owner may have added groups meanwhile
  g.Expanded = expanded;
  if (!expanded) {
    if (focus_.Group == group && focus_.Item >= 0) focus_.Item = -1;
    if (hot_.Group == group) hot_ = {};
  }
  Changed();
  if (OnGroupExpandChange) OnGroupExpandChange(group, expanded);
}

void TGroupedList::SetGroupChecked(int group, bool checked) {
  TGroup& g = Group(group);
  if (g.Checked == checked) return;
  g.Checked = checked;
  Repaint();
}

void TGroupedList::SetItemCount(int group, int count) {
  TGroup& g = Group(group);
  count = std::max(0, count);
  g.Items.assign(static_cast<std::size_t>(count), 0);
  for (TListPos* p : {&focus_, &anchor_, &hot_})
    if (p->Group == group && p->Item >= count) p->Item = count > 0 ? count - 1 : -1;
  Changed();
}

void TGroupedList::InsertItems(int group, int index, int count) {
  TGroup& g = Group(group);
  if (count <= 0) return;
  index = std::clamp(index, 0, static_cast<int>(g.Items.size()));
  g.Items.insert(g.Items.begin() + index, static_cast<std::size_t>(count), 0);
  for (TListPos* p : {&focus_, &anchor_, &hot_})
    if (p->Group == group && p->Item >= index) p->Item += count;
  Changed();
}

void TGroupedList::DeleteItems(int group, int index, int count) {
  TGroup& g = Group(group);
  const int size = static_cast<int>(g.Items.size());
  if (index < 0 || count <= 0 || index >= size) return;
  count = std::min(count, size - index);
  g.Items.erase(g.Items.begin() + index, g.Items.begin() + index + count);
  for (TListPos* p : {&focus_, &anchor_, &hot_}) {
    if (p->Group != group || p->Item < index) continue;
    if (p->Item >= index + count) p->Item -= count;
    else p->Item = std::min(index, size - count - 1);
  }
  Changed();
}

void TGroupedList::SetItemChecked(int group, int item, bool checked) { SetFlag(group, item, kChecked, checked); }

void TGroupedList::SetItemsChecked(int group, bool checked) {
  for (std::uint8_t& f : Group(group).Items)
    f = static_cast<std::uint8_t>(checked ? f | kChecked : f & ~kChecked);
  Repaint();
}

void TGroupedList::SetItemEnabled(int group, int item, bool enabled) { SetFlag(group, item, kDisabled, !enabled); }

void TGroupedList::SetItemSelected(int group, int item, bool selected) {
  SetFlag(group, item, kSelected, selected);
}

std::vector<TListPos> TGroupedList::SelectedItems() const {
  std::vector<TListPos> out;
  for (int g = 0; g < GroupCount(); ++g) {
    const auto& items = groups_[static_cast<std::size_t>(g)].Items;
    for (std::size_t i = 0; i < items.size(); ++i)
      if (items[i] & kSelected) out.push_back({g, static_cast<int>(i)});
  }
  return out;
}

void TGroupedList::ClearSelection() {
  bool changed = false;
  for (TGroup& g : groups_)
    for (std::uint8_t& f : g.Items)
      if (f & kSelected) {
        f = static_cast<std::uint8_t>(f & ~kSelected);
        changed = true;
      }
  if (changed) Repaint();
}

void TGroupedList::InvalidateItem(int group, int item) {
  if (updates_ > 0 || layoutDirty_ || repaintPending_) {
    Repaint();
    return;
  }
  RECT r = ItemRect(group, item);
  if (r.right > r.left) ::InvalidateRect(handle_.get(), &r, FALSE);
}

// ---- Layout

void TGroupedList::UpdateFonts() {
  LOGFONTA lf{};
  if (ownerFont_) {
    ::GetObjectA(ownerFont_, sizeof lf, &lf);
  } else {
    ::GetObjectA(Application().Font(), sizeof lf, &lf);
    lf.lfHeight = ScaleForDpi(lf.lfHeight, dpi_);  // the program's font is given for 96 dots per inch
  }
  font_.reset(::CreateFontIndirectA(&lf));
  lf.lfWeight = FW_BOLD;
  boldFont_.reset(::CreateFontIndirectA(&lf));
  hintFont_.reset(::CreateFontIndirectA(&lf));
  HDC dc = ::GetDC(handle_.get());
  HGDIOBJ old = ::SelectObject(dc, boldFont_.get());
  TEXTMETRICA tm{};
  ::GetTextMetricsA(dc, &tm);
  ::SelectObject(dc, old);
  ::ReleaseDC(handle_.get(), dc);
  lineHeight_ = std::max(8, static_cast<int>(tm.tmHeight));
}

void TGroupedList::UpdateMetrics() {
  TListMetrics m = TListMetrics::Defaults();
  m.TileHeight = tileHeight_;
  m.ColumnHeaderHeight = showHeader_ ? m.ColumnHeaderHeight : 0;
  metrics_ = m.Scaled(dpi_);
  // A larger font than the sizes were made for still fits.
  if (showHeader_) metrics_.ColumnHeaderHeight = std::max(metrics_.ColumnHeaderHeight, lineHeight_ + 8);
  metrics_.GroupHeaderHeight = std::max(metrics_.GroupHeaderHeight, lineHeight_ + 8);
  metrics_.TileHeight = std::max(metrics_.TileHeight, lineHeight_ + 2 * metrics_.TilePadding);
}

int TGroupedList::HeaderHeight() const { return showHeader_ ? metrics_.ColumnHeaderHeight : 0; }

int TGroupedList::IconSize() const { return ScaleForDpi(smallImages_ ? 16 : 32, dpi_); }

void TGroupedList::Changed() {
  layoutDirty_ = true;
  Repaint();
}

void TGroupedList::Repaint() {
  // One request until the paint comes: owners that change many entries in a row cost one.
  if (updates_ > 0 || !handle_ || repaintPending_) return;
  repaintPending_ = true;
  ::InvalidateRect(handle_.get(), nullptr, FALSE);
}

int TGroupedList::ViewHeight() {
  RECT client{};
  ::GetClientRect(handle_.get(), &client);
  return std::max(0, static_cast<int>(client.bottom) - HeaderHeight());
}

void TGroupedList::EnsureLayout() {
  if (!layoutDirty_) return;
  layoutDirty_ = false;
  std::vector<TGroupShape> shapes;
  shapes.reserve(groups_.size());
  for (const TGroup& g : groups_) shapes.push_back({g.Visible, g.Expanded, static_cast<int>(g.Items.size())});
  RECT client{};
  ::GetClientRect(handle_.get(), &client);
  layout_.Update(shapes, client.right, metrics_);
  scroll_ = std::clamp(scroll_, 0, std::max(0, layout_.ContentHeight() - ViewHeight()));
  UpdateScrollBar();
}

void TGroupedList::UpdateScrollBar() {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  // Always shown, so that the width the tiles are laid out for never changes with the content.
  si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
  si.nMin = 0;
  si.nMax = std::max(0, layout_.ContentHeight() - 1);
  si.nPage = static_cast<UINT>(ViewHeight());
  si.nPos = scroll_;
  ::SetScrollInfo(handle_.get(), SB_VERT, &si, TRUE);
}

void TGroupedList::ScrollTo(int pos) {
  EnsureLayout();
  pos = std::clamp(pos, 0, std::max(0, layout_.ContentHeight() - ViewHeight()));
  if (pos == scroll_) return;
  scroll_ = pos;
  HideHint();
  UpdateScrollBar();
  RECT content{};
  ::GetClientRect(handle_.get(), &content);
  content.top = HeaderHeight();
  ::InvalidateRect(handle_.get(), &content, FALSE);
}

void TGroupedList::ScrollIntoView(TListPos pos) {
  EnsureLayout();
  const TListRect r = layout_.PosRect(pos);
  if (r.Empty()) return;
  const int view = ViewHeight();
  if (r.Top < scroll_) ScrollTo(r.Top);
  else if (r.Bottom > scroll_ + view) ScrollTo(r.Bottom - view);
}

void TGroupedList::ScrollToBottom() {
  EnsureLayout();
  ScrollTo(layout_.ContentHeight());
}

int TGroupedList::CaptionWidth(int group) {
  const TGroup& g = Group(group);
  HDC dc = ::GetDC(handle_.get());
  HGDIOBJ old = ::SelectObject(dc, g.Bold ? boldFont_.get() : font_.get());
  SIZE size{};
  const std::wstring caption = Widen(g.Caption);
  ::GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
  ::SelectObject(dc, old);
  ::ReleaseDC(handle_.get(), dc);
  return size.cx;
}

TListHit TGroupedList::HitContent(int x, int y) {
  EnsureLayout();
  if (y < HeaderHeight()) {
    RECT client{};
    ::GetClientRect(handle_.get(), &client);
    TListHit hit;
    if (y >= 0 && x >= 0 && x < client.right) hit.Kind = THitKind::ColumnHeader;
    return hit;
  }
  return layout_.HitTest(x, y - HeaderHeight() + scroll_, checks_, IconSize(),
                         [this](int g) { return CaptionWidth(g); });
}

TListHit TGroupedList::HitTest(POINT client) { return HitContent(client.x, client.y); }

RECT TGroupedList::ItemRect(int group, int item) {
  EnsureLayout();
  return ToRect(layout_.ItemRect(group, item), HeaderHeight() - scroll_);
}

RECT TGroupedList::GroupHeaderRect(int group) {
  EnsureLayout();
  return ToRect(layout_.GroupHeaderRect(group), HeaderHeight() - scroll_);
}

void TGroupedList::SetFocused(TListPos pos) {
  focus_ = pos;
  anchor_ = pos;
  Repaint();
}

// ---- Painting

void TGroupedList::Paint(HDC target, const RECT& clip) {
  EnsureLayout();
  RECT client{};
  ::GetClientRect(handle_.get(), &client);
  if (client.right <= 0 || client.bottom <= 0) return;
  if (!buffer_ || bufferSize_.cx < client.right || bufferSize_.cy < client.bottom) {
    bufferSize_ = {std::max(bufferSize_.cx, client.right), std::max(bufferSize_.cy, client.bottom)};
    buffer_.reset(::CreateCompatibleBitmap(target, bufferSize_.cx, bufferSize_.cy));
  }
  HDC dc = ::CreateCompatibleDC(target);
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
  ::DeleteDC(dc);
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

// ---- Mouse and keyboard

void TGroupedList::SelectionChanged() {
  Repaint();
  if (OnSelectionChange) OnSelectionChange();
}

void TGroupedList::SelectOnly(TListPos pos) {
  for (TGroup& g : groups_)
    for (std::uint8_t& f : g.Items) f = static_cast<std::uint8_t>(f & ~kSelected);
  if (pos.Valid() && pos.Item >= 0) {
    std::uint8_t& f = groups_[static_cast<std::size_t>(pos.Group)].Items[static_cast<std::size_t>(pos.Item)];
    f = static_cast<std::uint8_t>(f | kSelected);
  }
  anchor_ = pos;
  SelectionChanged();
}

void TGroupedList::SelectRange(TListPos from, TListPos to) {
  if (!from.Valid()) from = to;
  if (Before(to, from)) std::swap(from, to);
  for (int g = 0; g < GroupCount(); ++g) {
    TGroup& group = groups_[static_cast<std::size_t>(g)];
    const int n = static_cast<int>(group.Items.size());
    for (int i = 0; i < n; ++i) {
      const bool in = group.Visible && group.Expanded && !Before({g, i}, from) && !Before(to, {g, i});
      std::uint8_t& f = group.Items[static_cast<std::size_t>(i)];
      f = static_cast<std::uint8_t>(in ? f | kSelected : f & ~kSelected);
    }
  }
  SelectionChanged();
}

void TGroupedList::MoveFocus(TListPos to, bool extend, bool keepSelection) {
  if (!to.Valid()) return;
  focus_ = to;
  if (extend && MultiSelect && to.Item >= 0) {
    SelectRange(anchor_, to);
  } else if (!keepSelection || !MultiSelect) {
    if (to.Item >= 0) {
      SelectOnly(to);
    } else {
      ClearSelection();
      anchor_ = to;
      SelectionChanged();
    }
  }
  ScrollIntoView(to);
  Repaint();
}

void TGroupedList::UserCheckItem(int group, int item) {
  if (checks_ != TCheckBoxes::Shown || !ItemEnabled(group, item)) return;
  const bool to = !ItemChecked(group, item);
  if (OnItemChecking && !OnItemChecking(group, item, to)) return;
  SetItemChecked(group, item, to);
  if (OnItemCheckChange) OnItemCheckChange(group, item);
}

void TGroupedList::UserCheckGroup(int group) {
  if (checks_ != TCheckBoxes::Shown) return;
  TGroup& g = Group(group);
  g.Checked = !g.Checked;
  for (std::uint8_t& f : g.Items) f = static_cast<std::uint8_t>(g.Checked ? f | kChecked : f & ~kChecked);
  Repaint();
  if (OnGroupCheckChange) OnGroupCheckChange(group);
}

void TGroupedList::MouseDown(TListButton button, POINT pt, WPARAM keys) {
  if (::GetFocus() != handle_.get()) ::SetFocus(handle_.get());
  HideHint();
  lastButton_ = button;
  const TListHit hit = HitContent(pt.x, pt.y);
  if (hit.Kind == THitKind::ColumnHeader) {
    if (button == TListButton::Left) {
      headerPressed_ = true;
      ::SetCapture(handle_.get());
    }
    return;
  }
  const bool ctrl = (keys & MK_CONTROL) != 0, shift = (keys & MK_SHIFT) != 0;
  const TListPos pos{hit.Group, hit.Item};
  if (button == TListButton::Left) {
    switch (hit.Kind) {
      case THitKind::GroupExpand:
        focus_ = pos;
        ToggleExpanded(hit.Group);
        break;
      case THitKind::GroupCheck:
        focus_ = pos;
        UserCheckGroup(hit.Group);
        break;
      case THitKind::ItemCheck:
        focus_ = pos;
        UserCheckItem(hit.Group, hit.Item);
        break;
      case THitKind::ItemIcon:
      case THitKind::ItemText:
      case THitKind::Item:
        focus_ = pos;
        if (MultiSelect && ctrl) {
          SetItemSelected(pos.Group, pos.Item, !ItemSelected(pos.Group, pos.Item));
          anchor_ = pos;
          SelectionChanged();
        } else if (MultiSelect && shift) {
          SelectRange(anchor_, pos);
        } else if (!ItemSelected(pos.Group, pos.Item) || !AllowDrag) {
          SelectOnly(pos);
        }
        if (AllowDrag) {
          dragArmed_ = true;
          dragStart_ = pt;
          ::SetCapture(handle_.get());
        }
        break;
      case THitKind::GroupIcon:
      case THitKind::GroupCaption:
      case THitKind::GroupHeader:
        focus_ = pos;
        anchor_ = pos;
        if (!ctrl) ClearSelection();
        break;
      default:
        if (!ctrl && !shift) ClearSelection();
        break;
    }
  } else if (hit.Group >= 0) {
    focus_ = pos;
    if (hit.Item >= 0 && !ItemSelected(hit.Group, hit.Item)) SelectOnly(pos);
  }
  Repaint();
  if (hit.Group >= 0 && OnClick) OnClick(hit);
}

void TGroupedList::MouseUp(POINT pt) {
  if (headerPressed_) {
    headerPressed_ = false;
    ::ReleaseCapture();
    if (pt.y >= 0 && pt.y < HeaderHeight() && OnHeaderClick) OnHeaderClick();
    return;
  }
  if (dragging_) {
    POINT screen = pt;
    ::ClientToScreen(handle_.get(), &screen);
    EndDrag(true, screen);
    return;
  }
  if (dragArmed_) {
    dragArmed_ = false;
    ::ReleaseCapture();
    // A press on a selected item that did not become a drag selects that item alone.
    const TListHit hit = HitContent(pt.x, pt.y);
    const bool modifiers = Pressed(VK_CONTROL) || Pressed(VK_SHIFT);
    if (hit.OnItem() && TListPos{hit.Group, hit.Item} == focus_ && !modifiers) SelectOnly(focus_);
  }
}

void TGroupedList::DoubleClick(POINT pt) {
  HideHint();
  lastButton_ = TListButton::Left;
  const TListHit hit = HitContent(pt.x, pt.y);
  switch (hit.Kind) {
    case THitKind::ColumnHeader:
      if (OnHeaderClick) OnHeaderClick();
      return;
    case THitKind::GroupExpand:
    case THitKind::GroupCheck:
    case THitKind::ItemCheck:
      // The second click of a double click on a button is one more click.
      MouseDown(TListButton::Left, pt, 0);
      return;
    case THitKind::GroupIcon:
    case THitKind::GroupCaption:
    case THitKind::GroupHeader:
      ToggleExpanded(hit.Group);
      break;
    default:
      break;
  }
  if (hit.Group >= 0 && OnDblClick) OnDblClick(hit);
}

void TGroupedList::MouseMove(POINT pt, WPARAM keys) {
  if (!tracking_) {
    TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, handle_.get(), 0};
    tracking_ = ::TrackMouseEvent(&tme) != FALSE;
  }
  if (dragArmed_ && !dragging_ && (keys & MK_LBUTTON) &&
      (std::abs(pt.x - dragStart_.x) > ::GetSystemMetrics(SM_CXDRAG) ||
       std::abs(pt.y - dragStart_.y) > ::GetSystemMetrics(SM_CYDRAG))) {
    dragging_ = true;
    HideHint();
  }
  if (dragging_) {
    POINT screen = pt;
    ::ClientToScreen(handle_.get(), &screen);
    TGroupedList* target = FromHandle(::WindowFromPoint(screen));
    dropTarget_ = target && target != this && target->OnDragOver && target->OnDragOver(*this) ? target : nullptr;
    ::SetCursor(::LoadCursorA(nullptr, dropTarget_ ? IDC_ARROW : IDC_NO));
    return;
  }
  const TListHit hit = HitContent(pt.x, pt.y);
  if (HotTrack) {
    const TListPos hot = hit.OnItem() ? TListPos{hit.Group, hit.Item} : TListPos{};
    if (!(hot == hot_)) {
      if (hot_.Valid()) InvalidateItem(hot_.Group, hot_.Item);
      hot_ = hot;
      if (hot_.Valid()) InvalidateItem(hot_.Group, hot_.Item);
    }
  }
  HintMouseMove(hit);
}

void TGroupedList::EndDrag(bool drop, POINT screen) {
  (void)screen;
  TGroupedList* target = drop ? dropTarget_ : nullptr;
  dragging_ = dragArmed_ = false;
  dropTarget_ = nullptr;
  if (::GetCapture() == handle_.get()) ::ReleaseCapture();
  ::SetCursor(::LoadCursorA(nullptr, IDC_ARROW));
  if (target && target->OnDragDrop) target->OnDragDrop(*this);
}

void TGroupedList::KeyDown(WPARAM key) {
  HideHint();
  const bool shift = Pressed(VK_SHIFT), ctrl = Pressed(VK_CONTROL);
  EnsureLayout();
  const TListPos focus = focus_.Valid() ? focus_ : layout_.First();
  auto navigate = [&](TNavKey nav) {
    MoveFocus(layout_.Navigate(focus_.Valid() ? focus_ : TListPos{}, nav, ViewHeight()), shift, ctrl);
  };
  switch (key) {
    case VK_UP: navigate(TNavKey::Up); return;
    case VK_DOWN: navigate(TNavKey::Down); return;
    case VK_HOME: navigate(TNavKey::Home); return;
    case VK_END: navigate(TNavKey::End); return;
    case VK_PRIOR: navigate(TNavKey::PageUp); return;
    case VK_NEXT: navigate(TNavKey::PageDown); return;
    case VK_LEFT:
      if (focus.Valid() && focus.Item < 0 && GroupExpanded(focus.Group)) {
        focus_ = focus;
        SetGroupExpanded(focus.Group, false);
      } else {
        navigate(TNavKey::Left);
      }
      return;
    case VK_RIGHT:
      if (focus.Valid() && focus.Item < 0 && !GroupExpanded(focus.Group)) {
        focus_ = focus;
        SetGroupExpanded(focus.Group, true);
      } else {
        navigate(TNavKey::Right);
      }
      return;
    case VK_ADD:
    case VK_SUBTRACT:
      if (focus.Valid()) {
        focus_ = {focus.Group, -1};
        SetGroupExpanded(focus.Group, key == VK_ADD);
        ScrollIntoView(focus_);
      }
      return;
    case VK_RETURN:
      if (focus.Valid() && focus.Item < 0) ToggleExpanded(focus.Group);
      return;
    case VK_SPACE:
      if (!focus_.Valid()) return;
      if (ctrl && MultiSelect && focus_.Item >= 0) {
        SetItemSelected(focus_.Group, focus_.Item, !ItemSelected(focus_.Group, focus_.Item));
        anchor_ = focus_;
        SelectionChanged();
      } else if (focus_.Item >= 0) {
        UserCheckItem(focus_.Group, focus_.Item);
      } else {
        UserCheckGroup(focus_.Group);
      }
      return;
    case 'A':
      if (ctrl && MultiSelect) {
        for (TGroup& g : groups_)
          if (g.Visible && g.Expanded)
            for (std::uint8_t& f : g.Items) f = static_cast<std::uint8_t>(f | kSelected);
        SelectionChanged();
      }
      return;
    case VK_ESCAPE:
      if (dragging_) EndDrag(false, {});
      return;
    default:
      return;
  }
}

void TGroupedList::ContextMenu(LPARAM lParam) {
  if (!OnContextMenu) return;
  HideHint();
  POINT screen{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  TListHit hit;
  if (lParam == -1) {
    // From the keyboard: at the focused entry.
    EnsureLayout();
    if (focus_.Valid()) {
      RECT r = focus_.Item >= 0 ? ItemRect(focus_.Group, focus_.Item) : GroupHeaderRect(focus_.Group);
      screen = {r.left + ScaleForDpi(8, dpi_), (r.top + r.bottom) / 2};
      hit = {focus_.Item >= 0 ? THitKind::ItemText : THitKind::GroupCaption, focus_.Group, focus_.Item};
    } else {
      screen = {ScaleForDpi(8, dpi_), HeaderHeight() + ScaleForDpi(8, dpi_)};
    }
    ::ClientToScreen(handle_.get(), &screen);
  } else {
    POINT client = screen;
    ::ScreenToClient(handle_.get(), &client);
    hit = HitContent(client.x, client.y);
  }
  OnContextMenu(hit, screen);
}

void TGroupedList::Wheel(int delta) {
  HideHint();
  UINT lines = 3;
  ::SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  wheelRest_ += delta;
  EnsureLayout();
  const int step = lines == WHEEL_PAGESCROLL ? ViewHeight() : static_cast<int>(lines) * metrics_.TileHeight;
  const int pixels = static_cast<int>(static_cast<long long>(wheelRest_) * step / WHEEL_DELTA);
  if (pixels == 0) return;
  wheelRest_ -= static_cast<int>(static_cast<long long>(pixels) * WHEEL_DELTA / std::max(1, step));
  ScrollTo(scroll_ - pixels);
}

// ---- Hints

void TGroupedList::HintMouseMove(const TListHit& hit) {
  if (hit == hintHit_) return;
  hintHit_ = hit;
  const bool wasShown = hintShown_;
  HideHint();
  hint_ = hit.Group >= 0 && OnHint ? OnHint(hit) : TListHint{};
  if (hint_.Text.empty()) return;
  const bool recent = wasShown || ::GetTickCount() - hintClosedAt_ < HintShortPause;
  ::SetTimer(handle_.get(), kHintShowTimer, recent ? HintShortPause : HintPause, nullptr);
}

void TGroupedList::ShowHint() {
  ::KillTimer(handle_.get(), kHintShowTimer);
  if (hint_.Text.empty() || dragging_) return;
  if (!hintWindow_) {
    hintWindow_.reset(::CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, kHintClassName, "",
                                        WS_POPUP, 0, 0, 10, 10, handle_.get(), nullptr,
                                        ::GetModuleHandleA(nullptr), nullptr));
    if (!hintWindow_) return;
    ::SetWindowLongPtrA(hintWindow_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  POINT cursor{};
  ::GetCursorPos(&cursor);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoA(::MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT work = monitor.rcWork;
  const int pad = ScaleForDpi(4, dpi_);
  const SIZE image = hint_.Image >= 0 ? ImageSize(hint_.LargeImage ? large_ : small_) : SIZE{0, 0};
  const int textLeft = pad + (image.cx > 0 ? image.cx + pad : 0);
  const int maxWidth = std::max(100, static_cast<int>((monitor.rcMonitor.right - monitor.rcMonitor.left) *
                                                      HintWidthShare));
  HDC dc = ::GetDC(hintWindow_.get());
  HGDIOBJ old = ::SelectObject(dc, hintFont_.get());
  const int textWidth = maxWidth - textLeft - pad - 2;
  RECT text{0, 0, textWidth, 0};
  // Words longer than the line (paths, addresses) are broken too.
  DrawText8(dc, hint_.Text, &text, kHintFormat | DT_CALCRECT);
  ::SelectObject(dc, old);
  ::ReleaseDC(hintWindow_.get(), dc);
  const int width = textLeft + std::min(textWidth, static_cast<int>(text.right - text.left)) + pad + 2;
  const int height = std::max(static_cast<int>(image.cy), static_cast<int>(text.bottom - text.top)) + 2 * pad + 2;
  int x = cursor.x, y = cursor.y + ::GetSystemMetrics(SM_CYCURSOR) * 2 / 3;
  if (x + width > work.right) x = work.right - width;
  if (y + height > work.bottom) y = cursor.y - height - 2;
  x = std::max(static_cast<int>(work.left), x);
  y = std::max(static_cast<int>(work.top), y);
  ::SetWindowPos(hintWindow_.get(), HWND_TOPMOST, x, y, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  ::InvalidateRect(hintWindow_.get(), nullptr, TRUE);
  hintShown_ = true;
  ::SetTimer(handle_.get(), kHintHideTimer, HintHidePause, nullptr);
}

void TGroupedList::HideHint() {
  ::KillTimer(handle_.get(), kHintShowTimer);
  ::KillTimer(handle_.get(), kHintHideTimer);
  if (!hintShown_) return;
  hintShown_ = false;
  hintClosedAt_ = ::GetTickCount();
  if (hintWindow_) ::ShowWindow(hintWindow_.get(), SW_HIDE);
}

// ---- Window procedures

LRESULT CALLBACK TGroupedList::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  auto* self = reinterpret_cast<TGroupedList*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return ::DefWindowProcA(hwnd, msg, wParam, lParam);
  try {
    if (self->hintWindow_ && hwnd == self->hintWindow_.get()) {
      switch (msg) {
        case WM_NCHITTEST:
          return HTTRANSPARENT;
        case WM_PAINT: {
          PAINTSTRUCT ps;
          HDC dc = ::BeginPaint(hwnd, &ps);
          RECT r{};
          ::GetClientRect(hwnd, &r);
          FillSolid(dc, r, RGB(255, 255, 255));
          Frame(dc, r, kHintFrame);
          const int pad = ScaleForDpi(4, self->dpi_);
          HIMAGELIST list = self->hint_.LargeImage ? self->large_ : self->small_;
          const SIZE image = self->hint_.Image >= 0 ? ImageSize(list) : SIZE{0, 0};
          if (image.cx > 0) ::ImageList_Draw(list, self->hint_.Image, dc, pad + 1, pad + 1, ILD_TRANSPARENT);
          RECT text{pad + 1 + (image.cx > 0 ? image.cx + pad : 0), pad + 1, r.right - pad, r.bottom - pad};
          HGDIOBJ old = ::SelectObject(dc, self->hintFont_.get());
          ::SetBkMode(dc, TRANSPARENT);
          ::SetTextColor(dc, RGB(0, 0, 0));
          DrawText8(dc, self->hint_.Text, &text, kHintFormat);
          ::SelectObject(dc, old);
          ::EndPaint(hwnd, &ps);
          return 0;
        }
        default:
          return ::DefWindowProcA(hwnd, msg, wParam, lParam);
      }
    }
    return self->Handle(msg, wParam, lParam);
  } catch (...) {
    LogBoundaryError("TGroupedList");
    return 0;
  }
}

LRESULT TGroupedList::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND hwnd = handle_.get();
  const POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  switch (msg) {
    case WM_PAINT: {
      repaintPending_ = false;
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(hwnd, &ps);
      Paint(dc, ps.rcPaint);
      ::EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_SIZE:
      layoutDirty_ = true;
      ::InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_SETFONT:
      ownerFont_ = reinterpret_cast<HFONT>(wParam);
      UpdateFonts();
      UpdateMetrics();
      Changed();
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_.get());
    case kDpiChangedAfterParent:
      dpi_ = WindowDpi(hwnd);
      UpdateFonts();
      UpdateMetrics();
      Changed();
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (msg == WM_KILLFOCUS) HideHint();
      Repaint();
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_VSCROLL: {
      EnsureLayout();
      SCROLLINFO si{};
      si.cbSize = sizeof si;
      si.fMask = SIF_ALL;
      ::GetScrollInfo(hwnd, SB_VERT, &si);
      const int line = metrics_.TileHeight, page = std::max(line, ViewHeight() - line);
      switch (LOWORD(wParam)) {
        case SB_LINEUP: ScrollTo(scroll_ - line); break;
        case SB_LINEDOWN: ScrollTo(scroll_ + line); break;
        case SB_PAGEUP: ScrollTo(scroll_ - page); break;
        case SB_PAGEDOWN: ScrollTo(scroll_ + page); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: ScrollTo(si.nTrackPos); break;
        case SB_TOP: ScrollTo(0); break;
        case SB_BOTTOM: ScrollToBottom(); break;
        default: break;
      }
      return 0;
    }
    case WM_MOUSEWHEEL:
      Wheel(GET_WHEEL_DELTA_WPARAM(wParam));
      return 0;
    case WM_LBUTTONDOWN:
      MouseDown(TListButton::Left, pt, wParam);
      return 0;
    case WM_RBUTTONDOWN:
      MouseDown(TListButton::Right, pt, wParam);
      return 0;
    case WM_MBUTTONDOWN:
      lastButton_ = TListButton::Middle;
      return 0;
    case WM_LBUTTONUP:
      MouseUp(pt);
      return 0;
    case WM_LBUTTONDBLCLK:
      DoubleClick(pt);
      return 0;
    case WM_RBUTTONUP:
      break;  // the default handling raises WM_CONTEXTMENU
    case WM_MOUSEMOVE:
      MouseMove(pt, wParam);
      return 0;
    case WM_MOUSELEAVE:
      tracking_ = false;
      HideHint();
      hintHit_ = {};
      if (hot_.Valid()) {
        const TListPos hot = hot_;
        hot_ = {};
        InvalidateItem(hot.Group, hot.Item);
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (dragging_ && reinterpret_cast<HWND>(lParam) != hwnd) EndDrag(false, {});
      headerPressed_ = false;
      dragArmed_ = false;
      return 0;
    case WM_SETCURSOR:
      if (dragging_) return TRUE;
      break;
    case WM_KEYDOWN:
      KeyDown(wParam);
      return 0;
    case WM_CONTEXTMENU:
      ContextMenu(lParam);
      return 0;
    case WM_TIMER:
      if (wParam == kHintShowTimer) ShowHint();
      else if (wParam == kHintHideTimer) HideHint();
      return 0;
    case TGL_GETGROUPCOUNT:
      return GroupCount();
    case TGL_GETITEMCOUNT: {
      const int g = static_cast<int>(wParam);
      return g >= 0 && g < GroupCount() ? ItemCount(g) : -1;
    }
    case TGL_GETSTATE: {
      const int g = static_cast<int>(wParam), i = static_cast<int>(lParam);
      if (g < 0 || g >= GroupCount() || i >= ItemCount(g)) return -1;
      const TGroup& group = groups_[static_cast<std::size_t>(g)];
      LRESULT state = focus_ == TListPos{g, i < 0 ? -1 : i} ? TGL_STATE_FOCUSED : 0;
      if (i < 0) {
        if (group.Checked) state |= TGL_STATE_CHECKED;
        if (group.Expanded) state |= TGL_STATE_EXPANDED;
        if (group.Visible) state |= TGL_STATE_VISIBLE;
        if (group.Bold) state |= TGL_STATE_BOLD;
        return state;
      }
      const std::uint8_t f = group.Items[static_cast<std::size_t>(i)];
      if (f & kChecked) state |= TGL_STATE_CHECKED;
      if (f & kDisabled) state |= TGL_STATE_DISABLED;
      if (f & kSelected) state |= TGL_STATE_SELECTED;
      if (group.Visible && group.Expanded) state |= TGL_STATE_VISIBLE;
      return state;
    }
    case TGL_GETIMAGE: {
      const int g = static_cast<int>(wParam), i = static_cast<int>(lParam);
      if (g < 0 || g >= GroupCount() || i >= ItemCount(g)) return -1;
      if (i < 0) return GroupImage(g);
      return OnItemImage ? OnItemImage(g, i) : -1;
    }
    case TGL_GETRECT: {
      const int g = static_cast<int>(wParam), i = static_cast<int>(lParam);
      if (g < 0 || g >= GroupCount() || i >= ItemCount(g)) return 0;
      const TListPos pos{g, i < 0 ? -1 : i};
      ScrollIntoView(pos);
      const RECT r = pos.Item >= 0 ? ItemRect(g, pos.Item) : GroupHeaderRect(g);
      if (r.right <= r.left) return 0;
      ::UpdateWindow(hwnd);
      return PackRect(r);
    }
    case TGL_GETVIEW:
      return static_cast<LRESULT>(tileHeight_ & 0xFFFF) | (smallImages_ ? TGL_VIEW_SMALLIMAGES : 0) |
             (checks_ == TCheckBoxes::Shown ? TGL_VIEW_CHECKBOXES : 0);
    default:
      break;
  }
  return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace tw
