#pragma once
// The ready list of the main window: the scan database's groups and items for the chosen mode,
// the ticks the user puts on them (kept in the database's document and, per user, in the
// settings), their hints, the group menu and the icon size.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "database/XMLDatabase.h"
#include "settings/portable/Settings.h"
#include "ui/components/GroupedList.h"
#include "ui/components/Window.h"

namespace tw {

class TReadyList {
 public:
  // Owner: the main window (the list's parent, whose language the texts follow and to which the
  // group menu's commands go); Id: the list's control id.
  TReadyList(TWindow& owner, int id);
  TReadyList(const TReadyList&) = delete;
  TReadyList& operator=(const TReadyList&) = delete;

  TGroupedList& List() { return *list_; }
  const TGroupedList& List() const { return *list_; }
  // The database whose document the list shows; given once it exists, before any of its nodes.
  void SetDatabase(TXMLDatabase& database) { database_ = &database; }
  // The pictures of the menus (the check mark), the owner's.
  HIMAGELIST MenuImages = nullptr;
  // The header was clicked with the left button: the owner moves to the next mode.
  std::function<void()> OnModeClick;

  // The rules of Mode from now on: check boxes, and whether items can be ticked.
  void SetMode(int mode);
  // The document's groups and items as Mode shows them; the mode's rules from now on.
  void Fill(int mode);
  // A group (Item null) or an item of the top group, handed over while the database resolves its
  // icons: groups come from the last to the first.
  void AddNode(const TXmlNode& group, const TXmlNode* item);
  // The group captions again, in the owner's language and for the current default browser.
  void RefreshTexts();

  // The user's ticks (and expanded groups) read from Store over the document's defaults, and
  // written back; nothing is written before they were read once.
  void ReadTicks(TSettingsStore& store);
  void SaveTicks(TSettingsStore& store) const;
  bool TicksRead() const { return ticksRead_; }
  bool HasCheckedItem() const;

  bool SmallIcons() const { return list_->SmallImages(); }
  void SetSmallIcons(bool small);
  // The picture the list shows for the group GroupId; nothing when it has no such group.
  std::optional<int> GroupImage(const std::string& groupId) const;
  // A command of the group menu (kCmdGroupToggle ... kCmdIconSize); false for any other.
  bool Command(int id);

 private:
  struct TReadyGroup {
    TXmlNode Node;
    std::string Id;
    std::vector<TXmlNode> Items;
    std::vector<int> ItemImages;
  };
  std::string NodeText(const TXmlNode& node, const char* attribute) const;
  std::string GroupCaption(int group) const;
  int GroupImageOf(const TXmlNode& group, const std::string& id);
  void AddItem(int group, const TXmlNode& item);
  void ItemCheckChange(int group, int item);
  void GroupCheckChange(int group);
  void Click(const TListHit& hit);
  TListHint Hint(const TListHit& hit);
  void ContextMenu(const TListHit& hit, POINT screen);
  void WriteChecked(int group, int item, bool checked);
  void CheckGroup(int group, bool checked);

  TWindow& owner_;
  std::unique_ptr<TGroupedList> list_;
  TXMLDatabase* database_ = nullptr;
  int mode_ = 0;
  std::vector<TReadyGroup> ready_;  // by the list's group index
  bool filling_ = false;            // the list is being filled: its events change no attribute
  bool ticksRead_ = false;
  int browserKind_ = 1;             // which alternative of "g01" the default browser chooses
  int popupGroup_ = -1;             // the group on which the group menu was last opened
};

}  // namespace tw
