#include "ui/dialogs/CleanProgressDialog.h"

#include "database/portable/ItemIds.h"
#include "platform/Gdi.h"
#include "ui/dialogs/CacheEntryText.h"
#include "ui/dialogs/DialogParts.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <algorithm>

#include "database/portable/IconSources.h"
#include "engine/RunTally.h"
#include "engine/Utility.h"
#include "platform/Handles.h"
#include "platform/RegRead.h"
#include "platform/RestartRemovals.h"
#include "platform/Text.h"
#include "platform/UrlCache.h"
#include "strings/StrRows.h"
#include "support/Format.h"
#include "support/LogFile.h"
#include "ui/resources/ResourceNames.h"

namespace tw {

std::string DefaultBrowserPath;
int DefaultBrowserKind = kBrowserOther;

namespace {

constexpr UINT WM_STARTCLEAN = WM_APP + 1100;
constexpr int kWidth = 460;
// While entries are removed, waiting input and painting are let through this often (ms).
constexpr unsigned kPumpInterval = 10;

std::uint64_t Milliseconds() {
  static const LONGLONG frequency = [] {
    LARGE_INTEGER f{};
    return ::QueryPerformanceFrequency(&f) ? f.QuadPart : 0;
  }();
  if (frequency > 0) {
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    return static_cast<std::uint64_t>(now.QuadPart / frequency * 1000 + now.QuadPart % frequency * 1000 / frequency);
  }
  return ::GetTickCount64();
}

// The registered web browser, read without changing anything.
void DetectDefaultBrowser() {
  const std::optional<TRegData> data = TRegReadKey(HKEY_CLASSES_ROOT, "http\\shell\\open\\command").Value("");
  if (!data) return;
  // Text up to its first NUL; a value of another type gives its bytes up to the first NUL.
  std::string value = data->Text().value_or(data->Bytes.substr(0, data->Bytes.find('\0')));
  if (value.empty()) {
    DefaultBrowserPath.clear();
    return;
  }
  std::string path = CommandProgram(value);
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
  DefaultBrowserPath = ShellNormalizePath(path);
  DefaultBrowserKind = BrowserKindOf(DefaultBrowserPath);
}

// The localized name of a database node: the "name" of its child at the language's position.
std::string LocalizedName(const TXmlNode& node, int language) {
  if (!node) return {};
  TXmlNode child = node.Child(language);
  if (!child || !child.IsElement() || !child.AttrOpt("name")) child = node.Child(0);
  return child && child.IsElement() ? child.AttrOpt("name").value_or("") : std::string();
}

}  // namespace

TCleanCounts CountCleanResults(const TScanMgr& manager) {
  const TCleanTally tally = TallyClean(manager.WorkObjects, manager.LastCleanedObject);
  TCleanCounts counts;
  counts.Checked = tally.Checked;
  counts.Failed = tally.Failed;
  counts.Skipped = tally.Skipped;
  counts.Kept = tally.Kept;
  counts.Recycled = tally.Recycled;
  counts.RecycledSize = tally.RecycledSize;
  return counts;
}

TCleanProgress::TCleanProgress(HWND owner, int language, TScanMgr& manager, bool makeBackups)
    : TDialog(language), manager_(manager), makeBackups_(makeBackups) {
  CreateDialogWindow("TCleanProgress", RowText(kRowProgramName), WS_POPUP | WS_CAPTION | WS_BORDER,
                     WS_EX_TOPMOST | WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kWidth, 170, owner);
  HWND h = Handle();
  runningFrame_ = CreateControl("STATIC", "", WS_VISIBLE | SS_ETCHEDFRAME, 10, 10, kWidth - 20, 30, h, 0);
  lblRunning_ = CreateControl("STATIC", "", WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_CENTERIMAGE, 18, 14, kWidth - 36, 22, h, 0);
  ::SendMessageA(lblRunning_, WM_SETFONT, reinterpret_cast<WPARAM>(Application().BoldFont()), 0);
  itemFrame_ = CreateControl("STATIC", "", WS_VISIBLE | SS_ETCHEDFRAME, 10, 46, kWidth - 20, 30, h, 0);
  lblCurrentItem_ =
      CreateControl("STATIC", "", WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_CENTERIMAGE, 18, 50, kWidth - 36, 22, h, 0);
  gauge_ = ::CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE | PBS_SMOOTH, 10, 86, kWidth - 20, 18, h,
                             nullptr, ::GetModuleHandleA(nullptr), nullptr);
  hotAbort_ = CreatePictureButton(h, res::PictureName(res::kBtnAbort, Language),
                                  res::PictureName(res::kBtnAbortOver, Language), RowText(kRowAbort));
  hotAbort_->OnClick = [this] {
    if (ModalResult != mrNone) return;
    aborted_ = true;
    manager_.Abort();
    ModalResult = mrAbort;
  };
  const SIZE abort = hotAbort_->Size();
  hotAbort_->SetPosition(kWidth - 10 - abort.cx, 114);
  SetClientSize(h, kWidth, 114 + std::max(24, static_cast<int>(abort.cy)) + 10);
  DetectDefaultBrowser();
}

