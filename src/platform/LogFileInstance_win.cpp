#include "platform/ShellFolders.h"
#include "support/LogFile.h"

namespace tw {

TFileLogFile& LogFile() {
  // Function-local statics are initialised exactly once, whichever thread logs first.
  static TFileLogFile instance(ResolveLogFileName(
      SpecialFolderPath(0x23 /* common application data */, true) + "Tidewhisk\\Logger.txt",
      ProgramFolder()));
  return instance;
}

}  // namespace tw
