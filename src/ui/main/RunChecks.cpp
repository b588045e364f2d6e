// What the main window checks around a run: administrator rights for the items that change
// places every user shares (offered before a scan and before a clean, with a restart that
// carries the mode and the ticks), browser databases held by a running browser, and the errors
// of the last run as the user reads them.
#include <windows.h>

#include <algorithm>

#include "engine/RunTally.h"
#include "engine/States.h"
#include "platform/Elevation.h"
#include "platform/Text.h"
#include "platform/VersionInfo.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "support/Format.h"
#include "support/LogFile.h"
#include "ui/components/FormUtils.h"
#include "ui/dialogs/CloseProgramsDialog.h"
#include "ui/dialogs/ElevationDialog.h"
#include "ui/main/MainWindow.h"
#include "ui/main/MainWindowParts.h"
#include "ui/main/portable/RestartOptions.h"

namespace tw {

using main_window::NodeText;

std::vector<std::string> TTWMainForm::RightsLines(const std::vector<TWorkObject*>& objects) const {
  std::vector<std::string> lines;
  for (const TWorkObject* object : objects) {
    const std::string name = object->ItemNode ? NodeText(object->ItemNode, "name", Language) : std::string();
    const std::string line = Format("%s: %s", name, object->MachineWidePlace());
    if (std::find(lines.begin(), lines.end(), line) == lines.end()) lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> TTWMainForm::ErrorLines(bool cleaning) const {
  std::vector<std::string> lines;
  for (const TRunError& error : RunErrors(scanMgr_->WorkObjects, cleaning)) {
    const std::string name = error.Object->ItemNode ? NodeText(error.Object->ItemNode, "name", Language) : std::string();
    lines.push_back(Format("%s: %s", name, error.Error.message));
  }
  return lines;
}

bool TTWMainForm::OfferRightsBeforeScan() {
  if (ProcessIsElevated()) return true;
  std::vector<std::unique_ptr<TWorkObject>> objects;
  try {
    objects = scanMgr_->Preview(database_->Document, static_cast<TPresetMode>(CurrentMode));
  } catch (...) {
    return true;  // the scan itself reports what is wrong with the database
  }
  // Nothing is found yet: every object of an item that takes part counts.
  std::vector<TWorkObject*> machineWide;
  for (const auto& object : objects)
    if (!object->MachineWidePlace().empty()) machineWide.push_back(object.get());
  if (machineWide.empty()) return true;
  switch (AskElevation(Handle(), Language, RightsLines(machineWide), false)) {
    case TElevationChoice::Continue: return true;
    case TElevationChoice::Restart: RestartAsAdministrator(); return false;
    default: return false;
  }
}

bool TTWMainForm::OfferRightsBeforeClean(std::vector<TWorkObject*>& skip) {
  skip.clear();
  if (ProcessIsElevated()) return true;
  const std::vector<TWorkObject*> machineWide = MachineWideObjects(scanMgr_->WorkObjects);
  if (machineWide.empty()) return true;
  switch (AskElevation(Handle(), Language, RightsLines(machineWide), true)) {
    case TElevationChoice::Continue:
      skip = machineWide;
      return true;
    case TElevationChoice::Restart: RestartAsAdministrator(); return false;
    default: return false;
  }
}

bool TTWMainForm::RestartAsAdministrator() {
  // The elevated program may run as another account, whose settings are not this user's: the
  // mode and the ticks go on the command line, with the scan to start at once.
  TRestartOptions options;
  options.Mode = CurrentMode;
  options.Items.emplace();
  for (const TXmlNode& group : database_->Document.Root().Children()) {
    if (!group.IsElement() || group.Name() != "Group") continue;
    for (const TXmlNode& item : group.Children())
      if (item.IsElement() && item.Name() == "Item" && item.AttrOpt("checked").value_or("") == "true")
        options.Items->push_back(item.AttrOpt("id").value_or(""));
  }
  options.Scan = true;
  options.WaitPid = ::GetCurrentProcessId();
  if (!StartElevated(ProgramFileName(), RestartParameters(options))) {
    LogFile().Write("[RestartAsAdministrator] %s", SysErrorMessage(::GetLastError()));
    return false;
  }
  // This instance makes way: the new one waits for it to end.
  PopExitClick();
  return true;
}

void TTWMainForm::ApplyRestartOptions() {
  const TRestartOptions options = ReadRestartOptions(args_);
  if (options.Mode) CurrentMode = static_cast<std::uint8_t>(*options.Mode);
  if (options.Items) {
    const std::vector<std::string>& ids = *options.Items;
    for (const TXmlNode& group : database_->Document.Root().Children()) {
      if (!group.IsElement() || group.Name() != "Group") continue;
      for (TXmlNode item : group.Children()) {
        if (!item.IsElement() || item.Name() != "Item") continue;
        const bool ticked = std::find(ids.begin(), ids.end(), item.AttrOpt("id").value_or("")) != ids.end();
        item.SetAttr("checked", ticked ? "true" : "false");
      }
    }
  }
  if (options.Scan) ::PostMessageA(Handle(), WM_COMMAND, kCmdScanNow, 0);
}

bool TTWMainForm::OfferToCloseLockedBrowsers() {
  const auto& objects = scanMgr_->WorkObjects;
  if (std::none_of(objects.begin(), objects.end(), [](const auto& object) { return MetLockedDatabase(*object); }))
    return false;
  const int l = Language;
  if (::MessageBoxW(Handle(), Utf8ToWide(StrRes(kRowBrowserLocked, l)).c_str(), Utf8ToWide(ProgramTitle(l)).c_str(),
                    MB_YESNO | MB_ICONQUESTION) != IDYES)
    return false;
  {
    TTerminateAppDlg close(Handle(), l, scanMgr_->ProgramsToClose);
    CenterOverForm(Handle(), close.Handle());
    if (!close.NothingToClose) close.Execute();
    ResetTray();
  }
  // The results of the scan that met the lock give way to a new one.
  HotFinishClick();
  HotScanClick();
  return true;
}

}  // namespace tw
