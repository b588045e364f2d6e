#include "database/portable/IconSources.h"

#include <algorithm>
#include <cctype>

namespace tw {
namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return Lower(x) == Lower(y);
         });
}

}  // namespace

std::string CommandProgram(std::string_view command) {
  // A program path cannot hold a quote: the quoted program ends at the second quote, whatever
  // quoted arguments follow.
  if (!command.empty() && command.front() == '"') return FirstQuoted(command);
  const std::size_t blank = command.size() > 1 ? command.find(' ', 1) : std::string_view::npos;
  return std::string(blank == std::string_view::npos ? command : command.substr(0, blank));
}

std::string PathFileName(std::string_view path) {
  const std::size_t cut = path.find_last_of("\\:");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

int BrowserKindOf(std::string_view programPath) {
  const std::string name = PathFileName(programPath);
  if (EqualNoCase(name, "AOLDesktop.exe")) return 2;
  if (EqualNoCase(name, "AOLExplorer.exe")) return 3;
  if (EqualNoCase(name, "msn6.exe")) return 4;
  return 1;
}

TIconSourceKind IconSourceKindOf(std::string_view source) {
  if (source.find("CSIDL_") == std::string_view::npos) return TIconSourceKind::Path;
  return source.find('\\') == std::string_view::npos ? TIconSourceKind::SpecialFolder
                                                      : TIconSourceKind::FolderMacro;
}

TIconProbe IconProbeOf(std::string_view path) {
  if (path.find("FlashUtil") != std::string_view::npos) return TIconProbe::FlashUtil;
  if (path.find("GoogleToolbarNotifier") != std::string_view::npos) return TIconProbe::GoogleToolbarNotifier;
  if (path.find("javaws.exe") != std::string_view::npos) return TIconProbe::Javaws;
  return TIconProbe::Plain;
}

std::string_view ProbeFileName(TIconProbe probe) {
  switch (probe) {
    case TIconProbe::GoogleToolbarNotifier: return "GoogleToolbarNotifier.exe";
    case TIconProbe::Javaws: return "javaws.exe";
    default: return {};
  }
}

std::string FirstQuoted(std::string_view value) {
  if (value.empty() || value.front() != '"') return std::string(value);
  const std::size_t end = value.find('"', 1);
  return std::string(value.substr(1, end == std::string_view::npos ? std::string_view::npos : end - 1));
}

std::string PathFolder(std::string_view path) {
  const std::size_t cut = path.find_last_of('\\');
  return cut == std::string_view::npos ? std::string() : std::string(path.substr(0, cut));
}

}  // namespace tw
