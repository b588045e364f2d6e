#include "platform/CrashReport.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "support/LogFile.h"

namespace tw {
namespace {

constexpr int kMaxFrames = 40;

// "name+0xoffset" of Address, in Out (Size bytes); the raw address when no module holds it.
void DescribeAddress(DWORD64 address, char* out, std::size_t size) {
  HMODULE module = nullptr;
  char path[MAX_PATH] = "";
  if (::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(address), &module) &&
      ::GetModuleFileNameA(module, path, MAX_PATH)) {
    const char* name = path;
    for (const char* p = path; *p; ++p)
      if (*p == '\\' || *p == '/') name = p + 1;
    std::snprintf(out, size, "%s+0x%llx", name,
                  static_cast<unsigned long long>(address - reinterpret_cast<DWORD64>(module)));
  } else {
    std::snprintf(out, size, "0x%llx", static_cast<unsigned long long>(address));
  }
}

void Emit(const char* line) {
  DWORD written = 0;
  if (HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE); err && err != INVALID_HANDLE_VALUE) {
    ::WriteFile(err, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
    ::WriteFile(err, "\r\n", 2, &written, nullptr);
  }
  if (LogFile().Enabled()) LogFile().Write("%s", std::string(line));
}

LONG WINAPI ReportFault(EXCEPTION_POINTERS* info) {
  static volatile LONG entered = 0;
  if (::InterlockedExchange(&entered, 1)) return EXCEPTION_CONTINUE_SEARCH;  // a fault in here
  char where[MAX_PATH + 32];
  char line[MAX_PATH + 128];
  const EXCEPTION_RECORD& record = *info->ExceptionRecord;
  DescribeAddress(reinterpret_cast<DWORD64>(record.ExceptionAddress), where, sizeof where);
  std::snprintf(line, sizeof line, "Unhandled exception 0x%08lx at %s in thread %lu",
                static_cast<unsigned long>(record.ExceptionCode), where, ::GetCurrentThreadId());
  Emit(line);
  // The stack, unwound from the faulting context as the system's own unwinder does.
  CONTEXT context = *info->ContextRecord;
  for (int frame = 0; frame < kMaxFrames && context.Rip; ++frame) {
    DescribeAddress(context.Rip, where, sizeof where);
    std::snprintf(line, sizeof line, "  #%d %s", frame, where);
    Emit(line);
    DWORD64 imageBase = 0;
    PRUNTIME_FUNCTION function = ::RtlLookupFunctionEntry(context.Rip, &imageBase, nullptr);
    if (function) {
      void* handlerData = nullptr;
      DWORD64 establisher = 0;
      ::RtlVirtualUnwind(UNW_FLAG_NHANDLER, imageBase, context.Rip, function, &context, &handlerData, &establisher,
                         nullptr);
    } else {
      // A leaf function: the return address is on top of the stack.
      if (::IsBadReadPtr(reinterpret_cast<void*>(context.Rsp), sizeof(DWORD64))) break;
      context.Rip = *reinterpret_cast<DWORD64*>(context.Rsp);
      context.Rsp += sizeof(DWORD64);
    }
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

void InstallCrashReport() { ::SetUnhandledExceptionFilter(ReportFault); }

}  // namespace tw
