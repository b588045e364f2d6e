// The scan database as a scan reads it. The document itself is parsed by the system's XML DOM,
// which only Windows has; here a portable parser stands in for it, and the walk a scan makes
// over the document (groups, their items, the items' actions) hands every attribute value to the
// program's own rules: which items a mode takes, the programs named by icon lists, ";" lists,
// path macros, attribute masks and the registry name filters. None of them may fail on any
// text (a filter that does not compile raises the expression library's error, which ends that
// action's scan as failed), and each keeps its promise:
// - an item whose "enabled" is "false" takes part in no mode;
// - every field counted in a list is non-empty, and a program to close is a lower-case ".exe"
//   file name;
// - a path without a macro is used as written;
// - a filter selects only names it was given, and an empty filter selects every name.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "cleaners/portable/FileAttrMask.h"
#include "cleaners/portable/NameFilter.h"
#include "engine/portable/ScanRules.h"
#include "engine/portable/TextUtility.h"
#include "support/Fields.h"

namespace {

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

constexpr int kModes = 7;

// Every field of a ";" list, as the scan and the cleaners loop over them.
std::vector<std::string> Fields(std::string_view list) {
  std::vector<std::string> out;
  for (int i = 1, n = tw::FieldCount(list); i <= n; ++i) {
    out.push_back(tw::GetField(list, i));
    Require(!out.back().empty());
  }
  return out;
}

void CheckIcon(std::string_view icon, std::string_view itemId) {
  (void)tw::IconProgramsIgnored(itemId);
  for (const std::string& field : Fields(icon)) {
    const std::string program = tw::IconProgram(field);
    if (program.empty()) continue;
    Require(program.find(".exe") != std::string::npos);
    Require(program.find_first_of("\\:") == std::string::npos);
    for (const char c : program) Require(c < 'A' || c > 'Z');
  }
}

void CheckPath(const std::string& path) {
  const auto env = [](const std::string& name) {
    return name.empty() ? std::string() : "C:\\Env\\" + name;
  };
  const auto folder = [](int csidl) {
    return csidl < 0 ? std::string() : "C:\\Folder" + std::to_string(csidl) + "\\";
  };
  const std::string expanded = tw::ExpandEnvPathWith(path, env);
  if (path.empty() || (path.front() != '%' && path.back() != '%')) Require(expanded == path);
  (void)tw::ResolveFolderMacroWith(path, folder);
  (void)tw::ResolveFolderMacroWith(expanded, folder);
  (void)tw::IsSystemFolderWith(expanded, env);
}

void CheckFilter(const std::string& filter) {
  static const std::vector<std::string> kNames = {
      "", "File1", "MRUList", "a", "Software\\Vendor", "(Default)", "url1", "Caf\xC3\xA9"};
  std::vector<std::string> selected;
  try {
    selected = tw::SelectNames(kNames, filter);
  } catch (const std::runtime_error&) {
    return;  // an expression that does not compile
  }
  if (filter.empty()) Require(selected == kNames);
  for (const std::string& name : selected) {
    bool given = false;
    for (const std::string& candidate : kNames) given = given || name == candidate;
    Require(given);
  }
}

void CheckAction(const pugi::xml_node& action) {
  for (const char* name : {"fileAttrib", "excludeAttr"})
    if (const pugi::xml_attribute attr = action.attribute(name))
      Require((tw::AttributeMask(attr.value()) & ~0xFFu) == 0);
  if (const pugi::xml_attribute path = action.attribute("path")) CheckPath(path.value());
  for (const char* name : {"fileFilter", "excludeFolder"})
    if (const pugi::xml_attribute list = action.attribute(name)) (void)Fields(list.value());
  for (const char* name : {"valueFilter", "subkeyFilter"})
    if (const pugi::xml_attribute filter = action.attribute(name)) CheckFilter(filter.value());
}

void CheckItem(const pugi::xml_node& group, const pugi::xml_node& item) {
  const std::string_view enabled = item.attribute("enabled").value();
  const std::string_view modeText = item.attribute("mode").value();
  const std::string_view checked = item.attribute("checked").value();
  for (int mode = 1; mode <= kModes; ++mode) {
    if (!tw::GroupTakesPart(mode, group.attribute("id").value())) continue;
    const bool takes = tw::ItemTakesPart(mode, enabled, modeText, checked);
    if (enabled == "false") Require(!takes);
  }
  CheckIcon(item.attribute("icon").value(), item.attribute("id").value());
  for (const pugi::xml_node& action : item.children("Action")) CheckAction(action);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pugi::xml_document doc;
  if (!doc.load_buffer(data, size, pugi::parse_default | pugi::parse_declaration,
                       pugi::encoding_utf8))
    return 0;
  const pugi::xml_node root = doc.document_element();
  for (const pugi::xml_node& group : root.children("Group")) {
    CheckIcon(group.attribute("icon").value(), group.attribute("id").value());
    for (const pugi::xml_node& item : group.children("Item")) CheckItem(group, item);
  }
  return 0;
}
