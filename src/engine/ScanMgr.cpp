#include "engine/ScanMgr.h"

#include <system_error>
#include <thread>

#include "database/portable/ItemIds.h"
#include "engine/EntryLister.h"
#include "engine/Recoverable.h"
#include "engine/States.h"
#include "engine/portable/ScanRules.h"
#include "engine/portable/TextUtility.h"
#include "strings/ScanWords.h"
#include "support/Messages.h"

namespace tw {

namespace {

std::vector<TXmlNode> ChildrenNamed(const TXmlNode& node, const char* name) {
  std::vector<TXmlNode> out;
  for (TXmlNode& child : node.Children()) {
    if (child.IsElement() && child.Name() == name) out.push_back(std::move(child));
  }
  return out;
}

}  // namespace

TScanMgr::TScanMgr(TSynchronizer& sync, HWND handle, const TWorkObjectBuilders& builders,
                   int threadCount, bool synchronizedCallbacks)
    : Handle(handle),
      Builders(builders),
      sync_(sync),
      Pool(sync, threadCount, false, synchronizedCallbacks),
      UseCallbacks(synchronizedCallbacks) {}

TScanMgr::~TScanMgr() = default;

void TScanMgr::Scan(const TXmlDocument& document, int language) {
  scanLanguage_ = language;
  ProgramsToClose.clear();
  WorkObjects.clear();
  if (OnScanStart) OnScanStart(this);
  Build(document, WorkObjects, ProgramsToClose);
  auto marker = std::make_unique<TDummyObject>(UseCallbacks ? nullptr : Handle, OnWorkDone,
                                               UseCallbacks ? OnItem : TWorkItemEvent(),
                                               TXmlNode());
  WorkObjects.push_back(std::move(marker));

  PostProgress(20, static_cast<LPARAM>(WorkObjects.size()));
  for (const auto& object : WorkObjects) Pool.Add(object.get());
}

std::vector<std::unique_ptr<TWorkObject>> TScanMgr::Preview(const TXmlDocument& document) {
  std::vector<std::unique_ptr<TWorkObject>> objects;
  TPrograms programs;
  Build(document, objects, programs);
  return objects;
}

void TScanMgr::Build(const TXmlDocument& document, std::vector<std::unique_ptr<TWorkObject>>& objects,
                     TPrograms& programs) {
  const int mode = CurrentMode;
  for (const TXmlNode& group : ChildrenNamed(document.Root(), "Group")) {
    if (mode == pmRegistry && !GroupTakesPart(mode, group.Attr("id"))) continue;
    for (const TXmlNode& item : ChildrenNamed(group, "Item")) ScanItem(group, item, objects, programs);
  }
}

void TScanMgr::ScanItem(const TXmlNode& group, const TXmlNode& item,
                        std::vector<std::unique_ptr<TWorkObject>>& objects, TPrograms& programs) {
  auto add = [&programs](std::initializer_list<const char*> names) {
    for (const char* name : names) programs.insert(name);
  };
  const int mode = CurrentMode;
  const std::string enabled = item.Attr("enabled");
  if (enabled == "false") return;
  const std::string modeText = item.Attr("mode");
  const std::string checked = (mode == pmRegistry || mode == pmAdvanced) ? item.Attr("checked") : "";
  if (!ItemTakesPart(mode, enabled, modeText, checked)) return;

  const std::string groupId = group.Attr("id");
  if (groupId == kGroupSafari) add({"safari.exe"});
  if (groupId == kGroupChrome) add({"chrome.exe"});

  const std::string icon = item.Attr("icon");
  const std::string itemId = item.Attr("id");
  for (int i = 1, n = FieldCount(icon); i <= n; ++i) {
    std::string program = IconProgram(GetField(icon, i));
    if (!program.empty() && !IconProgramsIgnored(itemId)) programs.insert(program);
  }

  for (const TXmlNode& action : ChildrenNamed(item, "Action")) {
    const std::string method = action.Attr("method");
    if (method.starts_with("RegFix")) add({"regedit.exe", "regedt32.exe"});
    const TMethodRow* row = FindMethod(method);
    if (!row) continue;
    for (const char* program : row->programs) programs.insert(program);
    const auto builder = Builders.find(std::string_view(row->method));
    if (builder == Builders.end()) continue;
    TWorkObjectInit init{UseCallbacks ? nullptr : Handle, OnWorkDone ? OnWorkDone : TWorkDoneEvent([](TCustomWorkObject*) {}),
                         UseCallbacks ? OnItem : TWorkItemEvent(), item, scanLanguage_};
    TActionParams params;
    for (const char* attribute : row->attributes) params[attribute] = action.Attr(attribute);
    objects.push_back(builder->second(std::move(init), params));
    objects.back()->Protect = &Protect;
    if (method == "DeleteFiles" && params["path"] == "%TEMP%") add({"msnmsgr.exe"});
  }
}

void TScanMgr::PostProgress(WPARAM wParam, LPARAM lParam) {
  if (Handle) ::PostMessageA(Handle, WM_PROGRESS, wParam, lParam);
  else if (OnProgress) OnProgress(wParam, lParam);
}

void TScanMgr::KeepProtected() {
  if (Protect.Empty()) return;
  for (const auto& object : WorkObjects)
    for (int i = 0; i < object->Found.Count(); ++i) {
      TChecked& record = object->Found.Record(i);
      if (record.Checked && object->FindingProtected(Protect, object->Found.Text(i), record)) {
        record.Checked = false;
        record.Protected = true;
      }
    }
}

void TScanMgr::Clean() {
  // Protected now, whatever the list was when the scan ran (or the rule that listed it).
  KeepProtected();
  for (const auto& object : WorkObjects) {
    // A scan that ended in an error is not shown to the user: what it listed before the error
    // was never reviewed, so none of it is cleaned.
    if (!object->CleanMode && !object->ErrorClass.empty())
      for (int i = 0; i < object->Found.Count(); ++i) object->Found.Record(i).Checked = false;
    object->CleanMode = true;
    object->Aborted = false;
    object->Recycle = MoveToRecycleBin && object->ItemNode && ItemRecoverable(object->ItemNode);
    if (object->SkipClean) continue;  // left out by the user: it changes nothing
    Pool.Add(object.get());
  }
}

void TScanMgr::StopAll(TWorkThreadPool::TStoppedEvent onStopped) {
  for (auto it = WorkObjects.rbegin(); it != WorkObjects.rend(); ++it) (*it)->Aborted = true;
  if (!onStopped) {
    Pool.Stop(nullptr);
    return;
  }
  Pool.Stop([this, onStopped = std::move(onStopped)](TWorkThreadPool* pool) {
    // Every run and completion the threads handed over is behind them now.
    FreeRetired();
    onStopped(pool);
  });
}

void TScanMgr::FreeRetired() {
  auto objects = std::make_shared<std::vector<std::unique_ptr<TWorkObject>>>();
  {
    std::lock_guard<std::mutex> lock(retiredLock_);
    objects->swap(retired_);
  }
  if (objects->empty()) return;
  // A completion of the last object may still wait in the main thread's queue (the window's
  // posted work-done message names the object): the objects go only after it.
  try {
    sync_.Queue([objects] { objects->clear(); });
  } catch (...) {
    // No way to queue: the objects stay until the manager goes, which outlives its pool.
    std::lock_guard<std::mutex> lock(retiredLock_);
    for (auto& object : *objects) retired_.push_back(std::move(object));
  }
}

void TScanMgr::ReleaseWork() {
  std::vector<std::unique_ptr<TWorkObject>> objects = std::move(WorkObjects);
  WorkObjects.clear();
  LastCleanedObject = nullptr;
  {
    std::lock_guard<std::mutex> lock(retiredLock_);
    if (Pool.Stopping()) {
      for (auto& object : objects) retired_.push_back(std::move(object));
      return;
    }
  }
  try {
    std::thread([objects = std::move(objects)] {}).detach();
  } catch (const std::system_error&) {
    // Freed here when no thread can be had.
  }
}

void TScanMgr::Abort() { StopAll(OnAbortStopped); }

void TScanMgr::Shutdown() { StopAll(OnShutdownStopped); }

void TScanMgr::AdultHistoryCount(int language, int& total, int& adult) {
  total = 0;
  adult = 0;
  const auto builder = Builders.find(std::string_view("DeleteHistory"));
  if (builder == Builders.end()) return;
  TWorkObjectInit init{nullptr, [](TCustomWorkObject*) {}, TWorkItemEvent(), TXmlNode()};
  const std::unique_ptr<TWorkObject> history = builder->second(std::move(init), TActionParams());
  auto* lister = dynamic_cast<TEntryLister*>(history.get());
  if (!lister) return;
  lister->ListEntries();
  total = history->Found.Count();
  for (int i = 0; i < total; ++i)
    if (ScanWords(language).IsAdult(history->Found.Text(i))) ++adult;
}

}  // namespace tw
