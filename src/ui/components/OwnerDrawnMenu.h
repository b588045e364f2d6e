#pragma once
// The look of the program's popup menus: entries on white with a free band of 22 pixels at the
// left, grey when highlighted, the default entry bold, disabled entries italic and silver, a check
// picture for checked entries, separators drawn as a row of dashes, and a dark side band with a
// caption written bottom to top, drawn with the last entry.
//
// The owner window passes WM_MEASUREITEM and WM_DRAWITEM to Measure and Draw (both answer false
// for items that are not of a menu of this kind).
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/Handles.h"

namespace tw {

class TOwnerDrawnMenu {
 public:
  // Makes every entry of Menu owner-drawn (its text is kept here). BandCaption: the side band's
  // text; CheckImages: picture 0 is drawn for checked entries (may be null).
  TOwnerDrawnMenu(HMENU menu, std::string bandCaption, HIMAGELIST checkImages = nullptr);
  ~TOwnerDrawnMenu();
  TOwnerDrawnMenu(const TOwnerDrawnMenu&) = delete;
  TOwnerDrawnMenu& operator=(const TOwnerDrawnMenu&) = delete;

  HMENU Menu() const { return menu_; }
  // Changes the text of the entry with command Id (the menu keeps none of its own).
  void SetCaption(UINT id, const std::string& caption);
  std::string Caption(UINT id) const;
  void SetBandCaption(std::string caption);
  // Entries added to the menu afterwards become owner-drawn too.
  void Refresh();

  static bool Measure(MEASUREITEMSTRUCT& measure);
  static bool Draw(const DRAWITEMSTRUCT& draw);

 private:
  struct Entry {
    TOwnerDrawnMenu* owner;
    UINT id;
    bool separator;
    bool last;
    std::string caption;
    UINT height = 0;  // as last measured
  };
  static const Entry* Find(ULONG_PTR data);
  void DrawEntry(const Entry& entry, const DRAWITEMSTRUCT& draw) const;
  // The side band's part beside one entry: the whole band (as high as Bottom) is drawn in memory
  // and the rows Top to Bottom of Rows are copied, so that an entry drawn again alone (highlighted,
  // say) keeps its piece of the band.
  void DrawBand(HDC dc, int bottom, const RECT& rows) const;
  // Has the menu measure its entries again when it next opens (their text or band changed).
  void Remeasure();

  HMENU menu_;
  std::string bandCaption_;
  HIMAGELIST checkImages_;
  std::vector<std::unique_ptr<Entry>> entries_;
};

}  // namespace tw
