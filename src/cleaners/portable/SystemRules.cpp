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

std::optional<std::int64_t> SizeFromColumnText(std::string_view text) {
  // Blanks a number may be grouped with: space, no-break space, narrow no-break space.
  auto blankAt = [&](std::size_t i) -> std::size_t {
    if (text.substr(i, 1) == " ") return 1;
    if (text.substr(i, 2) == "\xC2\xA0") return 2;
    if (text.substr(i, 3) == "\xE2\x80\xAF") return 3;
    return 0;
  };
  auto isDigit = [&](std::size_t i) { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
  std::size_t i = 0;
  while (std::size_t n = blankAt(i)) i += n;
  if (!isDigit(i)) return std::nullopt;
  std::uint64_t whole = 0, fraction = 0, scale = 1;
  bool decimals = false;
  while (i < text.size()) {
    if (isDigit(i)) {
      if (whole > (1ull << 50)) return std::nullopt;
      if (decimals) {
        if (scale < 1000000) {
          fraction = fraction * 10 + static_cast<std::uint64_t>(text[i] - '0');
          scale *= 10;
        }
      } else {
        whole = whole * 10 + static_cast<std::uint64_t>(text[i] - '0');
      }
      ++i;
      continue;
    }
    std::size_t width = text[i] == ',' || text[i] == '.' || text[i] == '\'' ? 1 : blankAt(i);
    if (width == 0 || decimals) break;
    std::size_t digits = 0;
    while (isDigit(i + width + digits)) ++digits;
    if (digits == 0) break;  // a blank before the unit, or punctuation after the number
    const std::size_t after = i + width + digits;
    const bool group =
        digits == 3 && (after == text.size() || !(text[after] == ',' || text[after] == '.') ||
                        isDigit(after + 1));
    if (!group) {
      if (width != 1 || text[i] == '\'') return std::nullopt;
      decimals = true;
    }
    i += width;
  }
  while (std::size_t n = blankAt(i)) i += n;
  std::string unit;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == ' ') break;
    unit += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  std::uint64_t factor = 0;
  if (unit.empty() || unit == "b" || unit == "byte" || unit == "bytes" || unit == "octet" ||
      unit == "octets")
    factor = 1;
  for (const auto& [prefix, power] : {std::pair<char, int>{'k', 1}, {'m', 2}, {'g', 3}, {'t', 4}}) {
    if (unit == std::string(1, prefix) + "b" || unit == std::string(1, prefix) + "o" ||
        unit == std::string(1, prefix) + "ib") {
      factor = 1;
      for (int p = 0; p < power; ++p) factor *= 1024;
    }
  }
  if (factor == 0) return std::nullopt;
  return static_cast<std::int64_t>(whole * factor + fraction * factor / scale);
}

}  // namespace tw
