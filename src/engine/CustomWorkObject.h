#pragma once
// The contract of every scan and clean object, the records that keep their findings, and the
// report object that carries one finding to the front end.
//
// One object serves both runs: queued with CleanMode false, its Execute fills Found; queued again
// with CleanMode true, it removes what the checked lines of Found name. Execute and every event
// run in the main thread (the worker pool hands them over), one object at a time.
#include <windows.h>
#include <shtypes.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "database/XmlDom.h"
#include "platform/Shell.h"
#include "engine/portable/FoundList.h"
#include "engine/portable/ProtectList.h"
#include "support/Exceptions.h"

namespace tw {

class TCustomWorkObject;
class TWorkObject;

// A failed internal assertion (a caller broke a contract).
TW_DECLARE_EXCEPTION(EAssertionFailed, Exception)

// One finding's text on its way to the receiver of OnItem or OnBackup, who owns it.
class TWorkData {
 public:
  explicit TWorkData(std::string text) : Text(std::move(text)) {}
  std::string Text;
};
using TWorkDataPtr = std::unique_ptr<TWorkData>;

// Events. An empty std::function is an unassigned event and is skipped, except OnWorkDone,
// which every work object must have.
using TWorkDoneEvent = std::function<void(TCustomWorkObject* sender)>;
using TWorkItemEvent = std::function<void(TWorkObject* sender, TWorkDataPtr data)>;

// Where a finding lies, as the protect list sees it: a file or folder path, a registry key (for
// a value, the key that holds it), or nowhere the list can name (URL-cache entries, browser
// database rows, the clipboard).
struct TFindingPlace {
  enum class TKind { None, Path, Key };
  TKind Kind = TKind::None;
  std::string Text;
  // A folder removed with everything in it, or a key removed with its subkeys.
  bool WithContents = false;
};

// What a front end shows a finding as. Each kind has its own presentation (a cache entry's text
// is its source URL, looked up again to be shown; a registry finding's size is not counted).
enum class TFindingKind : std::uint8_t {
  Other,       // the clipboard text and anything without a kind of its own
  File,        // a file or folder, named by its path
  Registry,    // a registry value or key
  CacheEntry,  // an entry of the URL cache, named by its source URL
  BrowserRow,  // a row of a browser's database (or a file of the browser's profile)
  ShellItem,   // an item of a shell folder (the Recycle Bin)
};

// The text of a finding's tile. Path: the text is a path the list may shorten to its width.
struct TFindingCaption {
  std::string Text;
  bool Path = false;
};

// Where a front end opens a finding, or the group of its object, for the user: a folder in the
// file manager, a key in the registry editor ("HKEY_CURRENT_USER\Software\..."), or nowhere.
struct TOpenPlace {
  enum class TKind { None, Folder, Key };
  TKind Kind = TKind::None;
  std::string Text;
};

// A shell item; owns its identifier list. Size from the directory entry of Path (0 when absent).
class TPidlChecked : public TChecked {
 public:
  TPidlChecked(unique_pidl pidl, const std::string& path);
  unique_pidl Pidl;
};

// A file or folder: the size of its directory entry.
class TFileChecked : public TChecked {
 public:
  explicit TFileChecked(const WIN32_FIND_DATAA& entry);
};

// A URL-cache entry: its size plus the 80 bytes of its index record.
class TCacheChecked : public TChecked {
 public:
  explicit TCacheChecked(std::int64_t entrySize) : TChecked(entrySize + 80) {}
};

// A registry value: the data size of ValueName under the open Key (0 when it cannot be read).
class TRegChecked : public TChecked {
 public:
  TRegChecked(HKEY key, const std::string& valueName);
};

class TCustomWorkObject {
 public:
  // Raises EAssertionFailed "OnWorkDoneEvent is nil" when OnWorkDone is empty.
  explicit TCustomWorkObject(TWorkDoneEvent onWorkDone);
  virtual ~TCustomWorkObject() = default;
  TCustomWorkObject(const TCustomWorkObject&) = delete;
  TCustomWorkObject& operator=(const TCustomWorkObject&) = delete;

  // One run. Raises for a condition that makes the whole run impossible.
  virtual void Execute() = 0;
  // The class name shown in reports ("TDeleteFileObject").
  virtual const char* ClassName() const = 0;

  // The exception that ended the last run; both empty when it ended normally.
  std::string ErrorClass;
  std::string ErrorMessage;
  // Parts of the last run that failed without ending it (one profile's database locked while
  // the others were read): each names what failed. What those parts hold was neither listed nor
  // removed; the rest of the run stands. Cleared with ErrorClass at the start of every run.
  std::vector<ErrorInfo> PartialErrors;
  TWorkDoneEvent OnWorkDone;
};

class TWorkObject : public TCustomWorkObject {
 public:
  // Handle: owner window for shell calls that may show UI (null when callbacks are used).
  // ItemNode: the database Item the action belongs to (null for the end marker).
  TWorkObject(HWND handle, TWorkDoneEvent onWorkDone, TWorkItemEvent onItem, TXmlNode itemNode);

