#include <gtest/gtest.h>

#include <vector>

#include "ui/components/portable/ListLayout.h"

namespace tw {
namespace {

// Round sizes so that positions can be worked out by hand: a 1000-pixel client holds four
// columns of 240-pixel tiles.
TListMetrics Metrics() {
  TListMetrics m;
  m.GroupHeaderHeight = 40;
  m.GroupGap = 10;
  m.ItemsTop = 5;
  m.ItemsBottom = 5;
  m.MarginLeft = 20;
  m.MarginRight = 20;
  m.TileHeight = 42;
  m.MinTileWidth = 230;
  m.CheckSize = 13;
  m.ExpandSize = 11;
  m.GroupIconSize = 32;
  m.Gap = 6;
  m.TilePadding = 3;
  return m;
}

TListLayout Layout(const std::vector<TGroupShape>& groups, int width = 1000) {
  TListLayout layout;
  layout.Update(groups, width, Metrics());
  return layout;
}

TEST(ListLayout, GroupsAndTilesTakeTheirPlaces) {
  // A shown group of 6 items (two rows of four columns), a hidden one, a closed one, an open
  // empty one.
  const TListLayout layout = Layout({{true, true, 6}, {false, true, 3}, {true, false, 9}, {true, true, 0}});
  EXPECT_EQ(layout.Columns(), 4);
  EXPECT_EQ(layout.TileWidth(), 240);
  EXPECT_EQ(layout.GroupRect(0), (TListRect{0, 0, 1000, 40 + 5 + 2 * 42 + 5}));
  EXPECT_TRUE(layout.GroupRect(1).Empty());
  EXPECT_EQ(layout.GroupRect(2).Top, 134 + 10);  // the hidden group takes no room, not even a gap
  EXPECT_EQ(layout.GroupRect(2).Height(), 40);
  EXPECT_EQ(layout.GroupRect(3).Height(), 40);
  EXPECT_EQ(layout.ContentHeight(), 144 + 40 + 10 + 40);
  EXPECT_EQ(layout.ItemRect(0, 5), (TListRect{20 + 240, 45 + 42, 20 + 480, 45 + 84}));
  EXPECT_TRUE(layout.ItemRect(0, 6).Empty());
  EXPECT_TRUE(layout.ItemRect(2, 0).Empty());  // closed
  // A narrow client still shows one column, as wide as the minimum.
  const TListLayout narrow = Layout({{true, true, 3}}, 100);
  EXPECT_EQ(narrow.Columns(), 1);
  EXPECT_EQ(narrow.TileWidth(), 230);
}

TEST(ListLayout, HitTestFindsPartsOfHeadersAndTiles) {
  const TListLayout layout = Layout({{true, true, 5}, {true, true, 1}});
  auto caption = [](int) { return 100; };
  const THeaderParts header = layout.GroupHeaderParts(0, TCheckBoxes::Shown, 100);
  const TTileParts tile = layout.ItemParts(0, 4, TCheckBoxes::Shown, 32);
  struct Case {
    int x, y;
    TCheckBoxes checks;
    TListHit hit;
  };
  const Case cases[] = {
      {header.Expand.Left + 1, header.Expand.Top + 1, TCheckBoxes::Shown, {THitKind::GroupExpand, 0, -1}},
      {header.Check.Left + 1, header.Check.Top + 1, TCheckBoxes::Shown, {THitKind::GroupCheck, 0, -1}},
      {header.Icon.Left + 1, header.Icon.Top + 1, TCheckBoxes::Shown, {THitKind::GroupIcon, 0, -1}},
      {header.Caption.Left + 1, 20, TCheckBoxes::Shown, {THitKind::GroupCaption, 0, -1}},
      {header.Caption.Right + 5, 20, TCheckBoxes::Shown, {THitKind::GroupHeader, 0, -1}},
      {5, 60, TCheckBoxes::Shown, {THitKind::GroupBand, 0, -1}},           // left margin
      {20 + 240 + 10, 45 + 42 + 10, TCheckBoxes::Shown, {THitKind::GroupBand, 0, -1}},  // end of last row
      {tile.Check.Left + 1, tile.Check.Top + 1, TCheckBoxes::Shown, {THitKind::ItemCheck, 0, 4}},
      // A check box's space without a check box is part of the tile.
      {tile.Check.Left + 1, tile.Check.Top + 1, TCheckBoxes::Space, {THitKind::Item, 0, 4}},
      {tile.Icon.Left + 1, tile.Icon.Top + 1, TCheckBoxes::Shown, {THitKind::ItemIcon, 0, 4}},
      {tile.Text.Left + 1, tile.Text.Top + 1, TCheckBoxes::Shown, {THitKind::ItemText, 0, 4}},
      {260 + 1, 45 + 1, TCheckBoxes::Shown, {THitKind::Item, 0, 1}},  // the tile's own top left pixel
      {500, 134 + 5, TCheckBoxes::Shown, {THitKind::Nowhere, -1, -1}},  // the gap between groups
      {500, 5000, TCheckBoxes::Shown, {THitKind::Nowhere, -1, -1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    EXPECT_EQ(layout.HitTest(c.x, c.y, c.checks, 32, caption), c.hit);
  }
  // Without check boxes the icon moves to where the check box was.
  EXPECT_LT(layout.GroupHeaderParts(0, TCheckBoxes::None, 100).Icon.Left, header.Icon.Left);
  EXPECT_TRUE(layout.GroupHeaderParts(0, TCheckBoxes::Space, 100).Check.Empty());
}

TEST(ListLayout, ItemsBetweenCoverOnlyTheRowsInTheBand) {
  const TListLayout layout = Layout({{true, true, 100000}});
  int first = 0, last = 0;
  // Rows 0 to 2 of four tiles meet the band [45, 150).
  layout.ItemsBetween(0, 45, 150, first, last);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(last, 12);
  layout.ItemsBetween(0, 45 + 42 * 1000, 45 + 42 * 1001, first, last);
  EXPECT_EQ(first, 4000);
  EXPECT_EQ(last, 4004);
  EXPECT_EQ(layout.ContentHeight(), 40 + 5 + 25000 * 42 + 5);
}

TEST(ListLayout, KeyboardMovesThroughHeadersAndTiles) {
  // Group 0: 6 items in rows of four; group 1 hidden; group 2 closed; group 3: 2 items.
  const TListLayout layout = Layout({{true, true, 6}, {false, true, 4}, {true, false, 3}, {true, true, 2}});
  struct Case {
    TListPos from;
    TNavKey key;
    TListPos to;
  };
  const Case cases[] = {
      {{0, -1}, TNavKey::Down, {0, 0}},
      {{0, 1}, TNavKey::Down, {0, 5}},
      {{0, 2}, TNavKey::Down, {0, 5}},   // no tile below: the last one of the group
      {{0, 5}, TNavKey::Down, {2, -1}},  // the hidden group is passed over
      {{2, -1}, TNavKey::Down, {3, -1}}, // a closed group has no tiles to enter
      {{0, 5}, TNavKey::Up, {0, 1}},
      {{0, 1}, TNavKey::Up, {0, -1}},
      {{3, -1}, TNavKey::Up, {2, -1}},
      {{2, -1}, TNavKey::Up, {0, 5}},
      {{0, 0}, TNavKey::Left, {0, -1}},
      {{0, 5}, TNavKey::Right, {2, -1}},
      {{3, 1}, TNavKey::Right, {3, 1}},  // nothing after the end
      {{0, -1}, TNavKey::Up, {0, -1}},
      {{2, -1}, TNavKey::Home, {0, -1}},
      {{0, 3}, TNavKey::End, {3, 1}},
      {{}, TNavKey::Down, {0, -1}},
      {{}, TNavKey::End, {3, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from.Group << "/" << c.from.Item << " key " << static_cast<int>(c.key));
    EXPECT_EQ(layout.Navigate(c.from, c.key, 100), c.to);
  }
}

TEST(ListLayout, PageKeysMoveByTheVisibleHeightInTheSameColumn) {
  const TListLayout layout = Layout({{true, true, 400}, {true, true, 3}});
  // 42-pixel rows: a page of 420 pixels is ten rows.
  EXPECT_EQ(layout.Navigate({0, 1}, TNavKey::PageDown, 420), (TListPos{0, 41}));
  EXPECT_EQ(layout.Navigate({0, 41}, TNavKey::PageUp, 420), (TListPos{0, 1}));
  EXPECT_EQ(layout.Navigate({0, 1}, TNavKey::PageUp, 420), (TListPos{0, -1}));
  EXPECT_EQ(layout.Navigate({0, 399}, TNavKey::PageDown, 420), (TListPos{1, 2}));
}

TEST(ListLayout, SizesScaleWithTheMonitor) {
  const TListMetrics m = TListMetrics::Defaults();
  const TListMetrics at144 = m.Scaled(144);
  EXPECT_EQ(at144.TileHeight, 63);
  EXPECT_EQ(at144.GroupIconSize, 48);
  EXPECT_EQ(at144.CheckSize, 20);  // 19.5 rounds up
  EXPECT_EQ(m.Scaled(96).TileHeight, m.TileHeight);
  EXPECT_EQ(m.Scaled(0).TileHeight, m.TileHeight);
  EXPECT_EQ(ScaleForDpi(28, 120), 35);
  // A group's tiles keep their count of columns per pixel of width as the monitor scales.
  TListLayout layout;
  layout.Update({{true, true, 10}}, 2000, at144);
  EXPECT_EQ(layout.Columns(), (2000 - at144.MarginLeft - at144.MarginRight) / at144.MinTileWidth);
  EXPECT_EQ(layout.ItemRect(0, 0).Height(), 63);
}

}  // namespace
}  // namespace tw
