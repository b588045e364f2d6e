// data/database.xml against the rules its readers rely on: the scan manager reads every attribute
// of an action's method without a presence test, the ready list counts mode characters, the icon
// resolver walks ";" lists, the tips window compares ids as strings. Every problem is reported with
// the id of the group, item or tip where it was found, so one run lists them all.
#include <gtest/gtest.h>

#include <algorithm>
#include <boost/regex.hpp>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>
#include <pugixml.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "database/portable/Winapp2.h"
#include "engine/portable/RecoverableItems.h"

namespace {

using Problems = std::vector<std::string>;

const std::vector<std::string> kFixers = {
    "RegFixRun",         "RegFixRunMRU",     "RegFixSharedDLLs",   "RegFixFonts",
    "RegFixHelp",        "RegFixAppPaths",   "RegFixFolders",      "RegFixShares",
    "RegFixARPCache",    "RegFixCLSID",      "RegFixApplications", "RegFixMUICache",
    "RegFixSoftware",    "RegFixMenuOrder",  "RegFixUninstall",    "RegFixFileExts",
    "RegFixFileExtsRec", "RegFixFileTypeRec"};

// The fixers that examine only the handler subkeys named in their subkeyFilter.
const std::set<std::string> kClassFixers = {"RegFixFileExtsRec", "RegFixFileTypeRec",
                                            "RegFixApplications", "RegFixCLSID"};

const std::set<std::string> kFileMethods = {"DeleteFiles", "DeleteShortcut", "DeleteHotFix",
                                            "DeleteGoogleDesktopDataDir"};

// method -> the attributes the scan manager reads from the Action element.
const std::map<std::string, std::vector<std::string>>& MethodTable() {
  static const auto table = [] {
    std::map<std::string, std::vector<std::string>> t;
    for (const auto& fixer : kFixers) t[fixer] = {"key", "subkey", "valueFilter", "subkeyFilter"};
    for (const char* m : {"DeleteFiles", "DeleteShortcut", "DeleteHotFix"})
      t[m] = {"path", "excludeAttr", "fileAttrib", "fileFilter", "excludeFolder", "recurse"};
    t["DeleteGoogleDesktopDataDir"] = {"excludeAttr", "fileAttrib", "fileFilter", "excludeFolder",
                                       "recurse"};
    t["DeleteChromiumFiles"] = {"browser", "place", "folder", "fileFilter", "recurse"};
    t["DeleteFirefoxFiles"] = {"place", "folder", "fileFilter", "recurse"};
    t["DeleteValues"] = {"key", "subkey", "valueFilter"};
    t["DeleteSubkeys"] = {"key", "subkey", "subkeyFilter"};
    t["ReplaceValues"] = {"key", "subkey", "newValue", "valueFilter"};
    for (const char* m :
         {"EraseClipboard",        "EmptyRecycleBin",        "DeleteRecentDocs",
          "DeleteCache",           "DeleteCookies",          "DeleteHistory",
          "DeleteOperaCache",      "DeleteOperaCookies",     "DeleteOperaHistory",
          "DeleteOperaTypedURLs",  "DeleteOperaDownloads",   "DeleteOperaImages",
          "DeleteFirefoxCache",    "DeleteFirefoxCookies",   "DeleteFirefoxHistory",
          "DeleteFirefoxForms",    "DeleteFirefoxDownloads", "DeleteFirefoxFavicons",
          "DeleteChromeCookies",   "DeleteChromeHistory",    "DeleteChromeKeywords",
          "DeleteChromeDownloads", "DeleteChromeThumbnails", "DeleteChromeFavicons",
          "DeleteChromeAutofill"})
      t[m] = {};
    return t;
  }();
  return table;
}

const std::set<std::string> kRootKeys = {
    "HKEY_CLASSES_ROOT", "HKCR", "HKEY_CURRENT_USER",     "HKCU", "HKEY_LOCAL_MACHINE",  "HKLM",
    "HKEY_USERS",        "HKUS", "HKEY_PERFORMANCE_DATA", "HKPD", "HKEY_CURRENT_CONFIG", "HKCC",
    "HKEY_DYN_DATA",     "HKDD"};

const std::set<std::string> kSpecialFolders = {"CSIDL_DESKTOP",
                                               "CSIDL_INTERNET",
                                               "CSIDL_PROGRAMS",
                                               "CSIDL_CONTROLS",
                                               "CSIDL_PRINTERS",
                                               "CSIDL_PERSONAL",
                                               "CSIDL_FAVORITES",
                                               "CSIDL_STARTUP",
                                               "CSIDL_RECENT",
                                               "CSIDL_SENDTO",
                                               "CSIDL_BITBUCKET",
                                               "CSIDL_STARTMENU",
                                               "CSIDL_DESKTOPDIRECTORY",
                                               "CSIDL_DRIVES",
                                               "CSIDL_NETWORK",
                                               "CSIDL_NETHOOD",
                                               "CSIDL_FONTS",
                                               "CSIDL_TEMPLATES",
                                               "CSIDL_COMMON_STARTMENU",
                                               "CSIDL_COMMON_PROGRAMS",
                                               "CSIDL_COMMON_STARTUP",
                                               "CSIDL_COMMON_DESKTOPDIRECTORY",
                                               "CSIDL_APPDATA",
                                               "CSIDL_PRINTHOOD",
                                               "CSIDL_LOCAL_APPDATA",
                                               "CSIDL_ALTSTARTUP",
                                               "CSIDL_COMMON_ALTSTARTUP",
                                               "CSIDL_COMMON_FAVORITES",
                                               "CSIDL_INTERNET_CACHE",
                                               "CSIDL_COOKIES",
                                               "CSIDL_HISTORY",
                                               "CSIDL_COMMON_APPDATA"};

const std::set<std::string> kAttributeNames = {"faReadOnly",  "faHidden",  "faSysFile",
                                               "faDirectory", "faArchive", "faSymLink",
                                               "faAnyFile",   "faNormal"};

// Programs an item icon must never name: the scan offers every named program for closing.
const std::set<std::string> kShellProcesses = {"explorer.exe", "svchost.exe", "dwm.exe",
                                               "winlogon.exe", "csrss.exe",   "lsass.exe",
                                               "services.exe", "smss.exe",    "wininit.exe"};

// Files that hold passwords, keys, certificates or bookmarks: never a cleaning target.
const std::set<std::string> kKeepFiles = {
    "key3.db",       "key4.db",    "logins.json", "signons.sqlite", "cert8.db",    "cert9.db",
    "places.sqlite", "login data", "web data",    "bookmarks",      "preferences", "prefs.js"};

// Roaming Mozilla profiles (lower case): passwords, certificates, bookmarks and mail live there.
const std::vector<std::string> kRoamingProfiles = {
    "csidl_appdata\\mozilla\\firefox\\profiles", "%appdata%\\mozilla\\firefox\\profiles",
    "csidl_appdata\\thunderbird\\profiles", "%appdata%\\thunderbird\\profiles"};

// Folders whose whole content is disposable, so they may be emptied recursively as they are.
const std::set<std::string> kWholeCacheFolders = {"%TEMP%", "CSIDL_INTERNET_CACHE"};

// Profile roots of browsers: they hold passwords and settings beside the caches.
const std::vector<std::string> kProfileRootEndings = {"\\user data", "\\default", "\\opera stable",
                                                      "\\opera gx stable"};

const char* const kLanguages[4] = {"en", "fr", "de", "es"};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// A ";" list split the way the program splits it: a field that starts with a double quote runs to
// the quote in front of the next separator and loses its quotes when it holds a separator.
std::vector<std::string> SplitFields(const std::string& text) {
  std::vector<std::string> fields;
  std::string rest = text;
  while (!rest.empty()) {
    size_t end = std::string::npos;
    if (rest.size() >= 2 && rest[0] == '"') {
      const size_t quote = rest.find("\";");
      if (quote != std::string::npos) end = quote + 1;
    } else {
      end = rest.find(';');
    }
    std::string field = rest.substr(0, end);
    rest = end == std::string::npos ? std::string() : rest.substr(end + 1);
    if (field.size() >= 2 && field[0] == '"' && field.find(';') != std::string::npos)
      field = field.substr(1, field.size() - 2);
    fields.push_back(field);
  }
  return fields;
}

bool IsBool(const std::string& value) { return value == "true" || value == "false"; }

class Validator {
 public:
  Problems Run(const pugi::xml_document& doc) {
    CheckDeclaration(doc);
    const pugi::xml_node root = doc.document_element();
    if (!root) {
      Problem("document", "has no root element");
      return problems_;
    }
    CheckAttributes("root", root, {"version", "smallIcons"});
    if (root.attribute("version").as_string()[0] == '\0') Problem("root", "empty version");
    if (!IsBool(root.attribute("smallIcons").as_string()))
      Problem("root", "smallIcons must be true or false");
    CheckOnlyElements("root", root);
    int tipLists = 0;
    for (const pugi::xml_node& child : root.children()) {
      if (child.type() != pugi::node_element) continue;
      const std::string name = child.name();
      if (name == "Group") {
        if (tipLists > 0) Problem(child.attribute("id").as_string(), "group after TipsAndTricks");
        CheckGroup(child);
      } else if (name == "TipsAndTricks") {
        ++tipLists;
        CheckTips(child);
      } else {
        Problem("root", "unexpected element <" + name + ">");
      }
    }
    if (tipLists != 1) Problem("root", "needs exactly one TipsAndTricks element");
    return problems_;
  }

