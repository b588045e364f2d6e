#include "ui/main/MainWindow.h"

#include <commctrl.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <cstdlib>
#include "cleaners/WorkObjectBuilders.h"
#include "database/DefaultBrowser.h"
#include "database/portable/IconSources.h"
#include "database/portable/ItemIds.h"
#include "engine/ProtectPlaces.h"
#include "settings/CustomGroup.h"
#include "engine/States.h"
#include "engine/Utility.h"
#include "platform/Com.h"
#include "platform/Handles.h"
#include "platform/SystemInfo.h"
#include "database/DefaultBrowser.h"
#include "engine/Utility.h"
#include "ui/main/portable/SystemInfoText.h"
#include "platform/ShellFolders.h"
#include "platform/Text.h"
#include "platform/VersionInfo.h"
#include "settings/DatabaseState.h"
#include "settings/RegistrySettings.h"
#include "strings/Language.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "support/FileIO.h"
#include "support/Format.h"
#include "support/LogFile.h"
#include "ui/components/FormUtils.h"
#include "ui/components/WindowSynchronizer.h"
#include "ui/components/WindowMessages.h"
#include "ui/dialogs/AboutDialog.h"
#include "ui/dialogs/SettingsDialog.h"
#include "ui/dialogs/TipsDialog.h"
#include "ui/main/portable/ReadyRules.h"
#include "ui/main/portable/StartupOptions.h"
#include "ui/resources/ResourceNames.h"
#include "ui/main/MainWindowParts.h"

// The ready list of the main window: the database's groups and items for the current mode, the
// user's ticks, hints, the group menu and the icon size.

