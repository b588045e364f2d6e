#include "cleaners/portable/FileAttrMask.h"

namespace tw {

std::uint32_t AttributeMask(std::string_view names) {
  auto has = [names](std::string_view name) { return names.find(name) != std::string_view::npos; };
  std::uint32_t mask = 0;
  if (has("faReadOnly")) mask |= faReadOnly;
  if (has("faHidden")) mask |= faHidden;
  if (has("faSysFile")) mask |= faSysFile;
  if (has("faDirectory")) mask |= faDirectory;
  if (has("faArchive")) mask |= faArchive;
  if (has("faSymLink")) mask |= faSymLink;
  if (has("faAnyFile")) mask = has("faSymLink") ? 0x7F : 0x3F;
  if (has("faNormal")) mask |= faNormal;
  return mask;
}

}  // namespace tw
