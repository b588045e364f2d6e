#include <gtest/gtest.h>

#include <map>
#include <pugixml.hpp>
#include <set>
#include <string>
#include <vector>

#include "cleaners/portable/NameFilter.h"
#include "database/portable/Winapp2.h"

namespace tw {
namespace {

using Attributes = std::map<std::string, std::string>;

struct Imported {
  TWinapp2Result result;
  pugi::xml_document doc;

  explicit Imported(const std::string& ini, bool all = true, IWinapp2Machine* machine = nullptr,
                    TWinapp2Options options = {}) {
    options.All = all;
    result = ImportWinapp2(ReadWinapp2(Winapp2Text(ini)), options, machine);
    std::string xml = "<Groups>";
    for (const TWinapp2Group& group : result.Groups) xml += group.Xml;
    xml += "</Groups>";
    const pugi::xml_parse_result parsed = doc.load_string(xml.c_str());
    EXPECT_TRUE(parsed) << parsed.description() << "\n" << xml;
  }

  std::vector<pugi::xml_node> Items() const {
    std::vector<pugi::xml_node> items;
    for (pugi::xml_node group : doc.child("Groups").children("Group"))
      for (pugi::xml_node item : group.children("Item")) items.push_back(item);
    return items;
  }

  // The actions of every item, attribute by attribute.
  std::vector<Attributes> Actions() const {
    std::vector<Attributes> actions;
    for (pugi::xml_node item : Items())
      for (pugi::xml_node action : item.children("Action")) {
        Attributes attributes;
        for (pugi::xml_attribute a : action.attributes()) attributes[a.name()] = a.value();
        actions.push_back(attributes);
      }
    return actions;
  }

  // Every reason given for the single entry (skipped, or keys left out).
  std::string Reasons() const {
    std::string text;
    for (const auto* list : {&result.Skipped, &result.KeysLeftOut})
      for (const TWinapp2Note& note : *list) text += note.Reason + "\n";
    return text;
  }
};

TEST(Winapp2, ReaderTakesSectionsKeysAndLines) {
  const std::string ini =
      "\xEF\xBB\xBF; a comment\r\n"
      "Stray=before any section\r\n"
      "[Vendor App *]\r\n"
      "LangSecRef=3021\r\n"
      "  FileKey2 = %AppData%\\Vendor|*.log  \r\n"
      "; FileKey9=commented out\r\n"
      "no equals sign here\r\n"
      "\r\n"
      "[ Second ]\n"
      "RegKey1=HKCU\\Software\\Vendor|a=b\n"
      "[Third] ; a note\n"
      "FileKey1=%Temp%|*.tmp\n";
  const std::vector<TWinapp2Entry> entries = ReadWinapp2(Winapp2Text(ini));
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].Name, "Vendor App *");
  EXPECT_EQ(entries[0].Line, 3);
  ASSERT_EQ(entries[0].Keys.size(), 2u);
  EXPECT_EQ(entries[0].Keys[1].Name, "FileKey2");
  EXPECT_EQ(entries[0].Keys[1].Kind, "filekey");
  EXPECT_EQ(entries[0].Keys[1].Number, 2);
  EXPECT_EQ(entries[0].Keys[1].Value, "%AppData%\\Vendor|*.log");
  EXPECT_EQ(entries[0].Keys[1].Line, 5);
  EXPECT_EQ(entries[1].Name, "Second");
  EXPECT_EQ(entries[1].Keys[0].Value, "HKCU\\Software\\Vendor|a=b");
  EXPECT_EQ(entries[1].Keys.size(), 1u);
  EXPECT_EQ(entries[2].Name, "Third");
  EXPECT_EQ(entries[2].Keys.size(), 1u);
}