  // What the product database must hold beyond well-formed elements.
  Problems Completeness(const pugi::xml_document& doc) {
    const pugi::xml_node root = doc.document_element();
    std::vector<std::string> groups;
    std::set<std::string> fixers;
    std::set<std::string> items;
    for (const pugi::xml_node& group : root.children("Group")) {
      groups.push_back(group.attribute("id").as_string());
      for (const pugi::xml_node& item : group.children("Item")) {
        items.insert(item.attribute("id").as_string());
        for (const pugi::xml_node& action : item.children("Action")) {
          const std::string method = action.attribute("method").as_string();
          if (method.rfind("RegFix", 0) == 0) fixers.insert(method);
          if (std::string(item.attribute("id").as_string()) == "g07-i13" &&
              (method != "DeleteValues" ||
               std::string(action.attribute("subkey").as_string()).find("\\UserAssist\\") ==
                   std::string::npos))
            Problem("g07-i13", "must hold the UserAssist value lists only");
        }
      }
    }
    for (int g = 0; g <= 13; ++g) {
      char id[8];
      std::snprintf(id, sizeof id, "g%02d", g);
      if (g >= static_cast<int>(groups.size()) || groups[g] != id)
        Problem(id, "groups g00 to g13 must come in this order");
    }
    for (const auto& fixer : kFixers)
      if (!fixers.count(fixer)) Problem("g00", "no item uses " + fixer);
    for (const char* id :
         {"g05-i01", "g05-i02", "g05-i03", "g05-i04", "g05-i05", "g05-i06", "g07-i13"})
      if (!items.count(id)) Problem(id, "missing");
    const pugi::xml_node tips = root.child("TipsAndTricks");
    int tipCount = 0;
    for (const pugi::xml_node& tip : tips.children("Tip")) tipCount += tip ? 1 : 0;
    if (tipCount < 30) Problem("TipsAndTricks", "fewer than 30 tips");
    return problems_;
  }

