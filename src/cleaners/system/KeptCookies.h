#pragma once
// The kept-cookies file "cookies.dat": the URL-cache cookies the user keeps out of every clean.
// One packet (compressed, enciphered) holding lines "name=local file" ended by CR LF; no file
// means nothing is kept. An empty list is never written: saving one removes the file.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/UrlCache.h"
#include "support/Exceptions.h"

namespace tw {

// The file exists but cannot be read as a kept list (cut short, garbled, another key). Nothing
// that depends on the list may go ahead: which cookies to keep is unknown.
TW_DECLARE_EXCEPTION(EKeptCookiesError, Exception)

// One cookie of the URL cache: its entry name ("Cookie:user@host/"), local file and hit rate.
struct TCookieLine {
  std::string Name;
  std::string LocalFile;
  DWORD Hits = 0;
  bool operator==(const TCookieLine&) const = default;
};

// "cookies.dat" in the user's backup folder (registry/BackupFiles.h), which takes over this
// user's file of the shared folder of older versions when it is made.
std::string KeptCookiesPath();

// The lines of FileName; empty when it does not exist. Raises EKeptCookiesError when it exists
// but is damaged (also when it unpacks to nothing, which a save never writes).
std::vector<TCookieLine> LoadKeptCookies(const std::string& fileName);
// Writes Lines to FileName (replacing it whole), or deletes FileName when Lines is empty, under
// TKeptCookiesLock.
void SaveKeptCookies(const std::string& fileName, const std::vector<TCookieLine>& lines);

// Holds this user's kept list for one writer at a time (any process): a refresh reads, looks up
// and rewrites the file, and a save of the cookie manager made in between would be lost.
// Nested holds in one thread are allowed. Raises EKeptCookiesError when another writer keeps it
// for more than half a minute.
class TKeptCookiesLock {
 public:
  explicit TKeptCookiesLock(const std::string& fileName);
  ~TKeptCookiesLock();
  TKeptCookiesLock(const TKeptCookiesLock&) = delete;
  TKeptCookiesLock& operator=(const TKeptCookiesLock&) = delete;

 private:
  HANDLE mutex_ = nullptr;
};

// How a kept cookie is looked up in the URL cache (the real cache unless a caller passes another).
using TCookieLookup = std::function<TCacheLookup(const std::string& name)>;

// The kept cookies that the cache still holds, with their current local files and hit rates;
// the file is rewritten with them, or deleted when none is left, all under TKeptCookiesLock. Only a cookie the cache reports
// as not there is dropped: one whose lookup failed stays as it was stored, so a cache that cannot
// answer never turns a kept cookie into one that is cleaned. Raises EKeptCookiesError (and leaves
// the file alone) when it is damaged. Failed, when given, receives the names whose lookup failed.
std::vector<TCookieLine> RefreshKeptCookies(const std::string& fileName,
                                            const TCookieLookup& lookup = LookupUrlCacheEntry,
                                            std::vector<std::string>* failed = nullptr);

// Every cookie of the URL cache whose name is not one of Kept (names cut to 255 characters).
std::vector<TCookieLine> ListFoundCookies(const std::vector<TCookieLine>& kept);

// The text form of the file and back (the name before the first "=", a quoted name when it holds
// "=" or begins with a quote).
std::string CookieLinesText(const std::vector<TCookieLine>& lines);
std::vector<TCookieLine> ParseCookieLines(const std::string& text);

}  // namespace tw