namespace tw {

using namespace main_window;

void TTWMainForm::CreateReadyList() {
  elvReady_ = std::make_unique<TGroupedList>(Handle(), 1);
  TGroupedList& list = *elvReady_;
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
  list.OnItemChecking = [this](int, int, bool) { return ModeHasCheckBoxes(CurrentMode); };
  list.OnItemCheckChange = [this](int g, int i) { ReadyItemCheckChange(g, i); };
  list.OnGroupCheckChange = [this](int g) { ReadyGroupCheckChange(g); };
  list.OnGroupExpandChange = [this](int g, bool expanded) {
    if (!fillingReady_) ready_[static_cast<std::size_t>(g)].Node.SetAttr("expanded", expanded ? "true" : "false");
  };
  list.OnClick = [this](const TListHit& hit) { ReadyClick(hit); };
  list.OnHint = [this](const TListHit& hit) { return ReadyHint(hit); };
  list.OnContextMenu = [this](const TListHit& hit, POINT screen) { ReadyContextMenu(hit, screen); };
  list.OnHeaderClick = [this] { ReadyHeaderClick(); };
}

std::string TTWMainForm::NodeText(const TXmlNode& node, const char* attribute) const {
  // The language element of the window's language holds the texts.
  return node.Child(Language).AttrOpt(attribute).value_or(std::string());
}

std::string TTWMainForm::ReadyGroupCaption(int group) const {
  const TReadyGroup& entry = ready_[static_cast<std::size_t>(group)];
  const std::string name = NodeText(entry.Node, "name");
  if (entry.Id != kGroupSystemBrowser) return name;
  // The browser group names one alternative per kind of default browser.
  std::string chosen = GetField(name, browserKind_);
  return chosen.empty() ? GetField(name, 1) : chosen;
}

int TTWMainForm::ReadyGroupImage(const TXmlNode& group, const std::string& id) {
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

void TTWMainForm::AddReadyItem(int group, const TXmlNode& item) {
  TGroupedList& list = *elvReady_;
  TReadyGroup& entry = ready_[static_cast<std::size_t>(group)];
  entry.Items.push_back(item);
  entry.ItemImages.push_back(database_->IconIndex(item.AttrOpt("id").value_or(std::string())));
  const int index = list.ItemCount(group);
  list.InsertItems(group, index, 1);
  const bool checked = item.AttrOpt("checked").value_or(std::string()) == "true";
  list.SetItemChecked(group, index, checked);
  if (checked) list.SetGroupChecked(group, true);
  // The item-initialise rule: enabled by the mode.
  list.SetItemEnabled(group, index, ItemEnabledInMode(CurrentMode, item.AttrOpt("mode").value_or(std::string())));
}

bool TTWMainForm::OnDatabaseNode(const TXmlNode& group, const TXmlNode* item) {
  if (Closing()) return false;
  TGroupedList& list = *elvReady_;
  fillingReady_ = true;
  list.BeginUpdate();
  try {
    if (item) {
      // Items follow their group, which is the top one.
      if (!ready_.empty()) AddReadyItem(0, *item);
    } else {
      // Groups come from the last to the first: each goes to the top.
      TReadyGroup entry;
      entry.Node = group;
      entry.Id = group.AttrOpt("id").value_or(std::string());
      if (entry.Id == kGroupSystemBrowser) browserKind_ = DefaultBrowserKind([](const std::string& p) { return ShellNormalizePath(p); });
      const int image = ReadyGroupImage(group, entry.Id);
      ready_.insert(ready_.begin(), std::move(entry));
      list.InsertGroup(0, ReadyGroupCaption(0), image);
      list.SetGroupBold(0, true);
      list.SetGroupExpanded(0, true);
    }
  } catch (...) {
    list.EndUpdate();
    fillingReady_ = false;
    throw;
  }
  list.EndUpdate();
  fillingReady_ = false;
  return true;
}

void TTWMainForm::BuildReadyList() {
  if (!database_->Loaded) return;
  // A custom place takes part in the modes without check boxes once the user ticked it.
  SyncCustomModes(database_->Document);
  TGroupedList& list = *elvReady_;
  const int mode = CurrentMode;
  // 1. Check boxes by the mode: in the others the space of an item's box is kept.
  list.SetCheckBoxes(ModeHasCheckBoxes(mode) ? TCheckBoxes::Shown : TCheckBoxes::Space);
  fillingReady_ = true;
  list.BeginUpdate();
  try {
    // 2. Everything goes.
    list.Clear();
    ready_.clear();
    list.SetHeaderImage(-1);
    const TXmlNode root = database_->Document.Root();
    // 3. The tile size the document keeps.
    const bool small = root.AttrOpt("smallIcons").value_or(std::string()) == "true";
    list.SetTileHeight(small ? kReadyTileHeightSmallBuilt : kReadyTileHeightLarge);
    list.SetSmallImages(small);
    browserKind_ = DefaultBrowserKind([](const std::string& p) { return ShellNormalizePath(p); });
    // 4. The groups and their items in document order.
    for (const TXmlNode& child : root.Children()) {
      if (child.Name() != "Group") continue;
      TReadyGroup entry;
      entry.Node = child;
      entry.Id = child.AttrOpt("id").value_or(std::string());
      const int image = ReadyGroupImage(child, entry.Id);
      ready_.push_back(std::move(entry));
      const int g = list.AddGroup(ReadyGroupCaption(static_cast<int>(ready_.size()) - 1), image);
      list.SetGroupBold(g, true);
      for (const TXmlNode& item : child.Children())
        if (item.Name() == "Item") AddReadyItem(g, item);
      list.SetGroupExpanded(g, child.AttrOpt("expanded").value_or(std::string()) == "true");
      if (const std::optional<bool> shown = GroupShownInMode(mode, ready_.back().Id)) list.SetGroupVisible(g, *shown);
    }
  } catch (...) {
    list.EndUpdate();
    fillingReady_ = false;
    throw;
  }
  list.EndUpdate();
  fillingReady_ = false;
}

void TTWMainForm::RefreshReadyTexts() {
  if (ready_.empty()) return;
  browserKind_ = DefaultBrowserKind([](const std::string& p) { return ShellNormalizePath(p); });
  TGroupedList& list = *elvReady_;
  list.BeginUpdate();
  for (int g = 0; g < list.GroupCount(); ++g) list.SetGroupCaption(g, ReadyGroupCaption(g));
  list.EndUpdate();
}

void TTWMainForm::WriteChecked(int group, int item, bool checked) {
  ready_[static_cast<std::size_t>(group)].Items[static_cast<std::size_t>(item)].SetAttr("checked",
                                                                                          checked ? "true" : "false");
}

void TTWMainForm::ReadyItemCheckChange(int group, int item) {
  if (!ModeHasCheckBoxes(CurrentMode)) return;
  TGroupedList& list = *elvReady_;
  const bool checked = list.ItemChecked(group, item);
  WriteChecked(group, item, checked);
  // A group is ticked while any of its items is.
  bool any = checked;
  for (int i = 0; !any && i < list.ItemCount(group); ++i) any = list.ItemChecked(group, i);
  list.SetGroupChecked(group, any);
}

void TTWMainForm::ReadyGroupCheckChange(int group) {
  if (!ModeHasCheckBoxes(CurrentMode)) return;
  // The list has ticked or unticked every item of the group with it.
  const bool checked = elvReady_->GroupChecked(group);
  for (int i = 0; i < elvReady_->ItemCount(group); ++i) WriteChecked(group, i, checked);
}

void TTWMainForm::CheckReadyGroup(int group, bool checked) {
  TGroupedList& list = *elvReady_;
  list.SetGroupChecked(group, checked);
  list.SetItemsChecked(group, checked);
  for (int i = 0; i < list.ItemCount(group); ++i) WriteChecked(group, i, checked);
}

bool TTWMainForm::HasCheckedItem() const {
  const TGroupedList& list = *elvReady_;
  for (int g = 0; g < list.GroupCount(); ++g)
    for (int i = 0; i < list.ItemCount(g); ++i)
      if (list.ItemChecked(g, i)) return true;
  return false;
}

void TTWMainForm::SetSmallIcons(bool small) {
  elvReady_->SetTileHeight(small ? kReadyTileHeightSmallSwitched : kReadyTileHeightLarge);
  elvReady_->SetSmallImages(small);
  database_->Document.Root().SetAttr("smallIcons", small ? "true" : "false");
}

void TTWMainForm::ReadyClick(const TListHit& hit) {
  TGroupedList& list = *elvReady_;
  if (hit.Group < 0) return;
  int image = list.GroupImage(hit.Group);
  // An item of the first three groups shows its group's image, any other its own (if it has one).
  if (hit.OnItem() && hit.Group >= 3) {
    const int own = ready_[static_cast<std::size_t>(hit.Group)].ItemImages[static_cast<std::size_t>(hit.Item)];
    if (own >= 0) image = own;
  }
  list.SetHeaderImage(image);
}

TListHint TTWMainForm::ReadyHint(const TListHit& hit) {
  TListHint hint;
  const TReadyGroup& entry = ready_[static_cast<std::size_t>(hit.Group)];
  switch (hit.Kind) {
    case THitKind::GroupIcon:
    case THitKind::GroupCaption:
      hint.Text = NodeText(entry.Node, "info");
      hint.Image = elvReady_->GroupImage(hit.Group);
      hint.LargeImage = true;
      break;
    case THitKind::ItemIcon:
    case THitKind::ItemText:
      hint.Text = NodeText(entry.Items[static_cast<std::size_t>(hit.Item)], "info");
      hint.Image = entry.ItemImages[static_cast<std::size_t>(hit.Item)];
      hint.LargeImage = !elvReady_->SmallImages();
      break;
    default:
      break;
  }
  return hint;
}

void TTWMainForm::ReadyContextMenu(const TListHit& hit, POINT screen) {
  const int l = Language;
  TGroupedList& list = *elvReady_;
  const UINT greyed = ModeHasCheckBoxes(CurrentMode) ? 0 : MF_GRAYED;
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
  const TOwnerDrawnMenu look(menu.get(), band, popImages_.get());
  ::TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON, screen.x, screen.y, 0, Handle(), nullptr);
  ::PostMessageA(Handle(), WM_NULL, 0, 0);
}

void TTWMainForm::ReadyHeaderClick() {
  if (ScanState != ssIdle || !modeButtonsOn_ || elvReady_->LastMouseButton() != TListButton::Left) return;
  CurrentMode = static_cast<std::uint8_t>(NextMode(CurrentMode));
  RefreshModeButtons();
  BuildReadyList();
}

}  // namespace tw
