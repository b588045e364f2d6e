#pragma once
// The cookie manager: the URL cache's cookies that a clean removes and those kept out of every
// clean, side by side; entries move between the lists by buttons or by drag and drop, and the
// kept list is saved to the kept-cookies file when the dialog closes.
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cleaners/system/KeptCookies.h"
#include "database/XMLDatabase.h"
#include "settings/portable/Settings.h"
#include "ui/components/GroupedList.h"
#include "ui/dialogs/DialogBase.h"

namespace tw {

// Posted by the dialog to itself: sort both lists and rebuild both views (wParam 0: the found
// view first, 1: the kept view first).
inline constexpr UINT WM_REFRESHCOOKIES = WM_APP + 1013;

class TCookieMgrForm final : public TDialog {
 public:
  // Owner: the window it is shown over; Language: the texts' language; Store and Checks: where
  // the sort order is read and written ("CookiesSortOrder", Checks.CookiesSortOrder); Database:
  // the icon of the cookies' group (may be null); ShowBalloon: shows a tray balloon (title,
  // text) when the logo is clicked and info tips are on (may be empty); KeptFile: the
  // kept-cookies file.
  TCookieMgrForm(HWND owner, int language, TSettingsStore& store, TCheckSettings& checks,
                 const TXMLDatabase* database,
                 std::function<void(const std::string& title, const std::string& text)> showBalloon = {},
                 std::string keptFile = KeptCookiesPath());
  // Saves the kept list (or removes the file when it is empty) and the sort order.
  ~TCookieMgrForm() override;

  TGroupedList& FoundList() { return *elvFound_; }
  TGroupedList& KeptList() { return *elvKept_; }
  const std::vector<TCookieLine>& Found() const { return found_; }
  const std::vector<TCookieLine>& Kept() const { return kept_; }
  // The kept-cookies file could not be read: it stays as it is unless the user changes the list.
  bool KeptFileDamaged() const { return damaged_; }
  // The logo's hint: the browser's search and start pages.
  const std::string& PagesHint() const { return pagesHint_; }
  HWND Button(int index) const { return buttons_[static_cast<std::size_t>(index)]; }  // Add, AddAll, Remove, RemoveAll
  HWND SortButton(int index) const { return sortButtons_[static_cast<std::size_t>(index)]; }
  THotImage& CloseButton() { return *hotClose_; }
  // What the user is told (damaged file, failed save); a message over the form unless replaced.
  std::function<void(const std::string& text)> Tell;
  // Writes the kept list (or removes the file when it is empty), once; closing the dialog does.
  // A failure is told and logged, and false; the previous file stays.
  bool SaveKeptList();

  void Add();
  void AddAll();
  void Remove();
  void RemoveAll();
  void SetSortIndex(int index);
  int SortIndex() const { return sortIndex_; }
  TListHint Hint(bool kept, const TListHit& hit) const;

 protected:
  std::optional<LRESULT> HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void Move(bool toKept, bool all);
  void Refresh(bool keptFirst);
  void Rebuild(TGroupedList& view, const std::vector<TCookieLine>& lines, int captionRow);
  void UpdateActions();
  void Layout(int width);
  void ReadPages();

  TSettingsStore& store_;
  TCheckSettings& checks_;
  const TXMLDatabase* database_;
  std::function<void(const std::string&, const std::string&)> showBalloon_;
  std::string keptFile_;
  std::vector<TCookieLine> found_, kept_;
  bool damaged_ = false;
  bool changed_ = false;
  bool saved_ = false;
  int sortIndex_ = 0;
  std::string pagesHint_;
  std::unique_ptr<THotImage> hotClose_;
  std::unique_ptr<TGroupedList> elvFound_, elvKept_;
  HWND lblSelectCookies_ = nullptr, sortGroup_ = nullptr;
  std::array<HWND, 4> buttons_{};
  std::array<HWND, 2> sortButtons_{};
  int top_ = 64;
};

}  // namespace tw
