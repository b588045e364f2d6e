#include "ui/dialogs/CacheEntryText.h"

#include "platform/UrlCache.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "support/Format.h"

namespace tw {

std::string CacheEntryText(const std::string& name, int language) {
  const TCacheLookup lookup = LookupUrlCacheEntry(name);
  switch (lookup.Result) {
    case TCacheLookupResult::Found:
      return lookup.Entry.SourceUrl;
    case TCacheLookupResult::NotFound:
      return Format("%s (%s)", std::string(StrRes(kRowCacheEntryNotFound, language)), name);
    case TCacheLookupResult::Failed:
      break;
  }
  return Format("%s (%s)", Format(std::string(StrRes(kRowCacheLookupFailed, language)),
                                  static_cast<int>(lookup.Error)),
                name);
}

}  // namespace tw
