#pragma once
// Icon resolution for the scan database's groups and items: a thread that finds, for every group
// and item, the system image list index of the program or folder its "icon" list names, records
// it in the database's IconIndexes and hands the node to the window (the database's OnNode, in
// the main thread). When it ends, however it ends, the database raises OnReady (in this
// thread).
//
// The document is read in the main thread only: the extractor takes the ids and icon lists of
// all groups and items when it is created, and hands the nodes back through the synchronizer.
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "database/XmlDom.h"
#include "platform/MainThread.h"

namespace tw {

class TXMLDatabase;

// The path macros of the program (the engine's ExpandEnvPath, ResolveFolderMacro,
// ShellNormalizePath and CsidlFromName) and the system family, handed to the database by the
// program, since they belong to a layer above it.
struct TIconEnvironment {
  std::function<std::string(const std::string&)> ExpandEnvPath;
  std::function<std::string(const std::string&)> ResolveFolderMacro;
  std::function<std::string(const std::string&)> ShellNormalizePath;
  std::function<int(const std::string&)> CsidlFromName;
};

// The shell's system image list index of a file or folder; -1 when the shell gives no icon.
int ShellIconIndex(const std::string& path);
// The same for a special folder by its id; -1 for an unknown id or no icon.
int SpecialFolderIconIndex(int csidl);

class TIconExtractor {
 public:
  // Takes the groups and items of Database's document (main thread). Start runs the walk.
  TIconExtractor(TXMLDatabase& database, TSynchronizer& sync, TIconEnvironment environment);
  // Stops the walk and waits for the thread; calls that were waiting for the main thread are run
  // here and answer false.
  ~TIconExtractor();
  TIconExtractor(const TIconExtractor&) = delete;
  TIconExtractor& operator=(const TIconExtractor&) = delete;

  void Start();
  // From now on the walk stops at its next step.
  void Stop() { stop_ = true; }
  bool Finished() const { return finished_; }

  // The answer of the last OnNode call.
  bool Continue = true;
  // The group and item being handed over (main thread, during OnNode); CurrentItem is null while
  // a group is handed over.
  TXmlNode CurrentGroup;
  TXmlNode CurrentItem;
  TXMLDatabase& Database;

  // The rules for one node, usable on their own. IconList: the node's "icon" attribute.
  int GroupIcon(const std::string& id, const std::string& iconList);
  int ItemIcon(const std::string& iconList);

 private:
  struct TNodeInfo {
    TXmlNode Node;
    std::string Name;                // element name, for the error of a missing attribute
    std::optional<std::string> Id;   // absent attributes raise when the walk reaches the node
    std::optional<std::string> Icon;
    std::vector<TNodeInfo> Items;
  };

  void Execute() noexcept;
  void Walk();
  // Hands one node over in the main thread; false stops the walk.
  bool HandOver(const TNodeInfo& group, const TNodeInfo* item, const std::string& id, int index);
  int ThreeWay(const std::string& source);
  int SearchTree(const std::string& folder, const std::string& file);

  TSynchronizer& sync_;
  TIconEnvironment env_;
  std::vector<TNodeInfo> groups_;  // in document order
  std::atomic<bool> stop_{false};
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace tw
