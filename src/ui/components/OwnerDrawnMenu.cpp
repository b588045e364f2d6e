#include "ui/components/OwnerDrawnMenu.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "platform/Gdi.h"
#include "platform/Text.h"

namespace tw {

namespace {

constexpr int kBand = 22;        // the free band at the left of every entry
constexpr int kCaptionX = 48;    // where captions start
constexpr int kCheckX = 26;      // where the check picture is drawn
constexpr COLORREF kWindowColor = RGB(83, 83, 83);
// Every menu with this look; an item's data is ours only when it is one of their entries.
std::vector<TOwnerDrawnMenu*>& Menus() {
  static std::vector<TOwnerDrawnMenu*> menus;
  return menus;
}

HFONT MenuFont(bool bold, bool italic) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  LOGFONTW font = metrics.lfMenuFont;
  if (bold) font.lfWeight = FW_BOLD;
  if (italic) font.lfItalic = TRUE;
  return ::CreateFontIndirectW(&font);
}

SIZE TextSize(const std::wstring& text, bool bold) {
  const unique_window_dc screen(nullptr);
  HDC dc = screen.get();
  unique_hgdiobj font(MenuFont(bold, false));
  HGDIOBJ old = ::SelectObject(dc, font.get());
  SIZE size{};
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  ::SelectObject(dc, old);
  return size;
}

// The side band's font: Tahoma, bold, two units smaller than the menu font.
HFONT BandFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  LOGFONTW font{};
  font.lfHeight = metrics.lfMenuFont.lfHeight < 0 ? metrics.lfMenuFont.lfHeight + 2
                                                  : metrics.lfMenuFont.lfHeight - 2;
  font.lfWeight = FW_BOLD;
  font.lfQuality = ANTIALIASED_QUALITY;
  lstrcpyW(font.lfFaceName, L"Tahoma");
  return ::CreateFontIndirectW(&font);
}

}  // namespace

TOwnerDrawnMenu::TOwnerDrawnMenu(HMENU menu, std::string bandCaption, HIMAGELIST checkImages)
    : menu_(menu), bandCaption_(std::move(bandCaption)), checkImages_(checkImages) {
  Menus().push_back(this);
  Refresh();
}

TOwnerDrawnMenu::~TOwnerDrawnMenu() {
  std::erase(Menus(), this);
  // Leave the menu as a plain one if it outlives us.
  if (!::IsMenu(menu_)) return;
  for (const auto& entry : entries_) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_STRING;
    info.fType = entry->separator ? MFT_SEPARATOR : MFT_STRING;
    const std::wstring text = Utf8ToWide(entry->caption);
    info.dwTypeData = const_cast<wchar_t*>(text.c_str());
    info.dwItemData = 0;
    ::SetMenuItemInfoW(menu_, entry->id, FALSE, &info);
  }
}

void TOwnerDrawnMenu::Refresh() {
  const int count = ::GetMenuItemCount(menu_);
  for (int i = 0; i < count; ++i) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA;
    if (!::GetMenuItemInfoW(menu_, i, TRUE, &info)) continue;
    Entry* entry = nullptr;
    if (info.fType & MFT_OWNERDRAW) {
      entry = reinterpret_cast<Entry*>(info.dwItemData);
    } else {
      auto owned = std::make_unique<Entry>();
      owned->owner = this;
      owned->id = info.wID;
      owned->separator = (info.fType & MFT_SEPARATOR) != 0;
      if (!owned->separator) {
        wchar_t text[512] = L"";
        MENUITEMINFOW textInfo{};
        textInfo.cbSize = sizeof textInfo;
        textInfo.fMask = MIIM_STRING;
        textInfo.dwTypeData = text;
        textInfo.cch = 511;
        ::GetMenuItemInfoW(menu_, i, TRUE, &textInfo);
        owned->caption = WideToUtf8(text);
      }
      entry = owned.get();
      entries_.push_back(std::move(owned));
      MENUITEMINFOW set{};
      set.cbSize = sizeof set;
      set.fMask = MIIM_FTYPE | MIIM_DATA;
      set.fType = (info.fType & ~(MFT_STRING | MFT_SEPARATOR)) | MFT_OWNERDRAW;
      set.dwItemData = reinterpret_cast<ULONG_PTR>(entry);
      ::SetMenuItemInfoW(menu_, i, TRUE, &set);
    }
    if (entry) entry->last = i == count - 1;
  }
}

void TOwnerDrawnMenu::SetCaption(UINT id, const std::string& caption) {
  for (const auto& entry : entries_)
    if (entry->id == id && !entry->separator && entry->caption != caption) {
      entry->caption = caption;
      Remeasure();
    }
}

void TOwnerDrawnMenu::SetBandCaption(std::string caption) {
  if (caption == bandCaption_) return;
  bandCaption_ = std::move(caption);
  Remeasure();
}

