#pragma once
// The adult-content keyword test: a sorted, case-insensitive list of words without duplicates,
// and whether a text contains one of them.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tw {

class TScanWords {
 public:
  // CommaText: words separated by "," (blanks separate too); empty words are dropped, and of
  // words that differ only in letter case the first is kept.
  explicit TScanWords(std::string_view commaText);

  // True when one of the words occurs in Text (see FirstMatch).
  bool IsAdult(std::string_view text) const { return FirstMatch(text).has_value(); }

  // The first word found in Text, trying with n words and h = n / 2 the words i and i + h for
  // i = 0 .. h - 1 and then, for odd n, the last one. Characters are compared with bit 5 (0x20)
  // cleared on both sides, so letters match in either case.
  std::optional<std::string_view> FirstMatch(std::string_view text) const;

  const std::vector<std::string>& Words() const { return words_; }
  int Count() const { return static_cast<int>(words_.size()); }

 private:
  std::vector<std::string> words_;   // sorted without regard to case
  std::vector<std::string> folded_;  // the same words with bit 5 cleared
};

// The program's one keyword list, built on the first call from the keyword row in Language (the
// language current at that moment); later calls return the same list whatever their Language.
TScanWords& ScanWords(int language);

}  // namespace tw
