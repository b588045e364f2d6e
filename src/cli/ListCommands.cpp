// twcli list and twcli tip: the scan database as the program reads it.
#include <cstdio>

#include "cli/Cli.h"
#include "database/XMLDatabase.h"

namespace tw {
namespace {

std::string AttrOr(const TXmlNode& node, const char* name) {
  auto value = node.AttrOpt(name);
  return value ? *value : std::string("(missing)");
}

std::string EnglishName(const TXmlNode& node) {
  TXmlNode english = node.Child(0);
  return english ? AttrOr(english, "name") : std::string("(missing)");
}

}  // namespace

int RunListCommand(const std::vector<std::string>& rawArgs) {
  CliArgs args = ParseArgs(rawArgs, {"--database"}, {});
  if (!args.positional.empty()) throw UsageError("list [--database PATH]");
  TXMLDatabase database;
  if (!LoadCliDatabase(args, database)) return kExitFailed;
  for (const TXmlNode& group : database.Document.Root().Children()) {
    if (group.Name() != "Group") continue;
    std::printf("%s  %s\n", AttrOr(group, "id").c_str(), EnglishName(group).c_str());
    for (const TXmlNode& item : group.Children()) {
      if (item.Name() != "Item") continue;
      std::printf("  %s  %s  mode=%s enabled=%s checked=%s\n", AttrOr(item, "id").c_str(),
                  EnglishName(item).c_str(), AttrOr(item, "mode").c_str(),
                  AttrOr(item, "enabled").c_str(), AttrOr(item, "checked").c_str());
      for (const TXmlNode& action : item.Children())
        if (action.Name() == "Action") std::printf("    %s\n", AttrOr(action, "method").c_str());
    }
  }
  return kExitOk;
}

int RunTipCommand(const std::vector<std::string>& rawArgs) {
  CliArgs args = ParseArgs(rawArgs, {"--database", "--lang"}, {});
  if (!args.positional.empty()) throw UsageError("tip [--lang en|fr|de|es] [--database PATH]");
  const int language = LanguageOption(args);
  TXMLDatabase database;
  std::string fileName;
  bool isProtected = true;
  if (!LoadCliDatabase(args, database, &fileName, &isProtected)) return kExitFailed;
  std::string text;
  database.GetNextTip(language, text);
  std::printf("%s\n", ConsoleText(text).c_str());
  database.Save(fileName, isProtected);
  return kExitOk;
}

}  // namespace tw
