// Native builds hold only the portable pieces; their log goes beside the working folder.
#include "support/LogFile.h"

namespace tw {

TFileLogFile& LogFile() {
  static TFileLogFile instance("Logger.txt");
  return instance;
}

void EnableDiagnosticsLog(bool on) { LogFile().SetEnabled(on); }

}  // namespace tw
