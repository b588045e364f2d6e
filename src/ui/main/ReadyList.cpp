#include "ui/main/ReadyList.h"

#include "database/DefaultBrowser.h"
#include "database/IconExtractor.h"
#include "database/portable/IconSources.h"
#include "database/portable/ItemIds.h"
#include "engine/Utility.h"
#include "engine/portable/TextUtility.h"
#include "platform/Handles.h"
#include "settings/CustomGroup.h"
#include "settings/DatabaseState.h"
#include "strings/StrRows.h"
#include "support/Fields.h"
#include "ui/components/OwnerDrawnMenu.h"
#include "ui/main/MainWindow.h"
#include "ui/main/MainWindowParts.h"
#include "ui/main/portable/ReadyRules.h"

namespace tw {

using namespace main_window;

namespace {

// Which alternative of the browser group's names and icons the default browser chooses.
int CurrentBrowserKind() {
  return DefaultBrowserKind([](const std::string& p) { return ShellNormalizePath(p); });
}

// While it lives the list is being filled: it repaints once at the end, and its events change
// no attribute of the document.
class TFilling {
 public:
  TFilling(TGroupedList& list, bool& filling) : list_(list), filling_(filling) {
    filling_ = true;
    list_.BeginUpdate();
  }
  ~TFilling() {
    list_.EndUpdate();
    filling_ = false;
  }
  TFilling(const TFilling&) = delete;
  TFilling& operator=(const TFilling&) = delete;

