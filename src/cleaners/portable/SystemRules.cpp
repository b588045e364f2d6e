#include "cleaners/portable/SystemRules.h"

#include <boost/regex.hpp>

#include "support/Exceptions.h"

namespace tw {

std::string TrimBlanks(std::string_view text) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  std::size_t first = 0, last = text.size();
  while (first < last && blank(text[first])) ++first;
  while (last > first && blank(text[last - 1])) --last;
  return std::string(text.substr(first, last - first));
}

bool MatchesHotFixPattern(std::string_view text) {
  static const boost::regex pattern(".*\\x24.*\\x24.*");
  return boost::regex_search(text.begin(), text.end(), pattern);
}

bool IsSparedDataFile(std::string_view name) {
  for (std::string_view part : {".xml", ".txt", "sidebar"}) {
    if (name.find(part) != std::string_view::npos) return true;
  }
  constexpr std::string_view settings = "uinfo.dat";
  if (name.size() != settings.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != settings[i]) return false;
  }
  return true;
}

bool IsBrokenTarget(std::string_view target, const TTargetProbe& probe) {
  if (target.empty() || target.find("\\\\") != std::string_view::npos) return false;
  const bool drivePath =
      target.size() >= 3 && target[1] == ':' && target[2] == '\\' &&
      ((target[0] >= 'A' && target[0] <= 'Z') || (target[0] >= 'a' && target[0] <= 'z'));
  if (!drivePath) return false;
  // The drive is asked first, so that nothing touches a removable or network drive.
  if (!probe.isFixedDisk(std::string(target.substr(0, 3)))) return false;
  return probe.state(std::string(target)) == TTargetState::Missing;
}

std::string RecycledItemText(const TDetailReader& location, const TDetailReader& name,
                             const std::string& itemPath, TFileLogFile& log) {
  std::string text;
  try {
    if (std::optional<std::string> folder = location()) text = *folder + "\\";
    if (std::optional<std::string> itemName = name()) text += *itemName;
  } catch (const std::exception&) {
    ErrorInfo error = DescribeException(std::current_exception());
    log.Write("[GetDetailsEx] %s: %s", error.className, error.message);
  }
  return text.empty() ? itemPath : text;
}

}  // namespace tw
