#include "cleaners/portable/NameFilter.h"

#include <boost/regex.hpp>

#include "engine/portable/TextUtility.h"

namespace tw {

std::vector<std::string> SelectNames(const std::vector<std::string>& names,
                                     const std::string& filter) {
  if (filter.empty()) return names;
  std::vector<std::string> selected;
  if (names.empty()) return selected;
  for (int field = 1, fields = FieldCount(filter); field <= fields; ++field) {
    const boost::regex expression(GetField(filter, field), boost::regex::perl);
    for (const std::string& name : names)
      if (boost::regex_search(name, expression)) selected.push_back(name);
  }
  return selected;
}

}  // namespace tw