 private:
  TGroupedList& list_;
  bool& filling_;
};

}  // namespace

TReadyList::TReadyList(TWindow& owner, int id) : owner_(owner) {
  list_ = std::make_unique<TGroupedList>(owner.Handle(), id);
  TGroupedList& list = *list_;
  list.HintPause = 500;
  list.HintShortPause = 500;
  list.HintHidePause = 10000;
  list.HintWidthShare = 0.25;
  list.OnItemCaption = [this](int g, int i) {
    return NodeText(ready_[static_cast<std::size_t>(g)].Items[static_cast<std::size_t>(i)], "name");
  };
  list.OnItemDetail = [this](int g, int i) {
    return NodeText(ready_[static_cast<std::size_t>(g)].Items[static_cast<std::size_t>(i)], "info");
  };
  list.OnItemImage = [this](int g, int i) {
    return ready_[static_cast<std::size_t>(g)].ItemImages[static_cast<std::size_t>(i)];
  };
  list.OnItemChecking = [this](int, int, bool) { return ModeHasCheckBoxes(mode_); };
  list.OnItemCheckChange = [this](int g, int i) { ItemCheckChange(g, i); };
  list.OnGroupCheckChange = [this](int g) { GroupCheckChange(g); };
  list.OnGroupExpandChange = [this](int g, bool expanded) {
    if (!filling_) ready_[static_cast<std::size_t>(g)].Node.SetAttr("expanded", expanded ? "true" : "false");
  };
  list.OnClick = [this](const TListHit& hit) { Click(hit); };
  list.OnHint = [this](const TListHit& hit) { return Hint(hit); };
  list.OnContextMenu = [this](const TListHit& hit, POINT screen) { ContextMenu(hit, screen); };
  list.OnHeaderClick = [this] {
    if (list_->LastMouseButton() == TListButton::Left && OnModeClick) OnModeClick();
  };
}

std::string TReadyList::NodeText(const TXmlNode& node, const char* attribute) const {
  return main_window::NodeText(node, attribute, owner_.Language);
}

std::string TReadyList::GroupCaption(int group) const {
  const TReadyGroup& entry = ready_[static_cast<std::size_t>(group)];
  const std::string name = NodeText(entry.Node, "name");
  if (entry.Id != kGroupSystemBrowser) return name;
  // The browser group names one alternative per kind of default browser.
  std::string chosen = GetField(name, browserKind_);
  return chosen.empty() ? GetField(name, 1) : chosen;
}

int TReadyList::GroupImageOf(const TXmlNode& group, const std::string& id) {
  if (id == kGroupSystemBrowser) {
    const std::string icons = group.AttrOpt("icon").value_or(std::string());
    std::string source = GetField(icons, browserKind_);
    if (source.empty()) source = GetField(icons, 1);
    int index = -1;
    switch (IconSourceKindOf(source)) {
      case TIconSourceKind::SpecialFolder: index = SpecialFolderIconIndex(CsidlFromName(source)); break;
      case TIconSourceKind::FolderMacro: index = ShellIconIndex(ResolveFolderMacro(source)); break;
      case TIconSourceKind::Path: index = ShellIconIndex(ExpandEnvPath(source)); break;
    }
    if (index >= 0) return index;
  }
  return database_->IconIndex(id);
}

std::optional<int> TReadyList::GroupImage(const std::string& groupId) const {
  for (std::size_t g = 0; g < ready_.size(); ++g)
    if (ready_[g].Id == groupId) return list_->GroupImage(static_cast<int>(g));
  return std::nullopt;
}

void TReadyList::AddItem(int group, const TXmlNode& item) {
  TGroupedList& list = *list_;
  TReadyGroup& entry = ready_[static_cast<std::size_t>(group)];
  entry.Items.push_back(item);
  entry.ItemImages.push_back(database_->IconIndex(item.AttrOpt("id").value_or(std::string())));
  const int index = list.ItemCount(group);
  list.InsertItems(group, index, 1);
  const bool checked = item.AttrOpt("checked").value_or(std::string()) == "true";
  list.SetItemChecked(group, index, checked);
  if (checked) list.SetGroupChecked(group, true);
  // The item-initialise rule: enabled by the mode.
  list.SetItemEnabled(group, index, ItemEnabledInMode(mode_, item.AttrOpt("mode").value_or(std::string())));
}

void TReadyList::AddNode(const TXmlNode& group, const TXmlNode* item) {
  TGroupedList& list = *list_;
  const TFilling filling(list, filling_);
  if (item) {
    // Items follow their group, which is the top one.
    if (!ready_.empty()) AddItem(0, *item);
    return;
  }
  // Groups come from the last to the first: each goes to the top.
  TReadyGroup entry;
  entry.Node = group;
  entry.Id = group.AttrOpt("id").value_or(std::string());
  if (entry.Id == kGroupSystemBrowser) browserKind_ = CurrentBrowserKind();
  const int image = GroupImageOf(group, entry.Id);
  ready_.insert(ready_.begin(), std::move(entry));
  list.InsertGroup(0, GroupCaption(0), image);
  list.SetGroupBold(0, true);
  list.SetGroupExpanded(0, true);
}

void TReadyList::SetMode(int mode) {
  mode_ = mode;
  // In the modes without check boxes the space of an item's box is kept.
  list_->SetCheckBoxes(ModeHasCheckBoxes(mode) ? TCheckBoxes::Shown : TCheckBoxes::Space);
}

void TReadyList::Fill(int mode) {
  if (!database_ || !database_->Loaded) return;
  // A custom place takes part in the modes without check boxes once the user ticked it.
  SyncCustomModes(database_->Document);
  TGroupedList& list = *list_;
  // 1. Check boxes by the mode.
  SetMode(mode);
  const TFilling filling(list, filling_);
  // 2. Everything goes.
  list.Clear();
  ready_.clear();
  list.SetHeaderImage(-1);
  const TXmlNode root = database_->Document.Root();
  // 3. The tile size the document keeps.
  const bool small = root.AttrOpt("smallIcons").value_or(std::string()) == "true";
  list.SetTileHeight(small ? kReadyTileHeightSmallBuilt : kReadyTileHeightLarge);
  list.SetSmallImages(small);
  browserKind_ = CurrentBrowserKind();
  // 4. The groups and their items in document order.
  for (const TXmlNode& child : root.Children()) {
    if (child.Name() != "Group") continue;
    TReadyGroup entry;
    entry.Node = child;
    entry.Id = child.AttrOpt("id").value_or(std::string());
    const int image = GroupImageOf(child, entry.Id);
    ready_.push_back(std::move(entry));
    const int g = list.AddGroup(GroupCaption(static_cast<int>(ready_.size()) - 1), image);
    list.SetGroupBold(g, true);
    for (const TXmlNode& item : child.Children())
      if (item.Name() == "Item") AddItem(g, item);
    list.SetGroupExpanded(g, child.AttrOpt("expanded").value_or(std::string()) == "true");
    if (const std::optional<bool> shown = GroupShownInMode(mode, ready_.back().Id)) list.SetGroupVisible(g, *shown);
  }
}

void TReadyList::RefreshTexts() {
  if (ready_.empty()) return;
  browserKind_ = CurrentBrowserKind();
  TGroupedList& list = *list_;
  list.BeginUpdate();
  for (int g = 0; g < list.GroupCount(); ++g) list.SetGroupCaption(g, GroupCaption(g));
  list.EndUpdate();
}

void TReadyList::ReadTicks(TSettingsStore& store) {
  if (!database_ || !database_->Loaded) return;
  ApplyUserState(database_->Document, ReadUserState(store));
  ticksRead_ = true;
}

void TReadyList::SaveTicks(TSettingsStore& store) const {
  // Before the ticks were read over the database, the document holds only its defaults.
  if (!ticksRead_ || !database_ || !database_->Loaded) return;
  WriteUserState(store, CaptureUserState(database_->Document));
}

void TReadyList::WriteChecked(int group, int item, bool checked) {
  ready_[static_cast<std::size_t>(group)].Items[static_cast<std::size_t>(item)].SetAttr("checked",
                                                                                          checked ? "true" : "false");
}

void TReadyList::ItemCheckChange(int group, int item) {
  if (!ModeHasCheckBoxes(mode_)) return;
  TGroupedList& list = *list_;
  const bool checked = list.ItemChecked(group, item);
  WriteChecked(group, item, checked);
  // A group is ticked while any of its items is.
  bool any = checked;
  for (int i = 0; !any && i < list.ItemCount(group); ++i) any = list.ItemChecked(group, i);
  list.SetGroupChecked(group, any);
}

void TReadyList::GroupCheckChange(int group) {
  if (!ModeHasCheckBoxes(mode_)) return;
  // The list has ticked or unticked every item of the group with it.
  const bool checked = list_->GroupChecked(group);
  for (int i = 0; i < list_->ItemCount(group); ++i) WriteChecked(group, i, checked);
}

void TReadyList::CheckGroup(int group, bool checked) {
  TGroupedList& list = *list_;
  list.SetGroupChecked(group, checked);
  list.SetItemsChecked(group, checked);
  for (int i = 0; i < list.ItemCount(group); ++i) WriteChecked(group, i, checked);
}

bool TReadyList::HasCheckedItem() const {
  const TGroupedList& list = *list_;
  for (int g = 0; g < list.GroupCount(); ++g)
    for (int i = 0; i < list.ItemCount(g); ++i)
      if (list.ItemChecked(g, i)) return true;
  return false;
}

void TReadyList::SetSmallIcons(bool small) {
  list_->SetTileHeight(small ? kReadyTileHeightSmallSwitched : kReadyTileHeightLarge);
  list_->SetSmallImages(small);
  database_->Document.Root().SetAttr("smallIcons", small ? "true" : "false");
}

void TReadyList::Click(const TListHit& hit) {
  TGroupedList& list = *list_;
  if (hit.Group < 0) return;
  int image = list.GroupImage(hit.Group);
  // An item of the first three groups shows its group's image, any other its own (if it has one).
  if (hit.OnItem() && hit.Group >= 3) {
    const int own = ready_[static_cast<std::size_t>(hit.Group)].ItemImages[static_cast<std::size_t>(hit.Item)];
    if (own >= 0) image = own;
  }
  list.SetHeaderImage(image);
}

TListHint TReadyList::Hint(const TListHit& hit) {
  TListHint hint;
  const TReadyGroup& entry = ready_[static_cast<std::size_t>(hit.Group)];
  switch (hit.Kind) {
    case THitKind::GroupIcon:
    case THitKind::GroupCaption:
      hint.Text = NodeText(entry.Node, "info");
      hint.Image = list_->GroupImage(hit.Group);
      hint.LargeImage = true;
      break;
    case THitKind::ItemIcon:
    case THitKind::ItemText:
      hint.Text = NodeText(entry.Items[static_cast<std::size_t>(hit.Item)], "info");
      hint.Image = entry.ItemImages[static_cast<std::size_t>(hit.Item)];
      hint.LargeImage = !list_->SmallImages();
      break;
    default:
      break;
  }
  return hint;
}

void TReadyList::ContextMenu(const TListHit& hit, POINT screen) {
  const int l = owner_.Language;
  TGroupedList& list = *list_;
  const UINT greyed = ModeHasCheckBoxes(mode_) ? 0 : MF_GRAYED;
  unique_hmenu menu(::CreatePopupMenu());
  auto add = [&](int id, const std::string& text, UINT flags = 0) {
    ::AppendMenuA(menu.get(), MF_STRING | flags, static_cast<UINT_PTR>(id), text.c_str());
  };
  const bool onGroup = hit.Group >= 0 && !hit.OnItem() && hit.Kind != THitKind::GroupBand;
  if (onGroup) {
    popupGroup_ = hit.Group;
    const int toggle = list.GroupExpanded(hit.Group) ? kRowCollapse : kRowExpand;
    add(kCmdGroupToggle, Row(toggle, l) + "\"" + MenuText(list.GroupCaption(hit.Group)) + "\"");
    add(kCmdExpandAll, Row(kRowExpandAllGroups, l));
    add(kCmdCollapseAll, Row(kRowCollapseAllGroups, l));
    add(kCmdSelectAll, Row(kRowMenuSelectAll, l), greyed);
    add(kCmdUnselectAll, Row(kRowUnselectAll, l), greyed);
    add(kCmdSelectAllInGroups, Row(kRowSelectAllInGroups, l), greyed);
    add(kCmdUnselectAllInGroups, Row(kRowUnselectAllInGroups, l), greyed);
    ::SetMenuDefaultItem(menu.get(), kCmdGroupToggle, FALSE);
  } else {
    add(kCmdScanNow, Row(kRowScanNow, l));
    add(kCmdSelectAllInGroups, Row(kRowSelectAllInGroups, l), greyed);
    add(kCmdUnselectAllInGroups, Row(kRowUnselectAllInGroups, l), greyed);
    add(kCmdIconSize, Row(list.SmallImages() ? kRowLargeIcons : kRowSmallIcons, l));
    ::SetMenuDefaultItem(menu.get(), kCmdScanNow, FALSE);
  }
  const std::string band = onGroup ? std::string(13, ' ') + Row(kRowGroupMenu, l) : std::string(8, ' ') + Row(kRowCleanMenu, l);
  const TOwnerDrawnMenu look(menu.get(), band, MenuImages);
  ::TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON, screen.x, screen.y, 0, owner_.Handle(), nullptr);
  ::PostMessageA(owner_.Handle(), WM_NULL, 0, 0);
}

