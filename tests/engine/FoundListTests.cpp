#include "engine/portable/FoundList.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace tw {
namespace {

std::string PathOf(int i) {
  return "C:\\Users\\someone\\AppData\\Local\\Temp\\folder" + std::to_string(i % 97) + "\\file" +
         std::to_string(i) + ".tmp";
}

// A record of its own kind, which says when it goes.
class TNotedChecked : public TChecked {
 public:
  TNotedChecked(int tag, std::vector<int>& gone) : TChecked(tag), Tag(tag), gone_(gone) {}
  ~TNotedChecked() override { gone_.push_back(Tag); }
  const int Tag;

 private:
  std::vector<int>& gone_;
};

TEST(FoundList, ManyPackedAndOwnRecordsKeepTheirTextsKindsAndFlags) {
  std::vector<int> gone;
  TFoundList list;
  constexpr int kCount = 150000;
  std::string_view firstText;
  for (int i = 0; i < kCount; ++i) {
    if (i % 1000 == 7) list.Add(PathOf(i), std::make_unique<TNotedChecked>(i, gone));
    else list.AddEntry(PathOf(i), i * 3, static_cast<std::uint32_t>(i % 64));
    if (i == 0) firstText = list.TextView(0);
  }
  ASSERT_EQ(list.Count(), kCount);
  // A view taken early still names its line after the list grew.
  EXPECT_EQ(firstText, PathOf(0));
  for (int i = 0; i < kCount; i += 3) {
    TChecked& record = list.Record(i);
    record.Checked = i % 2 == 0;
    record.CleanSucceeded = i % 5 != 0;
    record.Protected = i % 7 == 0;
  }
  for (int i = 0; i < kCount; ++i) {
    ASSERT_EQ(list.TextView(i), PathOf(i)) << i;
    const TChecked& record = list.Record(i);
    const bool touched = i % 3 == 0;
    EXPECT_EQ(record.Checked, !touched || i % 2 == 0) << i;
    EXPECT_EQ(record.CleanSucceeded, !touched || i % 5 != 0) << i;
    EXPECT_EQ(record.Protected, touched && i % 7 == 0) << i;
    if (i % 1000 == 7) {
      const auto* own = dynamic_cast<const TNotedChecked*>(&record);
      ASSERT_NE(own, nullptr) << i;
      EXPECT_EQ(own->Tag, i);
      EXPECT_EQ(dynamic_cast<const TEntryChecked*>(&record), nullptr);
    } else {
      const auto* entry = dynamic_cast<const TEntryChecked*>(&record);
      ASSERT_NE(entry, nullptr) << i;
      EXPECT_EQ(entry->Size, i * 3);
      EXPECT_EQ(entry->Attributes, static_cast<std::uint32_t>(i % 64));
    }
  }
  EXPECT_TRUE(gone.empty());
  list.Clear();
  EXPECT_TRUE(list.Empty());
  // The records of their own kind go from the last line to the first.
  ASSERT_EQ(gone.size(), static_cast<std::size_t>(kCount / 1000));
  for (std::size_t k = 0; k < gone.size(); ++k)
    EXPECT_EQ(gone[k], static_cast<int>((gone.size() - 1 - k) * 1000 + 7));
  // The list takes findings again after a clear.
  list.AddEntry("C:\\again", 1, 0);
  EXPECT_EQ(list.Text(0), "C:\\again");
}

TEST(FoundList, LongEmptyAndNonAsciiTextsComeBackWhole) {
  TFoundList list;
  const std::string longPath = "\\\\?\\C:\\" + std::string(40000, 'a') + "\\\xE6\x96\x87\xE4\xBB\xB6.txt";
  const std::vector<std::string> texts = {
      "C:\\Temp\\r\xC3\xA9sum\xC3\xA9.doc",        // two-byte characters
      longPath,                                    // longer than a block's share
      "",                                          // an empty text
      "C:\\Temp\\\xF0\x9F\x98\x80 smile.tmp",      // outside the basic plane
      std::string(16 * 1024 - 4, 'b'),             // exactly a block's share with its length
      std::string(16 * 1024 - 3, 'c'),             // one byte more
      "HKCU\\Software\\x|value|with bars",
  };
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (i % 2) list.Add(texts[i], std::make_unique<TChecked>(static_cast<std::int64_t>(i)));
    else list.AddEntry(texts[i], static_cast<std::int64_t>(i), 0x10);
  }
  // More small ones after the large ones land in the blocks already there.
  for (int i = 0; i < 5000; ++i) list.AddEntry(PathOf(i), 0, 0);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(list.Text(static_cast<int>(i)), texts[i]) << i;
    EXPECT_EQ(list.Record(static_cast<int>(i)).Size, static_cast<std::int64_t>(i));
  }
  for (int i = 0; i < 5000; ++i) ASSERT_EQ(list.TextView(static_cast<int>(texts.size()) + i), PathOf(i));
  const int barred = static_cast<int>(texts.size()) - 1;
  EXPECT_EQ(list.Name(barred), "HKCU\\Software\\x");
  EXPECT_EQ(list.Value(barred), "value|with bars");
  EXPECT_EQ(list.Name(0), texts[0]);
  EXPECT_EQ(list.Value(0), "");
  EXPECT_THROW(list.TextView(list.Count()), std::out_of_range);
  EXPECT_THROW(list.Record(-1), std::out_of_range);
}