void TOwnerDrawnMenu::Remeasure() {
  // Setting an item's type again drops the sizes the system keeps for the menu.
  const int count = ::GetMenuItemCount(menu_);
  for (int i = 0; i < count; ++i) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    if (::GetMenuItemInfoW(menu_, i, TRUE, &info) && (info.fType & MFT_OWNERDRAW))
      ::SetMenuItemInfoW(menu_, i, TRUE, &info);
  }
}

std::string TOwnerDrawnMenu::Caption(UINT id) const {
  for (const auto& entry : entries_)
    if (entry->id == id && !entry->separator) return entry->caption;
  return {};
}

const TOwnerDrawnMenu::Entry* TOwnerDrawnMenu::Find(ULONG_PTR data) {
  // Compared, never followed: an item's data may be anything its owner chose.
  for (const TOwnerDrawnMenu* menu : Menus())
    for (const auto& entry : menu->entries_)
      if (reinterpret_cast<ULONG_PTR>(entry.get()) == data) return entry.get();
  return nullptr;
}

bool TOwnerDrawnMenu::Measure(MEASUREITEMSTRUCT& measure) {
  if (measure.CtlType != ODT_MENU || !measure.itemData) return false;
  const Entry* entry = Find(measure.itemData);
  if (!entry) return false;
  auto* measured = const_cast<Entry*>(entry);  // one of ours, found by its address
  if (entry->separator) {
    measure.itemWidth = 0;
    measure.itemHeight = 8;
    measured->height = 8;
    return true;
  }
  const SIZE text = TextSize(Utf8ToWide(entry->caption), true);
  measure.itemWidth = static_cast<UINT>(text.cx + kCaptionX);
  measure.itemHeight = static_cast<UINT>(std::max<LONG>(20, text.cy + 6));
  // A short menu gets entries tall enough for the band to hold its caption's words.
  int entries = 0, separators = 0;
  for (const auto& e : entry->owner->entries_) ++(e->separator ? separators : entries);
  std::wstring words = Utf8ToWide(entry->owner->bandCaption_);
  words.erase(0, std::min(words.find_first_not_of(L' '), words.size()));
  if (!words.empty() && entries > 0) {
    const unique_window_dc screen(nullptr);
    HDC dc = screen.get();
    unique_hgdiobj font(BandFont());
    HGDIOBJ old = ::SelectObject(dc, font.get());
    const std::wstring caption = L" " + words;
    SIZE size{};
    ::GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
    ::SelectObject(dc, old);
    // Room for the caption's start 2 pixels up the band, and for the menu's own margins.
    const int needed = size.cx + 12 - separators * 8;
    measure.itemHeight = std::max<UINT>(measure.itemHeight, static_cast<UINT>((needed + entries - 1) / entries));
  }
  measured->height = measure.itemHeight;
  return true;
}

bool TOwnerDrawnMenu::Draw(const DRAWITEMSTRUCT& draw) {
  if (draw.CtlType != ODT_MENU || !draw.itemData) return false;
  const Entry* entry = Find(draw.itemData);
  if (!entry) return false;
  entry->owner->DrawEntry(*entry, draw);
  return true;
}

void TOwnerDrawnMenu::DrawEntry(const Entry& entry, const DRAWITEMSTRUCT& draw) const {
  HDC dc = draw.hDC;
  RECT area = draw.rcItem;
  area.left = kBand;
  const bool highlighted = (draw.itemState & ODS_SELECTED) && !entry.separator;
  const bool disabled = (draw.itemState & (ODS_DISABLED | ODS_GRAYED)) != 0;
  unique_hgdiobj fill(::CreateSolidBrush(highlighted && !disabled ? RGB(128, 128, 128) : RGB(255, 255, 255)));
  ::FillRect(dc, &area, static_cast<HBRUSH>(fill.get()));
  ::SetBkMode(dc, TRANSPARENT);
  if (entry.separator) {
    unique_hgdiobj font(MenuFont(false, false));
    HGDIOBJ old = ::SelectObject(dc, font.get());
    ::SetTextColor(dc, RGB(192, 192, 192));
    const std::wstring dash(1, L'\u2014');
    SIZE one{};
    ::GetTextExtentPoint32W(dc, dash.c_str(), 1, &one);
    const int width = area.right - area.left;
    const std::wstring row(one.cx > 0 ? width / one.cx + 1 : 1, L'\u2014');
    ::ExtTextOutW(dc, area.left, area.top + (area.bottom - area.top - one.cy) / 2, ETO_CLIPPED, &area,
                  row.c_str(), static_cast<UINT>(row.size()), nullptr);
    ::SelectObject(dc, old);
  } else {
    if ((draw.itemState & ODS_CHECKED) && checkImages_)
      ImageList_Draw(checkImages_, 0, dc, kCheckX, draw.rcItem.top + 2, ILD_TRANSPARENT);
    // Not every system reports the default entry in the item's state: the menu is asked too.
    const bool isDefault = (draw.itemState & ODS_DEFAULT) != 0 ||
                           ::GetMenuDefaultItem(menu_, FALSE, 0) == entry.id;
    unique_hgdiobj font(MenuFont(isDefault, disabled));
    HGDIOBJ old = ::SelectObject(dc, font.get());
    ::SetTextColor(dc, disabled ? RGB(192, 192, 192) : highlighted ? RGB(255, 255, 255) : RGB(0, 0, 0));
    RECT text = draw.rcItem;
    text.left = kCaptionX;
    const std::wstring caption = Utf8ToWide(entry.caption);
    ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
                DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOCLIP);
    ::SelectObject(dc, old);
  }
  // Every entry draws its piece of the band, which ends with the last entry.
  int bottom = draw.rcItem.bottom;
  bool after = false;
  for (const auto& e : entries_) {
    if (after) bottom += static_cast<int>(e->height);
    after = after || e.get() == &entry;
  }
  DrawBand(dc, bottom, draw.rcItem);
}

