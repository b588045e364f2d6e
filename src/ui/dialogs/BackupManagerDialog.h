#pragma once
// The backup manager: the registry backup files grouped by day, a preview of each in its hint,
// deleting the checked files to the Recycle Bin and merging them back into the registry.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "database/XMLDatabase.h"
#include "registry/BackupFiles.h"
#include "ui/components/GroupedList.h"
#include "ui/dialogs/DialogBase.h"
#include "ui/dialogs/portable/ManagerRules.h"

namespace tw {

class TBackupMgrForm final : public TDialog {
 public:
  // Owner: the window it is shown over; Language: the texts' language; Database: the icons of
  // the items the backups belong to (none: every backup shows the registry editor's icon).
  TBackupMgrForm(HWND owner, int language, const TXMLDatabase* database);
  ~TBackupMgrForm() override;

  // Reads the backup folder again.
  void LoadList();
  // Asks, then deletes / merges the checked backups.
  void DeleteClick();
  void MergeClick();
  // What the user is asked (text, MB_... flags); returns the button pressed (IDYES ...). A
  // message box over the form unless replaced.
  std::function<int(const std::string& text, UINT flags)> Ask;
  // What the user is told after a merge; a message box over the form unless replaced.
  std::function<void(const std::string& text, bool allRestored)> Tell;

  TGroupedList& List() { return *list_; }
  HWND DeleteButton() const { return btnDelete_; }
  HWND MergeButton() const { return btnMerge_; }
  // The backup of an item of the list (null for a group or a position outside it).
  const TBackupFile* Backup(int group, int item) const;
  TListHint Hint(const TListHit& hit);

 protected:
  std::optional<LRESULT> HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void Layout();
  void UpdateButtons();
  std::vector<const TBackupFile*> Checked() const;
  int ItemImage(const TBackupFile& file) const;

  const TXMLDatabase* database_;
  std::vector<TBackupFile> files_;
  std::vector<TBackupDay> days_;
  int regeditImage_ = -1;
  bool checkHandling_ = true;
  std::unique_ptr<TGroupedList> list_;
  HWND lblSelectBackups_ = nullptr, btnDelete_ = nullptr, btnMerge_ = nullptr, btnClose_ = nullptr;
  int top_ = 64;
};

// The merge's question: kRowConfirmRestoreBackups, then the keys the backups write (at most MaxKeys of them,
// then "..."), and the files that will not be merged with their reason.
std::string MergeQuestionText(int language, const std::vector<std::string>& keys,
                              const std::vector<std::pair<std::string, std::string>>& refused,
                              std::size_t maxKeys = 25);

// The text told after a merge: every entry that could not be restored, or that all were.
std::string MergeReportText(int language, const std::vector<std::pair<std::string, TRestoreReport>>& reports,
                            const std::vector<std::pair<std::string, std::string>>& unreadable);

}  // namespace tw
