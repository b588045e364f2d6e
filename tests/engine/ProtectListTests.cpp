#include <gtest/gtest.h>

#include "engine/portable/ProtectList.h"

namespace tw {
namespace {

TEST(ProtectList, PathsInFoldersPatternsAndContainingFolders) {
  const TProtectList list({
      {TProtectKind::Folder, "C:\\Users\\Ann\\AppData\\Local\\Temp\\Keep"},
      {TProtectKind::File, "C:\\Users\\Ann\\AppData\\Local\\Temp\\*.kdbx"},
      {TProtectKind::File, "important?.log"},
      {TProtectKind::Folder, "D:\\Élan\\Données"},
  });
  struct Case {
    const char* path;
    bool removesContents;
    bool protects;
  } cases[] = {
      // inside the folder, in any spelling
      {"C:\\Users\\Ann\\AppData\\Local\\Temp\\Keep\\a.tmp", false, true},
      {"c:/users/ann/appdata/local/temp/KEEP/sub/b.tmp", false, true},
      {"\\\\?\\C:\\Users\\Ann\\AppData\\Local\\Temp\\Keep", false, true},
      {"C:\\Users\\Ann\\AppData\\Local\\Temp\\Keep\\", false, true},
      // a sibling whose name only starts the same is not inside it
      {"C:\\Users\\Ann\\AppData\\Local\\Temp\\Keeper\\a.tmp", false, false},
      {"C:\\Users\\Ann\\AppData\\Local\\Temp\\a.tmp", false, false},
      // the folder above is free to clean file by file, not to remove with its contents
      {"C:\\Users\\Ann\\AppData\\Local\\Temp", false, false},
      {"C:\\Users\\Ann\\AppData\\Local\\Temp", true, true},
      // file patterns: "*" stays within one name
      {"C:\\Users\\Ann\\AppData\\Local\\Temp\\vault.KDBX", false, true},
      {"C:\\Users\\Ann\\AppData\\Local\\Temp\\x\\vault.kdbx", false, false},
      {"C:\\Users\\Ann\\AppData\\Local\\Temp\\vault.kdbx.bak", false, false},
      // a bare name applies in every folder; "?" is one character
      {"E:\\any\\where\\Important1.log", false, true},
      {"E:\\any\\where\\important12.log", false, false},
      {"E:\\any\\where", true, true},
      // letters outside ASCII fold too
      {"d:\\élan\\DONNÉES\\f.txt", false, true},
      {"D:\\Elan\\Donnees\\f.txt", false, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(list.ProtectsPath(c.path, c.removesContents), c.protects)
        << c.path << (c.removesContents ? " (with contents)" : "");
}

// A folder removed with its contents holds a full-path pattern's files when it is the pattern's
// folder or above it; below it only when a folder part of the pattern has a wildcard.
TEST(ProtectList, FoldersRemovedWithContentsAndFullPathPatterns) {
  const TProtectList list({{TProtectKind::File, "F:\\Work\\*.kdbx"}, {TProtectKind::File, "F:\\Data\\*\\vault.kdbx"}});
  EXPECT_TRUE(list.ProtectsPath("F:\\Work", true));
  EXPECT_TRUE(list.ProtectsPath("F:\\", true));
  EXPECT_FALSE(list.ProtectsPath("F:\\Work\\old", true));
  EXPECT_TRUE(list.ProtectsPath("F:\\Data\\x", true));
  EXPECT_FALSE(list.ProtectsPath("F:\\Data\\x", false));
  EXPECT_FALSE(list.ProtectsPath("F:\\Other", true));
}

TEST(ProtectList, RegistryKeysInEveryRootSpelling) {
  const TProtectList list({
      {TProtectKind::Key, "HKCU\\Software\\Keep"},
      {TProtectKind::Key, "HKEY_CLASSES_ROOT\\.kdbx"},
  });
  struct Case {
    const char* key;
    bool removesSubtree;
    bool protects;
  } cases[] = {
      {"HKEY_CURRENT_USER\\Software\\Keep", false, true},
      {"hkcu\\software\\keep\\Sub", false, true},
      {"HKCU\\Software\\Keeper", false, false},
      {"HKCU\\Software", false, false},
      {"HKCU\\Software", true, true},
      {"HKLM\\Software\\Keep", false, false},
      // a class is the same key in the merged view and in either hive
      {"HKCR\\.kdbx\\OpenWithList", false, true},
      {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.kdbx", false, true},
      {"HKCU\\Software\\Classes\\.kdbx", false, true},
      {"HKCU\\Software\\Classes", true, true},
      {"HKCU\\Software\\Classes\\.txt", true, false},
      {"NOROOT\\Software\\Keep", false, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(list.ProtectsKey(c.key, c.removesSubtree), c.protects)
        << c.key << (c.removesSubtree ? " (with subtree)" : "");
}

TEST(ProtectList, StoredFormAndProblems) {
  TProtectEntry entry;
  ASSERT_TRUE(ParseProtectEntry("file:C:\\a\\*.txt", entry));
  EXPECT_EQ(entry, (TProtectEntry{TProtectKind::File, "C:\\a\\*.txt"}));
  EXPECT_EQ(ProtectEntryText(entry), "file:C:\\a\\*.txt");
  EXPECT_FALSE(ParseProtectEntry("disk:C:\\", entry));
  EXPECT_FALSE(ParseProtectEntry("folder:", entry));
  EXPECT_FALSE(ParseProtectEntry("C:\\a", entry));

  EXPECT_EQ(ProtectEntryProblem({TProtectKind::Folder, "C:\\Keep"}), "");
  EXPECT_EQ(ProtectEntryProblem({TProtectKind::Folder, "\\\\server\\share\\x"}), "");
  EXPECT_NE(ProtectEntryProblem({TProtectKind::Folder, "Keep"}), "");
  EXPECT_NE(ProtectEntryProblem({TProtectKind::Folder, "C:\\Ke*p"}), "");
  EXPECT_EQ(ProtectEntryProblem({TProtectKind::File, "*.kdbx"}), "");
  EXPECT_NE(ProtectEntryProblem({TProtectKind::File, "sub\\*.kdbx"}), "");
  EXPECT_NE(ProtectEntryProblem({TProtectKind::File, "C:\\Keep\\"}), "");  // names a folder, not a file
  EXPECT_NE(ProtectEntryProblem({TProtectKind::Key, "Software\\Keep"}), "");
  EXPECT_EQ(ProtectEntryProblem({TProtectKind::Key, "HKU\\S-1-5-21\\Software"}).empty(),
            !FoldKey("HKU\\S-1-5-21\\Software").empty());

  // Entries with a problem protect nothing instead of everything.
  EXPECT_FALSE(TProtectList({{TProtectKind::Folder, ""}, {TProtectKind::Key, "Software"}})
                   .ProtectsPath("C:\\x", true));
}

TEST(ProtectList, WildcardsAndInvalidText) {
  EXPECT_TRUE(MatchesWildcard("abc", "a*"));
  EXPECT_TRUE(MatchesWildcard("abc", "*"));
  EXPECT_TRUE(MatchesWildcard("", "*"));
  EXPECT_FALSE(MatchesWildcard("a\\b", "a*"));
  EXPECT_TRUE(MatchesWildcard("a\\b", "a\\*"));
  EXPECT_TRUE(MatchesWildcard("é", "?"));  // one letter, two bytes
  EXPECT_FALSE(MatchesWildcard("ab", "?"));
  EXPECT_TRUE(MatchesWildcard("aXbXc", "a*b*c"));
  EXPECT_FALSE(MatchesWildcard("aXbXd", "a*b*c"));
  // Bytes that are not UTF-8 compare as themselves.
  EXPECT_EQ(FoldPath("C:\\\xC3"), "c:\\\xC3");
  EXPECT_EQ(FoldPath("C:\\"), "c:");
  EXPECT_EQ(FoldPath("\\\\?\\UNC\\Srv\\Share\\"), "\\\\srv\\share");
}

}  // namespace
}  // namespace tw