  const int ID;  // serial number: 1 for the first object of the process
  bool CleanMode = false;
  HWND Handle;
  TXmlNode ItemNode;
  TWorkItemEvent OnItem;
  std::atomic<bool> Aborted{false};
  TFoundList Found;
  TWorkItemEvent OnBackup;
  // The user's protect list (the scan manager's); null protects nothing.
  const TProtectList* Protect = nullptr;

  // Where the finding of Text and Record lies; each cleaner answers for its findings.
  virtual TFindingPlace FindingPlace(const std::string& text, const TChecked& record) const;
  // True when List names the place of the finding (never for a place of kind None).
  bool FindingProtected(const TProtectList& list, const std::string& text,
                        const TChecked& record) const;

  // The place shared by every user of the machine (a key of HKEY_LOCAL_MACHINE or of the
  // classes, the Windows folder, the program files, other users' profiles) that a clean of
  // this object changes: a process without administrator rights may not change it. Empty when
  // what it changes belongs to the current user. Each cleaner answers for its kind; this one
  // gives what the object's builder declared.
  virtual std::string MachineWidePlace() const { return DeclaredMachinePlace; }
  std::string DeclaredMachinePlace;
  // The user left this object out of the clean (it needs rights this process lacks): the clean
  // does not run it, and its ticked findings count as skipped, not as removed or failed.
  bool SkipClean = false;
  // The clean moves the files it removes into the Recycle Bin instead of deleting them (the
  // scan manager sets it for the user's own places while the user wants it). Honoured by the
  // file cleaners; what cannot be recycled is left in place and counts as not removed.
  bool Recycle = false;

  // How the front ends present this object and its findings. Each cleaner answers for its own
  // kind, so that no front end needs to know the classes; the answers here fit a finding that
  // is plain text.
  virtual TFindingKind FindingKind() const { return TFindingKind::Other; }
  // The end marker, whose completion closes a scan or a clean.
  virtual bool IsEndMarker() const { return false; }
  // The tile of line Index.
  virtual TFindingCaption FindingCaption(int index) const;
  // The hint of line Index: its whole text (a ROT13 item's line as "name"="value").
  virtual std::string FindingHint(int index) const;
  // Line Index as a person reads it, for the test of adult words (coded names decoded).
  std::string FindingReadableText(int index) const;
  // A text this object reported during a run (OnItem, OnBackup), as it is shown.
  std::string ReportedText(const std::string& text) const;
  // The place the object works in, as its builder gave it (a folder as a path macro, a key);
  // none when it has no such place, and the front end shows the item's description instead.
  virtual std::optional<std::string> PlaceText() const { return std::nullopt; }
  // Where line Index is opened; Index -1: the object's group. A line opens the folder its text
  // names up to the last "\"; a group opens nowhere.
  virtual TOpenPlace OpenPlace(int index) const;
  // The item of the scan database whose value names are ROT13 text ("g07-i13"): its names are
  // decoded wherever they are shown.
  bool NamesAreRot13() const;
  // Shows the group picture of the item's group rather than the item's own (the browser
  // cleaners whose items share their browser's picture).
  virtual bool ShowsGroupPicture() const { return false; }
  // Writes the findings of a finished scan to the diagnostics log (the registry fixers list
  // every broken entry); nothing for most objects.
  virtual void LogFindings() const {}
  // The part of line Index a clean reports when it does not report the whole line (a registry
  // value cleaner reports the value's name): the text before the first "|". The view lives as
  // long as the line.
  virtual std::string_view CleanReportName(int index) const;
  // The backup files the last clean wrote (registry cleaners); none for most objects.
  virtual std::vector<std::string> WrittenBackups() const { return {}; }

 protected:
  // Scan: appends a line (the record starts ticked) and then raises OnItem with the same text.
  // A finding that the protect list names is dropped: it is never listed.
  void AddFinding(std::string text, std::unique_ptr<TChecked> record);
  // The same for a file or folder listed from its directory entry, whose record is packed in
  // the list.
  void AddEntryFinding(std::string_view text, std::int64_t size, std::uint32_t attributes);
  // Line Index as "name"="value", the name decoded when NamesAreRot13.
  std::string QuotedFinding(int index) const;
  // Raises OnItem with Text when it is assigned.
  void ReportItem(const std::string& text);
};

}  // namespace tw
