#include "engine/portable/FoundList.h"

#include <cstring>
#include <limits>
#include <stdexcept>

namespace tw {

namespace {

// Texts go into blocks of this size; a text longer than a quarter of it gets a block of its own.
constexpr std::size_t kBlockSize = 64 * 1024;
constexpr std::size_t kLengthSize = sizeof(std::uint32_t);

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

std::uint64_t FoldedHash(std::string_view text) {
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (char c : text) {
    hash ^= static_cast<unsigned char>(FoldAscii(c));
    hash *= 1099511628211ull;
  }
  return hash ^ (hash >> 29);
}

bool SameFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}

}  // namespace

const char* TFoundList::Store(std::string_view text) {
  if (text.size() > std::numeric_limits<std::uint32_t>::max())
    throw std::length_error("a finding's text is too long");
  const std::size_t need = kLengthSize + text.size();
  char* at;
  if (need > kBlockSize / 4) {
    blocks_.push_back(std::make_unique<char[]>(need));
    at = blocks_.back().get();
  } else {
    if (need > left_) {
      blocks_.push_back(std::make_unique<char[]>(kBlockSize));
      free_ = blocks_.back().get();
      left_ = kBlockSize;
    }
    at = free_;
    free_ += need;
    left_ -= need;
  }
  const auto length = static_cast<std::uint32_t>(text.size());
  std::memcpy(at, &length, kLengthSize);
  if (!text.empty()) std::memcpy(at + kLengthSize, text.data(), text.size());
  return at;
}

void TFoundList::Add(std::string_view text, std::unique_ptr<TChecked> record) {
  const char* stored = Store(text);
  owned_.push_back(std::move(record));
  lines_.push_back(Line{stored, owned_.back().get()});
}

void TFoundList::AddEntry(std::string_view text, std::int64_t size, std::uint32_t attributes) {
  const char* stored = Store(text);
  entries_.emplace_back(size, attributes);
  lines_.push_back(Line{stored, &entries_.back()});
}

void TFoundList::Clear() {
  while (!owned_.empty()) owned_.pop_back();
  std::vector<std::unique_ptr<TChecked>>().swap(owned_);
  std::deque<TEntryChecked>().swap(entries_);
  std::deque<Line>().swap(lines_);
  std::vector<std::unique_ptr<char[]>>().swap(blocks_);
  free_ = nullptr;
  left_ = 0;
}

const TFoundList::Line& TFoundList::At(int index) const {
  if (index < 0 || index >= Count()) throw std::out_of_range("no finding at this index");
  return lines_[static_cast<std::size_t>(index)];
}

std::string_view TFoundList::TextView(int index) const {
  const char* stored = At(index).Text;
  std::uint32_t length;
  std::memcpy(&length, stored, kLengthSize);
  return std::string_view(stored + kLengthSize, length);
}

std::string TFoundList::Name(int index) const {
  const std::string_view text = TextView(index);
  return std::string(text.substr(0, text.find('|')));
}

std::string TFoundList::Value(int index) const {
  const std::string_view text = TextView(index);
  const std::size_t bar = text.find('|');
  return bar == std::string_view::npos ? std::string() : std::string(text.substr(bar + 1));
}

std::string_view TFoundNames::TextOf(Slot slot) const {
  return lists_[(slot >> 32) - 1]->TextView(static_cast<int>(slot & 0xFFFFFFFFu));
}

void TFoundNames::Place(Slot slot) {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t at = FoldedHash(TextOf(slot)) & mask;; at = (at + 1) & mask) {
    if (slots_[at] == 0) {
      slots_[at] = slot;
      return;
    }
  }
}

void TFoundNames::Grow() {
  std::vector<Slot> old(slots_.empty() ? 16 : slots_.size() * 2, 0);
  old.swap(slots_);
  for (Slot slot : old)
    if (slot) Place(slot);
}

bool TFoundNames::Add(const TFoundList& list, int index) {
  std::size_t number = lists_.size();
  while (number > 0 && lists_[number - 1] != &list) --number;
  if (number == 0) {
    lists_.push_back(&list);
    number = lists_.size();
  }
  if ((count_ + 1) * 4 > slots_.size() * 3) Grow();
  const std::string_view text = list.TextView(index);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t at = FoldedHash(text) & mask;; at = (at + 1) & mask) {
    if (slots_[at] == 0) {
      slots_[at] = (static_cast<Slot>(number) << 32) | static_cast<std::uint32_t>(index);
      ++count_;
      return true;
    }
    if (SameFolded(TextOf(slots_[at]), text)) return false;
  }
}

void TFoundNames::RemoveFrom(const TFoundList& list) {
  std::size_t number = lists_.size();
  while (number > 0 && lists_[number - 1] != &list) --number;
  if (number == 0) return;
  std::vector<Slot> old(slots_.size(), 0);
  old.swap(slots_);
  count_ = 0;
  for (Slot slot : old) {
    if (slot && (slot >> 32) != number) {
      Place(slot);
      ++count_;
    }
  }
}

void TFoundNames::Clear() {
  std::vector<const TFoundList*>().swap(lists_);
  std::vector<Slot>().swap(slots_);
  count_ = 0;
}

}  // namespace tw
