// The clean of the ticked findings, started from the results.
#include "support/LogFile.h"
#include "ui/main/Main.h"

namespace tw {

void TTWMainForm::StartClean() { LogFile().Write("%s", "[StartClean] clean run not wired"); }

}  // namespace tw
