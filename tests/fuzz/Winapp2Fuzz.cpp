// The winapp2.ini reader and converter on any bytes: the text comes out as UTF-8, every entry is
// accounted for once (taken, not detected or skipped), the groups are XML that parses, with as
// many items as were taken, and every action is one the database knows and stays inside the
// folder or key its rule names.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <pugixml.hpp>
#include <string>
#include <string_view>

#include "database/portable/Winapp2.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

bool IsUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80             ? 1
                               : (lead & 0xE0) == 0xC0 ? 2
                               : (lead & 0xF0) == 0xE0 ? 3
                               : (lead & 0xF8) == 0xF0 ? 4
                                                       : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    i += length;
  }
  return true;
}

// Answers that depend on the question only, so a run can be replayed.
class HashMachine final : public tw::IWinapp2Machine {
 public:
  bool KeyExists(const std::string& root, const std::string& subkey) override {
    return std::hash<std::string>()(root + subkey) % 2;
  }
  bool PathExists(const std::string& path) override { return std::hash<std::string>()(path) % 2; }
  std::pair<int, int> WindowsVersion() override { return {10, 0}; }
};

void CheckAction(const pugi::xml_node& action) {
  const std::string method = action.attribute("method").value();
  if (method == "DeleteFiles") {
    const std::string path = action.attribute("path").value();
    const std::string recurse = action.attribute("recurse").value();
    Require(path.rfind("CSIDL_", 0) == 0 || path.rfind("%", 0) == 0);
    Require((path + "\\").find("\\..\\") == std::string::npos &&
            path.find("*") == std::string::npos);
    Require(recurse == "true" || recurse == "false");
    // A folder named by a bare macro is never walked, except the temporary folder.
    if (recurse == "true") Require(path.find('\\') != std::string::npos || path == "%TEMP%");
    Require(action.attribute("fileFilter").value()[0] != '\0');
  } else if (method == "DeleteValues" || method == "DeleteSubkeys") {
    Require(action.attribute("subkey").value()[0] != '\0');
    const std::string filter =
        action.attribute(method == "DeleteValues" ? "valueFilter" : "subkeyFilter").value();
    Require(filter.rfind("(?i)^", 0) == 0 && filter.back() == '$');
  } else {
    Require(false);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text =
      tw::Winapp2Text(std::string_view(reinterpret_cast<const char*>(data), size));
  Require(IsUtf8(text));
  const std::vector<tw::TWinapp2Entry> entries = tw::ReadWinapp2(text);
  HashMachine machine;
  for (bool all : {false, true}) {
    tw::TWinapp2Options options;
    options.All = all;
    options.LastGroup = 16;
    const tw::TWinapp2Result result = tw::ImportWinapp2(entries, options, &machine);
    Require(static_cast<std::size_t>(result.Taken) + result.NotDetected.size() +
                result.Skipped.size() ==
            entries.size());
    std::string xml = "<Groups>";
    for (const tw::TWinapp2Group& group : result.Groups) xml += group.Xml;
    xml += "</Groups>";
    pugi::xml_document doc;
    Require(static_cast<bool>(doc.load_string(xml.c_str())));
    int items = 0;
    for (const pugi::xml_node& group : doc.child("Groups").children("Group"))
      for (const pugi::xml_node& item : group.children("Item")) {
        ++items;
        Require(std::string(item.attribute("id").value()).size() == 7);
        for (const pugi::xml_node& action : item.children("Action")) CheckAction(action);
      }
    Require(items == result.Taken);
  }
  return 0;
}