 private:
  void Problem(const std::string& id, const std::string& text) {
    problems_.push_back(id + ": " + text);
  }

  void CheckDeclaration(const pugi::xml_document& doc) {
    const pugi::xml_node first = doc.first_child();
    if (first.type() != pugi::node_declaration ||
        Lower(first.attribute("encoding").as_string()) != "utf-8")
      Problem("document", "must begin with an XML declaration with encoding UTF-8");
  }

  // Attributes beyond the allowed ones are typing errors; missing ones stop the reader.
  void CheckAttributes(const std::string& id, const pugi::xml_node& node,
                       const std::vector<std::string>& allowed) {
    for (const auto& name : allowed)
      if (!node.attribute(name.c_str()))
        Problem(id, std::string("<") + node.name() + "> lacks attribute " + name);
    for (const pugi::xml_attribute& attr : node.attributes())
      if (std::find(allowed.begin(), allowed.end(), attr.name()) == allowed.end())
        Problem(id, std::string("<") + node.name() + "> has unknown attribute " + attr.name());
  }

  // The readers count child positions: only elements may sit inside these elements.
  void CheckOnlyElements(const std::string& id, const pugi::xml_node& node) {
    for (const pugi::xml_node& child : node.children())
      if (child.type() != pugi::node_element)
        Problem(id, std::string("<") + node.name() + "> holds a comment, text or instruction");
  }

  void CheckNoChildren(const std::string& id, const pugi::xml_node& node) {
    if (node.first_child()) Problem(id, std::string("<") + node.name() + "> must be empty");
  }

  // Children 0 to 3: English, French, German, Spanish. Returns the first child after them.
  pugi::xml_node CheckLanguages(const std::string& id, const pugi::xml_node& node, bool withName) {
    pugi::xml_node child = node.first_child();
    std::string englishInfo;
    for (int lang = 0; lang < 4; ++lang, child = child.next_sibling()) {
      if (!child || std::string(child.name()) != kLanguages[lang]) {
        Problem(id,
                std::string("language element ") + kLanguages[lang] + " missing or out of place");
        return child;
      }
      CheckNoChildren(id, child);
      if (withName)
        CheckAttributes(id, child, {"name", "info"});
      else
        CheckAttributes(id, child, {"info"});
      for (const char* attr : {"name", "info"}) {
        if (!withName && std::string(attr) == "name") continue;
        const std::string text = child.attribute(attr).as_string();
        if (text.empty())
          Problem(id, std::string(kLanguages[lang]) + " " + attr + " is empty");
        else if (std::isspace(static_cast<unsigned char>(text.front())) ||
                 std::isspace(static_cast<unsigned char>(text.back())))
          Problem(id, std::string(kLanguages[lang]) + " " + attr + " has blanks at an end");
      }
      const std::string info = child.attribute("info").as_string();
      if (lang == 0)
        englishInfo = info;
      else if (info == englishInfo)
        Problem(id, std::string(kLanguages[lang]) + " info is not translated");
    }
    return child;
  }

