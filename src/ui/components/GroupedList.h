#pragma once
// The grouped list of the program's windows: groups with captions, icons, expand buttons and
// optional check boxes; items as large tiles (a 32-pixel icon, a caption and one detail line) or
// small tiles (16-pixel icons), optionally checkable; custom-drawn hints; keyboard, mouse wheel,
// selection and drag and drop as a Windows user expects.
//
// The list is virtual. For each item it keeps one byte (checked, disabled, selected); captions,
// detail lines, images and colours are asked from the owner when a tile is drawn. A group of
// 100 000 items therefore costs 100 000 bytes and expands at once; the owner keeps its own text.
//
// Owners:
//   - set the groups (AddGroup...), each group's number of items (SetItemCount, InsertItems,
//     DeleteItems), the items' states, and the callbacks that give texts and images;
//   - may create a group's items only when it first expands (OnGroupExpanding);
//   - hear about what the user does through the On... events. Events raised by the user's actions
//     come after the list has changed; calls of the owner raise no events except the expansion
//     events, which every expansion raises, whoever caused it.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Handles.h"
#include "support/Exceptions.h"
#include "ui/components/ListHintWindow.h"
#include "ui/components/portable/ListLayout.h"

namespace tw {

// A group or item index outside the list.
TW_DECLARE_EXCEPTION(EListError, Exception)

// Messages that read the list from outside its process (tests, automation tools).
// Group: wParam; item: lParam (-1 for the group itself).
inline constexpr UINT TGL_GETGROUPCOUNT = WM_USER + 0x200;  // the number of groups
inline constexpr UINT TGL_GETITEMCOUNT = WM_USER + 0x201;   // the group's items; -1 for no group
inline constexpr UINT TGL_GETSTATE = WM_USER + 0x202;       // TGL_STATE_... bits; -1 for no entry
inline constexpr UINT TGL_GETIMAGE = WM_USER + 0x203;       // the image index, -1 for none
// Scrolls the entry into view and returns its client rectangle, 16 bits per edge from the low
// word: left, top, right, bottom; 0 when the entry is not shown.
inline constexpr UINT TGL_GETRECT = WM_USER + 0x204;
// The tile height at 96 dots per inch in the low word, TGL_VIEW_... bits above it.
inline constexpr UINT TGL_GETVIEW = WM_USER + 0x205;
inline constexpr LRESULT TGL_STATE_CHECKED = 1;
inline constexpr LRESULT TGL_STATE_EXPANDED = 2;  // groups
inline constexpr LRESULT TGL_STATE_VISIBLE = 4;   // groups: shown; items: their group shows them
inline constexpr LRESULT TGL_STATE_DISABLED = 8;  // items
inline constexpr LRESULT TGL_STATE_SELECTED = 16; // items
inline constexpr LRESULT TGL_STATE_FOCUSED = 32;
inline constexpr LRESULT TGL_STATE_BOLD = 64;     // groups
inline constexpr LRESULT TGL_VIEW_SMALLIMAGES = 0x10000;
inline constexpr LRESULT TGL_VIEW_CHECKBOXES = 0x20000;  // check boxes shown

// The mouse button of the last press in the list.
enum class TListButton : std::uint8_t { None, Left, Right, Middle };

class TGroupedList {
 public:
  // A child window of Parent, with a vertical scroll bar and the given control id.
  TGroupedList(HWND parent, int id = 0);
  ~TGroupedList();
  TGroupedList(const TGroupedList&) = delete;
  TGroupedList& operator=(const TGroupedList&) = delete;

  HWND Handle() const { return handle_.get(); }
  // The list of a window handle (null for any other window).
  static TGroupedList* FromHandle(HWND hwnd);

  // ---- Appearance
  void SetCheckBoxes(TCheckBoxes mode);
  TCheckBoxes CheckBoxes() const { return checks_; }
  // Image lists of small (16) and large (32) images; the owner keeps them.
  void SetImageLists(HIMAGELIST small, HIMAGELIST large);
  // Items drawn with the small images.
  void SetSmallImages(bool small);
  bool SmallImages() const { return smallImages_; }
  // Tile height at 96 dots per inch (42 at creation); drawn scaled to the monitor.
  void SetTileHeight(int height);
  int TileHeight() const { return tileHeight_; }
  // The band above the groups, with a caption and an image of the small list; a click on it
  // raises OnHeaderClick. Shown at creation. The caption is also the window's text.
  void SetShowHeader(bool show);
  void SetHeaderCaption(const std::string& caption);
  const std::string& HeaderCaption() const { return headerCaption_; }
  void SetHeaderImage(int image);
  int HeaderImage() const { return headerImage_; }
  // CLR_DEFAULT: a light shaded band.
  void SetHeaderColor(COLORREF color);
  bool FlatCheckBoxes = false;
  bool MultiSelect = false;
  bool HotTrack = false;
  // A press on an item followed by a move past the system's drag threshold starts a drag.
  bool AllowDrag = false;
  // The monitor's dots per inch the list draws for.
  int Dpi() const { return dpi_; }

