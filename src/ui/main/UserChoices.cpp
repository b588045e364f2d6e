// The user's state of the ready list and the log-on Run value, kept with the user.
#include "platform/VersionInfo.h"
#include "settings/DatabaseState.h"
#include "settings/RegistrySettings.h"
#include "support/LogFile.h"
#include "ui/main/Main.h"

namespace tw {

void TTWMainForm::ApplyUserChoices() {
  if (!database_ || !database_->Loaded) return;
  TRegistrySettingsStore store;
  ApplyUserState(database_->Document, ReadUserState(store));
  userStateRead_ = true;
}

void TTWMainForm::SaveUserChoices() noexcept {
  try {
    UpdateRunValue(Checks.RunOnWindowsStartup ? TRunValueAction::Write : TRunValueAction::Remove,
                   ProgramFileName());
  } catch (...) {
    LogBoundaryError("TTWMainForm.UpdateRunValue");
  }
  // Before the state was read over the database, the document holds only its defaults.
  if (!userStateRead_ || !database_ || !database_->Loaded) return;
  try {
    TRegistrySettingsStore store;
    WriteUserState(store, CaptureUserState(database_->Document));
  } catch (...) {
    LogBoundaryError("TTWMainForm.SaveUserChoices");
  }
}

}  // namespace tw
