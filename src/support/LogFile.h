#pragma once
// The process-wide log of errors that are caught and not shown to the user.
#include <atomic>
#include <mutex>
#include <string>
#include <string_view>

#include "support/Format.h"

namespace tw {

// Off unless switched on: the user's setting "Write a diagnostics log", or twcli --log.
inline constexpr bool LoggingEnabled = false;

class TFileLogFile {
 public:
  // FileName is used as given; `LogFile()` resolves the program's own path.
  explicit TFileLogFile(std::string fileName, bool enabled = LoggingEnabled);
  virtual ~TFileLogFile() = default;
  TFileLogFile(const TFileLogFile&) = delete;
  TFileLogFile& operator=(const TFileLogFile&) = delete;

  // Appends one record: Format filled with Args, escaped, after a time stamp.
  template <class... Args>
  void Write(std::string_view format, const Args&... args) {
    if (!enabled_.load()) return;
    WriteMessage(Format(format, args...));
  }

  bool Enabled() const { return enabled_.load(); }
  void SetEnabled(bool on) { enabled_.store(on); }
  // When set, a record that cannot be written is dropped instead of raising: the log of a
  // running program is written from catch blocks and window procedures, which a failing disk
  // must not end.
  bool DropFailedRecords = false;

  virtual std::string EscapeText(std::string_view text) const;

  const std::string& FileName() const { return fileName_; }
  bool TimeStamp = true;
  bool EscapeLineBreaks = true;

 private:
  void WriteMessage(std::string message);
  void WriteRecord(std::string message);

  std::string fileName_;
  std::atomic<bool> enabled_;
  std::mutex lock_;
};

// The program's log, "Tidewhisk\Logger.txt" in the user's local application data folder (a
// place every user can write); created on first use, switched off until EnableDiagnosticsLog.
TFileLogFile& LogFile();
// Switches the program's log on (creating its folder) or off.
void EnableDiagnosticsLog(bool on);

// A log name whose second and third characters are ":\" is used unchanged; any other is taken
// relative to ProgramFolder (which ends with a backslash).
std::string ResolveLogFileName(const std::string& fileName, const std::string& programFolder);

}  // namespace tw
