#include "engine/RunTally.h"

#include "engine/portable/ScanRules.h"

namespace tw {

namespace {

constexpr const char* kLockedDatabaseClass = "EDatabaseLocked";

int TickedCount(const TWorkObject& object) {
  int ticked = 0;
  for (int i = 0; i < object.Found.Count(); ++i) ticked += object.Found.Record(i).Checked;
  return ticked;
}

}  // namespace

TCleanTally TallyClean(const std::vector<std::unique_ptr<TWorkObject>>& objects, const TWorkObject* last) {
  std::size_t end = objects.size();
  for (std::size_t i = 0; i < objects.size(); ++i)
    if (objects[i].get() == last) end = i + 1;
  TCleanTally tally;
  // Kept is what the protect list held back, wherever the run stopped.
  for (const auto& object : objects)
    for (int f = 0; f < object->Found.Count(); ++f) tally.Kept += object->Found.Record(f).Protected;
  for (std::size_t i = 0; i < end; ++i) {
    const TWorkObject& object = *objects[i];
    if (object.SkipClean) {
      tally.Skipped += TickedCount(object);
      continue;
    }
    const bool raised = !object.ErrorClass.empty();
    for (int f = 0; f < object.Found.Count(); ++f) {
      const TChecked& record = object.Found.Record(f);
      if (!record.Checked) continue;
      ++tally.Checked;
      tally.Failed += raised || !record.CleanSucceeded;
      if (record.Recycled) {
        ++tally.Recycled;
        tally.RecycledSize += record.Size;
      }
    }
  }
  return tally;
}

std::vector<TRunError> RunErrors(const std::vector<std::unique_ptr<TWorkObject>>& objects, bool cleaning) {
  std::vector<TRunError> errors;
  for (const auto& object : objects) {
    // A clean of an object with nothing ticked changed nothing, whatever it met.
    if (cleaning && (object->SkipClean || TickedCount(*object) == 0)) continue;
    if (!object->ErrorClass.empty() && (cleaning || !ErrorMeansAbsent(object->ErrorMessage)))
      errors.push_back({object.get(), {object->ErrorClass, object->ErrorMessage}});
    for (const ErrorInfo& part : object->PartialErrors) errors.push_back({object.get(), part});
  }
  return errors;
}

bool MetLockedDatabase(const TCustomWorkObject& object) {
  if (object.ErrorClass == kLockedDatabaseClass) return true;
  for (const ErrorInfo& part : object.PartialErrors)
    if (part.className == kLockedDatabaseClass) return true;
  return false;
}

std::vector<TWorkObject*> MachineWideObjects(const std::vector<std::unique_ptr<TWorkObject>>& objects) {
  std::vector<TWorkObject*> found;
  for (const auto& object : objects)
    if (object->ErrorClass.empty() && TickedCount(*object) > 0 && !object->MachineWidePlace().empty())
      found.push_back(object.get());
  return found;
}

}  // namespace tw