  // "%VAR%", "%VAR%\sub" or "CSIDL_NAME" with an optional "\sub".
  bool CheckMacro(const std::string& id, const std::string& what, const std::string& text) {
    if (text.rfind("CSIDL_", 0) == 0) {
      const std::string name = text.substr(0, text.find('\\'));
      if (!kSpecialFolders.count(name)) {
        Problem(id, what + " names an unknown special folder: " + text);
        return false;
      }
    } else if (!text.empty() && text[0] == '%') {
      const size_t close = text.find('%', 1);
      if (close == std::string::npos || close == 1 ||
          (close + 1 != text.size() && text[close + 1] != '\\')) {
        Problem(id, what + " has a malformed variable: " + text);
        return false;
      }
    } else {
      Problem(id, what + " must start with an environment variable or a special folder: " + text);
      return false;
    }
    if (EndsWith(text, "\\") || text.find("\\\\") != std::string::npos) {
      Problem(id, what + " has a stray backslash: " + text);
      return false;
    }
    return true;
  }

  std::vector<std::string> CheckList(const std::string& id, const std::string& what,
                                     const std::string& text) {
    std::vector<std::string> fields = SplitFields(text);
    if (std::find(fields.begin(), fields.end(), std::string()) != fields.end())
      Problem(id, what + " has an empty field, which hides the fields after it: " + text);
    return fields;
  }

  void CheckIcon(const std::string& id, const std::string& icon, bool isItem) {
    const std::vector<std::string> fields = CheckList(id, "icon", icon);
    if (fields.empty()) Problem(id, "empty icon list");
    for (size_t i = 0; i < fields.size(); ++i) {
      const std::string& field = fields[i];
      if (field.empty()) continue;
      if (field.find("CSIDL_") != std::string::npos || field[0] == '%') {
        CheckMacro(id, "icon source", field);
      } else if (field.find_first_of("\\:") != std::string::npos) {
        Problem(id, "icon source is a machine path: " + field);
      }
      if (!isItem) continue;
      const std::string file = Lower(field.substr(field.find_last_of("\\:") + 1));
      if (kShellProcesses.count(file))
        Problem(id, "icon names a system process that would be closed: " + field);
      const bool endsSearch = field.find("FlashUtil") != std::string::npos ||
                              field.find("GoogleToolbarNotifier") != std::string::npos ||
                              field.find("javaws.exe") != std::string::npos;
      if (endsSearch && i + 1 != fields.size())
        Problem(id, "icon sources after " + field + " are never tried");
    }
  }

  void CheckGroup(const pugi::xml_node& group) {
    const std::string id = group.attribute("id").as_string();
    CheckAttributes(id.empty() ? "group" : id, group, {"id", "icon", "expanded"});
    if (id.size() != 3 || id[0] != 'g' || !std::isdigit(static_cast<unsigned char>(id[1])) ||
        !std::isdigit(static_cast<unsigned char>(id[2])))
      Problem(id, "group id must look like g07");
    if (!ids_.insert(id).second) Problem(id, "duplicate id");
    if (!IsBool(group.attribute("expanded").as_string()))
      Problem(id, "expanded must be true or false");
    CheckOnlyElements(id, group);
    const std::string icon = group.attribute("icon").as_string();
    CheckIcon(id, icon, false);
    pugi::xml_node child = CheckLanguages(id, group, true);
    if (id == "g01") {
      // One alternative per default-browser kind, in the name of every language and in the icon.
      if (SplitFields(icon).size() != 4) Problem(id, "icon must list four alternatives");
      for (const pugi::xml_node& lang : group.children())
        if (std::string(lang.name()).size() == 2 &&
            SplitFields(lang.attribute("name").as_string()).size() != 4)
          Problem(id, std::string(lang.name()) + " name must list four alternatives");
    }
    std::map<std::string, std::string> captions[4];
    std::string previous;
    for (; child; child = child.next_sibling()) {
      if (child.type() != pugi::node_element) continue;
      if (std::string(child.name()) != "Item") {
        Problem(id, std::string("unexpected element <") + child.name() + ">");
        continue;
      }
      const std::string itemId = child.attribute("id").as_string();
      if (!previous.empty() && itemId <= previous)
        Problem(itemId, "item ids must increase within the group");
      previous = itemId;
      CheckItem(id, child);
      for (int lang = 0; lang < 4; ++lang) {
        const pugi::xml_node langNode = child.child(kLanguages[lang]);
        const std::string caption = langNode.attribute("name").as_string();
        if (!caption.empty() && !captions[lang].emplace(caption, itemId).second)
          Problem(itemId, std::string(kLanguages[lang]) + " name repeats the one of " +
                              captions[lang][caption]);
      }
    }
  }