bool TReadyList::Command(int id) {
  switch (id) {
    case kCmdGroupToggle:
    case kCmdExpandAll:
    case kCmdCollapseAll:
    case kCmdSelectAll:
    case kCmdUnselectAll:
    case kCmdSelectAllInGroups:
    case kCmdUnselectAllInGroups:
    case kCmdIconSize:
      break;
    default:
      return false;
  }
  if (!database_ || !database_->Loaded) return true;
  TGroupedList& list = *list_;
  const bool groupValid = popupGroup_ >= 0 && popupGroup_ < list.GroupCount();
  // Ticks belong to the modes in which the user picks items.
  const bool checks = ModeHasCheckBoxes(mode_);
  if (id == kCmdGroupToggle && groupValid) list.ToggleExpanded(popupGroup_);
  if (id == kCmdExpandAll || id == kCmdCollapseAll) {
    list.BeginUpdate();
    for (int g = 0; g < list.GroupCount(); ++g) list.SetGroupExpanded(g, id == kCmdExpandAll);
    list.EndUpdate();
  }
  if ((id == kCmdSelectAll || id == kCmdUnselectAll) && groupValid && checks) CheckGroup(popupGroup_, id == kCmdSelectAll);
  if ((id == kCmdSelectAllInGroups || id == kCmdUnselectAllInGroups) && checks) {
    list.BeginUpdate();
    for (int g = 0; g < list.GroupCount(); ++g)
      if (list.GroupVisible(g)) CheckGroup(g, id == kCmdSelectAllInGroups);
    list.EndUpdate();
  }
  if (id == kCmdIconSize) SetSmallIcons(!list.SmallImages());
  return true;
}

}  // namespace tw
