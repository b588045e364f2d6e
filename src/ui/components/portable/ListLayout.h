#pragma once
// Geometry of the grouped list, free of any window: where groups, their headers and their tiles
// lie, what a point hits, and where the keyboard moves the focus. Everything is computed from the
// groups' shapes (visible, expanded, number of items) in time proportional to the number of
// groups, never to the number of items, so a group of 100 000 entries costs nothing more to lay
// out than a group of ten.
#include <cstdint>
#include <functional>
#include <vector>

namespace tw {

struct TListRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
  bool Empty() const { return Right <= Left || Bottom <= Top; }
  bool operator==(const TListRect&) const = default;
};

// Sizes of the list's parts, in pixels. Defaults() gives them at 96 dots per inch; Scaled() for
// the monitor's.
struct TListMetrics {
  int ColumnHeaderHeight = 24;  // the band above the groups; 0 when it is hidden
  int GroupHeaderHeight = 40;   // a group's caption row, with room for a 32-pixel icon
  int GroupGap = 6;             // space above every group header but the first
  int ItemsTop = 4;             // space between a group header and its first row of tiles
  int ItemsBottom = 8;          // and below its last row
  int MarginLeft = 20;          // the band left of the tiles
  int MarginRight = 8;
  int TileHeight = 42;
  int MinTileWidth = 250;       // tiles stretch so that a row fills the width
  int CheckSize = 13;
  int ExpandSize = 11;
  int GroupIconSize = 32;
  int Gap = 6;                  // between the parts of a header or a tile
  int TilePadding = 3;          // inside a tile, around its parts

  static TListMetrics Defaults() { return {}; }
  // Every size multiplied by Dpi / 96, rounded; a Dpi of 0 or less is taken as 96.
  TListMetrics Scaled(int dpi) const;
};

// Value * Dpi / 96, rounded half away from zero.
int ScaleForDpi(int value, int dpi);

// What the list needs to know of a group to lay it out.
struct TGroupShape {
  bool Visible = true;
  bool Expanded = false;
  int ItemCount = 0;
};

// Whether check boxes are drawn: not at all, a check box's space kept free on items (no group
// box), or shown on groups and items.
enum class TCheckBoxes : std::uint8_t { None, Space, Shown };

enum class THitKind : std::uint8_t {
  Nowhere,       // below the last group, or outside the list
  ColumnHeader,  // the band above the groups
  GroupExpand,   // a group's expand button
  GroupCheck,    // its check box
  GroupIcon,
  GroupCaption,
  GroupHeader,   // the rest of its caption row
  GroupBand,     // its tiles' area outside any tile (margins, the end of the last row)
  ItemCheck,
  ItemIcon,
  ItemText,      // the caption and detail line
  Item,          // the rest of a tile
};

// What a point hits. Item is -1 for everything that is not a tile.
struct TListHit {
  THitKind Kind = THitKind::Nowhere;
  int Group = -1;
  int Item = -1;
  bool OnGroup() const { return Group >= 0 && Item < 0 && Kind != THitKind::Nowhere; }
  bool OnItem() const { return Item >= 0; }
  bool operator==(const TListHit&) const = default;
};

// A place the focus can be: a group's header (Item -1) or one of its items.
struct TListPos {
  int Group = -1;
  int Item = -1;
  bool Valid() const { return Group >= 0; }
  bool operator==(const TListPos&) const = default;
};

enum class TNavKey : std::uint8_t { Up, Down, Left, Right, Home, End, PageUp, PageDown };

// The parts of a group header and of a tile. Empty rectangles for parts that are not drawn.
struct THeaderParts {
  TListRect Expand, Check, Icon, Caption;
};
struct TTileParts {
  TListRect Check, Icon, Text;
};

class TListLayout {
 public:
  // Lays the groups out for a client area ClientWidth wide. Coordinates are content coordinates:
  // y = 0 is the top of the first group (the column header is not part of the content).
  void Update(const std::vector<TGroupShape>& groups, int clientWidth, const TListMetrics& metrics);

  const TListMetrics& Metrics() const { return metrics_; }
  int ContentHeight() const { return contentHeight_; }
  int Columns() const { return columns_; }
  int TileWidth() const { return tileWidth_; }
  int GroupCount() const { return static_cast<int>(groups_.size()); }
  const TGroupShape& Shape(int group) const { return groups_[static_cast<std::size_t>(group)]; }

  // The group's whole area (header and tiles); empty when the group is hidden.
  TListRect GroupRect(int group) const;
  TListRect GroupHeaderRect(int group) const;
  // Empty when the group is hidden or collapsed or Item is out of range.
  TListRect ItemRect(int group, int item) const;
  // The rectangle of a focus position (a header or a tile).
  TListRect PosRect(TListPos pos) const;

  // CaptionWidth: the caption's text width; IconSize: the size the tile's icon is drawn at.
  THeaderParts GroupHeaderParts(int group, TCheckBoxes checks, int captionWidth) const;
  TTileParts ItemParts(int group, int item, TCheckBoxes checks, int iconSize) const;

  // What the content point X, Y hits, down to the parts of headers and tiles. CaptionWidth gives
  // a group caption's text width (none: captions are taken to be empty).
  TListHit HitTest(int x, int y, TCheckBoxes checks, int iconSize,
                   const std::function<int(int group)>& captionWidth = {}) const;

  // The first visible group whose area reaches below Y (GroupCount() when none).
  int FirstGroupBelow(int y) const;
  // The items of an expanded group whose tiles meet the band [Top, Bottom): [first, last).
  void ItemsBetween(int group, int top, int bottom, int& first, int& last) const;

  // Where the focus goes from From on Key; PageHeight is the height of the visible content.
  // Moving never opens or closes a group; from an invalid From, Home and End go where they always
  // go and every other key to the first header.
  TListPos Navigate(TListPos from, TNavKey key, int pageHeight) const;
  // The first and last positions the focus can take (invalid when no group is visible).
  TListPos First() const;
  TListPos Last() const;

 private:
  int Rows(int group) const;
  TListPos NextPos(TListPos pos) const;
  TListPos PrevPos(TListPos pos) const;
  // The position at content height Y, in column Column (tiles) or on a header.
  TListPos PosAt(int y, int column) const;

  std::vector<TGroupShape> groups_;
  std::vector<int> tops_;     // top of each group's area (the gap above it excluded)
  std::vector<int> bottoms_;  // its bottom; a hidden group's top and bottom are the last bottom
  TListMetrics metrics_;
  int clientWidth_ = 0;
  int columns_ = 1;
  int tileWidth_ = 0;
  int contentHeight_ = 0;
};

}  // namespace tw