TCleanProgress::~TCleanProgress() {
  for (TSavedEvents& saved : saved_) {
    saved.Object->OnWorkDone = std::move(saved.OnWorkDone);
    saved.Object->OnItem = std::move(saved.OnItem);
    saved.Object->OnBackup = std::move(saved.OnBackup);
  }
}

int TCleanProgress::Execute() {
  const int result = ShowModal();
  return result == mrOk ? mrOk : mrAbort;
}

TCleanCounts TCleanProgress::Counts() const {
  // Aborted before any object finished: nothing counts as done.
  if (aborted_ && !manager_.LastCleanedObject) return {};
  TCleanCounts counts = CountCleanResults(manager_);
  counts.ScheduledAtRestart = cleanStarted_ && PendingRestartRemovals() > pendingAtStart_;
  return counts;
}

void TCleanProgress::StartClean() {
  if (cleanStarted_) return;
  cleanStarted_ = true;
  manager_.LastCleanedObject = nullptr;
  started_ = Milliseconds();
  pendingAtStart_ = PendingRestartRemovals();
  maximum_ = 0;
  position_ = 0;
  for (const auto& object : manager_.WorkObjects) {
    saved_.push_back({object.get(), object->OnWorkDone, object->OnItem, object->OnBackup});
    object->OnItem = [this](TWorkObject* sender, TWorkDataPtr data) { ScanMgrWorkItem(sender, std::move(data)); };
    object->OnWorkDone = [this](TCustomWorkObject* sender) { ScanMgrWorkDone(sender); };
    if (makeBackups_)
      object->OnBackup = [this](TWorkObject* sender, TWorkDataPtr data) { ScanMgrBackup(sender, std::move(data)); };
    else
      object->OnBackup = nullptr;
    if (object->SkipClean) continue;  // not run: nothing of it is processed
    for (int i = 0; i < object->Found.Count(); ++i) maximum_ += object->Found.Record(i).Checked;
  }
  ::SendMessageA(gauge_, PBM_SETRANGE32, 0, maximum_);
  ::SendMessageA(gauge_, PBM_SETPOS, 0, 0);
  if (OnProgressStart) OnProgressStart(maximum_);
  manager_.Clean();
}

std::string TCleanProgress::Describe(TWorkObject* sender, bool whole, int row) {
  const TXmlNode& item = sender->ItemNode;
  if (!item) return {};
  const TXmlNode group = item.Parent();
  const std::string itemName = LocalizedName(item, Language);
  const std::string groupName = ProgressGroupName(group ? group.Attr("id") : std::string(),
                                                  LocalizedName(group, Language), DefaultBrowserKind, whole);
  const std::string caption = Format("%s - %s", groupName, itemName);
  if (DisplayDue()) {
    SetCaption(caption);
    ::SetWindowTextA(lblRunning_, Format(RowText(row), itemName).c_str());
  }
  return caption;
}

bool TCleanProgress::DisplayDue() {
  const std::uint64_t now = Milliseconds();
  return lastDisplay_ == 0 || now - lastDisplay_ >= DisplayInterval;
}

std::string TCleanProgress::EntryText(TWorkObject* sender, const std::string& text, bool cache) {
  if (cache) return CacheEntryText(text, Language);
  return sender ? sender->ReportedText(text) : text;
}

