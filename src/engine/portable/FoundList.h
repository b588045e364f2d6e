#pragma once
// The found list of a work object and the records of its findings, kept small: a scan may list
// a million findings, and each one costs what its text costs plus a few bytes.
//
// Texts are stored once, in UTF-8, in blocks the list owns (a text never moves once added, so a
// view of it stays valid until the list is cleared). A finding listed from a directory entry
// keeps its size and attributes in a packed record inside the list; the kinds that carry more
// (registry values, shell items, browser rows) bring a record of their own.
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tw {

// The record of one finding.
class TChecked {
 public:
  TChecked() = default;
  explicit TChecked(std::int64_t size) : Size(size) {}
  virtual ~TChecked() = default;
  TChecked(const TChecked&) = delete;
  TChecked& operator=(const TChecked&) = delete;

  std::int64_t Size = 0;       // bytes, 0 when the kind has no size
  bool Checked = true;         // the user may untick it; a clean acts on ticked findings only
  bool CleanSucceeded = true;  // cleared by a clean that could not remove the finding
  // Set by a clean that kept the finding because the user's protect list names it; the finding
  // is then unticked, and counts as kept, not as failed.
  bool Protected = false;
  // Set by a clean that moved the finding into the Recycle Bin (it counts as removed, and the
  // user can restore it from there).
  bool Recycled = false;
};

// A file or folder as its directory entry showed it: the size, and the attributes, which tell
// a clean that a read-only bit is in the way and a folder from a link. Packed in the list.
class TEntryChecked final : public TChecked {
 public:
  TEntryChecked(std::int64_t size, std::uint32_t attributes) : TChecked(size), Attributes(attributes) {}
  const std::uint32_t Attributes;
};

// The found list: one line per finding, each with its record. Lines of the form "name|value"
// are read with Name and Value.
class TFoundList {
 public:
  TFoundList() = default;
  ~TFoundList() { Clear(); }
  TFoundList(const TFoundList&) = delete;
  TFoundList& operator=(const TFoundList&) = delete;

  void Add(std::string_view text, std::unique_ptr<TChecked> record);
  // A finding listed from a directory entry; its record lives in the list.
  void AddEntry(std::string_view text, std::int64_t size, std::uint32_t attributes);
  // Frees the records from the last line to the first, then the texts.
  void Clear();
  int Count() const { return static_cast<int>(lines_.size()); }
  bool Empty() const { return lines_.empty(); }
  // The text of a line; the view lives as long as the line. Raises std::out_of_range for an
  // index that names no line.
  std::string_view TextView(int index) const;
  std::string Text(int index) const { return std::string(TextView(index)); }
  TChecked& Record(int index) const { return *At(index).Record; }
  // The text before / after the first "|" (the whole text / empty when there is none).
  std::string Name(int index) const;
  std::string Value(int index) const;

 private:
  struct Line {
    const char* Text;  // a 4-byte length, then the text, in one of blocks_
    TChecked* Record;  // in entries_, or owned by owned_
  };
  const Line& At(int index) const;
  const char* Store(std::string_view text);

  std::deque<Line> lines_;
  std::deque<TEntryChecked> entries_;
  std::vector<std::unique_ptr<TChecked>> owned_;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* free_ = nullptr;  // the unused end of the last ordinary block
  std::size_t left_ = 0;
};

// The names of findings whose size counts once: each name is kept as a reference to the line
// that brought it (the list must outlive it), compared without regard to ASCII letter case.
class TFoundNames {
 public:
  // True when the text of line Index of List is new (and is now kept).
  bool Add(const TFoundList& list, int index);
  // Forgets the names that List brought (a later Add of one of them counts again).
  void RemoveFrom(const TFoundList& list);
  void Clear();
  std::size_t Count() const { return count_; }

 private:
  // 0 for an empty slot, else the list's number plus one (high half) and the line (low half).
  using Slot = std::uint64_t;
  std::string_view TextOf(Slot slot) const;
  void Place(Slot slot);
  void Grow();

  std::vector<const TFoundList*> lists_;
  std::vector<Slot> slots_;
  std::size_t count_ = 0;
};

}  // namespace tw
