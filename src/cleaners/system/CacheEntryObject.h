#pragma once
// The URL-cache cleaner: lists the content entries (temporary internet files), cookies or
// history entries of the system's URL cache and removes the ticked ones by their source URL.
// A cookie clean never removes a cookie of the kept-cookies file, ticked or not.
#include <cstdint>
#include <string>

#include "engine/CustomWorkObject.h"
#include "engine/EntryLister.h"

namespace tw {

class TCacheEntryObject : public TWorkObject, public TEntryLister {
 public:
  static constexpr std::uint32_t kContent = 1;          // NORMAL_CACHE_ENTRY
  static constexpr std::uint32_t kCookie = 0x100000;    // COOKIE_CACHE_ENTRY
  static constexpr std::uint32_t kHistory = 0x200000;   // URLHISTORY_CACHE_ENTRY

  using TWorkObject::TWorkObject;

  void Execute() override;
  const char* ClassName() const override { return "TCacheEntryObject"; }
  // Fills Found as a scan does, without progress reports (content entries still raise OnItem),
  // without regard to Aborted, with plain records (size 0).
  void ListEntries() override;

  TFindingKind FindingKind() const override { return TFindingKind::CacheEntry; }
  // The part of the source URL after the user name ("Cookie:user@site/" shows "site/").
  TFindingCaption FindingCaption(int index) const override;

  std::uint32_t EntryKind = 0;
  // The kept-cookies file a cookie clean spares (the program's own unless a caller sets another).
  std::string KeptCookiesFile;

 private:
  void Enumerate(bool listOnly);
  void Clean();
};

}  // namespace tw
