#include "cleaners/system/CacheEntryObject.h"

#include <set>
#include <unordered_set>

#include "cleaners/system/KeptCookies.h"
#include "platform/UrlCache.h"

namespace tw {

namespace {

// The design's pattern, then the spelling the cache stores, for caches that match the pattern
// with regard to case; Windows answers the first one.
std::vector<const char*> Patterns(std::uint32_t kind) {
  switch (kind) {
    case TCacheEntryObject::kContent: return {""};
    case TCacheEntryObject::kCookie: return {"cookie:", "Cookie:"};
    case TCacheEntryObject::kHistory: return {"visited:", "Visited:"};
    default: return {nullptr};
  }
}

bool IsCookieOrHistory(DWORD entryType) {
  return (entryType & (TCacheEntryObject::kCookie | TCacheEntryObject::kHistory)) != 0;
}

}  // namespace

void TCacheEntryObject::Execute() {
  if (CleanMode) Clean();
  else Enumerate(false);
}

void TCacheEntryObject::ListEntries() { Enumerate(true); }

TFindingCaption TCacheEntryObject::FindingCaption(int index) const {
  std::string entry = Found.Text(index);
  const std::size_t at = entry.find('@');
  return {at == std::string::npos ? std::move(entry) : entry.substr(at + 1), false};
}

void TCacheEntryObject::Enumerate(bool listOnly) {
  const bool cookieOrHistory = EntryKind == kCookie || EntryKind == kHistory;
  // The scan drops cookies and history from every kind but those two; the list drops them from
  // the content kind only.
  const bool dropOthers = listOnly ? EntryKind == kContent : !cookieOrHistory;
  std::unordered_set<std::string> seen;
  bool stopped = false;
  for (const char* pattern : Patterns(EntryKind)) {
    if (stopped) break;
    EnumUrlCache(pattern, [&](const INTERNET_CACHE_ENTRY_INFOA& info) {
      if (!(dropOthers && IsCookieOrHistory(info.CacheEntryType))) {
        const TUrlCacheEntry entry = DescribeUrlCacheEntry(info);
        if (seen.insert(entry.SourceUrl).second) {
          if (!listOnly) {
            AddFinding(entry.SourceUrl, std::make_unique<TCacheChecked>(entry.Size));
          } else {
            Found.Add(entry.SourceUrl, std::make_unique<TChecked>());
            if (EntryKind == kContent) ReportItem(entry.SourceUrl);
          }
        }
      }
      if (!listOnly && Aborted) stopped = true;
      return !stopped;
    });
    // Another spelling is asked only when the first found nothing at all.
    if (!seen.empty()) break;
  }
}

void TCacheEntryObject::Clean() {
  std::set<std::string> kept;
  if (EntryKind == kCookie) {
    // Which cookies the user keeps must be known before any cookie goes: with a damaged list
    // nothing is removed (and the findings count as not removed).
    try {
      for (const TCookieLine& line :
           LoadKeptCookies(KeptCookiesFile.empty() ? KeptCookiesPath() : KeptCookiesFile))
        kept.insert(line.Name);
    } catch (const EKeptCookiesError&) {
      for (int i = 0; i < Found.Count(); ++i)
        if (Found.Record(i).Checked) Found.Record(i).CleanSucceeded = false;
      throw;
    }
  }
  for (int i = Found.Count() - 1; i >= 0; --i) {
    if (Aborted) return;
    TChecked& record = Found.Record(i);
    if (!record.Checked) continue;
    const std::string& url = Found.Text(i);
    if (kept.count(url)) {
      // Spared: neither removed nor reported, and no longer ticked, so that the clean's counts
      // claim no removal for it.
      record.Checked = false;
      continue;
    }
    if (!RemoveUrlCacheEntry(url)) record.CleanSucceeded = false;
    ReportItem(url);
  }
}

}  // namespace tw