TEST(Winapp2, TextInEveryEncodingBecomesUtf8) {
  EXPECT_EQ(Winapp2Text("\xEF\xBB\xBF[Caf\xC3\xA9]"), "[Caf\xC3\xA9]");
  EXPECT_EQ(Winapp2Text(std::string("\xFF\xFE[\0C\0a\0f\0\xE9\0]\0=\xD8\x00\xDE", 18)),
            "[Caf\xC3\xA9]\xF0\x9F\x98\x80");
  EXPECT_EQ(Winapp2Text(std::string("\xFE\xFF\0[\0\xE9\0]", 8)), "[\xC3\xA9]");
  // Not UTF-8: Windows-1252, whose 0x80..0x9F are printable.
  EXPECT_EQ(Winapp2Text("Caf\xE9 \x80"), "Caf\xC3\xA9 \xE2\x82\xAC");
  // An encoded surrogate is not UTF-8 either.
  EXPECT_EQ(Winapp2Text("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xE2\x82\xAC");
}

TEST(Winapp2, FileKeysBecomeFileActionsOrAreRefused) {
  struct Case {
    const char* rule;
    // path, fileFilter, recurse of each action; or empty and a piece of the reason
    std::vector<std::vector<std::string>> actions;
    const char* reason = "";
  } cases[] = {
      {"%LocalAppData%\\Vendor\\Cache|*.*", {{"CSIDL_LOCAL_APPDATA\\Vendor\\Cache", "*", "false"}}},
      {"%AppData%\\Vendor\\\\Logs\\|*.log; *.tmp ;*.LOG|RECURSE",
       {{"CSIDL_APPDATA\\Vendor\\Logs", "*.log;*.tmp", "true"}}},
      {"%LocalAppData%\\Vendor\\Cache|*.*|REMOVESELF",
       {{"CSIDL_LOCAL_APPDATA\\Vendor\\Cache", "*.*", "true"}}},
      {"%LocalAppData%\\Vendor\\Cache|*.log|removeself",
       {{"CSIDL_LOCAL_APPDATA\\Vendor\\Cache", "*.log", "true"}}},
      {"%ProgramFiles%\\Vendor\\.\\Logs|*.log",
       {{"%ProgramFiles%\\Vendor\\Logs", "*.log", "false"},
        {"%ProgramFiles(x86)%\\Vendor\\Logs", "*.log", "false"}}},
      {"%Temp%|*.*|RECURSE", {{"%TEMP%", "*", "true"}}},
      {"%WinDir%|*.log;setup*.txt", {{"%WINDIR%", "*.log;setup*.txt", "false"}}},
      {"%LocalAppData%|IconCache.db", {{"CSIDL_LOCAL_APPDATA", "IconCache.db", "false"}}},
      {"%LocalLowAppData%\\Vendor|*.*",
       {{"%USERPROFILE%\\AppData\\LocalLow\\Vendor", "*", "false"}}},
      {"%AppData%\\Vendor\\..\\..|*.*", {}, "\"..\""},
      {"%AppData%\\Vendor\\*\\Cache|*.*", {}, "wildcard"},
      {"C:\\Vendor|*.*", {}, "fixed drive"},
      {"\\\\server\\share|*.*", {}, "network path"},
      {"Vendor\\Cache|*.*", {}, "neither a variable nor a drive"},
      {"%Pictures%\\Vendor|*.*", {}, "unknown variable %Pictures%"},
      {"%AppData%\\%Vendor%|*.*", {}, "variable inside"},
      {"%AppData%\\Vendor|sub\\*.log", {}, "pattern that names a folder"},
      {"%AppData%\\Vendor", {}, "no file pattern"},
      {"%AppData%\\Vendor|*.*|DELETE", {}, "unknown flag"},
      {"%LocalAppData%\\Vendor|Logins.json", {}, "passwords"},
      {"%AppData%\\Mozilla\\Firefox\\Profiles|*.log", {}, "roaming Mozilla profile"},
      {"%LocalAppData%\\Google\\Chrome\\User Data|*.*|RECURSE", {}, "browser's profile root"},
      // Patterns that reach the stores of passwords and settings are dropped, the rest stays.
      {"%LocalAppData%\\Vendor\\EBWebView\\Default|Login Data*;*.log",
       {{"CSIDL_LOCAL_APPDATA\\Vendor\\EBWebView\\Default", "*.log", "false"}}},
      {"%LocalAppData%\\Vendor\\EBWebView\\Default|Login Data*", {}, "passwords"},
      {"%LocalAppData%\\Vendor\\Profile|key?.db;logins*.json", {}, "passwords"},
      {"%LocalAppData%\\Vendor|*.db;*.bak", {{"CSIDL_LOCAL_APPDATA\\Vendor", "*.db;*.bak", "false"}}},
      {"%LocalAppData%\\Vendor\\EBWebView\\Default|*.*", {}, "browser's profile root"},
      // Drive roots, profiles and system folders, however they are spelled.
      {"%SystemDrive%|*.tmp|RECURSE", {}, "walk the whole"},
      {"%HomeDrive%\\Windows|*.*", {}, "could match any file"},
      {"%UserProfile%\\AppData\\Roaming|*.*|REMOVESELF", {}, "walk the whole"},
      {"%UserProfile%|*.*", {}, "could match any file"},
      {"%WinDir%|*.exe", {}, "could match any file"},
      {"%WinDir%|explorer.*", {}, "could match any file"},
      {"%SystemRoot%\\System32|*.log|RECURSE", {}, "walk the whole"},
      {"%ProgramFiles%|*.log|RECURSE", {}, "walk the whole"},
      {"%CommonAppData%|*.*", {}, "could match any file"},
      {"%SystemDrive%\\Users|*.log|RECURSE", {}, "walk the whole"},
  };
  for (const Case& c : cases) {
    Imported imported("[Entry]\nFileKey1=" + std::string(c.rule) + "\n");
    std::vector<std::vector<std::string>> actions;
    for (const Attributes& a : imported.Actions()) {
      EXPECT_EQ(a.at("method"), "DeleteFiles");
      EXPECT_EQ(a.at("fileAttrib"), "faAnyFile;faNormal");
      EXPECT_EQ(a.at("excludeAttr") + a.at("excludeFolder"), "");
      actions.push_back({a.at("path"), a.at("fileFilter"), a.at("recurse")});
    }
    EXPECT_EQ(actions, c.actions) << c.rule;
    if (c.actions.empty()) {
      ASSERT_EQ(imported.result.Skipped.size(), 1u) << c.rule;
      EXPECT_NE(imported.Reasons().find(c.reason), std::string::npos)
          << c.rule << ": " << imported.Reasons();
      EXPECT_EQ(imported.Reasons().rfind("FileKey1: ", 0), 0u) << imported.Reasons();
    }
  }
}

TEST(Winapp2, RegKeysRemoveExactlyTheNamedValueOrKey) {
  Imported imported(
      "[Entry]\n"
      "RegKey1=HKCU\\Software\\Vendor\\App|Last File\n"
      "RegKey2=HKEY_CURRENT_USER\\Software\\Vendor\\App\\|Odd;name.(1)\n"
      "RegKey3=HKLM\\Software\\Vendor\\App\n"
      "RegKey4=HKCU\\Software\\Vendor\n"
      "RegKey5=HKCR\\VendorFile\\shell\n"
      "RegKey6=HKCU\\Software\n"
      "RegKey7=HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\n"
      "RegKey8=HKLM\\SYSTEM\\CurrentControlSet\\Services\\Vendor\n"
      "RegKey9=HKU\\.DEFAULT\\Software\\Vendor\n"
      "RegKey10=HKXX\\Software\\Vendor\n"
      "RegKey11=HKCU|Value\n"
      "RegKey12=HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run|VendorTray\n");
  const std::vector<Attributes> expected = {
      {{"method", "DeleteValues"},
       {"key", "HKEY_CURRENT_USER"},
       {"subkey", "Software\\Vendor\\App"},
       {"valueFilter", "(?i)^Last File$;(?i)^Odd\\x3Bname\\.\\(1\\)$"}},
      {{"method", "DeleteSubkeys"},
       {"key", "HKEY_LOCAL_MACHINE"},
       {"subkey", "Software\\Vendor"},
       {"subkeyFilter", "(?i)^App$"}},
      {{"method", "DeleteSubkeys"},
       {"key", "HKEY_LOCAL_MACHINE"},
       {"subkey", "Software\\WOW6432Node\\Vendor"},
       {"subkeyFilter", "(?i)^App$"}},
      {{"method", "DeleteSubkeys"},
       {"key", "HKEY_CURRENT_USER"},
       {"subkey", "Software"},
       {"subkeyFilter", "(?i)^Vendor$"}},
      {{"method", "DeleteSubkeys"},
       {"key", "HKEY_CLASSES_ROOT"},
       {"subkey", "VendorFile"},
       {"subkeyFilter", "(?i)^shell$"}},
      {{"method", "DeleteValues"},
       {"key", "HKEY_CURRENT_USER"},
       {"subkey", "Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
       {"valueFilter", "(?i)^VendorTray$"}},
  };
  EXPECT_EQ(imported.Actions(), expected);
  const std::string reasons = imported.Reasons();
  for (const char* reason :
       {"RegKey6: a key directly below the root", "RegKey7: a key that Windows and other programs",
        "RegKey8: a key of the system's own", "RegKey9: a key of HKEY_USERS",
        "RegKey10: an unknown root key \"HKXX\"", "RegKey11: a value of a root key"})
    EXPECT_NE(reasons.find(reason), std::string::npos) << reason << " in\n" << reasons;

  // The filters select the named value in any letter case and nothing else.
  const std::string filter = expected[0].at("valueFilter");
  EXPECT_EQ(SelectNames({"Last File", "last file", "Last File 2", "xLast File", "Odd;name.(1)",
                         "Odd;nameX(1)"},
                        filter),
            (std::vector<std::string>{"Last File", "last file", "Odd;name.(1)"}));
}

TEST(Winapp2, ExclusionsLeaveOutWhatTheyReachInto) {
  Imported imported(
      "[Entry]\n"
      "FileKey1=%AppData%\\Vendor|*.*|RECURSE\n"
      "FileKey2=%AppData%\\Vendor\\Other|*.log\n"
      "FileKey3=%LocalAppData%\\Vendor|*.tmp\n"
      "FileKey4=%LocalAppData%\\Vendor\\Deep\\Er|*.tmp\n"
      "ExcludeKey1=PATH|%UserProfile%\\AppData\\Roaming\\Vendor\\Keep\\\n"
      "ExcludeKey2=FILE|%LocalAppData%\\Vendor\\|keep.tmp\n"
      "ExcludeKey3=PATH|%LocalAppData%\\Vendor\\Deep\n"
      "RegKey1=HKCU\\Software\\Vendor\\App\n"
      "RegKey2=HKCU\\Software\\Vendor\\Tool|Recent\n"
      "RegKey3=HKCU\\Software\\Vendor\\Tool|Other\n"
      "ExcludeKey4=REG|HKCU\\Software\\Vendor\\App\\Keep\n"
      "ExcludeKey5=REG|hkcu\\software\\vendor\\tool|recent\n");
  std::vector<std::string> kept;
  for (const Attributes& a : imported.Actions())
    kept.push_back(a.count("path") ? a.at("path") : a.at("subkey") + "|" + a.at("valueFilter"));
  EXPECT_EQ(kept, (std::vector<std::string>{"CSIDL_APPDATA\\Vendor\\Other",
                                            "Software\\Vendor\\Tool|(?i)^Other$"}));
  const std::string reasons = imported.Reasons();
  for (const char* reason :
       {"FileKey1: ExcludeKey1 keeps", "FileKey3: ExcludeKey2 keeps", "FileKey4: ExcludeKey3 keeps",
        "RegKey1: ExcludeKey4 keeps", "RegKey2: ExcludeKey5 keeps"})
    EXPECT_NE(reasons.find(reason), std::string::npos) << reason << " in\n" << reasons;

  // An exclusion that cannot be read keeps every file key out.
  Imported unreadable(
      "[Entry]\nFileKey1=%AppData%\\Vendor|*.log\nExcludeKey1=PATH|%AppData%\\*\\Keep\n"
      "RegKey1=HKCU\\Software\\Vendor\\App\n");
  ASSERT_EQ(unreadable.Actions().size(), 1u);
  EXPECT_EQ(unreadable.Actions()[0].at("method"), "DeleteSubkeys");
}

class FakeMachine final : public IWinapp2Machine {
 public:
  std::set<std::string> keys, paths;
  std::pair<int, int> version{10, 0};
  int questions = 0;

  bool KeyExists(const std::string& root, const std::string& subkey) override {
    ++questions;
    return keys.count(root + "\\" + subkey) != 0;
  }
  bool PathExists(const std::string& path) override {
    ++questions;
    return paths.count(path) != 0;
  }
  std::pair<int, int> WindowsVersion() override { return version; }
};

TEST(Winapp2, DetectionDecidesWhichEntriesAreTaken) {
  const std::string ini =
      "[Always]\nFileKey1=%AppData%\\A|*.log\n"
      "[Key here]\nDetect=HKCU\\Software\\Here\nFileKey1=%AppData%\\B|*.log\n"
      "[Key of a 32-bit program]\nDetect=HKLM\\Software\\Old\nFileKey1=%AppData%\\C|*.log\n"
      "[Second detector]\nDetect1=HKCU\\Software\\Gone\nDetectFile2=%ProgramFiles%\\Vendor\\*.exe\n"
      "FileKey1=%AppData%\\D|*.log\n"
      "[Nothing "
      "here]\nDetect=HKCU\\Software\\Gone\nDetectFile=%AppData%\\Gone\nFileKey1=%AppData%\\E|*."
      "log\n"
      "[Windows 7 only]\nDetectOS=6.1|6.1\nFileKey1=%AppData%\\F|*.log\n"
      "[Windows 8 and later]\nDetectOS=6.2|\nFileKey1=%AppData%\\G|*.log\n"
      "[Up to Windows "
      "8.1]\nDetectOS=|6.3\nDetect=HKCU\\Software\\Here\nFileKey1=%AppData%\\H|*.log\n"
      "[Browser]\nSpecialDetect=DET_CHROME\nFileKey1=%AppData%\\I|*.log\n"
      "[Unknown detector]\nSpecialDetect=DET_SOMETHING\nFileKey1=%AppData%\\J|*.log\n"
      "[Inexpressible]\nDetect=HKCU\\Software\\Gone\nFileKey1=C:\\K|*.log\n";
  FakeMachine machine;
  machine.keys = {"HKEY_CURRENT_USER\\Software\\Here",
                  "HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Old"};
  machine.paths = {"%ProgramFiles(x86)%\\Vendor\\*.exe",
                   "CSIDL_LOCAL_APPDATA\\Google\\Chrome\\User Data"};
  Imported here(ini, false, &machine);
  std::vector<std::string> taken;
  for (pugi::xml_node item : here.Items())
    taken.push_back(item.child("en").attribute("name").value());
  EXPECT_EQ(taken, (std::vector<std::string>{"Always", "Key here", "Key of a 32-bit program",
                                             "Second detector", "Windows 8 and later", "Browser"}));
  std::vector<std::string> notDetected;
  for (const TWinapp2Note& note : here.result.NotDetected) notDetected.push_back(note.Entry);
  EXPECT_EQ(notDetected, (std::vector<std::string>{"Nothing here", "Windows 7 only",
                                                   "Up to Windows 8.1", "Unknown detector"}));
  EXPECT_NE(here.result.NotDetected[1].Reason.find("does not include Windows 10.0"),
            std::string::npos);
  ASSERT_EQ(here.result.Skipped.size(), 1u);
  EXPECT_EQ(here.result.Skipped[0].Entry, "Inexpressible");

  // --all keeps every expressible entry and asks nothing.
  FakeMachine untouched;
  Imported all(ini, true, &untouched);
  EXPECT_EQ(all.result.Taken, 10);
  EXPECT_EQ(untouched.questions, 0);
  EXPECT_TRUE(all.result.NotDetected.empty());
}

TEST(Winapp2, EntriesFillGroupsByCategory) {
  std::string ini;
  for (int i = 1; i <= 101; ++i)
    ini += "[Tool " + std::to_string(i) + " *]\nLangSecRef=3024\nFileKey1=%AppData%\\T" +
           std::to_string(i) + "|*.log\n";
  ini +=
      "[Game]\nSection=Games\nDefault=True\nDetectFile=%ProgramFiles%\\Game\\game.exe\n"
      "DetectFile2=%WinDir%\\explorer.exe\nFileKey1=%AppData%\\Game|*.log\n"
      "[Risky]\nLangSecRef=3024\nDefault=True\nWarning=Removes saved <sessions> & \"logins\".\n"
      "FileKey1=%AppData%\\Risky|*.log\nUnknownKey=1\n"
      "[Tool 1 *]\nFileKey1=%AppData%\\Again|*.log\n"
      "[Tool 1]\nLangSecRef=9999\nFileKey1=%AppData%\\Plain|*.log\n";
  TWinapp2Options options;
  options.FirstGroup = 20;
  Imported imported(ini, true, nullptr, options);
  std::vector<std::pair<std::string, int>> groups;
  for (pugi::xml_node group : imported.doc.child("Groups").children("Group")) {
    int items = 0;
    for (pugi::xml_node item : group.children("Item")) {
      (void)item;
      ++items;
    }
    groups.emplace_back(std::string(group.attribute("id").value()) + " " +
                            group.child("de").attribute("name").value(),
                        items);
  }
  EXPECT_EQ(groups,
            (std::vector<std::pair<std::string, int>>{{"g20 Importiert: Dienstprogramme", 99},
                                                      {"g21 Importiert: Dienstprogramme (2)", 3},
                                                      {"g22 Importiert: Games", 1},
                                                      {"g23 Importiert: Weitere Regeln", 1}}));
  EXPECT_EQ(imported.result.Taken, 104);
  ASSERT_EQ(imported.result.Skipped.size(), 1u);
  EXPECT_EQ(imported.result.Skipped[0].Reason, "a second entry of the same name");

  const std::vector<pugi::xml_node> items = imported.Items();
  // " *" is dropped unless another entry has the plain name.
  EXPECT_STREQ(items[0].attribute("id").value(), "g20-i01");
  EXPECT_STREQ(items[0].child("fr").attribute("name").value(), "Tool 1 *");
  EXPECT_STREQ(items[1].child("es").attribute("name").value(), "Tool 2");
  EXPECT_STREQ(items[0].child("es").attribute("info").value(),
               "Regla importada. Categoría: Utilidades.");
  EXPECT_STREQ(items[0].attribute("mode").value(), "0000000");
  EXPECT_STREQ(items[0].attribute("checked").value(), "false");
  EXPECT_STREQ(items[0].attribute("icon").value(), "CSIDL_PROGRAMS");
  const pugi::xml_node risky = items[101];
  EXPECT_STREQ(risky.attribute("id").value(), "g21-i03");
  EXPECT_STREQ(
      risky.child("en").attribute("info").value(),
      "Imported rule. Category: Utilities. Warning: Removes saved <sessions> & \"logins\".");
  EXPECT_STREQ(risky.attribute("mode").value(), "0000000");
  const pugi::xml_node game = items[99 + 3];
  EXPECT_STREQ(game.child("en").attribute("name").value(), "Game");
  EXPECT_STREQ(game.child("fr").attribute("info").value(), "Règle importée. Catégorie : Games.");
  EXPECT_STREQ(game.attribute("mode").value(), "0000010");
  EXPECT_STREQ(game.attribute("checked").value(), "true");
  EXPECT_STREQ(game.attribute("icon").value(),
               "%ProgramFiles%\\Game\\game.exe;%ProgramFiles(x86)%\\Game\\game.exe;CSIDL_PROGRAMS");
  ASSERT_EQ(imported.result.KeysLeftOut.size(), 1u);
  EXPECT_EQ(imported.result.KeysLeftOut[0].Reason, "UnknownKey: not a key of the format, ignored");

  // Entries beyond the last free group are reported, not lost silently.
  options.LastGroup = 20;
  Imported crowded(ini, true, nullptr, options);
  EXPECT_EQ(crowded.result.Taken, 99);
  EXPECT_EQ(crowded.result.Skipped.size(), 1u + 5u);
  EXPECT_EQ(crowded.result.Skipped.back().Reason, "no free group id left for it");
}

TEST(Winapp2, TextThatXmlCannotHoldIsEscapedOrDropped) {
  Imported imported(
      std::string("[A & B <\"C\">\x01\x7F]\nWarning=tab\there\nFileKey1=%AppData%\\") +
      "x\xC3\xA9|*.log\n");
  ASSERT_EQ(imported.Items().size(), 1u);
  const pugi::xml_node item = imported.Items()[0];
  EXPECT_STREQ(item.child("en").attribute("name").value(), "A & B <\"C\">\x7F");
  EXPECT_STREQ(item.child("en").attribute("info").value(),
               "Imported rule. Category: Other rules. Warning: tab\there");
  EXPECT_STREQ(item.child("Action").attribute("path").value(), "CSIDL_APPDATA\\x\xC3\xA9");
}

}  // namespace
}  // namespace tw
