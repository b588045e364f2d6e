#pragma once
// Helpers every window of the program uses: placing a dialog over its owner, one-button
// messages, the program's title, the help viewer, and the registered messages.
#include <windows.h>

#include <string>

namespace tw {

// Registered at program start in this order; 0 until then.
struct TRegisteredMessages {
  UINT Removal = 0;        // "UM_REMOVAL"
  UINT Terminate = 0;      // "UM_TERMINATE"
  UINT ShowWindow = 0;     // "UM_SHOWWINDOW"
  UINT TaskbarCreated = 0; // "TaskbarCreated"
};
TRegisteredMessages& RegisteredMessages();
void RegisterProgramMessages();

// Places Dialog centred over Owner, kept on the screen.
void CenterOverForm(HWND owner, HWND dialog);

enum class TMessageKind { Warning, Error, Information, Confirmation };
// A modal message with one OK button, centred over Owner when one is given; its caption names
// the kind in Language.
void ShowMessageOver(const std::string& text, TMessageKind kind, HWND owner, int language);

// The program's name (kRowProgramName) in Language.
std::string ProgramTitle(int language);

// The help pages installed beside the program: help\fr\index.html for French, help\en\ for
// every other language. ProgramFolder ends with "\".
std::string HelpFilePath(const std::string& programFolder, int language);
// Opens the help page for Language with the system's program for web pages; an error message
// over Owner when the page is missing (never a missing file opened).
void OpenHelp(HWND owner, int language);

}  // namespace tw
