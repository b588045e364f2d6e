#pragma once
// The process-wide log of errors that are caught and not shown to the user.
#include <mutex>
#include <string>
#include <string_view>

#include "support/Format.h"

namespace tw {

// The program does not log; the writer is complete so that a build or a test can switch it on.
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
    if (!enabled_) return;
    WriteMessage(Format(format, args...));
  }

  virtual std::string EscapeText(std::string_view text) const;

  const std::string& FileName() const { return fileName_; }
  bool TimeStamp = true;
  bool EscapeLineBreaks = true;

 private:
  void WriteMessage(std::string message);

  std::string fileName_;
  bool enabled_;
  std::mutex lock_;
};

// "Tidewhisk\Logger.txt" in the common application data folder; created on first use.
TFileLogFile& LogFile();

// A log name whose second and third characters are ":\" is used unchanged; any other is taken
// relative to ProgramFolder (which ends with a backslash).
std::string ResolveLogFileName(const std::string& fileName, const std::string& programFolder);

}  // namespace tw