void TOwnerDrawnMenu::DrawBand(HDC dc, int bottom, const RECT& rows) const {
  // The band runs from the menu's top to the bottom of its last entry.
  const int height = bottom;
  if (height <= 0 || rows.top >= height) return;
  unique_hgdiobj fill(::CreateSolidBrush(kWindowColor));
  unique_hgdiobj face(BandFont());

  // The caption is written upright into a picture as long as the band is high, which is then
  // turned a quarter to the left: bottom to top, the letters' tops to the left, spaced as upright
  // text is (some systems space turned fonts unevenly).
  unique_hdc flatDc(::CreateCompatibleDC(dc));
  HDC flat = flatDc.get();
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = height;
  info.bmiHeader.biHeight = -kBand;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* flatBits = nullptr;
  unique_hgdiobj flatPicture(::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &flatBits, nullptr, 0));
  if (!flatPicture || !flatBits) return;
  HGDIOBJ oldPicture = ::SelectObject(flat, flatPicture.get());
  HGDIOBJ oldFont = ::SelectObject(flat, face.get());
  RECT all{0, 0, height, kBand};
  ::FillRect(flat, &all, static_cast<HBRUSH>(fill.get()));
  ::SetBkMode(flat, TRANSPARENT);
  ::SetTextColor(flat, RGB(255, 255, 255));
  // The caption's leading blanks lift it up the band; fewer of them when the band is short, so
  // the words themselves are never cut off. What was drawn is looked at, not measured: the
  // measure of a font is not always what it draws.
  std::wstring caption = L" " + Utf8ToWide(bandCaption_);
  const auto* pixels = static_cast<const std::uint32_t*>(flatBits);
  const std::uint32_t background = (83u << 16) | (83u << 8) | 83u;
  auto drawnEnd = [&] {
    ::FillRect(flat, &all, static_cast<HBRUSH>(fill.get()));
    ::ExtTextOutW(flat, 2, 2, ETO_CLIPPED, &all, caption.c_str(), static_cast<UINT>(caption.size()), nullptr);
    ::GdiFlush();
    for (int u = height - 1; u >= 0; --u)
      for (int v = 0; v < kBand; ++v)
        if ((pixels[v * height + u] & 0xFFFFFFu) != background) return u + 1;
    return 0;
  };
  while (drawnEnd() > height - 2 && caption.size() > 1 && caption[1] == L' ') caption.erase(0, 1);
  ::SelectObject(flat, oldFont);
  ::SelectObject(flat, oldPicture);
  flatDc.reset();

  // Turned: the upright picture's point (u, v) lands at (v, height - 1 - u) of the band.
  info.bmiHeader.biWidth = kBand;
  info.bmiHeader.biHeight = -height;
  void* bandBits = nullptr;
  unique_hgdiobj bandPicture(::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bandBits, nullptr, 0));
  if (!bandPicture || !bandBits) return;
  const auto* from = static_cast<const std::uint32_t*>(flatBits);
  auto* to = static_cast<std::uint32_t*>(bandBits);
  for (int v = 0; v < kBand; ++v)
    for (int u = 0; u < height; ++u) to[(height - 1 - u) * kBand + v] = from[v * height + u];
  const unique_hdc turnedDc(::CreateCompatibleDC(dc));
  HDC turned = turnedDc.get();
  HGDIOBJ oldBand = ::SelectObject(turned, bandPicture.get());
  const int top = std::max<int>(0, rows.top), end = std::min<int>(height, rows.bottom);
  if (end > top) ::BitBlt(dc, 0, top, kBand, end - top, turned, 0, top, SRCCOPY);
  ::SelectObject(turned, oldBand);
}

}  // namespace tw
