#include "engine/CustomWorkObject.h"

#include <objbase.h>
#include <shlobj.h>

#include "database/portable/ItemIds.h"
#include "engine/portable/TextUtility.h"
#include "platform/Handles.h"
#include "platform/RegRead.h"

namespace tw {

namespace {
std::atomic<int> g_lastWorkObjectId{0};

std::int64_t EntrySize(const WIN32_FIND_DATAA& entry) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) |
                                   entry.nFileSizeLow);
}
}  // namespace

TPidlChecked::TPidlChecked(unique_pidl pidl, const std::string& path) : Pidl(std::move(pidl)) {
  WIN32_FIND_DATAA entry{};
  unique_hfind find(::FindFirstFileA(path.c_str(), &entry));
  if (find) Size = EntrySize(entry);
}

TFileChecked::TFileChecked(const WIN32_FIND_DATAA& entry) : TChecked(EntrySize(entry)) {}

TRegChecked::TRegChecked(HKEY key, const std::string& valueName) {
  if (const std::optional<TRegData> value = TRegReadKey(key).Value(valueName))
    Size = static_cast<std::int64_t>(value->Bytes.size());
}

TCustomWorkObject::TCustomWorkObject(TWorkDoneEvent onWorkDone) : OnWorkDone(std::move(onWorkDone)) {
  if (!OnWorkDone) throw EAssertionFailed("OnWorkDoneEvent is nil");
}

TWorkObject::TWorkObject(HWND handle, TWorkDoneEvent onWorkDone, TWorkItemEvent onItem,
                         TXmlNode itemNode)
    : TCustomWorkObject(std::move(onWorkDone)),
      ID(++g_lastWorkObjectId),
      Handle(handle),
      ItemNode(std::move(itemNode)),
      OnItem(std::move(onItem)) {}

TFindingPlace TWorkObject::FindingPlace(const std::string&, const TChecked&) const { return {}; }

TFindingCaption TWorkObject::FindingCaption(int index) const { return {Found.Text(index), false}; }

bool TWorkObject::NamesAreRot13() const {
  return ItemNode && ItemNode.AttrOpt("id").value_or(std::string()) == kItemUserAssist;
}

std::string TWorkObject::FindingHint(int index) const {
  return NamesAreRot13() ? QuotedFinding(index) : Found.Text(index);
}

std::string TWorkObject::QuotedFinding(int index) const {
  const std::string name = NamesAreRot13() ? Rot13(Found.Name(index)) : Found.Name(index);
  return "\"" + name + "\"=\"" + Found.Value(index) + "\"";
}

std::string TWorkObject::FindingReadableText(int index) const {
  return NamesAreRot13() ? Rot13(Found.Name(index)) : Found.Text(index);
}

std::string TWorkObject::ReportedText(const std::string& text) const {
  return NamesAreRot13() ? Rot13(text) : text;
}

TOpenPlace TWorkObject::OpenPlace(int index) const {
  if (index < 0 || index >= Found.Count()) return {};
  const std::string entry = Found.Name(index);
  const std::size_t slash = entry.find_last_of('\\');
  if (slash == std::string::npos) return {};
  return {TOpenPlace::TKind::Folder, entry.substr(0, slash + 1)};
}

std::string_view TWorkObject::CleanReportName(int index) const {
  const std::string_view text = Found.TextView(index);
  return text.substr(0, text.find('|'));
}

bool TWorkObject::FindingProtected(const TProtectList& list, const std::string& text,
                                   const TChecked& record) const {
  if (list.Empty()) return false;
  const TFindingPlace place = FindingPlace(text, record);
  switch (place.Kind) {
    case TFindingPlace::TKind::None: return false;
    case TFindingPlace::TKind::Path: return list.ProtectsPath(place.Text, place.WithContents);
    case TFindingPlace::TKind::Key: return list.ProtectsKey(place.Text, place.WithContents);
  }
  return false;
}

void TWorkObject::AddFinding(std::string text, std::unique_ptr<TChecked> record) {
  if (Protect && record && FindingProtected(*Protect, text, *record)) return;
  Found.Add(std::move(text), std::move(record));
  ReportItem(Found.Text(Found.Count() - 1));
}

void TWorkObject::AddEntryFinding(std::string_view text, std::int64_t size, std::uint32_t attributes) {
  if (Protect && !Protect->Empty()) {
    const TEntryChecked record(size, attributes);
    if (FindingProtected(*Protect, std::string(text), record)) return;
  }
  Found.AddEntry(text, size, attributes);
  if (OnItem) ReportItem(std::string(text));
}

void TWorkObject::ReportItem(const std::string& text) {
  if (OnItem) OnItem(this, std::make_unique<TWorkData>(text));
}

}  // namespace tw
