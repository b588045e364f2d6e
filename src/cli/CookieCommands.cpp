// twcli cookies: the URL-cache cookies to clean and to keep, and the kept list itself.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cleaners/system/KeptCookies.h"
#include "cli/Cli.h"
#include "platform/UrlCache.h"
#include "support/Format.h"

namespace tw {

namespace {

constexpr const char* kCookiesUsage =
    "twcli cookies list [--json]\n"
    "twcli cookies keep NAME...\n"
    "twcli cookies forget NAME... | --all";

// Highest hit rate first, then by name.
void SortByHits(std::vector<TCookieLine>& lines) {
  std::stable_sort(lines.begin(), lines.end(), [](const TCookieLine& a, const TCookieLine& b) {
    return a.Hits != b.Hits ? a.Hits > b.Hits : a.Name < b.Name;
  });
}

std::string JsonCookies(const std::vector<TCookieLine>& lines) {
  std::string out = "[";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    out += Format("%s{\"name\":%s,\"file\":%s,\"hits\":%d}", i ? "," : "",
                  JsonString(lines[i].Name), JsonString(lines[i].LocalFile),
                  static_cast<int>(lines[i].Hits));
  }
  return out + "]";
}

std::string TextCookies(const char* title, const std::vector<TCookieLine>& lines) {
  std::string out = Format("%s (%d)\n", title, static_cast<int>(lines.size()));
  for (const TCookieLine& line : lines)
    out += Format("  %s  %d hits\n", line.Name, static_cast<int>(line.Hits));
  return out;
}

int List(const CliArgs& args) {
  std::vector<TCookieLine> kept = RefreshKeptCookies(KeptCookiesPath());
  std::vector<TCookieLine> found = ListFoundCookies(kept);
  SortByHits(kept);
  SortByHits(found);
  if (args.Flag("--json")) {
    std::printf("{\"clean\":%s,\"keep\":%s}\n", JsonCookies(found).c_str(), JsonCookies(kept).c_str());
  } else {
    std::fputs((TextCookies("Cookies to clean", found) + TextCookies("Cookies to keep", kept)).c_str(),
               stdout);
  }
  return kExitOk;
}

int Keep(const CliArgs& args) {
  const std::string file = KeptCookiesPath();
  const TKeptCookiesLock lock(file);  // from reading the list to writing it
  std::vector<TCookieLine> kept = RefreshKeptCookies(file);
  int missing = 0;
  for (const std::string& name : args.positional) {
    if (std::any_of(kept.begin(), kept.end(), [&](const TCookieLine& l) { return l.Name == name; }))
      continue;
    const auto entry = FindUrlCacheEntry(name);
    if (!entry) {
      std::fprintf(stderr, "twcli: no cookie named %s in the URL cache\n", name.c_str());
      ++missing;
      continue;
    }
    kept.push_back({name, entry->LocalFile, entry->HitRate});
  }
  if (missing) return kExitFailed;  // nothing saved: the list stays as it was
  SaveKeptCookies(file, kept);
  std::printf("Cookies to keep: %d\n", static_cast<int>(kept.size()));
  return kExitOk;
}

int Forget(const CliArgs& args) {
  const std::string file = KeptCookiesPath();
  if (args.Flag("--all")) {
    if (!args.positional.empty()) throw UsageError(kCookiesUsage);
    // Also the way out of a damaged file: the user starts a new list.
    SaveKeptCookies(file, {});
    std::printf("Cookies to keep: 0\n");
    return kExitOk;
  }
  const TKeptCookiesLock lock(file);  // from reading the list to writing it
  std::vector<TCookieLine> kept = RefreshKeptCookies(file);
  for (const std::string& name : args.positional)
    std::erase_if(kept, [&](const TCookieLine& l) { return l.Name == name; });
  SaveKeptCookies(file, kept);
  std::printf("Cookies to keep: %d\n", static_cast<int>(kept.size()));
  return kExitOk;
}

}  // namespace

int RunCookiesCommand(const std::vector<std::string>& rawArgs) {
  if (rawArgs.empty()) throw UsageError(kCookiesUsage);
  const std::string verb = rawArgs[0];
  const CliArgs args = ParseArgs(std::vector<std::string>(rawArgs.begin() + 1, rawArgs.end()), {},
                                 {"--json", "--all"});
  try {
    if (verb == "list" && args.positional.empty() && !args.Flag("--all")) return List(args);
    if (verb == "keep" && !args.positional.empty() && !args.Flag("--json") && !args.Flag("--all"))
      return Keep(args);
    if (verb == "forget" && (!args.positional.empty() || args.Flag("--all")) && !args.Flag("--json"))
      return Forget(args);
  } catch (const EKeptCookiesError& e) {
    std::fprintf(stderr, "twcli: %s\n(the file is left as it is; \"twcli cookies forget --all\" "
                         "starts a new list)\n", e.what());
    return kExitFailed;
  }
  throw UsageError(kCookiesUsage);
}

}  // namespace tw
