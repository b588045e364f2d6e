#pragma once
// A fault that nothing handles leaves a trace: the failing address and the return addresses of
// the stack, each as module+offset, on standard error and in the diagnostics log (when it is
// on). The system then handles the fault as it would have.
namespace tw {

// Installs the process's unhandled-exception filter; call once, early in the main thread.
void InstallCrashReport();

}  // namespace tw