TEST(FoundNames, ANameCountsOnceWithoutRegardToAsciiCaseUntilItsListIsTakenBack) {
  TFoundList a, b;
  a.AddEntry("C:\\Temp\\a.tmp", 0, 0);
  a.AddEntry("c:\\temp\\A.TMP", 0, 0);
  a.AddEntry("C:\\Temp\\\xC3\x89.tmp", 0, 0);  // "É"
  b.AddEntry("C:\\Temp\\\xC3\xA9.tmp", 0, 0);  // "é": another name (only ASCII letters fold)
  b.AddEntry("C:\\TEMP\\A.tmp", 0, 0);
  b.AddEntry("C:\\Temp\\b.tmp", 0, 0);

  TFoundNames names;
  EXPECT_TRUE(names.Add(a, 0));
  EXPECT_FALSE(names.Add(a, 1));
  EXPECT_TRUE(names.Add(a, 2));
  EXPECT_TRUE(names.Add(b, 0));
  EXPECT_FALSE(names.Add(b, 1));
  EXPECT_TRUE(names.Add(b, 2));
  EXPECT_EQ(names.Count(), 4u);

  // The names A brought are forgotten; B's stay.
  names.RemoveFrom(a);
  EXPECT_EQ(names.Count(), 2u);
  EXPECT_TRUE(names.Add(b, 1));
  EXPECT_FALSE(names.Add(b, 2));
  names.RemoveFrom(a);  // nothing more of A
  EXPECT_EQ(names.Count(), 3u);

  names.Clear();
  EXPECT_EQ(names.Count(), 0u);
  EXPECT_TRUE(names.Add(a, 1));
}

TEST(FoundNames, ManyNamesAcrossListsStayDistinct) {
  TFoundList first, second;
  constexpr int kCount = 60000;
  for (int i = 0; i < kCount; ++i) first.AddEntry(PathOf(i), 0, 0);
  for (int i = 0; i < kCount; ++i) second.AddEntry(PathOf(i + kCount / 2), 0, 0);  // half repeat
  TFoundNames names;
  int added = 0;
  for (int i = 0; i < kCount; ++i) added += names.Add(first, i);
  for (int i = 0; i < kCount; ++i) added += names.Add(second, i);
  EXPECT_EQ(added, kCount + kCount / 2);
  EXPECT_EQ(names.Count(), static_cast<std::size_t>(kCount + kCount / 2));
  // Every name the first list brought goes, also those the second list repeated (whose size
  // did not count); the second list's own stay.
  names.RemoveFrom(first);
  EXPECT_EQ(names.Count(), static_cast<std::size_t>(kCount / 2));
  EXPECT_TRUE(names.Add(first, 0));
  EXPECT_TRUE(names.Add(first, kCount - 1));
  EXPECT_FALSE(names.Add(second, kCount / 2 - 1));
  EXPECT_FALSE(names.Add(second, kCount - 1));
}

}  // namespace
}  // namespace tw
