#pragma once
// What the files of the main window share (MainWindow.cpp, TopBar.cpp, TrayMenus.cpp, ScanRun.cpp,
// RunChecks.cpp and ReadyList.cpp).
#include <windows.h>

#include <array>
#include <string>

#include "database/XmlDom.h"
#include "engine/States.h"
#include "strings/StrRes.h"

namespace tw::main_window {

// Ends the program 2500 ms after an exit request at the latest, should the scan manager not stop.
inline constexpr UINT_PTR kExitFallbackTimer = 1;

// The mode of each button of the column, in its order (Quick, Cookie, History, Privacy,
// Complete, Advanced, Registry).
inline constexpr std::array<int, 7> kModeOfButton = {pmQuick, pmCookie, pmHistory, pmPrivacy,
                                                     pmWipeOut, pmAdvanced, pmRegistry};

inline std::string Row(int row, int language) { return std::string(StrRes(row, language)); }

// A text of a database group or item in Language: the attribute of its language element.
inline std::string NodeText(const TXmlNode& node, const char* attribute, int language) {
  return node.Child(language).AttrOpt(attribute).value_or(std::string());
}

// A text shown in a menu entry: its ampersands are no mnemonics.
inline std::string MenuText(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '&') out += '&';
  }
  return out;
}

}  // namespace tw::main_window
