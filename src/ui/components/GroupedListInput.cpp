#include <algorithm>
#include <cstdlib>

#include "ui/components/GroupedList.h"
#include "ui/components/ListDrawing.h"

// The grouped list's input: selection, mouse, keyboard, context menu, wheel, drag and drop, and
// the timing of hints.

namespace tw {

using namespace list_drawing;

namespace {

// The position before the other in the order of the list.
bool Before(TListPos a, TListPos b) { return a.Group != b.Group ? a.Group < b.Group : a.Item < b.Item; }

}  // namespace

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
  if (!hintWindow_.Show(handle_.get(), hint_, hint_.LargeImage ? large_ : small_,
                        static_cast<HFONT>(hintFont_.get()), dpi_, HintWidthShare))
    return;
  hintShown_ = true;
  ::SetTimer(handle_.get(), kHintHideTimer, HintHidePause, nullptr);
}

void TGroupedList::HideHint() {
  ::KillTimer(handle_.get(), kHintShowTimer);
  ::KillTimer(handle_.get(), kHintHideTimer);
  if (!hintShown_) return;
  hintShown_ = false;
  hintClosedAt_ = ::GetTickCount();
  hintWindow_.Hide();
}

}  // namespace tw
