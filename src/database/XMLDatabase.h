#pragma once
// The scan database: groups of items with their actions, per-language texts and the tips.
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "database/IconExtractor.h"
#include "database/XmlDom.h"
#include "platform/MainThread.h"
#include "support/LogFile.h"

namespace tw {

// Indexed by the protection flag: 0 plain XML, 1 the protected container.
inline constexpr const char* DatabaseFileNames[2] = {"database.xml", "database.dat"};
// This program keeps its database protected.
inline constexpr bool DatabaseProtected = true;

// "<common application data>\Tidewhisk\" + DatabaseFileNames[flag].
std::string DatabaseFileName(bool isProtected = DatabaseProtected);

struct CaseInsensitiveLess {
  bool operator()(const std::string& a, const std::string& b) const;
};

class TXMLDatabase {
 public:
  // Called for every group (Item null) and every item once its icon is known.
  using TNodeEvent = std::function<bool(const TXmlNode& group, const TXmlNode* item)>;

  // Raised once the loaded database is ready (its icons resolved): in the thread that resolved
  // them, so its receiver posts or queues what it does and touches no window there.
  using TReadyEvent = std::function<void()>;

  // Log receives the records of failed loads and saves (the program's log unless a test gives one).
  explicit TXMLDatabase(TReadyEvent onReady = {}, TNodeEvent onNode = {}, TFileLogFile& log = LogFile());
  // Stops icon resolution (waiting for its thread) before the document goes.
  ~TXMLDatabase();
  TXMLDatabase(const TXMLDatabase&) = delete;
  TXMLDatabase& operator=(const TXMLDatabase&) = delete;

  // Resolves the icons of groups and items after every successful Load, in a thread of its own
  // that hands each node to OnNode through Sync and raises OnReady at its end. Without it, a
  // successful Load raises OnReady at once, in its own thread.
  void SetIconResolution(TSynchronizer& sync, TIconEnvironment environment);

  // A name without ":" is taken relative to the program's folder. False (and one log record)
  // when the document cannot be created, read or parsed.
  bool Load(std::string fileName, bool isProtected);
  // Writes the document back; does nothing before a successful Load; never raises (logs).
  void Save(std::string fileName, bool isProtected);
  // The next tip's text in Language (0..3, anything else is English); advances lastTip.
  // Text stays as it was when no tip qualifies.
  void GetNextTip(int language, std::string& text);

  TReadyEvent OnReady;
  TNodeEvent OnNode;
  TXmlDocument Document;
  // "id" -> system image list index of the group's or item's icon.
  std::map<std::string, int, CaseInsensitiveLess> IconIndexes;
  // The index recorded for Id; -1 when there is none.
  int IconIndex(const std::string& id) const;
  bool Loaded = false;
  std::mutex Lock;
  // Where the database's operations log their failures.
  TFileLogFile& Log() const { return log_; }

 private:
  TFileLogFile& log_;
  TSynchronizer* sync_ = nullptr;
  TIconEnvironment iconEnvironment_;
  std::unique_ptr<TIconExtractor> extractor_;
};

// Resolves a database file name as Load and Save do.
std::string ResolveDatabasePath(const std::string& fileName);

}  // namespace tw
