// The clean of the ticked findings, started from the results: close the programs that hold them,
// warn, refresh the kept cookies, remove with the progress dialog, sum up, back to the ready list.
#include "cleaners/system/KeptCookies.h"
#include "engine/ProtectPlaces.h"
#include "engine/States.h"
#include "platform/Text.h"
#include "registry/BackupFiles.h"
#include "registry/portable/BackupNames.h"
#include "settings/RegistrySettings.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "support/Format.h"
#include "support/LogFile.h"
#include "ui/components/FormUtils.h"
#include "ui/dialogs/CleanProgressDialog.h"
#include "ui/dialogs/CleanWarningDialog.h"
#include "ui/dialogs/CloseProgramsDialog.h"
#include "ui/dialogs/ScanInfoDialog.h"
#include "ui/dialogs/portable/CleanText.h"
#include "ui/main/MainWindow.h"

namespace tw {

namespace {

// The clean warning promises that backups are kept for a while and that the user is then asked
// to recycle them: asked after a clean that made backups, when some are past that age.
void OfferToRecycleOldBackups(HWND owner, int language) {
  std::vector<std::string> paths;
  try {
    for (const TBackupFile& file : OldBackups(kBackupRecycleDays)) paths.push_back(file.Path);
  } catch (const std::exception& e) {
    LogFile().Write("[OldBackups] %s", std::string(e.what()));
    return;
  }
  if (paths.empty()) return;
  const std::string question = Format(std::string(StrRes(kRowRecycleOldBackups, language)), static_cast<double>(kBackupRecycleDays));
  if (::MessageBoxW(owner, Widen(question).c_str(), Widen(ProgramTitle(language)).c_str(),
                    MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
    return;
  for (const std::string& left : RecycleFiles(paths)) LogFile().Write("[RecycleFiles] not recycled: %s", left);
}

}  // namespace

void TTWMainForm::StartClean() {
  if (ScanState != ssResults || !scanMgr_) return;
  const int l = Language;

  // 0. Items that change what every user shares need administrator rights: restart with them,
  // or clean the rest and say what was skipped.
  std::vector<TWorkObject*> skipped;
  if (!OfferRightsBeforeClean(skipped)) return;

  // 1. Programs that hold what is about to go: offered, never required.
  {
    TTerminateAppDlg close(Handle(), l, scanMgr_->ProgramsToClose);
    CenterOverForm(Handle(), close.Handle());
    if (!close.NothingToClose) close.Execute();
    ResetTray();
  }

  // 2. The warning; anything but OK leaves the results as they are.
  TRegistrySettingsStore store;
  if (Checks.ShowCleanWarning) {
    TCleanWarningDlg warning(Handle(), l, store, Checks.ShowCleanWarning);
    CenterOverForm(Handle(), warning.Handle());
    if (warning.Execute() != mrOk) return;
  }

  // 3, 4. Cleaning; the kept cookies as the cache holds them now (a damaged list is reported by
  // the cookie objects themselves, which then remove no cookie).
  ScanState = ssCleaning;
  for (TWorkObject* object : skipped) object->SkipClean = true;
  SetTopButtonsEnabled(false);
  SetModeButtonsEnabled(false);
  try {
    // A cookie whose lookup failed stays kept; the failure is noted.
    std::vector<std::string> failed;
    RefreshKeptCookies(KeptCookiesPath(), LookupUrlCacheEntry, &failed);
    for (const std::string& name : failed)
      LogFile().Write("[TTWMainForm.StartClean] %s", "URL cache lookup of the kept cookie \"" + name + "\" failed");
  } catch (const std::exception& e) {
    LogFile().Write("[TTWMainForm.StartClean] %s", std::string(e.what()));
  }

  // The protect list as it is now: what it names is kept, whatever the scan listed.
  scanMgr_->Protect = ProtectListFromLines(ReadProtectLines(store));
  scanMgr_->KeepProtected();
  // The user's own places go to the Recycle Bin while the user wants it (read as stored now: the
  // settings dialog writes it at once).
  scanMgr_->MoveToRecycleBin = ReadBoolSetting(store, "MoveToRecycleBin", false);

  // 5. The progress dialog runs the clean through the scan manager.
  TCleanCounts counts;
  {
    TCleanProgress progress(Handle(), l, *scanMgr_, Checks.MakeRegistryBackups);
    progress.OnProgressStart = [this](int maximum) { UpdateProgressBar(true, 0, 0, maximum); };
    progress.OnProgress = [this](int position, int maximum) {
      if (position >= 1) UpdateProgressBar(true, 0, position, maximum);
    };
    CenterOverForm(Handle(), progress.Handle());
    TrayIcon().SetAnimate(true);
    progress.Execute();
    ResetTray();
    counts = progress.Counts();
  }

  // 6. The summary, whatever became of the run.
  if (Checks.ShowCleanDialog) {
    TScanInfoDlg summary(Handle(), l, Checks);
    summary.SettingName = "ShowCleanDialog";
    summary.Caption = std::string(StrRes(kRowCleaningCompleted, l));
    summary.Count = counts.Checked;
    summary.FailedCount = counts.Failed;
    summary.Lines = CleanSummaryLines(counts, l);
    if (const std::vector<std::string> errors = ErrorLines(true); !errors.empty()) {
      summary.Lines.push_back("");
      summary.Lines.push_back(Format(std::string(StrRes(kRowCleanErrors, l)), static_cast<int>(errors.size())) + ":");
      summary.Lines.insert(summary.Lines.end(), errors.begin(), errors.end());
    }
    CenterOverForm(Handle(), summary.Handle());
    summary.Execute();
  }

  // 7. Old backups, when this clean made new ones.
  if (Checks.MakeRegistryBackups) OfferToRecycleOldBackups(Handle(), l);

  // 8. Back to the ready list.
  HotFinishClick();
}

}  // namespace tw
