#include "platform/ShellFileOp.h"

#include <shellapi.h>

#include "platform/Text.h"

namespace tw {

FILEOP_FLAGS TShellFileOp::Flags(UINT operation) const {
  FILEOP_FLAGS flags = 0;
  if (FilesOnly) flags |= FOF_FILESONLY;
  if (NoConfirmation) flags |= FOF_NOCONFIRMATION;
  if (!Animate) flags |= FOF_SILENT;
  if (AllowUndo) flags |= FOF_ALLOWUNDO;
  if (NoErrorUI) flags |= FOF_NOERRORUI;
  if (!ProgressTitle.empty()) flags |= FOF_SIMPLEPROGRESS;
  if (operation != FO_DELETE) {
    if (AutoMakeDir) flags |= FOF_NOCONFIRMMKDIR;
    if (RenameOnCollision) flags |= FOF_RENAMEONCOLLISION;
  }
  return flags;
}

bool TShellFileOp::Delete() {
  AllowUndo = true;
  return Execute(FO_DELETE);
}

bool TShellFileOp::Execute(UINT operation) {
  if (sources_.empty()) return false;
  std::wstring from;
  for (const std::string& path : sources_) {
    from += Widen(path);
    from += L'\0';
  }
  from += L'\0';
  std::wstring to = Widen(Destination);
  to += L'\0';
  const std::wstring title = Widen(ProgressTitle);
  SHFILEOPSTRUCTW op{};
  op.hwnd = OwnerWindow;
  op.wFunc = operation;
  op.pFrom = from.c_str();
  op.pTo = Destination.empty() ? nullptr : to.c_str();
  op.fFlags = Flags(operation);
  op.lpszProgressTitle = title.empty() ? nullptr : title.c_str();
  ::SHFileOperationW(&op);
  sources_.clear();
  return op.fAnyOperationsAborted != FALSE;
}

}  // namespace tw
