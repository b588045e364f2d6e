#include "platform/Elevation.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/Handles.h"
#include "platform/Text.h"

namespace tw {

bool ProcessIsElevated() {
  char value[8] = "";
  const DWORD n = ::GetEnvironmentVariableA(kElevationOverride, value, sizeof value);
  if (n == 1 && (value[0] == '0' || value[0] == '1')) return value[0] == '1';

  unique_handle token;
  HANDLE raw = nullptr;
  if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) {
    token.reset(raw);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size))
      return elevation.TokenIsElevated != 0;
  }
  // Before user account control: a member of the administrators has their rights.
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &administrators))
    return false;
  BOOL member = FALSE;
  if (!::CheckTokenMembership(nullptr, administrators, &member)) member = FALSE;
  ::FreeSid(administrators);
  return member != FALSE;
}

bool StartElevated(const std::string& program, const std::string& parameters) {
  const std::wstring file = Widen(program), params = Widen(parameters);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOASYNC;
  info.lpVerb = L"runas";
  info.lpFile = file.c_str();
  info.lpParameters = params.c_str();
  info.nShow = SW_SHOWNORMAL;
  return ::ShellExecuteExW(&info) != FALSE;
}

}  // namespace tw