  void CheckItem(const std::string& groupId, const pugi::xml_node& item) {
    const std::string id = item.attribute("id").as_string();
    CheckAttributes(id.empty() ? groupId + " item" : id, item,
                    {"id", "icon", "enabled", "mode", "checked"});
    if (id.size() != 7 || id.compare(0, 3, groupId) != 0 || id.compare(3, 2, "-i") != 0 ||
        !std::isdigit(static_cast<unsigned char>(id[5])) ||
        !std::isdigit(static_cast<unsigned char>(id[6])))
      Problem(id, "item id must be " + groupId + "-iNN");
    if (!ids_.insert(id).second) Problem(id, "duplicate id");
    if (!IsBool(item.attribute("enabled").as_string()))
      Problem(id, "enabled must be true or false");
    if (!IsBool(item.attribute("checked").as_string()))
      Problem(id, "checked must be true or false");
    CheckMode(id, groupId, item.attribute("mode").as_string());
    CheckOnlyElements(id, item);
    CheckIcon(id, item.attribute("icon").as_string(), true);
    int actions = 0;
    for (pugi::xml_node child = CheckLanguages(id, item, true); child;
         child = child.next_sibling()) {
      if (child.type() != pugi::node_element) continue;
      if (std::string(child.name()) != "Action") {
        Problem(id, std::string("unexpected element <") + child.name() + ">");
        continue;
      }
      ++actions;
      CheckAction(id, groupId, child);
    }
    if (actions == 0) Problem(id, "item without actions");
  }

  // Character m (from 1) is "1" when the item takes part in preset mode m: 1 Quick, 2 Cookie,
  // 3 History, 4 Privacy, 6 Complete. Character 5 marks the registry-integrity items; 7 is unused.
  void CheckMode(const std::string& id, const std::string& groupId, const std::string& mode) {
    if (mode.size() != 7 || mode.find_first_not_of("01") != std::string::npos) {
      Problem(id, "mode must be seven characters 0 or 1: \"" + mode + "\"");
      return;
    }
    if (mode[6] != '0') Problem(id, "mode character 7 must be 0");
    if (groupId == "g00") {
      if (mode != "0000100")
        Problem(id, "registry-integrity items take part in no preset mode: mode must be 0000100");
      return;
    }
    if (mode[4] != '0') Problem(id, "mode character 5 belongs to the registry-integrity group");
    if (mode.find('1') < 4 && mode[5] != '1')
      Problem(id, "an item of a preset mode must also be in Complete Cleanup");
  }

  void CheckAction(const std::string& id, const std::string& groupId,
                   const pugi::xml_node& action) {
    CheckNoChildren(id, action);
    const std::string method = action.attribute("method").as_string();
    const auto rule = MethodTable().find(method);
    if (rule == MethodTable().end()) {
      Problem(id, "unknown method \"" + method + "\"");
      return;
    }
    std::vector<std::string> allowed = rule->second;
    allowed.insert(allowed.begin(), "method");
    CheckAttributes(id, action, allowed);
    const auto attr = [&](const char* name) {
      return std::string(action.attribute(name).as_string());
    };

    const bool isFixer = method.rfind("RegFix", 0) == 0;
    if (isFixer != (groupId == "g00"))
      Problem(id,
              isFixer ? method + " belongs in group g00" : "group g00 holds registry fixers only");

    if (action.attribute("key")) {
      if (!kRootKeys.count(attr("key"))) Problem(id, "unknown root key \"" + attr("key") + "\"");
      const std::string subkey = attr("subkey");
      if (!subkey.empty() && (subkey.front() == '\\' || subkey.back() == '\\' ||
                              subkey.find("\\\\") != std::string::npos))
        Problem(id, "subkey has a stray backslash: " + subkey);
      const bool rootItself = method == "RegFixFileExtsRec" || method == "RegFixFileTypeRec";
      if (rootItself && !subkey.empty())
        Problem(id, method + " examines the classes root: subkey must be empty");
      if (subkey.empty() && !rootItself &&
          !(method == "RegFixFileExts" && attr("key") == "HKEY_CLASSES_ROOT"))
        Problem(id, method + " needs a subkey");
    }
    if (kClassFixers.count(method) && attr("subkeyFilter").empty())
      Problem(id, method + " needs a subkeyFilter naming the handler keys it examines");
    if (!isFixer) {
      for (const char* filter : {"valueFilter", "subkeyFilter"})
        if (action.attribute(filter))
          for (const std::string& expression : CheckList(id, filter, attr(filter))) {
            try {
              boost::regex compiled(expression, boost::regex::perl);
            } catch (const std::exception& e) {
              Problem(id, std::string(filter) + " \"" + expression +
                              "\" does not compile: " + e.what());
            }
          }
    }
    if (kFileMethods.count(method)) CheckFileAction(id, method, action);
  }

