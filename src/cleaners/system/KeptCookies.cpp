#include "cleaners/system/KeptCookies.h"

#include <cstdint>
#include <cstdio>
#include <set>

#include "containers/FileProtect.h"
#include "platform/ShellFolders.h"
#include "platform/UrlCache.h"
#include "registry/BackupFiles.h"
#include "support/FileIO.h"
#include "support/Format.h"

namespace tw {

namespace {

std::string QuoteName(const std::string& name) {
  if (name.find('=') == std::string::npos && (name.empty() || name.front() != '"')) return name;
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

// Splits one line into name and value; the name may be quoted with doubled inner quotes.
TCookieLine SplitLine(const std::string& line) {
  TCookieLine cookie;
  std::size_t i = 0;
  if (!line.empty() && line.front() == '"') {
    for (i = 1; i < line.size(); ++i) {
      if (line[i] == '"') {
        if (i + 1 < line.size() && line[i + 1] == '"') {
          cookie.Name += '"';
          ++i;
        } else {
          ++i;
          break;
        }
      } else {
        cookie.Name += line[i];
      }
    }
    if (i < line.size() && line[i] == '=') cookie.LocalFile = line.substr(i + 1);
    return cookie;
  }
  const std::size_t eq = line.find('=');
  cookie.Name = line.substr(0, eq);
  if (eq != std::string::npos) cookie.LocalFile = line.substr(eq + 1);
  return cookie;
}

}  // namespace

TKeptCookiesLock::TKeptCookiesLock(const std::string& fileName) {
  // Named after the file in the session's namespace (no "\" may follow the prefix there).
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a of the path, letter case aside
  for (char c : fileName) {
    hash ^= static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    hash *= 1099511628211ull;
  }
  char name[64];
  std::snprintf(name, sizeof name, "Local\\Tidewhisk.KeptCookies.%016llx",
                static_cast<unsigned long long>(hash));
  mutex_ = ::CreateMutexA(nullptr, FALSE, name);
  if (!mutex_) return;  // no lock to be had: as before there was one
  const DWORD waited = ::WaitForSingleObject(mutex_, 30000);
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) return;
  ::CloseHandle(mutex_);
  mutex_ = nullptr;
  throw EKeptCookiesError(Format("Kept cookies file \"%s\" is busy: another clean or the cookie "
                                 "manager is writing it", fileName));
}

TKeptCookiesLock::~TKeptCookiesLock() {
  if (!mutex_) return;
  ::ReleaseMutex(mutex_);
  ::CloseHandle(mutex_);
}

std::string KeptCookiesPath() {
  // Each user's own, beside the user's registry backups.
  return UserBackupFile("cookies.dat");
}

std::string CookieLinesText(const std::vector<TCookieLine>& lines) {
  std::string text;
  for (const TCookieLine& line : lines) text += QuoteName(line.Name) + "=" + line.LocalFile + "\r\n";
  return text;
}

std::vector<TCookieLine> ParseCookieLines(const std::string& text) {
  std::vector<TCookieLine> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    if (!line.empty()) lines.push_back(SplitLine(line));
    start = end + 1;
    if (end < text.size() && text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

std::vector<TCookieLine> LoadKeptCookies(const std::string& fileName) {
  if (!FileExists(fileName)) return {};
  std::string text;
  try {
    text = TFileProtect::LoadFile(fileName);
  } catch (const std::exception& e) {
    throw EKeptCookiesError(Format("Kept cookies file \"%s\" is damaged: %s", fileName, e.what()));
  }
  std::vector<TCookieLine> lines = ParseCookieLines(text);
  if (lines.empty())
    throw EKeptCookiesError(Format("Kept cookies file \"%s\" is damaged: it holds no cookie", fileName));
  return lines;
}

void SaveKeptCookies(const std::string& fileName, const std::vector<TCookieLine>& lines) {
  const TKeptCookiesLock lock(fileName);
  if (lines.empty()) {
    if (FileExists(fileName) && !::DeleteFileA(fileName.c_str()))
      throw EInOutError(Format("Cannot delete \"%s\" (error %d)", fileName,
                               static_cast<int>(::GetLastError())));
    return;
  }
  const std::string folder = fileName.substr(0, fileName.find_last_of('\\'));
  ::CreateDirectoryA(folder.c_str(), nullptr);
  TFileProtect::SaveFile(fileName, CookieLinesText(lines));
}

std::vector<TCookieLine> RefreshKeptCookies(const std::string& fileName, const TCookieLookup& lookup,
                                            std::vector<std::string>* failed) {
  const TKeptCookiesLock lock(fileName);
  std::vector<TCookieLine> lines = LoadKeptCookies(fileName);
  if (lines.empty()) return lines;
  std::vector<TCookieLine> kept;
  for (const TCookieLine& line : lines) {
    const TCacheLookup found = lookup(line.Name);
    switch (found.Result) {
      case TCacheLookupResult::Found:
        kept.push_back({line.Name, found.Entry.LocalFile, found.Entry.HitRate});
        break;
      case TCacheLookupResult::NotFound:
        break;
      case TCacheLookupResult::Failed:
        // Unknown: kept as stored.
        kept.push_back(line);
        if (failed) failed->push_back(line.Name);
        break;
    }
  }
  if (CookieLinesText(kept) != CookieLinesText(lines)) SaveKeptCookies(fileName, kept);
  return kept;
}

std::vector<TCookieLine> ListFoundCookies(const std::vector<TCookieLine>& kept) {
  std::set<std::string> keptNames;
  for (const TCookieLine& line : kept) keptNames.insert(line.Name);
  std::vector<TCookieLine> found;
  std::set<std::string> seen;
  // Windows matches the pattern without regard to case; some caches only match the spelling
  // they store ("Cookie:"), so both are asked and an entry is listed once.
  for (const char* pattern : {"cookie:", "Cookie:"}) {
    EnumUrlCache(pattern, [&](const INTERNET_CACHE_ENTRY_INFOA& info) {
      const TUrlCacheEntry entry = DescribeUrlCacheEntry(info);
      if (keptNames.count(entry.SourceUrl) || !seen.insert(entry.SourceUrl).second) return true;
      found.push_back({entry.SourceUrl.substr(0, 255), entry.LocalFile, entry.HitRate});
      return true;
    });
  }
  return found;
}

}  // namespace tw