  // ---- Hints (milliseconds; the share of the screen width a hint may take)
  unsigned HintPause = 500;
  unsigned HintShortPause = 500;  // the pause before the next hint while one is open
  unsigned HintHidePause = 10000;
  double HintWidthShare = 0.25;

  // ---- Updates: repainting waits for the last EndUpdate.
  void BeginUpdate();
  void EndUpdate();

  // ---- Groups
  int GroupCount() const { return static_cast<int>(groups_.size()); }
  // Adds a group at Index (the end for -1) and returns its index.
  int InsertGroup(int index, const std::string& caption, int image = -1);
  int AddGroup(const std::string& caption, int image = -1) { return InsertGroup(-1, caption, image); }
  void DeleteGroup(int group);
  void Clear();
  void SetGroupCaption(int group, const std::string& caption);
  const std::string& GroupCaption(int group) const { return Group(group).Caption; }
  void SetGroupImage(int group, int image);
  int GroupImage(int group) const { return Group(group).Image; }
  void SetGroupBold(int group, bool bold);
  bool GroupBold(int group) const { return Group(group).Bold; }
  void SetGroupVisible(int group, bool visible);
  bool GroupVisible(int group) const { return Group(group).Visible; }
  // Raises OnGroupExpanding before a group opens and OnGroupExpandChange after any change.
  void SetGroupExpanded(int group, bool expanded);
  void ToggleExpanded(int group) { SetGroupExpanded(group, !GroupExpanded(group)); }
  bool GroupExpanded(int group) const { return Group(group).Expanded; }
  void SetGroupChecked(int group, bool checked);
  bool GroupChecked(int group) const { return Group(group).Checked; }
  // A value of the owner's, kept with the group.
  void SetGroupData(int group, std::intptr_t data) { Group(group).Data = data; }
  std::intptr_t GroupData(int group) const { return Group(group).Data; }

  // ---- Items (new items are enabled, unchecked and not selected)
  int ItemCount(int group) const { return static_cast<int>(Group(group).Items.size()); }
  void SetItemCount(int group, int count);
  void InsertItems(int group, int index, int count);
  void DeleteItems(int group, int index, int count);
  void SetItemChecked(int group, int item, bool checked);
  bool ItemChecked(int group, int item) const { return Flag(group, item, kChecked); }
  // Every item of the group.
  void SetItemsChecked(int group, bool checked);
  // A disabled item is drawn silver and cannot be checked by the user.
  void SetItemEnabled(int group, int item, bool enabled);
  bool ItemEnabled(int group, int item) const { return !Flag(group, item, kDisabled); }
  void SetItemSelected(int group, int item, bool selected);
  bool ItemSelected(int group, int item) const { return Flag(group, item, kSelected); }
  std::vector<TListPos> SelectedItems() const;
  void ClearSelection();
  // Redraws one item (its text or image changed).
  void InvalidateItem(int group, int item);

  // ---- Focus, scrolling and geometry (client coordinates)
  TListPos Focused() const { return focus_; }
  void SetFocused(TListPos pos);
  void ScrollIntoView(TListPos pos);
  void ScrollToBottom();
  int ScrollPos() const { return scroll_; }
  TListHit HitTest(POINT client);
  RECT ItemRect(int group, int item);
  RECT GroupHeaderRect(int group);
  TListButton LastMouseButton() const { return lastButton_; }
  bool Dragging() const { return dragging_; }

  // ---- What the owner supplies
  std::function<std::string(int group, int item)> OnItemCaption;
  std::function<std::string(int group, int item)> OnItemDetail;
  std::function<int(int group, int item)> OnItemImage;
  // CLR_DEFAULT for the normal colour (silver for disabled items).
  std::function<COLORREF(int group, int item)> OnItemColor;
  std::function<TListHint(const TListHit& hit)> OnHint;

