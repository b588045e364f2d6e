#include "ui/dialogs/BackupManagerDialog.h"

#include <shellapi.h>

#include <algorithm>
#include <array>

#include "database/portable/ItemIds.h"
#include "platform/ShellFileOp.h"
#include "platform/Text.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "support/Exceptions.h"
#include "support/Format.h"
#include "ui/components/FormUtils.h"
#include "ui/dialogs/DialogParts.h"

namespace tw {
namespace {

enum : int { kIdList = 10, kIdDelete = 11, kIdMerge = 12, kIdClose = 13 };
constexpr int kMinWidth = 580, kMinHeight = 400;

// Texts of the merge report, by language.
constexpr std::array<const char*, 4> kAllRestored = {
    "The selected backups were merged back into the registry.",
    "Les sauvegardes s\xC3\xA9lectionn\xC3\xA9" "es ont \xC3\xA9t\xC3\xA9 r\xC3\xA9int\xC3\xA9gr\xC3\xA9" "es dans le registre.",
    "Die ausgew\xC3\xA4hlten Sicherungen wurden in die Registrierung zur\xC3\xBC" "ckgeschrieben.",
    "Las copias de seguridad seleccionadas se restauraron en el registro."};
constexpr std::array<const char*, 4> kNotRestored = {
    "These entries could not be restored:",
    "Ces \xC3\xA9l\xC3\xA9ments n'ont pas pu \xC3\xAAtre restaur\xC3\xA9s :",
    "Diese Eintr\xC3\xA4ge konnten nicht wiederhergestellt werden:",
    "Estas entradas no se pudieron restaurar:"};

const char* Localized(const std::array<const char*, 4>& texts, int language) {
  return texts[static_cast<std::size_t>(language >= 0 && language < 4 ? language : 0)];
}

std::string FileName(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A backup's size in whole kilobytes, rounded up ("N B" below one).
std::string BackupSizeText(std::int64_t size) {
  if (size < 1024) return std::to_string(size) + " B";
  return std::to_string((size + 1023) / 1024) + " KB";
}

}  // namespace

std::string MergeReportText(int language, const std::vector<std::pair<std::string, TRestoreReport>>& reports,
                            const std::vector<std::pair<std::string, std::string>>& unreadable) {
  std::string lines;
  for (const auto& [file, error] : unreadable) lines += "\r\n" + FileName(file) + ": " + error;
  for (const auto& [file, report] : reports)
    for (const TRestoreEntry& entry : report.Entries)
      if (!entry.Restored)
        lines += "\r\n" + FileName(file) + ": " + entry.Key + (entry.IsKey ? "" : "\\" + entry.Value) +
                 (entry.Error.empty() ? "" : " (" + entry.Error + ")");
  if (lines.empty()) return Localized(kAllRestored, language);
  return Localized(kNotRestored, language) + lines;
}

std::string MergeQuestionText(int language, const std::vector<std::string>& keys,
                              const std::vector<std::pair<std::string, std::string>>& refused,
                              std::size_t maxKeys) {
  std::string text(StrRes(kRowConfirmRestoreBackups, language));
  if (!keys.empty()) {
    text += "\r\n\r\n" + std::string(StrRes(kRowMergeKeys, language));
    for (std::size_t i = 0; i < keys.size() && i < maxKeys; ++i) text += "\r\n  " + keys[i];
    if (keys.size() > maxKeys) text += "\r\n  ...";
  }
  if (!refused.empty()) {
    text += "\r\n\r\n" + std::string(Localized(kNotRestored, language));
    for (const auto& [file, error] : refused) text += "\r\n" + FileName(file) + ": " + error;
  }
  return text;
}

TBackupMgrForm::TBackupMgrForm(HWND owner, int language, const TXMLDatabase* database)
    : TDialog(language), database_(database) {
  CreateDialogWindow("TBackupMgrForm", RowText(kRowBackupManager),
                     WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX | WS_CLIPCHILDREN,
                     WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kMinWidth, 480, owner);
  HWND h = Handle();
  const TBannerPlace banner = ShowBanner(kMinWidth);
  top_ = banner.Top;
  lblSelectBackups_ =
      CreateControl("STATIC", RowText(kRowSelectBackups), WS_VISIBLE | SS_LEFT, 12, top_ + 8, kMinWidth - 24, 48, h, 0);
  list_ = std::make_unique<TGroupedList>(h, kIdList);
  list_->SetShowHeader(false);
  list_->SetCheckBoxes(TCheckBoxes::Shown);
  list_->SetImageLists(SystemImages(true), SystemImages(false));
  list_->MultiSelect = true;
  list_->HintWidthShare = 2.0 / 3.0;
  list_->HintHidePause = 10000;
  list_->HintShortPause = 500;
  btnDelete_ = CreateControl("BUTTON", RowText(kRowDeleteBackups), WS_VISIBLE | WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON,
                             0, 0, 10, 26, h, kIdDelete);
  btnMerge_ = CreateControl("BUTTON", RowText(kRowMergeBackups), WS_VISIBLE | WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, 0,
                            0, 10, 26, h, kIdMerge);
  btnClose_ = CreateControl("BUTTON", RowText(kRowClose), WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 10, 26, h, kIdClose);
  SetHint(btnDelete_, RowText(kRowDeleteBackupsHint));
  SetHint(btnMerge_, RowText(kRowMergeBackupsHint));
  SetHint(btnClose_, RowText(kRowCloseHint));
  EndOnCommand(kIdClose, mrOk);

  char windir[MAX_PATH] = "C:\\Windows";
  ::GetWindowsDirectoryA(windir, MAX_PATH);
  SHFILEINFOW info{};
  if (::SHGetFileInfoW(Widen(std::string(windir) + "\\regedit.exe").c_str(), 0, &info, sizeof info,
                       SHGFI_SYSICONINDEX | SHGFI_ICON)) {
    regeditImage_ = info.iIcon;
    if (info.hIcon) ::DestroyIcon(info.hIcon);
  }

  list_->OnItemCaption = [this](int group, int item) {
    const TBackupFile* file = Backup(group, item);
    return file ? file->Caption : std::string();
  };
  list_->OnItemDetail = [this](int group, int item) {
    const TBackupFile* file = Backup(group, item);
    return file ? file->ItemId + "   " + BackupSizeText(file->Size) : std::string();
  };
  list_->OnItemImage = [this](int group, int item) {
    const TBackupFile* file = Backup(group, item);
    return file ? ItemImage(*file) : -1;
  };
  list_->OnHint = [this](const TListHit& hit) { return Hint(hit); };
  list_->OnItemCheckChange = [this](int, int) {
    if (checkHandling_) UpdateButtons();
  };
  list_->OnGroupCheckChange = [this](int) {
    if (checkHandling_) UpdateButtons();
  };

  Ask = [this](const std::string& text, UINT flags) {
    return ::MessageBoxW(Handle(), Widen(text).c_str(), Widen(Application().Title).c_str(), flags);
  };
  Tell = [this](const std::string& text, bool allRestored) {
    ShowMessageOver(text, allRestored ? TMessageKind::Information : TMessageKind::Warning, Handle(), Language);
  };
  LoadList();
  SetClientSize(h, banner.Width, 460);
  Layout();
}

TBackupMgrForm::~TBackupMgrForm() = default;

int TBackupMgrForm::ItemImage(const TBackupFile& file) const {
  int image = -1;
  if (database_ && !file.ItemId.empty()) {
    const std::string name = file.ItemId;
    const bool byGroup = name.compare(0, 3, kGroupSystemBrowser) >= 0 && name.compare(0, 3, kGroupMessengers) < 0;
    image = database_->IconIndex(byGroup ? name.substr(0, 3) : name);
  }
  return image >= 0 ? image : regeditImage_;
}

const TBackupFile* TBackupMgrForm::Backup(int group, int item) const {
  if (group < 0 || item < 0 || static_cast<std::size_t>(group) >= days_.size()) return nullptr;
  const TBackupDay& day = days_[static_cast<std::size_t>(group)];
  if (static_cast<std::size_t>(item) >= day.Items.size()) return nullptr;
  return &files_[day.Items[static_cast<std::size_t>(item)]];
}

void TBackupMgrForm::LoadList() {
  list_->BeginUpdate();
  list_->Clear();
  files_ = ListBackups();
  std::vector<TBackupStamp> stamps;
  for (const TBackupFile& file : files_) stamps.push_back({file.Time, file.LocalTime});
  days_ = GroupBackupsByDay(stamps);
  if (days_.empty()) {
    const int group = list_->AddGroup(RowText(kRowRegistryBackupManager), regeditImage_);
    list_->SetGroupBold(group, true);
  }
  for (const TBackupDay& day : days_) {
    const int group = list_->AddGroup(BackupDayCaption(day.Local, Language), regeditImage_);
    list_->SetGroupBold(group, true);
    list_->SetItemCount(group, static_cast<int>(day.Items.size()));
    list_->SetGroupExpanded(group, true);
  }
  list_->EndUpdate();
  UpdateButtons();
}

std::vector<const TBackupFile*> TBackupMgrForm::Checked() const {
  std::vector<const TBackupFile*> checked;
  for (int g = 0; g < static_cast<int>(days_.size()); ++g)
    for (int i = 0; i < list_->ItemCount(g); ++i)
      if (list_->ItemChecked(g, i)) checked.push_back(Backup(g, i));
  return checked;
}

void TBackupMgrForm::UpdateButtons() {
  const bool any = !Checked().empty();
  ::EnableWindow(btnDelete_, any);
  ::EnableWindow(btnMerge_, any);
}

TListHint TBackupMgrForm::Hint(const TListHit& hit) {
  TListHint hint;
  const TBackupFile* file = hit.OnItem() ? Backup(hit.Group, hit.Item) : nullptr;
  if (!file) return hint;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(Widen(file->Path).c_str(), GetFileExInfoStandard, &data)) return hint;
  const std::int64_t size = (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  if (size >= kPreviewMaxFileSize) return hint;
  try {
    hint.Text = TrimPreview(LoadBackupText(file->Path));
  } catch (const Exception&) {
    hint.Text.clear();
  }
  hint.Image = ItemImage(*file);
  hint.LargeImage = true;
  return hint;
}

void TBackupMgrForm::DeleteClick() {
  if (Checked().empty()) return;
  if (Ask(RowText(kRowConfirmDeleteBackups), MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON3) != IDYES) return;
  checkHandling_ = false;
  ::EnableWindow(btnDelete_, FALSE);
  ::EnableWindow(btnMerge_, FALSE);
  TShellFileOp op;
  op.NoConfirmation = true;
  op.NoErrorUI = true;
  op.FilesOnly = true;
  op.OwnerWindow = Handle();
  list_->BeginUpdate();
  for (const TBackupFile* file : Checked()) {
    op.Add(file->Path);
    op.Delete();
  }
  list_->EndUpdate();
  LoadList();
  checkHandling_ = true;
}

void TBackupMgrForm::MergeClick() {
  const std::vector<const TBackupFile*> checked = Checked();
  if (checked.empty()) return;
  // What the merge writes, asked before anything is written; a file that may not be merged (not
  // this user's, or damaged) is named with its reason and left out.
  std::vector<std::string> keys;
  std::vector<std::pair<std::string, std::string>> unreadable;
  std::vector<const TBackupFile*> mergeable;
  for (const TBackupFile* file : checked) {
    try {
      for (std::string& key : BackupKeys(file->Path))
        if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(std::move(key));
      mergeable.push_back(file);
    } catch (const Exception& e) {
      unreadable.emplace_back(file->Path, e.what());
    }
  }
  if (Ask(MergeQuestionText(Language, keys, unreadable), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
    return;
  std::vector<std::pair<std::string, TRestoreReport>> reports;
  {
    HCURSOR old = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    // Oldest first, so that a value saved twice ends as the older backup had it.
    std::vector<const TBackupFile*> order = mergeable;
    std::stable_sort(order.begin(), order.end(),
                     [](const TBackupFile* a, const TBackupFile* b) { return a->Time < b->Time; });
    for (const TBackupFile* file : order) {
      try {
        reports.emplace_back(file->Path, RestoreBackup(file->Path));
      } catch (const Exception& e) {
        unreadable.emplace_back(file->Path, e.what());
      }
    }
    ::SetCursor(old);
  }
  bool all = unreadable.empty();
  for (const auto& report : reports) all = all && report.second.AllRestored();
  Tell(MergeReportText(Language, reports, unreadable), all);
}

void TBackupMgrForm::Layout() {
  RECT client{};
  ::GetClientRect(Handle(), &client);
  const int width = client.right, height = client.bottom;
  // The instructions take the lines they need.
  const int labelHeight = ControlTextHeight(lblSelectBackups_, width - 24) + 2;
  ::MoveWindow(lblSelectBackups_, 12, top_ + 8, width - 24, labelHeight, TRUE);
  const int buttonTop = height - 12 - 26;
  const int listTop = top_ + 8 + labelHeight + 8;
  ::MoveWindow(list_->Handle(), 12, listTop, width - 24, std::max(40, buttonTop - 10 - listTop), TRUE);
  const int deleteWidth = std::max(110, ControlTextWidth(btnDelete_) + 24);
  const int mergeWidth = std::max(110, ControlTextWidth(btnMerge_) + 24);
  const int closeWidth = std::max(90, ControlTextWidth(btnClose_) + 24);
  ::MoveWindow(btnDelete_, 12, buttonTop, deleteWidth, 26, TRUE);
  ::MoveWindow(btnMerge_, 12 + deleteWidth + 8, buttonTop, mergeWidth, 26, TRUE);
  ::MoveWindow(btnClose_, width - 12 - closeWidth, buttonTop, closeWidth, 26, TRUE);
}

std::optional<LRESULT> TBackupMgrForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kIdDelete:
          DeleteClick();
          return 0;
        case IDCANCEL:
          // Escape presses the delete button while it is enabled.
          if (::IsWindowEnabled(btnDelete_)) DeleteClick();
          return 0;
        case kIdMerge:
          MergeClick();
          return 0;
        default:
          break;
      }
      break;
    case WM_SIZE:
      if (list_) Layout();
      break;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize.x = kMinWidth;
      info->ptMinTrackSize.y = kMinHeight;
      return 0;
    }
    default:
      break;
  }
  return std::nullopt;
}

}  // namespace tw
