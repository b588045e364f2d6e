#include "cleaners/registry/portable/References.h"

#include <algorithm>
#include <array>

#include "cleaners/portable/SystemRules.h"
#include "registry/portable/RegText.h"

namespace tw {

namespace {

constexpr std::uint32_t kClassesRoot = 0x80000000;
constexpr std::uint32_t kLocalMachine = 0x80000002;

// Keys of the classes that Windows keeps once per view (HKCR\CLSID and HKCR\WOW6432Node\CLSID).
constexpr std::array<std::string_view, 5> kRedirectedClasses = {"clsid", "directshow", "interface",
                                                                "media type", "mediafoundation"};

// Keys under HKLM\SOFTWARE that both views share although SOFTWARE itself is kept per view.
constexpr std::array<std::string_view, 16> kSharedSoftware = {
    "clients",
    "policies",
    "registeredapplications",
    "microsoft\\windows\\currentversion\\app paths",
    "microsoft\\windows\\currentversion\\policies",
    "microsoft\\windows\\currentversion\\explorer\\autoplayhandlers",
    "microsoft\\windows\\currentversion\\explorer\\driveicons",
    "microsoft\\windows\\currentversion\\explorer\\kindmap",
    "microsoft\\windows\\currentversion\\group policy",
    "microsoft\\windows\\currentversion\\previewhandlers",
    "microsoft\\windows\\currentversion\\setup",
    "microsoft\\windows nt\\currentversion\\fonts",
    "microsoft\\windows nt\\currentversion\\fontsubstitutes",
    "microsoft\\windows nt\\currentversion\\fontlink",
    "microsoft\\windows nt\\currentversion\\profilelist",
    "microsoft\\windows nt\\currentversion\\image file execution options",
};

constexpr std::size_t kMaxForms = 8;
constexpr std::size_t kMaxPrefixes = 32;

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && StartsWithNoCase(a, b);
}

std::vector<std::string> Steps(std::string_view path) {
  std::vector<std::string> steps;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = path.find('\\', start);
    steps.push_back(LowerAscii(path.substr(start, end - start)));
    if (end == std::string_view::npos) return steps;
    start = end + 1;
  }
}

bool UnderAny(std::string_view path, std::string_view step) {
  for (const std::string& s : Steps(path))
    if (s == step) return true;
  return false;
}

// Path below a step, "a\b\c" after "x\": true for "x\a" and "x\a\b"...
bool PathStartsWith(std::string_view path, std::string_view base) {
  return StartsWithNoCase(path, base) && (path.size() == base.size() || path[base.size()] == '\\');
}

std::string TrimmedRight(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
  return text;
}

