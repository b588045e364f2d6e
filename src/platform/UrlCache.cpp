#include "platform/UrlCache.h"

namespace tw {

namespace {

TUrlCacheEntryBuffer AllocateEntry(DWORD size) {
  TUrlCacheEntryBuffer buffer{std::make_unique<std::uint8_t[]>(size)};
  buffer.info()->dwStructSize = size;
  return buffer;
}

}  // namespace

TUrlCacheEntry DescribeUrlCacheEntry(const INTERNET_CACHE_ENTRY_INFOA& info) {
  TUrlCacheEntry entry;
  if (info.lpszSourceUrlName) entry.SourceUrl = info.lpszSourceUrlName;
  if (info.lpszLocalFileName) entry.LocalFile = info.lpszLocalFileName;
  entry.EntryType = info.CacheEntryType;
  entry.Size = (static_cast<std::int64_t>(info.dwSizeHigh) << 32) | info.dwSizeLow;
  entry.HitRate = info.dwHitRate;
  return entry;
}

void EnumUrlCache(const char* pattern,
                  const std::function<bool(const INTERNET_CACHE_ENTRY_INFOA& info)>& visit) {
  DWORD size = 0;
  // The first call, without a buffer, learns the first entry's size.
  unique_hurlcache find(::FindFirstUrlCacheEntryA(pattern, nullptr, &size));
  if (find || size == 0) return;  // an empty cache (a handle here would mean nothing to read)
  TUrlCacheEntryBuffer buffer = AllocateEntry(size);
  find.reset(::FindFirstUrlCacheEntryA(pattern, buffer.info(), &size));
  if (!find) return;
  for (;;) {
    if (!visit(*buffer.info())) return;
    buffer.bytes.reset();
    size = 0;
    if (::FindNextUrlCacheEntryA(find.get(), nullptr, &size) || size == 0) return;
    buffer = AllocateEntry(size);
    if (!::FindNextUrlCacheEntryA(find.get(), buffer.info(), &size)) return;
  }
}

std::optional<TUrlCacheEntry> FindUrlCacheEntry(const std::string& url) {
  DWORD size = 0;
  if (::GetUrlCacheEntryInfoA(url.c_str(), nullptr, &size) ||
      ::GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0)
    return std::nullopt;
  TUrlCacheEntryBuffer buffer = AllocateEntry(size);
  if (!::GetUrlCacheEntryInfoA(url.c_str(), buffer.info(), &size)) return std::nullopt;
  return DescribeUrlCacheEntry(*buffer.info());
}

TCacheLookup LookupUrlCacheEntry(const std::string& url) {
  TCacheLookup lookup;
  DWORD size = 0;
  if (::GetUrlCacheEntryInfoA(url.c_str(), nullptr, &size)) {
    // Answered without a buffer: nothing to describe, so nothing is known of the entry.
    lookup.Error = ERROR_INSUFFICIENT_BUFFER;
    return lookup;
  }
  DWORD error = ::GetLastError();
  if (error == ERROR_FILE_NOT_FOUND) {
    lookup.Result = TCacheLookupResult::NotFound;
    return lookup;
  }
  if (error != ERROR_INSUFFICIENT_BUFFER || size == 0) {
    lookup.Error = error;
    return lookup;
  }
  TUrlCacheEntryBuffer buffer = AllocateEntry(size);
  if (!::GetUrlCacheEntryInfoA(url.c_str(), buffer.info(), &size)) {
    error = ::GetLastError();
    // Gone between the two calls.
    if (error == ERROR_FILE_NOT_FOUND) lookup.Result = TCacheLookupResult::NotFound;
    else lookup.Error = error;
    return lookup;
  }
  lookup.Result = TCacheLookupResult::Found;
  lookup.Entry = DescribeUrlCacheEntry(*buffer.info());
  return lookup;
}

bool RemoveUrlCacheEntry(const std::string& url) {
  if (::DeleteUrlCacheEntryA(url.c_str())) return true;
  const DWORD error = ::GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace tw