  void CheckFileAction(const std::string& id, const std::string& method,
                       const pugi::xml_node& action) {
    const auto attr = [&](const char* name) {
      return std::string(action.attribute(name).as_string());
    };
    if (!IsBool(attr("recurse"))) Problem(id, "recurse must be true or false");
    for (const char* masks : {"fileAttrib", "excludeAttr"})
      for (const std::string& name : SplitFields(attr(masks)))
        if (!kAttributeNames.count(name))
          Problem(id, std::string(masks) + " names an unknown attribute \"" + name + "\"");
    if ((method == "DeleteFiles" || method == "DeleteGoogleDesktopDataDir") &&
        attr("fileAttrib").empty())
      Problem(id, "an empty fileAttrib lists nothing");
    const std::vector<std::string> filters = CheckList(id, "fileFilter", attr("fileFilter"));
    if (filters.empty()) Problem(id, "an empty fileFilter lists nothing");
    CheckList(id, "excludeFolder", attr("excludeFolder"));
    for (const std::string& filter : filters)
      if (kKeepFiles.count(Lower(filter)))
        Problem(id, "fileFilter names a file that must be kept: " + filter);
    if (method == "DeleteGoogleDesktopDataDir") return;

    const std::string path = attr("path");
    if (!CheckMacro(id, "path", path)) return;
    const std::string lowerPath = Lower(path);
    for (const auto& roaming : kRoamingProfiles)
      if (lowerPath.rfind(roaming, 0) == 0)
        Problem(id, "a roaming Mozilla profile holds passwords, mail and settings: " + path);
    const bool catchAll = std::any_of(filters.begin(), filters.end(),
                                      [](const std::string& f) { return f == "*" || f == "*.*"; });
    if (method != "DeleteFiles" || !catchAll || attr("recurse") != "true") return;
    if (path.find('\\') == std::string::npos && !kWholeCacheFolders.count(path))
      Problem(id, "empties the whole folder " + path);
    for (const auto& ending : kProfileRootEndings)
      if (EndsWith(lowerPath, ending)) Problem(id, "empties a browser profile root: " + path);
  }

  void CheckTips(const pugi::xml_node& tips) {
    const std::string where = "TipsAndTricks";
    CheckAttributes(where, tips, {"lastTip", "maxTipId"});
    CheckOnlyElements(where, tips);
    std::vector<std::string> ids;
    for (const pugi::xml_node& tip : tips.children()) {
      if (tip.type() != pugi::node_element) continue;
      if (std::string(tip.name()) != "Tip") {
        Problem(where, std::string("unexpected element <") + tip.name() + ">");
        continue;
      }
      const std::string id = std::string("tip ") + tip.attribute("id").as_string();
      CheckAttributes(id, tip, {"id"});
      CheckOnlyElements(id, tip);
      // The tips window moves on to the first id greater than the last one shown, as strings.
      if (!ids.empty() && tip.attribute("id").as_string() <= ids.back())
        Problem(id, "tip ids must increase as strings (\"" + ids.back() + "\" comes before)");
      ids.push_back(tip.attribute("id").as_string());
      if (ids.back().empty()) Problem(id, "empty id");
      for (pugi::xml_node extra = CheckLanguages(id, tip, false); extra;
           extra = extra.next_sibling())
        Problem(id, std::string("unexpected element <") + extra.name() + ">");
    }
    if (ids.empty()) {
      Problem(where, "no tips");
      return;
    }
    if (tips.attribute("maxTipId").as_string() != ids.back())
      Problem(where, "maxTipId must be the id of the last tip, " + ids.back());
    if (std::find(ids.begin(), ids.end(), tips.attribute("lastTip").as_string()) == ids.end())
      Problem(where, "lastTip must be the id of a tip");
  }

  std::set<std::string> ids_;
  Problems problems_;
};

constexpr unsigned kParseOptions =
    pugi::parse_default | pugi::parse_declaration | pugi::parse_comments | pugi::parse_pi;

std::string Join(const Problems& problems) {
  std::ostringstream out;
  for (const auto& problem : problems) out << "\n  " << problem;
  return out.str();
}

TEST(DatabaseXml, ProductDatabaseFollowsEveryRule) {
  std::ifstream file(TW_DATABASE_XML, std::ios::binary);
  ASSERT_TRUE(file) << TW_DATABASE_XML;
  std::stringstream text;
  text << file.rdbuf();
  pugi::xml_document doc;
  const pugi::xml_parse_result parsed = doc.load_string(text.str().c_str(), kParseOptions);
  ASSERT_TRUE(parsed) << parsed.description() << " at byte " << parsed.offset;
  Validator validator;
  const Problems problems = validator.Run(doc);
  EXPECT_TRUE(problems.empty()) << Join(problems);
  const Problems missing = Validator().Completeness(doc);
  EXPECT_TRUE(missing.empty()) << Join(missing);
}

// The items the code names as the user's own files (their removed files may go into the Recycle
// Bin) must exist and remove only files of the user's own places: never temporary or cache files,
// never registry entries or browser databases.
TEST(DatabaseXml, RecoverableItemsRemoveOnlyTheUsersOwnFiles) {
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file(TW_DATABASE_XML, kParseOptions)) << TW_DATABASE_XML;
  for (std::string_view id : tw::RecoverableItemIds()) {
    SCOPED_TRACE(std::string(id));
    const pugi::xml_node item =
        doc.child("Database").find_node([&](const pugi::xml_node& node) {
          return std::string_view(node.name()) == "Item" && node.attribute("id").as_string() == id;
        });
    ASSERT_TRUE(item);
    int actions = 0;
    for (const pugi::xml_node& action : item.children("Action")) {
      ++actions;
      const std::string method = action.attribute("method").as_string();
      EXPECT_TRUE(method == "DeleteFiles" || method == "DeleteRecentDocs") << method;
      std::string path = action.attribute("path").as_string();
      std::transform(path.begin(), path.end(), path.begin(), [](unsigned char c) { return std::tolower(c); });
      EXPECT_EQ(path.find("%temp%"), std::string::npos) << path;
      EXPECT_EQ(path.find("cache"), std::string::npos) << path;
    }
    EXPECT_GT(actions, 0);
  }
  EXPECT_FALSE(tw::RecoverableItemId("g07-i01"));  // temporary files
}

