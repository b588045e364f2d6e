#pragma once
// The program's text is UTF-8; the system's wide calls and COM take UTF-16, its ANSI calls the
// process's code page. Every conversion between them is here.
#include <string>
#include <string_view>

namespace tw {

// Text in the process's ANSI code page, to and from UTF-16.
std::wstring Widen(std::string_view ansi);
std::string Narrow(std::wstring_view wide);
// Text in code page Page (a Windows code page number) as UTF-16.
std::wstring CodePageToWide(unsigned page, std::string_view text);

// UTF-8 as UTF-16. Text that is not well-formed UTF-8 came from an ANSI call of a system whose
// code page is not UTF-8 and is read in that code page.
std::wstring Utf8ToWide(std::string_view text);
void AppendWide(std::wstring& out, std::string_view text);
// UTF-16 as UTF-8. An unpaired surrogate, which no UTF-8 text can name, becomes U+FFFD;
// AppendUtf8 then returns false.
std::string WideToUtf8(std::wstring_view wide);
bool AppendUtf8(std::string& out, std::wstring_view wide);

// The system's message for an error code, without the trailing line break.
std::string SysErrorMessage(unsigned long code);
// Raises EOSError "System Error.  Code: N.\r\n<message>" for the error code.
[[noreturn]] void RaiseOSError(unsigned long code);
[[noreturn]] void RaiseLastOSError();

}  // namespace tw