std::string WindowsFolderOf(const TResolveEnv& env) {
  std::string folder = env.GetEnv("SystemRoot");
  if (folder.empty()) folder = env.GetEnv("windir");
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

// The other names Path has in the key's view: "Sysnative" is System32 to everyone; a 32-bit
// program (and a key both kinds read) may mean SysWOW64 by System32.
std::vector<std::string> ViewForms(const std::string& path, const TResolveEnv& env) {
  const std::string windows = WindowsFolderOf(env);
  if (windows.empty() || !StartsWithNoCase(path, windows + "\\")) return {path};
  const std::string rest = path.substr(windows.size() + 1);
  const std::size_t end = rest.find('\\');
  const std::string step = rest.substr(0, end);
  const std::string tail = end == std::string::npos ? std::string() : rest.substr(end);
  if (EqualsNoCase(step, "sysnative")) return {windows + "\\System32" + tail};
  if (EqualsNoCase(step, "system32") && env.View != TRegView::Native) {
    std::string wow = windows + "\\SysWOW64" + tail;
    return env.View == TRegView::Wow32 ? std::vector<std::string>{wow, path}
                                       : std::vector<std::string>{path, wow};
  }
  return {path};
}

// The values Name stands for in the key's view.
std::vector<std::string> VariableValues(const std::string& name, const TResolveEnv& env) {
  auto both = [&](const char* native64, const char* plain, const char* x86) {
    std::string native = env.GetEnv(native64);
    if (native.empty()) native = env.GetEnv(plain);
    const std::string wow = env.GetEnv(x86);
    std::vector<std::string> values;
    auto add = [&](const std::string& v) {
      if (!v.empty() && std::find(values.begin(), values.end(), v) == values.end())
        values.push_back(v);
    };
    if (env.View == TRegView::Wow32) add(wow);
    add(native);
    if (env.View == TRegView::Shared) add(wow);
    return values;
  };
  if (EqualsNoCase(name, "ProgramFiles"))
    return both("ProgramW6432", "ProgramFiles", "ProgramFiles(x86)");
  if (EqualsNoCase(name, "CommonProgramFiles"))
    return both("CommonProgramW6432", "CommonProgramFiles", "CommonProgramFiles(x86)");
  std::string value = env.GetEnv(name);
  if (value.empty()) return {};
  return {value};
}

std::string FileNamePart(std::string_view path) {
  const std::size_t slash = path.find_last_of("\\/");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// "rundll32", "regsvr32", "msiexec" (or any other program's name) without ".exe", lower case.
std::string HostName(std::string_view program) {
  std::string name = LowerAscii(FileNamePart(program));
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0)
    name.resize(name.size() - 4);
  return name;
}

// A path named as it is written: judged only as a drive path without placeholders.
void AddPlain(TReference& ref, std::string path, bool folderCounts, const TResolveEnv& env) {
  path = TrimBlanks(path);
  if (!IsDrivePath(path) || HasUnfilledPercent(path)) {
    ref.Undecided = true;
    return;
  }
  ref.Add(path, folderCounts, env);
}

// A program or library path: also its name with Extension when it has none.
void AddProgram(TReference& ref, const std::string& path, bool folderCounts, const char* extension,
                const TResolveEnv& env) {
  AddPlain(ref, path, folderCounts, env);
  if (!ref.Undecided && !HasExtension(path)) ref.Add(TrimBlanks(path) + extension, false, env);
}

// The first argument of a library host: the quoted text, or the text up to the first comma
// (up to the first blank when there is none).
std::string LibraryArgument(const std::string& arguments) {
  if (!arguments.empty() && arguments.front() == '"') {
    const std::size_t close = arguments.find('"', 1);
    return arguments.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  std::size_t end = arguments.find(',');
  if (end == std::string::npos) end = arguments.find_first_of(" \t");
  return arguments.substr(0, end);
}

// The library "regsvr32" is given: what follows its switches ("/u", "/s", "/i:...", "-n").
std::string RegisterArgument(std::string arguments) {
  for (;;) {
    arguments = TrimBlanks(arguments);
    if (arguments.empty() || (arguments.front() != '/' && arguments.front() != '-')) break;
    const std::size_t end = arguments.find_first_of(" \t");
    arguments = end == std::string::npos ? std::string() : arguments.substr(end);
  }
  if (!arguments.empty() && arguments.front() == '"') return LibraryArgument(arguments);
  return arguments;
}

// What one command (variables already expanded) starts.
TReference ProgramOf(const std::string& text, const TResolveEnv& env) {
  TReference ref;
  const TCommandLine line = SplitCommandLine(text);
  const std::string host = HostName(line.Program);
  if (host == "msiexec" || line.Program.empty()) {
    ref.Undecided = true;
  } else if (host == "rundll32") {
    AddProgram(ref, LibraryArgument(line.Arguments), false, ".dll", env);
  } else if (host == "regsvr32") {
    AddProgram(ref, RegisterArgument(line.Arguments), false, ".dll", env);
  } else if (line.Quoted) {
    if (StartsWithNoCase(line.Program, "\\\\"))
      ref.Undecided = true;
    else
      AddProgram(ref, line.Program, true, ".exe", env);
  } else if (line.Prefixes.empty()) {
    ref.Undecided = true;
  } else {
    for (std::size_t i = 0; i < line.Prefixes.size() && !ref.Undecided; ++i)
      AddProgram(ref, line.Prefixes[i], i + 1 == line.Prefixes.size(), ".exe", env);
  }
  return ref;
}

TReference Undecided() {
  TReference ref;
  ref.Undecided = true;
  return ref;
}

// Text ends with "[blanks][-]digits".
bool IsIndexText(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i < text.size() && text[i] == '-') ++i;
  const std::size_t digits = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  return i > digits && i == text.size();
}

bool IsVariableNameChar(char c) {
  return c != ' ' && c != '\t' && c != '\\' && c != '/' && c != '"' && c != '%' && c != ':' &&
         c != ',' && c != ';';
}

bool IsAsciiAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool UnquotedSecondPath(const std::string& text) {
  return !text.empty() && text.front() != '"' && text.find(":\\", 2) != std::string::npos;
}

}  // namespace

