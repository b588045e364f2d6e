// twcli winapp2 import FILE.ini OUT [--all] [--json] [--database PATH]: the entries of a
// winapp2.ini rule file added to a scan database as groups of their own, written to OUT (the
// protected form when OUT ends in ".dat").
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "cleaners/Winapp2Machine.h"
#include "cli/Cli.h"
#include "database/XMLDatabase.h"
#include "database/XMLProtect.h"
#include "database/portable/Winapp2.h"
#include "support/FileIO.h"
#include "support/Format.h"

namespace tw {
namespace {

constexpr const char* kUsage =
    "winapp2 import FILE.ini OUT.xml|OUT.dat [--all] [--json] [--database PATH]";

// Group ids with a meaning of their own end at g13; imported groups start after the highest id
// in use, and never below g14.
int NextFreeGroup(const TXmlNode& root) {
  int highest = 13;
  for (const TXmlNode& group : root.Children()) {
    if (group.Name() != "Group") continue;
    const std::string id = group.AttrOpt("id").value_or("");
    if (id.size() == 3 && id[0] == 'g' && std::isdigit(static_cast<unsigned char>(id[1])) &&
        std::isdigit(static_cast<unsigned char>(id[2])))
      highest = std::max(highest, (id[1] - '0') * 10 + (id[2] - '0'));
  }
  return highest + 1;
}

void InsertBefore(IXMLDOMNode* parent, IXMLDOMNode* node, IXMLDOMNode* before) {
  ComPtr<IXMLDOMNode> added;
  if (!before) {
    OleCheck(parent->appendChild(node, added.put()));
    return;
  }
  VARIANT reference;
  ::VariantInit(&reference);
  reference.vt = VT_UNKNOWN;
  reference.punkVal = before;
  OleCheck(parent->insertBefore(node, reference, added.put()));
}

// The groups go in front of the tips, each followed by a line break as the others are.
void InsertGroups(TXmlDocument& document, const std::vector<TWinapp2Group>& groups) {
  std::string text = "<Groups>\n";
  for (const TWinapp2Group& group : groups) text += group.Xml;
  text += "</Groups>";
  TXmlDocument fragment = TXmlDocument::Create();
  if (!fragment.LoadXML(text)) throw EXMLDocError(fragment.ParseError().Message());

  const TXmlNode root = document.Root();
  TXmlNode tips;
  for (const TXmlNode& child : root.Children())
    if (child.Name() == "TipsAndTricks") {
      tips = child;
      break;
    }
  for (const TXmlNode& group : fragment.Root().Children()) {
    if (!group.IsElement()) continue;
    ComPtr<IXMLDOMNode> copy;
    OleCheck(group.Raw()->cloneNode(VARIANT_TRUE, copy.put()));
    InsertBefore(root.Raw(), copy.get(), tips.Raw());
    ComPtr<IXMLDOMText> lineBreak;
    BStr indent(std::wstring_view(L"\n  "));
    OleCheck(document.Raw()->createTextNode(indent.get(), lineBreak.put()));
    InsertBefore(root.Raw(), lineBreak.get(), tips.Raw());
  }
}

std::string NotesJson(const std::vector<TWinapp2Note>& notes) {
  std::string out = "[";
  for (std::size_t i = 0; i < notes.size(); ++i)
    out += Format("%s{\"entry\":%s,\"line\":%d,\"reason\":%s}", i ? "," : "",
                  JsonString(notes[i].Entry), notes[i].Line, JsonString(notes[i].Reason));
  return out + "]";
}

std::string NotesText(const std::vector<TWinapp2Note>& notes) {
  std::string out;
  for (const TWinapp2Note& note : notes)
    out += Format("  %s (line %d): %s\n", note.Entry, note.Line, note.Reason);
  return out;
}

}  // namespace

int RunWinapp2Command(const std::vector<std::string>& rawArgs) {
  CliArgs args = ParseArgs(rawArgs, {"--database"}, {"--all", "--json"});
  if (args.positional.size() != 3 || args.positional[0] != "import") throw UsageError(kUsage);
  const std::string& input = args.positional[1];
  char full[MAX_PATH * 4];
  const DWORD n = ::GetFullPathNameA(args.positional[2].c_str(), sizeof full, full, nullptr);
  const std::string output = n && n < sizeof full ? std::string(full, n) : args.positional[2];
  const bool isProtected =
      output.size() >= 4 && ::lstrcmpiA(output.c_str() + output.size() - 4, ".dat") == 0;

  const auto start = std::chrono::steady_clock::now();
  const std::vector<TWinapp2Entry> entries = ReadWinapp2(Winapp2Text(ReadWholeFile(input)));
  if (entries.empty()) {
    std::fprintf(stderr, "twcli: %s holds no winapp2.ini entries\n", input.c_str());
    return kExitFailed;
  }
  TXMLDatabase database;
  if (!LoadCliDatabase(args, database)) return kExitFailed;

  TWinapp2Options options;
  options.FirstGroup = NextFreeGroup(database.Document.Root());
  options.All = args.Flag("--all");
  TWinapp2Machine machine;
  const TWinapp2Result result = ImportWinapp2(entries, options, &machine);
  InsertGroups(database.Document, result.Groups);
  TXMLProtect::SaveDocument(output, database.Document, isProtected);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  std::string out;
  if (args.Flag("--json")) {
    out = Format("{\"input\":%s,\"output\":%s,\"protected\":%s,\"all\":%s,\"groups\":[",
                 JsonString(input), JsonString(output), isProtected ? "true" : "false",
                 options.All ? "true" : "false");
    for (std::size_t i = 0; i < result.Groups.size(); ++i)
      out += (i ? "," : "") + JsonString(result.Groups[i].Id);
    char time[32];
    std::snprintf(time, sizeof time, "%.6f", seconds);
    out += Format(
        "],\"taken\":%d,\"notDetected\":%s,\"skipped\":%s,\"keysLeftOut\":%s,\"seconds\":%s}\n",
        result.Taken, NotesJson(result.NotDetected), NotesJson(result.Skipped),
        NotesJson(result.KeysLeftOut), time);
  } else {
    out = Format("Taken: %d", result.Taken);
    if (!result.Groups.empty())
      out += Format(" (groups %s to %s)", result.Groups.front().Id, result.Groups.back().Id);
    out += "\n";
    if (!options.All)
      out += Format("Not detected on this machine: %d (--all keeps them)\n",
                    static_cast<int>(result.NotDetected.size()));
    out += Format("Skipped: %d\n", static_cast<int>(result.Skipped.size()));
    out += NotesText(result.Skipped);
    out +=
        Format("Keys left out of taken entries: %d\n", static_cast<int>(result.KeysLeftOut.size()));
    out += NotesText(result.KeysLeftOut);
    out += Format("Written: %s\n", output);
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return kExitOk;
}

}  // namespace tw