void TCleanProgress::ShowEntry(const std::string& text) {
  // Shortened with "..." to the label's width, measured in its font.
  RECT client{};
  ::GetClientRect(lblCurrentItem_, &client);
  const unique_window_dc windowDc(lblCurrentItem_);
  HDC dc = windowDc.get();
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(lblCurrentItem_, WM_GETFONT, 0, 0)));
  const std::string shown = FitWithEllipsis(text, client.right - client.left, [dc](std::string_view part) {
    const std::wstring wide = Widen(part);
    SIZE size{};
    ::GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    return static_cast<int>(size.cx);
  });
  ::SelectObject(dc, old);
  ::SetWindowTextA(lblCurrentItem_, shown.c_str());
  ++displayUpdates_;
}

void TCleanProgress::ShowGauge() {
  ::SendMessageA(gauge_, PBM_SETPOS, static_cast<WPARAM>(position_), 0);
  if (OnProgress) OnProgress(position_, maximum_);
}

void TCleanProgress::Pump() {
  const std::uint64_t now = Milliseconds();
  if (now - lastPump_ < kPumpInterval) return;
  lastPump_ = now;
  Application().ProcessMessages();
}

void TCleanProgress::ScanMgrWorkItem(TWorkObject* sender, TWorkDataPtr data) {
  ++position_;
  const bool due = DisplayDue();
  std::string caption;
  const TFindingKind kind = sender ? sender->FindingKind() : TFindingKind::Other;
  const bool cache = kind == TFindingKind::CacheEntry;
  if (sender) {
    const int row = cache ? kRowCleanRemovingItems
                    : kind == TFindingKind::Registry ? kRowCleanDeletingEntries : kRowCleanDeletingFiles;
    caption = Describe(sender, false, row);
  }
  if (data) {
    // The cache is asked about the entry only when it is shown or logged.
    if (due || LoggingEnabled) {
      const std::string text = EntryText(sender, data->Text, cache);
      if (due) ShowEntry(text);
      LogFile().Write("[%s] %s", caption, cache ? text : data->Text);
    }
  }
  if (due) {
    ShowGauge();
    lastDisplay_ = Milliseconds();
  }
  Pump();
}

void TCleanProgress::ScanMgrBackup(TWorkObject* sender, TWorkDataPtr data) {
  const bool due = DisplayDue();
  std::string caption;
  if (sender) caption = Describe(sender, true, kRowCleanSavingHive);
  if (data) {
    if (due) ShowEntry(EntryText(sender, data->Text, false));
    LogFile().Write("[%s] %s", caption, data->Text);
  }
  if (due) lastDisplay_ = Milliseconds();
  Pump();
}

void TCleanProgress::ScanMgrWorkDone(TCustomWorkObject* sender) {
  try {
    // An object that ends after the user aborted was cut short: it is not a finished one.
    if (ModalResult == mrAbort) return;
    // The pool runs the manager's objects only, all of them TWorkObjects.
    auto* object = static_cast<TWorkObject*>(sender);
    manager_.LastCleanedObject = object;
    if (object->IsEndMarker()) {
      finished_ = true;
      const std::string sound = MediaFolder() + "notify.wav";
      ::PlaySoundA(sound.c_str(), nullptr, SND_ASYNC | SND_FILENAME | SND_NOWAIT);
      position_ = maximum_;
      ShowGauge();
      while (ModalResult == mrNone && Milliseconds() - started_ < EndPause) {
        Application().ProcessMessages();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      }
      if (ModalResult == mrNone) ModalResult = mrOk;
    } else if (!sender->ErrorMessage.empty()) {
      LogFile().Write("[TCleanProgress.ScanMgrWorkDone] (%s) %s: %s", sender->ClassName(), sender->ErrorClass,
                      sender->ErrorMessage);
    }
    Application().ProcessMessages();
  } catch (const Exception& e) {
    LogFile().Write("[TCleanProgress.ScanMgrWorkDone (except)] %s: %s", e.ClassName(), e.what());
  } catch (const std::exception& e) {
    LogFile().Write("[TCleanProgress.ScanMgrWorkDone (except)] %s: %s", "Exception", e.what());
  } catch (...) {
    LogFile().Write("[TCleanProgress.ScanMgrWorkDone (except)] %s: %s", "Exception", "unknown");
  }
}

std::optional<LRESULT> TCleanProgress::HandleMessage(UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_SHOWWINDOW:
      if (wParam && !cleanStarted_) ::PostMessageA(Handle(), WM_STARTCLEAN, 0, 0);
      break;
    case WM_STARTCLEAN:
      StartClean();
      return 0;
    case WM_CLOSE:  // only its own result closes it
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) return 0;
      break;
  }
  return std::nullopt;
}

}  // namespace tw
