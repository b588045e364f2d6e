#include "support/LogFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

#include "support/Exceptions.h"

namespace tw {
namespace {

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (size_t pos = 0; (pos = text.find(from, pos)) != std::string::npos; pos += to.size())
    text.replace(pos, from.size(), to);
}

std::string NowStamp() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S ", &local);
  return buf;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

TFileLogFile::TFileLogFile(std::string fileName, bool enabled)
    : fileName_(std::move(fileName)), enabled_(enabled) {}

std::string TFileLogFile::EscapeText(std::string_view text) const {
  std::string out(text);
  ReplaceAll(out, "\r\n", "<EOL>");
  ReplaceAll(out, "\r", "<CR>");
  ReplaceAll(out, "\n", "<LF>");
  return out;
}

void TFileLogFile::WriteMessage(std::string message) {
  if (DropFailedRecords) {
    try {
      WriteRecord(std::move(message));
    } catch (const EInOutError&) {
      // Dropped: see DropFailedRecords.
    }
    return;
  }
  WriteRecord(std::move(message));
}

void TFileLogFile::WriteRecord(std::string message) {
  std::string record = TimeStamp ? NowStamp() : std::string();
  record += EscapeLineBreaks ? EscapeText(message) : message;
  record += "\r\n";
  std::lock_guard guard(lock_);
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName_.c_str(), "ab"));
  if (!file) throw EInOutError("I/O error " + std::to_string(errno) + ": " + fileName_);
  if (std::fwrite(record.data(), 1, record.size(), file.get()) != record.size() ||
      std::fflush(file.get()) != 0)
    throw EInOutError("I/O error " + std::to_string(errno) + ": " + fileName_);
  if (std::fclose(file.release()) != 0)
    throw EInOutError("I/O error " + std::to_string(errno) + ": " + fileName_);
}

std::string ResolveLogFileName(const std::string& fileName, const std::string& programFolder) {
  if (fileName.size() >= 3 && fileName.compare(1, 2, ":\\") == 0) return fileName;
  return programFolder + fileName;
}

}  // namespace tw
