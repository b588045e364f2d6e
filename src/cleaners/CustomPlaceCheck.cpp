#include "cleaners/CustomPlaceCheck.h"

#include "cleaners/system/DeleteFileObject.h"
#include "engine/ProtectPlaces.h"
#include "engine/portable/ProtectList.h"

namespace tw {
namespace {

std::string Folded(const TCustomPlace& place) {
  if (place.Kind == TCustomKind::Folder) return FoldPath(ExpandEnvironment(place.Place));
  std::string key = place.Place;
  for (char& c : key)
    if (c == '/') c = '\\';
  const std::vector<std::string> forms = FoldKey(key);
  return forms.empty() ? FoldPath(key) : forms.front();
}

}  // namespace

TCustomProblem CustomPlaceProblemHere(const TCustomPlace& place) {
  TCustomPlace expanded = place;
  if (place.Kind == TCustomKind::Folder) expanded.Place = ExpandEnvironment(place.Place);
  const TCustomProblem problem = CustomPlaceProblem(expanded);
  if (problem != TCustomProblem::None) return problem;
  if (place.Kind == TCustomKind::Folder && IsRefusedCustomFolder(expanded.Place))
    return TCustomProblem::FolderRefused;
  return TCustomProblem::None;
}

bool SameCustomPlace(const TCustomPlace& a, const TCustomPlace& b, bool patterns) {
  if (a.Kind != b.Kind || Folded(a) != Folded(b)) return false;
  if (!patterns) return true;
  return a.Recurse == b.Recurse && FoldPath(CustomPatternList(a)) == FoldPath(CustomPatternList(b));
}

}  // namespace tw
