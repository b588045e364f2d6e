#pragma once
// Cleaning rules in the winapp2.ini community format, turned into groups of scan database items.
//
// A rule file holds one section per entry: "[Name *]" followed by keys such as LangSecRef or
// Section (the entry's category), Detect/DetectFile/SpecialDetect/DetectOS (when the entry
// applies), Default, Warning, FileKeyN ("folder|patterns|RECURSE or REMOVESELF"), RegKeyN
// ("root\key" or "root\key|value") and ExcludeKeyN ("FILE|folder|pattern", "PATH|folder",
// "REG|root\key|value"). Lines starting with ";" are comments.
//
// Entries become items that use only the database's own methods: "DeleteFiles" for files,
// "DeleteValues" for values and "DeleteSubkeys" (a filter matching exactly one name below the
// key's parent) for whole keys. What cannot be said that way without removing more than the
// rule means is left out, with the reason: a wildcard in a folder, an unknown variable, an
// exclusion that reaches into what a key removes. Keys that would empty or walk a drive root, a
// user profile, a system folder or a browser's profile root, or remove a root or system
// registry key, are refused whatever the rule says.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tw {

// One "Name=Value" line of an entry. Kind is the name without its number, lower-case
// ("filekey"); Number is the trailing number (0 when there is none).
struct TWinapp2Key {
  std::string Name;
  std::string Kind;
  int Number = 0;
  std::string Value;
  int Line = 0;
};

struct TWinapp2Entry {
  std::string Name;  // the section name as written, blanks trimmed
  int Line = 0;      // line of the "[...]" header, from 1
  std::vector<TWinapp2Key> Keys;
};

// A rule file's bytes as UTF-8 text: a UTF-8 byte-order mark is dropped, UTF-16 with a mark is
// converted, and bytes that are not UTF-8 are read as Windows-1252.
std::string Winapp2Text(std::string_view bytes);
// The entries of a rule file's text, in file order. Lines before the first section, comments
// and lines without "=" are passed over.
std::vector<TWinapp2Entry> ReadWinapp2(std::string_view text);

// What the import asks about the machine it runs on. Paths are database path macros
// ("CSIDL_APPDATA\Vendor", "%ProgramFiles%\Vendor\app.exe") in which "*" and "?" may stand in
// any part; roots are long names ("HKEY_CURRENT_USER").
class IWinapp2Machine {
 public:
  virtual ~IWinapp2Machine() = default;
  virtual bool KeyExists(const std::string& root, const std::string& subkey) = 0;
  virtual bool PathExists(const std::string& path) = 0;
  // Major and minor version of the running Windows.
  virtual std::pair<int, int> WindowsVersion() = 0;
};

struct TWinapp2Options {
  // Number of the first group to fill ("g14" for 14); groups run up to LastGroup. Every group
  // holds at most 99 items, since item ids have two digits.
  int FirstGroup = 14;
  int LastGroup = 99;
  // True: every entry that can be expressed is taken, whether it applies here or not (for a
  // database made for other machines); the machine is then never asked.
  bool All = false;
};

// An entry (or one key of it) that was left out, and why.
struct TWinapp2Note {
  std::string Entry;
  int Line = 0;
  std::string Reason;
};

struct TWinapp2Group {
  std::string Id;   // "g14"
  std::string Xml;  // the whole <Group> element, UTF-8
};

struct TWinapp2Result {
  std::vector<TWinapp2Group> Groups;
  int Taken = 0;
  // Entries whose detection found nothing on this machine (only without All).
  std::vector<TWinapp2Note> NotDetected;
  // Entries with nothing that can be expressed safely; Reason lists each key's reason.
  std::vector<TWinapp2Note> Skipped;
  // Keys left out of entries that were taken; Reason starts with the key's name.
  std::vector<TWinapp2Note> KeysLeftOut;
};

// Why removing the values of Key ("HKCU\Software\Vendor", roots long or short) is refused by the
// rules an imported key passes: a root or a key directly below one, HKEY_USERS, the hardware
// configuration, the system's own hives and the keys that Windows and every program rely on
// ("Software\WOW6432Node" read as "Software"). Empty when they may be removed.
std::string RegistryKeyRefusal(std::string_view key);

// Turns the entries into database groups: one group per category (LangSecRef or Section), in
// the order the categories first appear, a category of more than 99 entries continued in
// further groups. Machine answers the detection questions unless Options.All is set (it may
// then be null).
TWinapp2Result ImportWinapp2(const std::vector<TWinapp2Entry>& entries,
                             const TWinapp2Options& options, IWinapp2Machine* machine);

}  // namespace tw
