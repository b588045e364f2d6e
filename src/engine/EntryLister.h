#pragma once
// A work object that can also list its entries directly, outside the worker pool and without
// progress reports, into its found list (the history count at start-up uses it).

namespace tw {

class TEntryLister {
 public:
  virtual ~TEntryLister() = default;
  virtual void ListEntries() = 0;
};

}  // namespace tw
