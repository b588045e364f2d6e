#pragma once
// The custom places as this machine sees them: a place judged once its variables are expanded,
// with the folders the file cleaner refuses, and two entries of one place told apart from two
// places.
#include "settings/portable/CustomPlaces.h"

namespace tw {

// Why Place (as typed) cannot be added here; None when it can.
TCustomProblem CustomPlaceProblemHere(const TCustomPlace& place);
// Same kind and the same folder or key once expanded (letter case, "/" or "\" and a trailing
// separator aside); with Patterns, the same mask or filter too.
bool SameCustomPlace(const TCustomPlace& a, const TCustomPlace& b, bool patterns);

}  // namespace tw
