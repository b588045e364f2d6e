#include "cli/Cli.h"

#include <windows.h>

#include <cstdio>

#include "database/XMLDatabase.h"
#include "strings/StrRes.h"
#include "strings/StrRows.h"
#include "support/FileIO.h"
#include "support/Format.h"

namespace tw {

CliArgs ParseArgs(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                  const std::set<std::string>& knownFlags) {
  CliArgs out;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.rfind("--", 0) != 0 || a == "--") {
      out.positional.push_back(a);
      continue;
    }
    std::string name = a, value;
    bool hasValue = false;
    if (auto eq = a.find('='); eq != std::string::npos) {
      name = a.substr(0, eq);
      value = a.substr(eq + 1);
      hasValue = true;
    }
    if (valueOptions.count(name)) {
      if (!hasValue) {
        if (i + 1 >= args.size()) throw UsageError("option " + name + " needs a value");
        value = args[++i];
      }
      out.options[name] = value;
    } else if (knownFlags.count(name) && !hasValue) {
      out.flags.insert(name);
    } else {
      throw UsageError("unknown option " + a);
    }
  }
  return out;
}

int LanguageOption(const CliArgs& args) {
  const std::string* lang = args.Option("--lang");
  if (!lang) return 0;
  static const char* const kCodes[] = {"en", "fr", "de", "es"};
  for (int i = 0; i < 4; ++i)
    if (*lang == kCodes[i]) return i;
  throw UsageError("--lang takes en, fr, de or es");
}

bool LoadCliDatabase(const CliArgs& args, TXMLDatabase& database, std::string* fileName,
                     bool* isProtected) {
  std::string path = DatabaseFileName();
  bool prot = DatabaseProtected;
  if (const std::string* given = args.Option("--database")) {
    // A path on the command line is relative to the current folder, not to the program's.
    char full[MAX_PATH * 4];
    DWORD n = ::GetFullPathNameA(given->c_str(), sizeof full, full, nullptr);
    path = n && n < sizeof full ? std::string(full, n) : *given;
    prot = !(path.size() >= 4 && ::lstrcmpiA(path.c_str() + path.size() - 4, ".xml") == 0);
  }
  if (fileName) *fileName = path;
  if (isProtected) *isProtected = prot;
  if (database.Load(path, prot)) return true;
  const std::string full = ResolveDatabasePath(path);
  const int row = FileExists(full) ? kRowDatabaseCorrupted : kRowDatabaseNotFound;
  std::fprintf(stderr, "%s\n", ConsoleText(Format(StrRes(row, 0), full)).c_str());
  return false;
}

std::string ConsoleText(std::string text) {
  for (size_t pos = 0; (pos = text.find("\r\n", pos)) != std::string::npos;) text.erase(pos, 1);
  return text;
}

void AppendJsonString(std::string& out, std::string_view text) {
  out += '"';
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) out += Format("\\u%04x", static_cast<int>(c));
        else out += static_cast<char>(c);
    }
  }
  out += '"';
}

std::string JsonString(const std::string& text) {
  std::string out;
  AppendJsonString(out, text);
  return out;
}

}  // namespace tw