bool HasUnresolvedVariable(std::string_view text) {
  for (std::size_t open = text.find('%'); open != std::string_view::npos;) {
    const std::size_t close = text.find('%', open + 1);
    if (close == std::string_view::npos) return false;
    const std::string_view name = text.substr(open + 1, close - open - 1);
    if (!name.empty() && std::all_of(name.begin(), name.end(), IsVariableNameChar)) return true;
    open = close;  // the closing "%" may open the next name, as the system reads it
  }
  return false;
}

bool HasPlaceholder(std::string_view text) {
  for (std::size_t i = text.find('%'); i != std::string_view::npos; i = text.find('%', i + 1)) {
    if (i + 1 == text.size()) return false;
    const char next = text[i + 1];
    if ((next >= '0' && next <= '9') || next == '*' || next == '~') return true;
    // "%L", "%V", "%W"... alone, not the start of a word.
    if (IsAsciiAlnum(next) && (i + 2 == text.size() || !IsAsciiAlnum(text[i + 2]))) return true;
  }
  return false;
}

bool HasUnfilledPercent(std::string_view text) {
  return HasUnresolvedVariable(text) || HasPlaceholder(text);
}

TRegView ViewOfKey(std::string_view root, std::string_view subkey) {
  if (UnderAny(subkey, "wow6432node")) return TRegView::Wow32;
  const std::uint32_t value = RootKeyFromName(root);
  const std::vector<std::string> steps = Steps(subkey);
  if (value == kClassesRoot) {
    return std::find(kRedirectedClasses.begin(), kRedirectedClasses.end(), steps.front()) !=
                   kRedirectedClasses.end()
               ? TRegView::Native
               : TRegView::Shared;
  }
  if (value != kLocalMachine || steps.front() != "software") return TRegView::Shared;
  if (steps.size() < 2) return TRegView::Native;
  if (steps[1] == "classes")
    return steps.size() > 2 && std::find(kRedirectedClasses.begin(), kRedirectedClasses.end(),
                                         steps[2]) != kRedirectedClasses.end()
               ? TRegView::Native
               : TRegView::Shared;
  const std::string_view below = subkey.substr(subkey.find('\\') + 1);
  for (std::string_view shared : kSharedSoftware)
    if (PathStartsWith(below, shared)) return TRegView::Shared;
  return TRegView::Native;
}

std::string Wow32Base(std::string_view subkey) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = subkey.find('\\', start);
    if (EqualsNoCase(subkey.substr(start, end - start), "wow6432node"))
      return std::string(subkey.substr(0, end));
    if (end == std::string_view::npos) return {};
    start = end + 1;
  }
}

void TReference::Add(const std::string& text, bool folderCounts, const TResolveEnv& env) {
  // The system reads "/" in a path as "\\".
  std::string path = text;
  std::replace(path.begin(), path.end(), '/', '\\');
  for (std::string& form : ViewForms(path, env)) {
    const bool known = std::any_of(Candidates.begin(), Candidates.end(),
                                   [&](const TCandidate& c) { return EqualsNoCase(c.Path, form); });
    if (!known) Candidates.push_back({std::move(form), folderCounts});
  }
}

void TReference::Merge(const TReference& other) {
  if (!other.Judged()) Undecided = true;
  for (const TCandidate& c : other.Candidates)
    if (std::find(Candidates.begin(), Candidates.end(), c) == Candidates.end())
      Candidates.push_back(c);
}

