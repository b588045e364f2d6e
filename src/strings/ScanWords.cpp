#include "strings/ScanWords.h"

#include <algorithm>

#include "strings/StrRes.h"
#include "strings/StrRows.h"

namespace tw {
namespace {

char Fold(char c) { return static_cast<char>(static_cast<unsigned char>(c) & ~0x20u); }

std::string Folded(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = Fold(c);
  return out;
}

unsigned char Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

// Case-insensitive order of the list (ASCII letters; other bytes by value).
int CompareText(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = Lower(static_cast<unsigned char>(a[i]));
    const unsigned char y = Lower(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

TScanWords::TScanWords(std::string_view commaText) {
  std::size_t start = 0;
  while (start <= commaText.size()) {
    std::size_t end = start;
    while (end < commaText.size() && commaText[end] != ',' &&
           static_cast<unsigned char>(commaText[end]) > ' ')
      ++end;
    std::string_view word = commaText.substr(start, end - start);
    if (!word.empty()) {
      auto at = std::lower_bound(words_.begin(), words_.end(), word,
                                 [](const std::string& w, std::string_view v) {
                                   return CompareText(w, v) < 0;
                                 });
      if (at == words_.end() || CompareText(*at, word) != 0) words_.insert(at, std::string(word));
    }
    start = end + 1;
  }
  folded_.reserve(words_.size());
  for (const std::string& word : words_) folded_.push_back(Folded(word));
}

std::optional<std::string_view> TScanWords::FirstMatch(std::string_view text) const {
  if (text.empty() || folded_.empty()) return std::nullopt;
  const std::string haystack = Folded(text);
  auto occurs = [&](std::size_t i) {
    return folded_[i].size() <= haystack.size() && haystack.find(folded_[i]) != std::string::npos;
  };
  const std::size_t n = folded_.size();
  const std::size_t h = n / 2;
  for (std::size_t i = 0; i < h; ++i) {
    if (occurs(i)) return std::string_view(words_[i]);
    if (occurs(i + h)) return std::string_view(words_[i + h]);
  }
  if (n % 2 == 1 && occurs(n - 1)) return std::string_view(words_[n - 1]);
  return std::nullopt;
}

TScanWords& ScanWords(int language) {
  static TScanWords words(StrRes(kRowAdultWords, language));
  return words;
}

}  // namespace tw
