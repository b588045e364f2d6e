#include "ui/components/GroupedList.h"

#include <algorithm>
#include <cstdlib>

#include "platform/Gdi.h"
#include "ui/components/ListDrawing.h"
#include "ui/components/Window.h"

namespace tw {

using namespace list_drawing;

namespace {

constexpr const char* kClassName = "TwGroupedList";
constexpr UINT kDpiChangedAfterParent = 0x02E3;

int WindowDpi(HWND hwnd) {
  using TGetDpiForWindow = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<TGetDpiForWindow>(
      ::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetDpiForWindow"));
  if (getDpiForWindow && hwnd) {
    const UINT dpi = getDpiForWindow(hwnd);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  const unique_window_dc screen(nullptr);
  const int dpi = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
  return dpi > 0 ? dpi : 96;
}

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
    return ::RegisterClassA(&wc) != 0;
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
  const unique_window_dc windowDc(handle_.get());
  HDC dc = windowDc.get();
  HGDIOBJ old = ::SelectObject(dc, boldFont_.get());
  TEXTMETRICA tm{};
  ::GetTextMetricsA(dc, &tm);
  ::SelectObject(dc, old);
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
  const unique_window_dc windowDc(handle_.get());
  HDC dc = windowDc.get();
  HGDIOBJ old = ::SelectObject(dc, g.Bold ? boldFont_.get() : font_.get());
  SIZE size{};
  const std::wstring caption = Widen(g.Caption);
  ::GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
  ::SelectObject(dc, old);
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

// ---- Window procedure

LRESULT CALLBACK TGroupedList::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  auto* self = reinterpret_cast<TGroupedList*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return ::DefWindowProcA(hwnd, msg, wParam, lParam);
  try {
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

