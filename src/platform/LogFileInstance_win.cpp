#include <windows.h>

#include "platform/ShellFolders.h"
#include "support/LogFile.h"

namespace tw {

namespace {
// The user's local application data folder: a standard account can always write there, where
// a file in the common folder belongs to whoever made it first.
std::string LogFolder() {
  return SpecialFolderPath(0x1c /* local application data */, true) + "Tidewhisk\\";
}
}  // namespace

TFileLogFile& LogFile() {
  // Function-local statics are initialised exactly once, whichever thread logs first.
  static TFileLogFile& instance = []() -> TFileLogFile& {
    static TFileLogFile log(ResolveLogFileName(LogFolder() + "Logger.txt", ProgramFolder()));
    log.DropFailedRecords = true;
    return log;
  }();
  return instance;
}

void EnableDiagnosticsLog(bool on) {
  if (on) ::CreateDirectoryA(LogFolder().c_str(), nullptr);
  LogFile().SetEnabled(on);
}

}  // namespace tw
