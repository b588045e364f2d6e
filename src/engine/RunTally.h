#pragma once
// What a scan or a clean did, counted over the work objects as the front ends report it: the
// clean's ticked, failed and skipped findings, the objects whose findings count in a scan's
// totals, and the errors a user is told about.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/CustomWorkObject.h"

namespace tw {

struct TCleanTally {
  int Checked = 0;  // ticked findings of the objects the clean ran
  int Failed = 0;   // of them, the ones that were not removed
  int Skipped = 0;  // ticked findings of objects left out of the clean (SkipClean)
  int Kept = 0;     // findings the protect list kept (unticked by the clean, marked Protected)
  // Of the ticked findings, those moved into the Recycle Bin (Recycled), and their bytes: the
  // user can restore them from there (also when their object's clean raised afterwards).
  int Recycled = 0;
  std::int64_t RecycledSize = 0;
  bool operator==(const TCleanTally&) const = default;
};

// The clean's counts over Objects in order, up to and including Last (all of them when Last is
// not among them; objects after it were cut off by an abort and are not counted). An object
// whose clean raised removed nothing for certain: every ticked finding of it counts as failed.
// Otherwise a ticked finding fails when its CleanSucceeded was cleared.
TCleanTally TallyClean(const std::vector<std::unique_ptr<TWorkObject>>& objects, const TWorkObject* last);

// Whether the findings of an object count in the scan's totals: not when its scan raised (they
// are not listed).
inline bool ScanCounts(const TCustomWorkObject& object) { return object.ErrorClass.empty(); }

// One error of a run to tell the user: the object and what failed.
struct TRunError {
  const TWorkObject* Object;
  ErrorInfo Error;
};
// The errors of the last run of Objects: the error that ended an object's run and the parts of
// runs that failed. In a scan (Cleaning false), an error that only says the place is not there
// is left out: there was nothing to list. In a clean (Cleaning true), only objects that had
// ticked findings and were not skipped count: the others changed nothing.
std::vector<TRunError> RunErrors(const std::vector<std::unique_ptr<TWorkObject>>& objects, bool cleaning);

// Whether the last run of Object met a browser database held by a running browser.
bool MetLockedDatabase(const TCustomWorkObject& object);

// The objects whose clean needs administrator rights (MachineWidePlace) and that have ticked
// findings, leaving out those whose last run raised; in the order of Objects.
std::vector<TWorkObject*> MachineWideObjects(const std::vector<std::unique_ptr<TWorkObject>>& objects);

}  // namespace tw