// A small document that passes, and single faults planted in it: each must be reported with the
// id of the element it sits in.
const char kSample[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<Database version="1" smallIcons="false">
  <Group id="g00" icon="%WINDIR%\regedit.exe" expanded="true">
    <en name="Registry" info="Broken entries."/><fr name="Registre" info="Entrées cassées."/>
    <de name="Registrierung" info="Defekte Einträge."/><es name="Registro" info="Entradas rotas."/>
    <Item id="g00-i01" icon="%WINDIR%\regedit.exe" enabled="true" mode="0000100" checked="true">
      <en name="Run" info="Startup."/><fr name="Run" info="Démarrage."/>
      <de name="Run" info="Autostart."/><es name="Run" info="Inicio."/>
      <Action method="RegFixRun" key="HKEY_CURRENT_USER" subkey="Software\Run" valueFilter="" subkeyFilter=""/>
    </Item>
  </Group>
  <Group id="g07" icon="%WINDIR%\explorer.exe" expanded="false">
    <en name="Windows" info="Traces."/><fr name="Windows" info="Traces de Windows."/>
    <de name="Windows" info="Spuren."/><es name="Windows" info="Rastros."/>
    <Item id="g07-i01" icon="%TEMP%;CSIDL_DRIVES" enabled="true" mode="1001010" checked="true">
      <en name="Temp" info="Temporary files."/><fr name="Temp" info="Fichiers temporaires."/>
      <de name="Temp" info="Temporäre Dateien."/><es name="Temp" info="Archivos temporales."/>
      <Action method="DeleteFiles" path="%TEMP%" fileFilter="*.*" fileAttrib="faAnyFile;faNormal" excludeAttr="" excludeFolder="" recurse="true"/>
      <Action method="DeleteValues" key="HKEY_CURRENT_USER" subkey="Software\Paint\Recent File List" valueFilter="^File[0-9]+$"/>
    </Item>
  </Group>
  <TipsAndTricks lastTip="02" maxTipId="02">
    <Tip id="01"><en info="One."/><fr info="Un."/><de info="Eins."/><es info="Uno."/></Tip>
    <Tip id="02"><en info="Two."/><fr info="Deux."/><de info="Zwei."/><es info="Dos."/></Tip>
  </TipsAndTricks>
</Database>
)";

Problems ValidateText(const std::string& text) {
  pugi::xml_document doc;
  if (!doc.load_string(text.c_str(), kParseOptions)) return {"unparsable"};
  return Validator().Run(doc);
}

TEST(DatabaseXml, SampleIsValid) {
  const Problems problems = ValidateText(kSample);
  EXPECT_TRUE(problems.empty()) << Join(problems);
}

