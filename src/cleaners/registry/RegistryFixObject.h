#pragma once
// The registry-integrity fixers' common ground: the run every fixer makes, the keys its walk
// opens, and the verdict on what an entry refers to (cleaners/registry/portable/References.h).
//
// A scan opens the action's key read-only and walks it; each broken entry becomes one line
// "name|data" (value fixers: the value's name; subkey fixers: the key's path below the opened
// key). A clean removes the ticked entries first to last (a value, or a key with everything
// below it), each backed up first while backups are on.
//
// Views: every key is opened in the 64-bit view. A key of the 32-bit view is examined through its
// own path ("...\WOW6432Node\..."); its paths are read as 32-bit programs may mean them (System32
// as SysWOW64, "%ProgramFiles%" as the x86 folder). On a system without a 32-bit view such an
// action finds nothing.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cleaners/registry/portable/References.h"
#include "cleaners/system/RegistryObjects.h"
#include "platform/Handles.h"

namespace tw {

// A key opened read-only (64-bit view) during a walk, and what the walks ask of it.
class TFixKey {
 public:
  // Opens Path below Parent (an empty Path opens Parent again); the result of the open.
  LONG TryOpen(HKEY parent, const std::string& path);
  bool Open(HKEY parent, const std::string& path) { return TryOpen(parent, path) == ERROR_SUCCESS; }
  bool Open(const TFixKey& parent, const std::string& path) { return Open(parent.Get(), path); }
  HKEY Get() const { return key_.get(); }

  std::vector<std::string> SubkeyNames() const { return EnumNames(key_.get(), true, nullptr); }
  std::vector<std::string> ValueNames() const { return EnumNames(key_.get(), false, nullptr); }
  // No subkeys and no values (false when that cannot be told).
  bool IsEmpty() const;
  bool HasValues() const;
  // A subkey Name is there (or is there but cannot be opened).
  bool HasSubkey(const std::string& name) const;
  bool HasValue(const std::string& name) const;
  std::optional<TRegValue> Value(const std::string& name) const {
    return ReadValueOf(key_.get(), name);
  }
  // A string value's text before its first NUL; empty when it is missing or not a string.
  std::string Text(const std::string& name) const;
  // The size of a value's data; 0 when it is missing.
  std::int64_t Size(const std::string& name) const;

 private:
  unique_hkey key_;
};

// Whether Path exists under Root, as TFixKey::HasSubkey tells it.
bool KeyPresent(HKEY root, const std::string& path);

// The file system as the verdicts ask it, each answer kept for the run.
class TFileProbe;

class TRegistryFixObject : public TRegistryObject {
 public:
  using TRegistryObject::TRegistryObject;
  void Execute() override;

  // True when each finding names a key below the opened key (set by every run).
  bool FindsSubkeys = false;
  std::string ValueFilter;   // from the action; no fixer uses it
  std::string SubkeyFilter;  // the class fixers examine only the subkeys named in it

  std::string FindingHint(int index) const override { return QuotedFinding(index); }
  // Every broken entry, one line each with its full key.
  void LogFindings() const override;

 protected:
  virtual bool NamesSubkeys() const = 0;
  // The scan's walk over the key Reg has open.
  virtual void Walk(TTidewhiskReg& reg) = 0;

  const TResolveEnv& Env() const { return env_; }
  bool IsBroken(const TReference& reference);

  // Calls Judge for every named value of the open key in the registry's order (the default
  // value left out), until the run is aborted.
  template <class Judge>
  void WalkValues(TTidewhiskReg& reg, Judge judge) {
    for (const std::string& name : reg.GetValueNames()) {
      if (Aborted) return;
      if (name.empty()) continue;
      if (const std::optional<TRegValue> value = reg.ReadValue(name)) judge(name, *value);
    }
  }
  void AddValueFinding(const TTidewhiskReg& reg, const std::string& name, const std::string& data);
  // Path below the opened key; Size: of the value the fixer names in it.
  void AddKeyFinding(const std::string& path, const std::string& data, std::int64_t size);
  // A value that must be REG_SZ or REG_EXPAND_SZ; any other type ends the run with
  // "\"Key\Subkey\" unexpected data type.".
  std::string RequireString(const TRegValue& value) const;
  [[noreturn]] void RaiseUnexpectedType() const;
  // Subkey Name is one SubkeyFilter names (its lower-case name occurs in the filter's).
  bool Selected(const std::string& name) const;
  // The class fixers' test of subkey Name of the class key Parent (at ParentPath below the
  // opened key): the verbs under "shell", the handler's default value under any other name.
  void JudgeClassSubkey(const TFixKey& parent, const std::string& parentPath,
                        const std::string& name, const TClassRules& rules);

 private:
  TResolveEnv env_;
  TFileProbe* files_ = nullptr;  // the scan's, while it runs
  TTidewhiskReg* walkReg_ = nullptr;  // the scan's registry object, while it runs
};

// A value's data as a finding shows it: a string's text, a DWORD in decimal, other types in hex.
std::string DisplayText(const TRegValue& value);

// Declares a fixer: a TRegistryFixObject with its name, its kind and its walk.
#define TW_REGISTRY_FIXER(Name, Subkeys)                     \
  class Name : public TRegistryFixObject {                   \
   public:                                                   \
    using TRegistryFixObject::TRegistryFixObject;            \
    const char* ClassName() const override { return #Name; } \
                                                             \
   protected:                                                \
    bool NamesSubkeys() const override { return Subkeys; }   \
    void Walk(TTidewhiskReg& reg) override;                  \
  };

}  // namespace tw