bool ReferenceTest(const TReference& reference, const TPathProbe& probe) {
  if (!reference.Judged()) return false;
  for (const TCandidate& c : reference.Candidates)
    if (!IsDrivePath(c.Path) || HasUnfilledPercent(c.Path)) return false;
  // The drive first: a drive without a medium is never asked for a file.
  for (const TCandidate& c : reference.Candidates)
    if (!probe.IsFixedDisk(c.Path.substr(0, 3))) return false;
  for (const TCandidate& c : reference.Candidates) {
    const TPathState state = probe.State(c.Path);
    if (state == TPathState::File || state == TPathState::Unknown) return false;
    if (state == TPathState::Folder && c.FolderCounts) return false;
  }
  return true;
}

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         LowerAscii(text.substr(0, prefix.size())) == LowerAscii(prefix);
}

bool ContainsNoCase(std::string_view text, std::string_view part) {
  return LowerAscii(text).find(LowerAscii(part)) != std::string::npos;
}

bool IsDrivePath(std::string_view path) {
  return path.size() >= 3 &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
         path[1] == ':' && path[2] == '\\';
}

bool HasExtension(std::string_view path) {
  const std::string name = FileNamePart(path);
  const std::size_t dot = name.rfind('.');
  return dot != std::string::npos && dot > 0 && dot + 1 < name.size();
}

std::string Dequote(std::string_view text) {
  if (text.empty() || text.front() != '"') return std::string(text);
  std::string inner;
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] != '"') {
      inner += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == '"') {
      inner += '"';
      ++i;
    } else {
      break;
    }
  }
  return inner.empty() ? std::string(text) : inner;
}

std::string RemoveQuotes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != '"') out += c;
  return out;
}

std::vector<std::string> ExpandVariables(std::string_view text, const TResolveEnv& env) {
  std::vector<std::string> results{std::string()};
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == '%') {
      const std::size_t close = text.find('%', i + 1);
      if (close != std::string_view::npos && close > i + 1 && text[i + 1] != '=') {
        const std::vector<std::string> values =
            VariableValues(std::string(text.substr(i + 1, close - i - 1)), env);
        if (!values.empty()) {
          std::vector<std::string> next;
          for (const std::string& r : results)
            for (const std::string& v : values)
              if (next.size() < kMaxForms) next.push_back(r + v);
          results = std::move(next);
          i = close + 1;
          continue;
        }
      }
    }
    for (std::string& r : results) r += text[i];
    ++i;
  }
  return results;
}

std::string StripMuiSuffix(std::string_view name) {
  for (std::string_view suffix :
       {std::string_view(".FriendlyAppName"), std::string_view(".ApplicationCompany")})
    if (name.size() > suffix.size() &&
        EqualsNoCase(name.substr(name.size() - suffix.size()), suffix))
      return std::string(name.substr(0, name.size() - suffix.size()));
  return std::string(name);
}

std::optional<std::string> IndirectStringFile(std::string_view text) {
  const std::string t = TrimBlanks(text);
  if (t.size() < 2 || t.front() != '@' || t[1] == '{') return std::nullopt;
  std::string file = t.substr(1);
  // "@file,-id", also with a version after the id ("@file,-id;v2").
  const std::size_t comma = file.rfind(',');
  if (comma != std::string::npos) {
    std::string tail = file.substr(comma + 1);
    const std::size_t semicolon = tail.find(';');
    if (semicolon != std::string::npos && tail.find('\\', semicolon) == std::string::npos)
      tail.resize(semicolon);
    if (IsIndexText(tail)) file.resize(comma);
  }
  return TrimmedRight(file);
}

std::string StripIconIndex(std::string_view text) {
  const std::size_t comma = text.rfind(',');
  if (comma == std::string_view::npos || !IsIndexText(text.substr(comma + 1)))
    return std::string(text);
  return TrimmedRight(std::string(text.substr(0, comma)));
}

std::string StripMruSuffix(std::string_view text) {
  if (text.size() >= 2 && text.substr(text.size() - 2) == "\\1")
    return std::string(text.substr(0, text.size() - 2));
  return std::string(text);
}

bool IsWebReference(std::string_view text) {
  const std::string t = TrimBlanks(RemoveQuotes(text));
  return StartsWithNoCase(t, "http") || StartsWithNoCase(t, "www");
}

