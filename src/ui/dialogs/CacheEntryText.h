#pragma once
// The text shown for a URL-cache finding while a run goes on.
#include <string>

namespace tw {

// The entry's source URL as the cache has it now; when the cache has no such entry or cannot be
// read, why (in Language) followed by Name in brackets.
std::string CacheEntryText(const std::string& name, int language);

}  // namespace tw