TEST(DatabaseXml, PlantedFaultsAreReportedWithTheirId) {
  struct Case {
    const char* fault;
    const char* find;
    const char* replace;
    const char* id;
  };
  const Case cases[] = {
      {"missing method attribute", R"( excludeFolder="" recurse)", " recurse", "g07-i01"},
      {"fixer without subkeyFilter", R"( subkeyFilter="")", "", "g00-i01"},
      {"unknown method", "DeleteValues", "DeleteValue", "g07-i01"},
      {"regular expression that does not compile", "^File[0-9]+$", "^File[0-9+$", "g07-i01"},
      {"empty field hiding the next filter", "^File[0-9]+$", "^File;;^Item", "g07-i01"},
      {"short mode string", R"(mode="1001010")", R"(mode="10010")", "g07-i01"},
      {"preset item outside Complete Cleanup", R"(mode="1001010")", R"(mode="1001000")", "g07-i01"},
      {"registry item in a preset mode", R"(mode="0000100")", R"(mode="0000110")", "g00-i01"},
      {"unknown attribute name", "faAnyFile;faNormal", "faAnyFile;faNormale", "g07-i01"},
      {"machine path", R"(path="%TEMP%")", R"(path="C:\Temp")", "g07-i01"},
      {"whole special folder emptied", R"(path="%TEMP%")", R"(path="CSIDL_APPDATA")", "g07-i01"},
      {"roaming Firefox profile", R"(path="%TEMP%")",
       R"(path="CSIDL_APPDATA\Mozilla\Firefox\Profiles\x")", "g07-i01"},
      {"browser profile root emptied", R"(path="%TEMP%")",
       R"(path="CSIDL_LOCAL_APPDATA\Vivaldi\User Data")", "g07-i01"},
      {"credentials named in a filter", R"(fileFilter="*.*")", R"(fileFilter="logins.json")",
       "g07-i01"},
      {"unknown special folder in an icon", "CSIDL_DRIVES", "CSIDL_COMPUTER", "g07-i01"},
      {"shell process in an item icon", "%TEMP%;CSIDL_DRIVES", "%WINDIR%\\explorer.exe", "g07-i01"},
      {"registry fixer outside g00", "DeleteValues", "RegFixRun", "g07-i01"},
      {"duplicate id", R"(id="g07-i01")", R"(id="g00-i01")", "g00-i01"},
      {"item id of another group", R"(id="g07-i01")", R"(id="g06-i01")", "g06-i01"},
      {"comment inside an item", "<Action method=\"DeleteFiles\"",
       "<!-- x --><Action method=\"DeleteFiles\"", "g07-i01"},
      {"missing language", R"(<es name="Temp" info="Archivos temporales."/>)", "", "g07-i01"},
      {"empty name", R"(<de name="Temp")", R"(<de name="")", "g07-i01"},
      {"untranslated info", "Archivos temporales.", "Temporary files.", "g07-i01"},
      {"enabled not a Boolean", R"(enabled="true" mode="1001010")",
       R"(enabled="yes" mode="1001010")", "g07-i01"},
      {"tip ids that do not increase as strings", R"(<Tip id="01">)", R"(<Tip id="9">)", "tip 02"},
      {"maxTipId not the last tip", R"(maxTipId="02")", R"(maxTipId="2")", "TipsAndTricks"},
      {"lastTip naming no tip", R"(lastTip="02")", R"(lastTip="03")", "TipsAndTricks"},
      {"tip without Spanish", R"(<es info="Dos."/>)", "", "tip 02"},
  };
  for (const Case& c : cases) {
    std::string text = kSample;
    const size_t at = text.find(c.find);
    ASSERT_NE(at, std::string::npos) << c.fault;
    text.replace(at, std::string(c.find).size(), c.replace);
    const Problems problems = ValidateText(text);
    const bool named = std::any_of(problems.begin(), problems.end(), [&](const std::string& p) {
      return p.rfind(std::string(c.id) + ": ", 0) == 0;
    });
    EXPECT_TRUE(named) << c.fault << ": no problem reported for " << c.id << Join(problems);
  }
}

// Groups imported from a rule file hold what the readers rely on, like the product's own.
TEST(DatabaseXml, ImportedRulesFollowEveryRule) {
  const std::string ini =
      "[Vendor App *]\nLangSecRef=3022\nDetectFile=%ProgramFiles%\\Vendor\\app.exe\n"
      "FileKey1=%LocalAppData%\\Vendor\\Cache|*.*|REMOVESELF\n"
      "FileKey2=%AppData%\\Vendor\\Logs|*.log;*.txt|RECURSE\nFileKey3=%WinDir%|*.log\n"
      "FileKey4=%Temp%|*.*|RECURSE\nFileKey5=%ProgramFiles%\\Vendor|*.tmp\n"
      "RegKey1=HKCU\\Software\\Vendor\\App|Last;File\nRegKey2=HKLM\\Software\\Vendor\\App\n"
      "RegKey3=HKCU\\Software\\Vendor\\App\\Recent|\"quoted\"\n"
      "[Vendor App]\nSection=Games\nDefault=True\nWarning=Removes saved games.\n"
      "FileKey1=%UserProfile%\\Saved Games\\Vendor|*.bak\n"
      "[Another & <Tool>]\nLangSecRef=3024\nDefault=True\nRegKey1=HKCU\\Software\\Tool|Window Pos\n"
      "[Unknown variable]\nFileKey1=%Pictures%\\Tool|*.*\n";
  tw::TWinapp2Options options;
  options.All = true;
  const tw::TWinapp2Result result =
      tw::ImportWinapp2(tw::ReadWinapp2(tw::Winapp2Text(ini)), options, nullptr);
  ASSERT_EQ(result.Taken, 3);
  std::string groups;
  for (const tw::TWinapp2Group& group : result.Groups) groups += group.Xml;
  std::string text = kSample;
  text.insert(text.find("  <TipsAndTricks"), groups);
  const Problems problems = ValidateText(text);
  EXPECT_TRUE(problems.empty()) << Join(problems);
}

}  // namespace
