#include "ui/dialogs/portable/ManagerRules.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <numeric>

namespace tw {
namespace {

constexpr std::array<const char*, 7> kEnglishDays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                     "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 12> kEnglishMonths = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char*, 7> kFrenchDays = {"dimanche", "lundi",    "mardi", "mercredi",
                                                    "jeudi",    "vendredi", "samedi"};
constexpr std::array<const char*, 12> kFrenchMonths = {
    "janvier", "f\xC3\xA9vrier", "mars",      "avril",   "mai",      "juin",
    "juillet", "ao\xC3\xBBt",    "septembre", "octobre", "novembre", "d\xC3\xA9" "cembre"};

bool SameDay(const TBackupTime& a, const TBackupTime& b) {
  return a.Year == b.Year && a.Month == b.Month && a.Day == b.Day;
}

const char* EnglishSuffix(int day) {
  switch (day) {
    case 1: case 21: case 31: return "st";
    case 2: case 22: return "nd";
    case 3: case 23: return "rd";
    default: return "th";
  }
}

}  // namespace

std::vector<TBackupDay> GroupBackupsByDay(const std::vector<TBackupStamp>& backups) {
  std::vector<std::size_t> order(backups.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return backups[a].Time > backups[b].Time; });
  std::vector<TBackupDay> days;
  for (std::size_t index : order) {
    if (days.empty() || !SameDay(days.back().Local, backups[index].Local))
      days.push_back({backups[index].Local, {}});
    days.back().Items.insert(days.back().Items.begin(), index);
  }
  return days;
}

int DayOfWeek(int year, int month, int day) {
  static constexpr int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 3) --year;
  const int m = std::clamp(month, 1, 12) - 1;
  return ((year + year / 4 - year / 100 + year / 400 + offsets[m] + day) % 7 + 7) % 7;
}

std::string BackupDayCaption(const TBackupTime& day, int language) {
  const int weekday = DayOfWeek(day.Year, day.Month, day.Day);
  const int month = std::clamp(day.Month, 1, 12) - 1;
  std::string text;
  if (language == 1) {
    text = std::string(kFrenchDays[weekday]) + ", le " + std::to_string(day.Day) + (day.Day == 1 ? "er " : " ") +
           kFrenchMonths[month] + " " + std::to_string(day.Year);
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  } else {
    text = std::string(kEnglishDays[weekday]) + " " + kEnglishMonths[month] + " " + std::to_string(day.Day) +
           EnglishSuffix(day.Day) + ", " + std::to_string(day.Year);
  }
  return text;
}

std::string TrimPreview(std::string_view text) {
  constexpr std::size_t kMax = 2048;
  if (text.size() <= kMax) return std::string(text);
  std::size_t cut = kMax;
  // Never split a UTF-8 sequence.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return std::string(text.substr(0, cut)) + "\r\n\r\n...";
}

std::string CookieCaption(std::string_view entryName) {
  const std::size_t at = entryName.find('@');
  if (at == std::string_view::npos) return {};
  std::string_view part = entryName.substr(at + 1);
  const std::size_t next = part.find('@');
  if (next != std::string_view::npos) part = part.substr(0, next);
  if (part.size() >= 48) return std::string(part.substr(0, 47)) + "...";
  return std::string(part);
}

std::vector<std::size_t> CookieOrder(const std::vector<TCookieSortKey>& cookies, int sortOrder) {
  std::vector<std::size_t> order(cookies.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  if (sortOrder == 0)
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return cookies[a].Hits > cookies[b].Hits; });
  else
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return cookies[a].Name < cookies[b].Name; });
  return order;
}

std::vector<std::string> CommaTextEntries(std::string_view text) {
  std::vector<std::string> entries;
  std::string current;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      entries.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  entries.push_back(current);
  return entries;
}

}  // namespace tw
