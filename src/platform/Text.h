#pragma once
// Conversions between the program's 8-bit text (the ANSI code page) and the wide text of COM.
#include <string>
#include <string_view>

namespace tw {

std::wstring Widen(std::string_view ansi);
std::string Narrow(std::wstring_view wide);
// The program's own texts (string table, database) are UTF-8 whatever the code page.
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

// The system's message for an error code, without the trailing line break.
std::string SysErrorMessage(unsigned long code);
// Raises EOSError "System Error.  Code: N.\r\n<message>" for the error code.
[[noreturn]] void RaiseOSError(unsigned long code);
[[noreturn]] void RaiseLastOSError();

}  // namespace tw
