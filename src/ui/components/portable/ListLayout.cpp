#include "ui/components/portable/ListLayout.h"

#include <algorithm>

namespace tw {

int ScaleForDpi(int value, int dpi) {
  if (dpi <= 0) dpi = 96;
  const long long scaled = static_cast<long long>(value) * dpi;
  return static_cast<int>(scaled >= 0 ? (scaled + 48) / 96 : -((-scaled + 48) / 96));
}

TListMetrics TListMetrics::Scaled(int dpi) const {
  TListMetrics m = *this;
  for (int* v : {&m.ColumnHeaderHeight, &m.GroupHeaderHeight, &m.GroupGap, &m.ItemsTop, &m.ItemsBottom,
                 &m.MarginLeft, &m.MarginRight, &m.TileHeight, &m.MinTileWidth, &m.CheckSize, &m.ExpandSize,
                 &m.GroupIconSize, &m.Gap, &m.TilePadding})
    *v = ScaleForDpi(*v, dpi);
  return m;
}

void TListLayout::Update(const std::vector<TGroupShape>& groups, int clientWidth, const TListMetrics& metrics) {
  groups_ = groups;
  metrics_ = metrics;
  clientWidth_ = std::max(0, clientWidth);
  const int band = clientWidth_ - metrics_.MarginLeft - metrics_.MarginRight;
  const int minTile = std::max(1, metrics_.MinTileWidth);
  columns_ = std::max(1, band / minTile);
  tileWidth_ = std::max(minTile, band / columns_);
  tops_.assign(groups_.size(), 0);
  bottoms_.assign(groups_.size(), 0);
  int y = 0;
  bool first = true;
  for (std::size_t g = 0; g < groups_.size(); ++g) {
    if (!groups_[g].Visible) {
      tops_[g] = bottoms_[g] = y;
      continue;
    }
    if (!first) y += metrics_.GroupGap;
    first = false;
    tops_[g] = y;
    y += metrics_.GroupHeaderHeight;
    const int rows = Rows(static_cast<int>(g));
    if (rows > 0) y += metrics_.ItemsTop + rows * metrics_.TileHeight + metrics_.ItemsBottom;
    bottoms_[g] = y;
  }
  contentHeight_ = y;
}

int TListLayout::Rows(int group) const {
  const TGroupShape& s = groups_[static_cast<std::size_t>(group)];
  if (!s.Visible || !s.Expanded || s.ItemCount <= 0) return 0;
  return (s.ItemCount + columns_ - 1) / columns_;
}

TListRect TListLayout::GroupRect(int group) const {
  if (group < 0 || group >= GroupCount() || !groups_[static_cast<std::size_t>(group)].Visible) return {};
  return {0, tops_[static_cast<std::size_t>(group)], clientWidth_, bottoms_[static_cast<std::size_t>(group)]};
}

TListRect TListLayout::GroupHeaderRect(int group) const {
  TListRect r = GroupRect(group);
  if (!r.Empty()) r.Bottom = r.Top + metrics_.GroupHeaderHeight;
  return r;
}

TListRect TListLayout::ItemRect(int group, int item) const {
  if (group < 0 || group >= GroupCount()) return {};
  const TGroupShape& s = groups_[static_cast<std::size_t>(group)];
  if (!s.Visible || !s.Expanded || item < 0 || item >= s.ItemCount) return {};
  const int row = item / columns_, column = item % columns_;
  const int top = tops_[static_cast<std::size_t>(group)] + metrics_.GroupHeaderHeight + metrics_.ItemsTop +
                  row * metrics_.TileHeight;
  const int left = metrics_.MarginLeft + column * tileWidth_;
  return {left, top, left + tileWidth_, top + metrics_.TileHeight};
}

TListRect TListLayout::PosRect(TListPos pos) const {
  return pos.Item < 0 ? GroupHeaderRect(pos.Group) : ItemRect(pos.Group, pos.Item);
}

namespace {

// A square of Size, its left edge at Left, centred on the band [Top, Bottom).
TListRect Square(int left, int top, int bottom, int size) {
  const int y = top + (bottom - top - size) / 2;
  return {left, y, left + size, y + size};
}

}  // namespace

THeaderParts TListLayout::GroupHeaderParts(int group, TCheckBoxes checks, int captionWidth) const {
  THeaderParts parts;
  const TListRect header = GroupHeaderRect(group);
  if (header.Empty()) return parts;
  const TListMetrics& m = metrics_;
  int x = std::max(2, (m.MarginLeft - m.ExpandSize) / 2);
  parts.Expand = Square(x, header.Top, header.Bottom, m.ExpandSize);
  x = parts.Expand.Right + m.Gap;
  if (checks == TCheckBoxes::Shown) {
    parts.Check = Square(x, header.Top, header.Bottom, m.CheckSize);
    x = parts.Check.Right + m.Gap;
  }
  parts.Icon = Square(x, header.Top, header.Bottom, m.GroupIconSize);
  x = parts.Icon.Right + m.Gap;
  const int right = std::max(x, header.Right - m.MarginRight);
  parts.Caption = {x, header.Top, std::min(right, x + std::max(0, captionWidth)), header.Bottom};
  return parts;
}

TTileParts TListLayout::ItemParts(int group, int item, TCheckBoxes checks, int iconSize) const {
  TTileParts parts;
  const TListRect tile = ItemRect(group, item);
  if (tile.Empty()) return parts;
  const TListMetrics& m = metrics_;
  int x = tile.Left + m.TilePadding;
  if (checks != TCheckBoxes::None) {
    parts.Check = Square(x, tile.Top, tile.Bottom, m.CheckSize);
    x = parts.Check.Right + m.Gap;
  }
  parts.Icon = Square(x, tile.Top, tile.Bottom, iconSize);
  x = parts.Icon.Right + m.Gap;
  parts.Text = {x, tile.Top + m.TilePadding, std::max(x, tile.Right - m.TilePadding), tile.Bottom - m.TilePadding};
  return parts;
}

int TListLayout::FirstGroupBelow(int y) const {
  // Hidden groups end where the group before them ends, so they are never found here.
  auto it = std::upper_bound(bottoms_.begin(), bottoms_.end(), y);
  return static_cast<int>(it - bottoms_.begin());
}

void TListLayout::ItemsBetween(int group, int top, int bottom, int& first, int& last) const {
  first = last = 0;
  const int rows = Rows(group);
  if (rows == 0 || bottom <= top) return;
  const int itemsTop = tops_[static_cast<std::size_t>(group)] + metrics_.GroupHeaderHeight + metrics_.ItemsTop;
  const int th = std::max(1, metrics_.TileHeight);
  int row0 = top <= itemsTop ? 0 : (top - itemsTop) / th;
  int row1 = bottom <= itemsTop ? 0 : (bottom - itemsTop + th - 1) / th;
  row0 = std::clamp(row0, 0, rows);
  row1 = std::clamp(row1, 0, rows);
  const int count = groups_[static_cast<std::size_t>(group)].ItemCount;
  first = std::min(count, row0 * columns_);
  last = std::min(count, row1 * columns_);
}

TListHit TListLayout::HitTest(int x, int y, TCheckBoxes checks, int iconSize,
                              const std::function<int(int group)>& captionWidth) const {
  TListHit hit;
  if (y < 0 || x < 0 || x >= clientWidth_) return hit;
  const int g = FirstGroupBelow(y);
  if (g >= GroupCount() || y < tops_[static_cast<std::size_t>(g)]) return hit;  // below all, or in a gap
  hit.Group = g;
  const TListRect header = GroupHeaderRect(g);
  if (header.Contains(x, y)) {
    const THeaderParts parts = GroupHeaderParts(g, checks, captionWidth ? captionWidth(g) : 0);
    if (parts.Expand.Contains(x, y))
      hit.Kind = THitKind::GroupExpand;
    else if (parts.Check.Contains(x, y))
      hit.Kind = THitKind::GroupCheck;
    else if (parts.Icon.Contains(x, y))
      hit.Kind = THitKind::GroupIcon;
    else if (parts.Caption.Contains(x, y))
      hit.Kind = THitKind::GroupCaption;
    else
      hit.Kind = THitKind::GroupHeader;
    return hit;
  }
  hit.Kind = THitKind::GroupBand;
  const TGroupShape& s = groups_[static_cast<std::size_t>(g)];
  const int itemsTop = header.Bottom + metrics_.ItemsTop;
  if (y < itemsTop || x < metrics_.MarginLeft) return hit;
  const int row = (y - itemsTop) / std::max(1, metrics_.TileHeight);
  const int column = (x - metrics_.MarginLeft) / std::max(1, tileWidth_);
  if (row >= Rows(g) || column >= columns_) return hit;
  const long long item = static_cast<long long>(row) * columns_ + column;
  if (item >= s.ItemCount) return hit;
  hit.Item = static_cast<int>(item);
  const TTileParts parts = ItemParts(g, hit.Item, checks, iconSize);
  if (checks == TCheckBoxes::Shown && parts.Check.Contains(x, y))
    hit.Kind = THitKind::ItemCheck;
  else if (parts.Icon.Contains(x, y))
    hit.Kind = THitKind::ItemIcon;
  else if (parts.Text.Contains(x, y))
    hit.Kind = THitKind::ItemText;
  else
    hit.Kind = THitKind::Item;
  return hit;
}

TListPos TListLayout::First() const {
  for (int g = 0; g < GroupCount(); ++g)
    if (groups_[static_cast<std::size_t>(g)].Visible) return {g, -1};
  return {};
}

TListPos TListLayout::Last() const {
  for (int g = GroupCount() - 1; g >= 0; --g) {
    if (!groups_[static_cast<std::size_t>(g)].Visible) continue;
    const int n = Rows(g) > 0 ? groups_[static_cast<std::size_t>(g)].ItemCount : 0;
    return {g, n > 0 ? n - 1 : -1};
  }
  return {};
}

TListPos TListLayout::NextPos(TListPos pos) const {
  const int n = Rows(pos.Group) > 0 ? groups_[static_cast<std::size_t>(pos.Group)].ItemCount : 0;
  if (pos.Item + 1 < n) return {pos.Group, pos.Item + 1};
  for (int g = pos.Group + 1; g < GroupCount(); ++g)
    if (groups_[static_cast<std::size_t>(g)].Visible) return {g, -1};
  return pos;
}

TListPos TListLayout::PrevPos(TListPos pos) const {
  if (pos.Item >= 0) return {pos.Group, pos.Item - 1};
  for (int g = pos.Group - 1; g >= 0; --g) {
    if (!groups_[static_cast<std::size_t>(g)].Visible) continue;
    const int n = Rows(g) > 0 ? groups_[static_cast<std::size_t>(g)].ItemCount : 0;
    return {g, n - 1};
  }
  return pos;
}

TListPos TListLayout::PosAt(int y, int column) const {
  const int g = FirstGroupBelow(y);
  if (g >= GroupCount()) return {};
  const int itemsTop = tops_[static_cast<std::size_t>(g)] + metrics_.GroupHeaderHeight + metrics_.ItemsTop;
  const int rows = Rows(g);
  if (y < itemsTop || rows == 0) {
    // On the header, in the gap above it, or in the space above the first row.
    return y < tops_[static_cast<std::size_t>(g)] + metrics_.GroupHeaderHeight ? TListPos{g, -1}
                                                                               : TListPos{g, 0};
  }
  const int row = std::min(rows - 1, (y - itemsTop) / std::max(1, metrics_.TileHeight));
  const int n = groups_[static_cast<std::size_t>(g)].ItemCount;
  return {g, std::min(n - 1, row * columns_ + std::clamp(column, 0, columns_ - 1))};
}

TListPos TListLayout::Navigate(TListPos from, TNavKey key, int pageHeight) const {
  if (key == TNavKey::Home) return First();
  if (key == TNavKey::End) return Last();
  if (from.Group < 0 || from.Group >= GroupCount() || !groups_[static_cast<std::size_t>(from.Group)].Visible)
    return First();
  const int n = Rows(from.Group) > 0 ? groups_[static_cast<std::size_t>(from.Group)].ItemCount : 0;
  if (from.Item >= n) from.Item = n - 1;
  switch (key) {
    case TNavKey::Home:
    case TNavKey::End:
      break;
    case TNavKey::Left:
      return PrevPos(from);
    case TNavKey::Right:
      return NextPos(from);
    case TNavKey::Up: {
      if (from.Item >= columns_) return {from.Group, from.Item - columns_};
      if (from.Item >= 0) return {from.Group, -1};
      return PrevPos(from);
    }
    case TNavKey::Down: {
      if (from.Item < 0) return NextPos(from);
      if (from.Item + columns_ < n) return {from.Group, from.Item + columns_};
      // From a row above the last one, to the last item; from the last row, to the next group.
      if (from.Item / columns_ < (n - 1) / columns_) return {from.Group, n - 1};
      return NextPos({from.Group, n - 1});
    }
    case TNavKey::PageUp:
    case TNavKey::PageDown: {
      const TListRect r = PosRect(from);
      const int column = from.Item < 0 ? 0 : from.Item % columns_;
      const int step = std::max(1, pageHeight);
      if (key == TNavKey::PageUp) {
        const int y = r.Top - step;
        if (y < 0) return First();
        TListPos to = PosAt(y, column);
        return to.Valid() ? to : First();
      }
      TListPos to = PosAt(r.Top + step, column);
      return to.Valid() ? to : Last();
    }
  }
  return from;
}

}  // namespace tw