TCommandLine SplitCommandLine(std::string_view command) {
  TCommandLine line;
  const std::string t = TrimBlanks(command);
  if (!t.empty() && t.front() == '"') {
    line.Quoted = true;
    const std::size_t close = t.find('"', 1);
    line.Program = t.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    if (close != std::string::npos) line.Arguments = TrimBlanks(t.substr(close + 1));
    return line;
  }
  const std::size_t blank = t.find_first_of(" \t");
  line.Program = t.substr(0, blank);
  if (blank != std::string::npos) line.Arguments = TrimBlanks(t.substr(blank));
  for (std::size_t start = 0; line.Prefixes.size() < kMaxPrefixes;) {
    const std::size_t end = t.find_first_of(" \t", start);
    const std::string_view piece = std::string_view(t).substr(start, end - start);
    // A piece that no path holds ends the names the system would try; so does a placeholder
    // ("%1", "%*"), which the system fills before it looks. A "%" or "/" may be part of a name
    // ("C:\Tools\My 100%\app.exe", "C:\Program Files/App/setup.exe").
    if (piece.find_first_of("\"<>|*?") != std::string_view::npos || HasPlaceholder(piece)) break;
    const std::size_t colon = piece.find(':');
    if (colon != std::string_view::npos && (start != 0 || colon != 1)) break;
    std::string prefix = TrimmedRight(t.substr(0, end));
    if (!prefix.empty() && (line.Prefixes.empty() || line.Prefixes.back() != prefix))
      line.Prefixes.push_back(std::move(prefix));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return line;
}

TReference ProgramReference(std::string_view command, const TResolveEnv& env) {
  const std::string t = TrimBlanks(command);
  if (t.empty()) return Undecided();
  TReference ref;
  for (const std::string& text : ExpandVariables(t, env)) {
    // A variable this process does not know may be known where the command runs.
    if (HasUnresolvedVariable(text)) return Undecided();
    ref.Merge(ProgramOf(text, env));
  }
  return ref;
}

TReference RunCommandToPath(std::string_view data, const TResolveEnv& env) {
  if (IsWebReference(data)) return Undecided();
  return ProgramReference(data, env);
}

TReference MruCommandToPath(std::string_view data, const TResolveEnv& env) {
  const std::string t = StripMruSuffix(TrimBlanks(data));
  if (IsWebReference(t)) return Undecided();
  return ProgramReference(t, env);
}

TReference HelpFileToPath(std::string_view data, std::string_view name, const TResolveEnv& env) {
  const std::string folder = TrimBlanks(data);
  if (folder.empty() || name.empty()) return Undecided();
  TReference ref;
  for (const std::string& form : ExpandVariables(folder, env))
    AddPlain(ref, WithBackslash(TrimBlanks(RemoveQuotes(form))) + std::string(name), true, env);
  return ref;
}

TReference AppPathToPath(std::string_view name, std::string_view program,
                         const std::optional<std::string>& folders, const TResolveEnv& env) {
  TReference ref;
  // A place and the program's name inside it, both as found.
  auto addPlace = [&](std::string_view text) {
    for (const std::string& form : ExpandVariables(Dequote(TrimBlanks(text)), env)) {
      const std::string place = TrimBlanks(form);
      AddPlain(ref, place, true, env);
      AddPlain(ref, WithBackslash(place) + std::string(name), true, env);
    }
  };
  const bool dotted = name.find('.') != std::string_view::npos;
  const std::string def = TrimBlanks(program);
  // A program name with an extension is found where the default value says; without one, the
  // "Path" folders are looked at first.
  if (folders && (def.empty() || !dotted)) {
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = folders->find(';', start);
      const std::string part = TrimBlanks(folders->substr(start, end - start));
      if (!part.empty()) addPlace(part);
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  if (!def.empty()) addPlace(def);
  if (ref.Candidates.empty()) ref.Undecided = true;
  return ref;
}

TReference UninstallCommandToPath(std::string_view data, const TResolveEnv& env) {
  if (ContainsNoCase(data, "msiexec")) return Undecided();
  return ProgramReference(data, env);
}

TReference MuiNameToPath(std::string_view name, const TResolveEnv& env) {
  std::string t = TrimBlanks(RemoveQuotes(StripMuiSuffix(TrimBlanks(name))));
  if (!t.empty() && t.front() == '@') {
    const std::optional<std::string> file = IndirectStringFile(t);
    if (!file) return Undecided();
    t = *file;
  } else {
    t = StripIconIndex(t);
  }
  TReference ref;
  for (const std::string& form : ExpandVariables(t, env)) {
    if (!HasExtension(form)) return Undecided();
    AddPlain(ref, form, true, env);
  }
  return ref;
}

TReference IconReferenceToPath(std::string_view text, const TResolveEnv& env) {
  std::string t = TrimBlanks(text);
  if (!t.empty() && t.front() == '@') {
    const std::optional<std::string> file = IndirectStringFile(t);
    if (!file) return Undecided();
    t = *file;
  }
  if (t.empty()) return Undecided();
  TReference ref;
  for (const std::string& form : ExpandVariables(t, env)) {
    const std::string path =
        !form.empty() && form.front() == '"' ? Dequote(form) : StripIconIndex(form);
    AddPlain(ref, RemoveQuotes(path), true, env);
  }
  return ref;
}

TReference FontFileToPath(std::string_view data, const TResolveEnv& env) {
  const std::string t = TrimBlanks(data);
  if (t.empty()) return Undecided();
  TReference ref;
  for (const std::string& form : ExpandVariables(t, env)) {
    const std::string path = TrimBlanks(RemoveQuotes(form));
    if (IsDrivePath(path)) {
      AddPlain(ref, path, true, env);
      continue;
    }
    // A name or a relative path: in the Windows fonts folder, or the user's own. A value that
    // names nothing (blank, or bare quotes) is not judged.
    const std::string windows = WindowsFolderOf(env);
    const std::string local = env.GetEnv("LOCALAPPDATA");
    if (path.empty() || path.find(':') != std::string::npos || path.front() == '\\' ||
        windows.empty())
      return Undecided();
    AddPlain(ref, windows + "\\Fonts\\" + path, true, env);
    if (!local.empty())
      AddPlain(ref, WithBackslash(local) + "Microsoft\\Windows\\Fonts\\" + path, true, env);
  }
  return ref;
}

TReference NamedPathToPath(std::string_view name, const TResolveEnv& env) {
  std::string path = TrimBlanks(name);
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  TReference ref;
  AddPlain(ref, path, true, env);
  return ref;
}

TReference ProgramsFolderToPath(std::string_view name, const std::string& commonPrograms,
                                const std::string& userPrograms, const TResolveEnv& env) {
  if (name.empty() || name.find("Intel") != std::string_view::npos) return Undecided();
  std::vector<std::string> names{std::string(name)};
  const std::size_t ease = LowerAscii(name).find("ease of access");
  if (ease != std::string::npos)
    names.push_back(std::string(name.substr(0, ease)) + "Accessibility" +
                    std::string(name.substr(ease + 14)));
  TReference ref;
  for (const std::string& folder : {commonPrograms, userPrograms})
    if (!folder.empty())
      for (const std::string& n : names) AddPlain(ref, WithBackslash(folder) + n, true, env);
  if (ref.Candidates.empty()) ref.Undecided = true;
  return ref;
}

TReference ClassHandlerToPath(std::string_view subkey, std::string_view data,
                              const TResolveEnv& env, const TClassRules& rules) {
  const std::string d = TrimBlanks(data);
  if (d.empty() || ContainsNoCase(d, "shell:") || ContainsNoCase(d, "control.exe") ||
      ContainsNoCase(d, "rundll32") || (rules.IexploreUndecided && ContainsNoCase(d, "iexplore")))
    return Undecided();
  if (EqualsNoCase(subkey, "DefaultIcon")) return IconReferenceToPath(d, env);
  if (rules.SecondPathUndecided && UnquotedSecondPath(d)) return Undecided();
  return ProgramReference(d, env);
}

TReference VerbCommandToPath(std::string_view command, const TResolveEnv& env,
                             const TClassRules& rules) {
  const std::string c = TrimBlanks(command);
  if (c.empty() || ContainsNoCase(c, "rundll32") || ContainsNoCase(c, "shell:") ||
      ContainsNoCase(c, "control.exe"))
    return Undecided();
  if (rules.PercentOneUndecided && (c.rfind("\"\"", 0) == 0 || c.rfind("\"%1\"", 0) == 0))
    return Undecided();
  if (rules.SecondPathUndecided && UnquotedSecondPath(c)) return Undecided();
  return ProgramReference(c, env);
}

}  // namespace tw