  // ---- What the user did
  // Asked before the user's check of an item takes effect; false keeps the item as it is.
  std::function<bool(int group, int item, bool checked)> OnItemChecking;
  std::function<void(int group, int item)> OnItemCheckChange;
  // The user ticked or unticked a group; its items have followed.
  std::function<void(int group)> OnGroupCheckChange;
  // A group is about to open (its items may be created here).
  std::function<void(int group)> OnGroupExpanding;
  std::function<void(int group, bool expanded)> OnGroupExpandChange;
  // A press of the left or right button on a group or an item (after the list acted on it).
  std::function<void(const TListHit& hit)> OnClick;
  // A double click of the left button (a double click on a group's caption row outside its
  // expand button and check box has already opened or closed the group).
  std::function<void(const TListHit& hit)> OnDblClick;
  // The context menu was asked for (right button, the menu key, Shift+F10) at Screen.
  std::function<void(const TListHit& hit, POINT screen)> OnContextMenu;
  std::function<void()> OnHeaderClick;
  std::function<void()> OnSelectionChange;
  // Dragging from Source over this list: whether a drop would be accepted.
  std::function<bool(TGroupedList& source)> OnDragOver;
  std::function<void(TGroupedList& source)> OnDragDrop;

 private:
  enum : std::uint8_t { kChecked = 1, kDisabled = 2, kSelected = 4 };
  static constexpr UINT_PTR kHintShowTimer = 1;
  static constexpr UINT_PTR kHintHideTimer = 2;
  struct TGroup {
    std::string Caption;
    int Image = -1;
    bool Bold = true;
    bool Visible = true;
    bool Expanded = false;
    bool Checked = false;
    std::intptr_t Data = 0;
    std::vector<std::uint8_t> Items;
  };

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
  LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
  TGroup& Group(int group);
  const TGroup& Group(int group) const;
  bool Flag(int group, int item, std::uint8_t flag) const;
  void SetFlag(int group, int item, std::uint8_t flag, bool on);

  void Changed();  // the shape changed: layout again, repaint
  void Repaint();
  void EnsureLayout();
  void UpdateMetrics();
  void UpdateFonts();
  void UpdateScrollBar();
  void ScrollTo(int pos);
  int ViewHeight();
  int HeaderHeight() const;
  int IconSize() const;
  int CaptionWidth(int group);
  TListHit HitContent(int x, int y);

  void Paint(HDC dc, const RECT& clip);
  void PaintHeader(HDC dc, const RECT& client);
  void PaintGroupHeader(HDC dc, int group, int offset);
  void PaintItem(HDC dc, int group, int item, int offset);
  void DrawCheck(HDC dc, const TListRect& r, int offset, bool checked, bool enabled);
  void DrawImage(HDC dc, HIMAGELIST list, int image, const TListRect& box, int offset);

  void MouseDown(TListButton button, POINT pt, WPARAM keys);
  void MouseUp(POINT pt);
  void DoubleClick(POINT pt);
  void MouseMove(POINT pt, WPARAM keys);
  void KeyDown(WPARAM key);
  void ContextMenu(LPARAM lParam);
  void Wheel(int delta);
  void UserCheckItem(int group, int item);
  void UserCheckGroup(int group);
  void MoveFocus(TListPos to, bool extend, bool keepSelection);
  void SelectRange(TListPos from, TListPos to);
  void SelectOnly(TListPos pos);
  void SelectionChanged();

  void HintMouseMove(const TListHit& hit);
  void ShowHint();
  void HideHint();
  void EndDrag(bool drop, POINT screen);

  unique_hwnd handle_;
  TListHintWindow hintWindow_;  // destroyed before the list, which owns its window
  unique_hgdiobj font_, boldFont_, hintFont_;
  unique_hgdiobj buffer_;  // the back buffer, kept between paints
  SIZE bufferSize_{0, 0};
  HFONT ownerFont_ = nullptr;
  std::vector<TGroup> groups_;
  TListLayout layout_;
  bool layoutDirty_ = true;
  bool repaintPending_ = false;  // the whole window waits for its paint
  int updates_ = 0;
  int dpi_ = 96;
  TListMetrics metrics_;
  int lineHeight_ = 14;
  TCheckBoxes checks_ = TCheckBoxes::None;
  HIMAGELIST small_ = nullptr, large_ = nullptr;
  bool smallImages_ = false;
  int tileHeight_ = 42;
  bool showHeader_ = true;
  std::string headerCaption_;
  int headerImage_ = -1;
  COLORREF headerColor_ = CLR_DEFAULT;
  int scroll_ = 0;
  int wheelRest_ = 0;
  TListPos focus_;
  TListPos anchor_;
  TListPos hot_;
  TListButton lastButton_ = TListButton::None;
  bool headerPressed_ = false;
  bool tracking_ = false;
  // Dragging.
  bool dragArmed_ = false;
  bool dragging_ = false;
  POINT dragStart_{0, 0};
  TGroupedList* dropTarget_ = nullptr;
  // Hints.
  TListHit hintHit_;
  TListHint hint_;
  bool hintShown_ = false;
  DWORD hintClosedAt_ = 0;
};

}  // namespace tw
