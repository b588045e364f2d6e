#pragma once
// The system's URL cache (WinINet): enumeration with exactly sized entry buffers, lookup and
// removal of one entry by its source URL.
#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/Handles.h"

namespace tw {

namespace detail {
inline void FindCloseUrlCacheFn(HANDLE h) noexcept { ::FindCloseUrlCache(h); }
}  // namespace detail
using unique_hurlcache = unique_any<HANDLE, detail::FindCloseUrlCacheFn>;

// One entry's information in a buffer of exactly the size the cache reported for it.
struct TUrlCacheEntryBuffer {
  std::unique_ptr<std::uint8_t[]> bytes;
  INTERNET_CACHE_ENTRY_INFOA* info() const {
    return reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(bytes.get());
  }
};

// What callers need of one entry.
struct TUrlCacheEntry {
  std::string SourceUrl;
  std::string LocalFile;
  DWORD EntryType = 0;
  std::int64_t Size = 0;
  DWORD HitRate = 0;
};
TUrlCacheEntry DescribeUrlCacheEntry(const INTERNET_CACHE_ENTRY_INFOA& info);

// Enumerates the cache with Pattern (null: no pattern; "": content entries; "cookie:",
// "visited:"), handing each entry to Visit until it returns false. Each entry's buffer is
// allocated at the size the cache reports and freed after Visit. An empty cache, or an entry
// that vanishes between the size query and the fetch, ends the enumeration quietly.
void EnumUrlCache(const char* pattern,
                  const std::function<bool(const INTERNET_CACHE_ENTRY_INFOA& info)>& visit);

// The entry whose source URL is Url; nothing when the cache has no such entry.
std::optional<TUrlCacheEntry> FindUrlCacheEntry(const std::string& url);

// A lookup that tells "no such entry" apart from a cache that could not answer.
enum class TCacheLookupResult { Found, NotFound, Failed };
struct TCacheLookup {
  TCacheLookupResult Result = TCacheLookupResult::Failed;
  TUrlCacheEntry Entry;  // when Found
  DWORD Error = 0;       // the system error when Failed
};
// NotFound only when the cache answers ERROR_FILE_NOT_FOUND; any other failure is Failed.
TCacheLookup LookupUrlCacheEntry(const std::string& url);

// Removes the entry whose source URL is Url. True when it is gone afterwards (an entry that was
// not there counts as removed); false when the cache refused (for example while it is locked).
bool RemoveUrlCacheEntry(const std::string& url);

}  // namespace tw
