#include "ui/main/portable/RestartOptions.h"

#include <cctype>
#include <string_view>

namespace tw {

namespace {

// The value of "-NAME:value" or "/NAME=value" in any letter case of NAME; nothing otherwise.
std::optional<std::string> SwitchValue(std::string_view arg, std::string_view name) {
  if (arg.size() < name.size() + 2 || (arg[0] != '-' && arg[0] != '/')) return std::nullopt;
  for (std::size_t i = 0; i < name.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(arg[i + 1])) != name[i]) return std::nullopt;
  const char separator = arg[name.size() + 1];
  if (separator != ':' && separator != '=') return std::nullopt;
  return std::string(arg.substr(name.size() + 2));
}

bool IsSwitch(std::string_view arg, std::string_view name) {
  if (arg.size() != name.size() + 1 || (arg[0] != '-' && arg[0] != '/')) return false;
  for (std::size_t i = 0; i < name.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(arg[i + 1])) != name[i]) return false;
  return true;
}

std::optional<std::uint32_t> Number(const std::string& text, std::uint32_t maximum) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value > maximum) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

}  // namespace

TRestartOptions ReadRestartOptions(const std::vector<std::string>& args) {
  TRestartOptions options;
  for (const std::string& arg : args) {
    if (IsSwitch(arg, "SCAN")) options.Scan = true;
    if (const auto mode = SwitchValue(arg, "MODE"))
      if (const auto n = Number(*mode, 7)) options.Mode = static_cast<int>(*n);
    if (const auto pid = SwitchValue(arg, "WAITPID"))
      if (const auto n = Number(*pid, 0xFFFFFFFFu)) options.WaitPid = *n;
    if (const auto items = SwitchValue(arg, "ITEMS")) {
      std::vector<std::string> ids;
      std::size_t start = 0;
      while (start <= items->size() && !items->empty()) {
        const std::size_t comma = items->find(',', start);
        const std::string id = items->substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (!id.empty()) ids.push_back(id);
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
      options.Items = std::move(ids);
    }
  }
  return options;
}

std::string RestartParameters(const TRestartOptions& options) {
  std::string out;
  auto add = [&out](const std::string& part) { out += (out.empty() ? "" : " ") + part; };
  if (options.Mode) add("-MODE:" + std::to_string(*options.Mode));
  if (options.Items) {
    std::string list;
    for (const std::string& id : *options.Items) list += (list.empty() ? "" : ",") + id;
    add("\"-ITEMS:" + list + "\"");
  }
  if (options.Scan) add("-SCAN");
  if (options.WaitPid) add("-WAITPID:" + std::to_string(options.WaitPid));
  return out;
}

}  // namespace tw
