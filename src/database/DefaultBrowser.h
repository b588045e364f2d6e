#pragma once
// The default web browser as the registry names it: the command of the user's choice for "http"
// (current Windows), else the command of the "http" class (the older place).
#include <functional>
#include <string>

namespace tw {

// The command line that opens "http" addresses; empty when none is registered. Read-only.
std::string DefaultBrowserCommand();

// The default browser's program file: the program its command starts (see CommandProgram), in
// the long form Normalize gives an existing file; empty when no browser is registered.
std::string DefaultBrowserPath(const std::function<std::string(const std::string&)>& normalize);

// 1 to 4, by the default browser's program file name (2 "AOLDesktop.exe", 3 "AOLExplorer.exe",
// 4 "msn6.exe", 1 anything else or no browser). Normalize turns a path into its long form.
int DefaultBrowserKind(const std::function<std::string(const std::string&)>& normalize);

}  // namespace tw
