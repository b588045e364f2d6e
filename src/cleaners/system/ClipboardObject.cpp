#include "cleaners/system/ClipboardObject.h"

#include "cleaners/portable/SystemRules.h"
#include "platform/Shell.h"

namespace tw {

void TClipboardObject::Execute() {
  if (!CleanMode) {
    if (Aborted) return;
    if (std::optional<std::string> text = ReadClipboardText(Handle))
      AddFinding(TrimBlanks(*text), std::make_unique<TChecked>());
    return;
  }

  if (Found.Count() != 1 || !Found.Record(0).Checked || Aborted) return;
  TChecked& record = Found.Record(0);
  // Text that is no longer there is gone already; anything copied since stays.
  if (::IsClipboardFormatAvailable(CF_UNICODETEXT)) {
    TClipboardScope clipboard(Handle);
    std::optional<std::string> now = ClipboardText(clipboard);
    if (!clipboard.Opened() || (now && TrimBlanks(*now) == Found.Text(0) && !::EmptyClipboard()))
      record.CleanSucceeded = false;
  }
  ReportItem(Found.Text(0));
}

}  // namespace tw
