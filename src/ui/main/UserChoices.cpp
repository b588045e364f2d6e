// The user's state of the ready list and the log-on Run value, kept with the user.
#include "database/IconExtractor.h"
#include "engine/ProtectPlaces.h"
#include "platform/VersionInfo.h"
#include "settings/CustomGroup.h"
#include "settings/DatabaseState.h"
#include "settings/RegistrySettings.h"
#include "support/LogFile.h"
#include "ui/main/MainWindow.h"

namespace tw {

void TTWMainForm::ApplyUserChoices() {
  TRegistrySettingsStore store;
  readyList_->ReadTicks(store);
}

void TTWMainForm::SaveUserChoices() noexcept {
  try {
    UpdateRunValue(Checks.RunOnWindowsStartup ? TRunValueAction::Write : TRunValueAction::Remove,
                   ProgramFileName());
  } catch (...) {
    LogBoundaryError("TTWMainForm.UpdateRunValue");
  }
  if (!readyList_) return;
  try {
    TRegistrySettingsStore store;
    readyList_->SaveTicks(store);
  } catch (...) {
    LogBoundaryError("TTWMainForm.SaveUserChoices");
  }
}

void TTWMainForm::PutCustomPlaces() noexcept {
  if (!database_ || !database_->Loaded) return;
  try {
    TRegistrySettingsStore store;
    const std::vector<TCustomPlace> places = ParseCustomLines(ReadCustomLines(store));
    PutCustomGroup(database_->Document, places);
    // Folders show their own icon, keys the registry editor's; the group a folder's.
    std::lock_guard<std::mutex> lock(database_->Lock);
    const int registry = ShellIconIndex(ExpandEnvironment("%WINDIR%\\regedit.exe"));
    const int folder = ShellIconIndex(ExpandEnvironment("%WINDIR%"));
    database_->IconIndexes[kCustomGroupId] = folder;
    for (std::size_t i = 0; i < places.size(); ++i) {
      const TCustomPlace& place = places[i];
      int index = place.Kind == TCustomKind::Key ? registry : ShellIconIndex(ExpandEnvironment(place.Place));
      if (index < 0) index = place.Kind == TCustomKind::Key ? registry : folder;
      database_->IconIndexes[CustomItemId(static_cast<int>(i))] = index;
    }
  } catch (...) {
    LogBoundaryError("TTWMainForm.PutCustomPlaces");
  }
}

void TTWMainForm::CustomPlacesChanged() {
  if (!database_ || !database_->Loaded) return;
  PutCustomPlaces();
  if (readyList_->TicksRead()) {
    TRegistrySettingsStore store;
    readyList_->ReadTicks(store);
  }
  readyList_->Fill(CurrentMode);
}

}  // namespace tw
