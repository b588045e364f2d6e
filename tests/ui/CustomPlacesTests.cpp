#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "cleaners/portable/NameFilter.h"
#include "settings/portable/CustomPlaces.h"
#include "settings/portable/UserState.h"

namespace tw {
namespace {

class LinesStore final : public TSettingsStore {
 public:
  std::map<std::string, TStoredValue, std::less<>> Values;
  TStoredValue Read(std::string_view name) override {
    auto it = Values.find(name);
    return it == Values.end() ? TStoredValue{} : it->second;
  }
  void WriteString(std::string_view name, std::string_view text) override {
    Values[std::string(name)] = {TStoredValue::TKind::String, std::string(text), 0};
  }
  void WriteDword(std::string_view name, std::uint32_t value) override {
    Values[std::string(name)] = {TStoredValue::TKind::Dword, {}, value};
  }
};

TEST(CustomPlaces, StoredFormRoundTripsAndRejectsOtherLines) {
  const TCustomPlace places[] = {
      {TCustomKind::Folder, "%LOCALAPPDATA%\\Vendor\\Logs", "*.log;*.tmp", true},
      {TCustomKind::Folder, "D:\\Cache", "", false},
      {TCustomKind::Key, "HKCU\\Software\\Vendor\\A|B", "MRU*", false},  // a key name may hold "|"
  };
  for (const TCustomPlace& place : places) {
    SCOPED_TRACE(place.Place);
    TCustomPlace back;
    ASSERT_TRUE(ParseCustomPlace(CustomPlaceText(place), back));
    EXPECT_EQ(back, place);
  }
  EXPECT_EQ(CustomPlaceText(places[0]), "folder|recurse|*.log;*.tmp|%LOCALAPPDATA%\\Vendor\\Logs");
  EXPECT_EQ(CustomPattern(places[1]), "*.*");
  EXPECT_EQ(CustomPattern({TCustomKind::Key, "HKCU\\Software\\X", "", false}), "*");
  for (const char* line : {"", "folder:C:\\X", "folder|deep|*.*|C:\\X", "folder|top|*.*|", "file|x|C:\\X",
                           "key|C:\\X", "folder|top"}) {
    SCOPED_TRACE(line);
    TCustomPlace place;
    EXPECT_FALSE(ParseCustomPlace(line, place));
  }
  EXPECT_EQ(ParseCustomLines({"folder|top|*.*|C:\\A", "junk", "key||HKCU\\Software\\B"}).size(), 2u);
}

TEST(CustomPlaces, ItemIdsFollowTheListOrder) {
  EXPECT_EQ(CustomItemId(0), "gcustom-i1");
  EXPECT_EQ(CustomItemId(11), "gcustom-i12");
  EXPECT_EQ(CustomItemIndex("gcustom-i12"), 11);
  for (const char* id : {"gcustom-i0", "gcustom-i01", "gcustom-i", "gcustom-i1x", "g01-i01", "gcustom"})
    EXPECT_EQ(CustomItemIndex(id), -1) << id;
}

TEST(CustomPlaces, ProblemsOfFoldersAndKeys) {
  using P = TCustomProblem;
  const struct {
    TCustomPlace place;
    P problem;
  } cases[] = {
      {{TCustomKind::Folder, "C:\\Users\\Ann\\AppData\\Local\\Vendor\\Logs", "*.log", true}, P::None},
      {{TCustomKind::Folder, "\\\\server\\share\\cache", "", false}, P::None},
      {{TCustomKind::Folder, "C:/Vendor/Logs", "*.log; *.tmp", false}, P::None},
      {{TCustomKind::Folder, "  ", "", false}, P::Empty},
      {{TCustomKind::Folder, "Vendor\\Logs", "", false}, P::FolderPath},
      {{TCustomKind::Folder, "\\\\?\\C:\\Vendor", "", false}, P::FolderPath},
      {{TCustomKind::Folder, "C:\\Vendor\\Logs\x01", "", false}, P::FolderPath},
      {{TCustomKind::Folder, "C:\\Vendor\\*\\Logs", "", false}, P::FolderWildcard},
      {{TCustomKind::Folder, "C:\\Vendor", "sub\\*.log", false}, P::Mask},
      {{TCustomKind::Folder, "C:\\Vendor", "*.log;;*.tmp", false}, P::Mask},
      {{TCustomKind::Folder, "C:\\Vendor", "a|b", false}, P::Mask},
      {{TCustomKind::Key, "HKCU\\Software\\Vendor\\Recent", "", false}, P::None},
      {{TCustomKind::Key, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Recent", "MRU*;Last?", false}, P::None},
      {{TCustomKind::Key, "Software\\Vendor", "", false}, P::KeyRoot},
      {{TCustomKind::Key, "HKCU\\Software\\Vendor", "a|b", false}, P::Filter},
      // roots and whole trees that Windows and every program share
      {{TCustomKind::Key, "HKCU", "", false}, P::KeyRefused},
      {{TCustomKind::Key, "HKCU\\Software", "", false}, P::KeyRefused},
      {{TCustomKind::Key, "HKLM\\Software\\", "", false}, P::KeyRefused},
      {{TCustomKind::Key, "HKLM\\SOFTWARE\\WOW6432Node", "", false}, P::KeyRefused},
      {{TCustomKind::Key, "HKLM\\SYSTEM\\CurrentControlSet\\Services\\Vendor", "", false}, P::KeyRefused},
      {{TCustomKind::Key, "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion", "", false}, P::KeyRefused},
      {{TCustomKind::Key, "HKEY_USERS\\S-1-5-21-1\\Software\\Vendor", "", false}, P::KeyRefused},
      {{TCustomKind::Key, "HKCC\\Software\\Vendor", "", false}, P::KeyRefused},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.place.Place + " / " + c.place.Pattern);
    EXPECT_EQ(CustomPlaceProblem(c.place), c.problem);
  }
  EXPECT_STREQ(CustomProblemText(P::None), "");
  EXPECT_NE(std::string(CustomProblemText(P::FolderRefused)).find("drive root"), std::string::npos);
}

TEST(CustomPlaces, ValueFiltersAreAnchoredWildcardsWithoutRegardToCase) {
  const std::vector<std::string> names = {"MRUList", "mru1", "OldMRU", "a.b", "aXb", "(x)", "", "Last1", "Last12"};
  const auto select = [&](const char* filter) { return SelectNames(names, ValueFilterExpression(filter)); };
  EXPECT_EQ(select("MRU*"), (std::vector<std::string>{"MRUList", "mru1"}));
  EXPECT_EQ(select("a.b"), (std::vector<std::string>{"a.b"}));
  EXPECT_EQ(select("(x)"), (std::vector<std::string>{"(x)"}));
  EXPECT_EQ(select("Last?"), (std::vector<std::string>{"Last1"}));
  EXPECT_EQ(select("a?b;old*"), (std::vector<std::string>{"a.b", "aXb", "OldMRU"}));
  EXPECT_EQ(select(""), names);  // no filter: every value, the default one too
  EXPECT_EQ(select("*"), names);
}

TEST(CustomPlaces, TicksMoveWithThePlacesARemovalShifts) {
  std::map<std::string, bool> checked = {
      {"g01-i01", true}, {"gcustom-i1", false}, {"gcustom-i2", true}, {"gcustom-i4", true}};
  CustomPlaceRemovedTicks(checked, 0, 4);  // the first of four goes
  EXPECT_EQ(checked, (std::map<std::string, bool>{{"g01-i01", true}, {"gcustom-i1", true}, {"gcustom-i3", true}}));
  CustomPlaceRemovedTicks(checked, 2, 3);  // then the last
  EXPECT_EQ(checked, (std::map<std::string, bool>{{"g01-i01", true}, {"gcustom-i1", true}}));

  LinesStore store;
  store.WriteString("ItemChecks", "g02-i03:1;gcustom-i1:0;gcustom-i2:1;gcustom-i3:1");
  RemoveCustomPlaceTicks(store, 1, 3);
  EXPECT_EQ(ReadUserState(store).Checked,
            (std::map<std::string, bool>{{"g02-i03", true}, {"gcustom-i1", false}, {"gcustom-i2", true}}));
  ForgetCustomPlaceTick(store, 1);  // a new second place starts unticked
  EXPECT_EQ(ReadUserState(store).Checked, (std::map<std::string, bool>{{"g02-i03", true}, {"gcustom-i1", false}}));
}

TEST(CustomPlaces, LinesAreStoredWithoutEmptyOnes) {
  LinesStore store;
  EXPECT_TRUE(ReadCustomLines(store).empty());
  WriteCustomLines(store, {"folder|top|*.*|C:\\A", "", "key||HKCU\\Software\\B"});
  EXPECT_EQ(ReadCustomLines(store), (std::vector<std::string>{"folder|top|*.*|C:\\A", "key||HKCU\\Software\\B"}));
}

TEST(CustomPlaces, GroupXmlUsesTheDatabaseMethods) {
  std::array<TCustomTexts, 4> texts;
  for (TCustomTexts& t : texts) t = {"Custom & co", "Yours", "Files %s in %s", "Tree %s in %s", "Values %s of %s"};
  const std::string xml = CustomGroupXml(
      {
          {TCustomKind::Folder, "%TEMP%\\A&B", "", false},
          {TCustomKind::Folder, "C:\\Logs", " *.log ; *.txt", true},
          {TCustomKind::Key, "HKCU\\Software\\Vendor\\Recent", "MRU*", false},
      },
      {false, true}, texts);
  const auto has = [&](const std::string& part) { return xml.find(part) != std::string::npos; };
  EXPECT_TRUE(xml.starts_with("<Group id=\"gcustom\" icon=\"\" expanded=\"true\">"));
  EXPECT_TRUE(has("<fr name=\"Custom &amp; co\" info=\"Yours\"/>"));
  // ids in list order, unticked unless named; a ticked one takes part in every mode
  EXPECT_TRUE(has("<Item id=\"gcustom-i1\" icon=\"\" enabled=\"true\" mode=\"0000000\" checked=\"false\" "
                  "recoverable=\"true\">"));
  EXPECT_TRUE(has("<Item id=\"gcustom-i2\" icon=\"\" enabled=\"true\" mode=\"1111111\" checked=\"true\" "
                  "recoverable=\"true\">"));
  EXPECT_TRUE(has("<Item id=\"gcustom-i3\" icon=\"\" enabled=\"true\" mode=\"0000000\" checked=\"false\""));
  // "*.*" without subfolders lists files only: "*" matches them without listing the folders
  EXPECT_TRUE(has("<Action method=\"DeleteFiles\" path=\"%TEMP%\\A&amp;B\" fileFilter=\"*\" "
                  "fileAttrib=\"faAnyFile;faNormal\" excludeAttr=\"faSysFile\" excludeFolder=\"\" recurse=\"false\"/>"));
  EXPECT_TRUE(has("<en name=\"%TEMP%\\A&amp;B\" info=\"Files *.* in %TEMP%\\A&amp;B\"/>"));
  EXPECT_TRUE(has("path=\"C:\\Logs\" fileFilter=\"*.log;*.txt\""));
  EXPECT_TRUE(has("recurse=\"true\"/>"));
  EXPECT_TRUE(has("<es name=\"C:\\Logs\" info=\"Tree *.log;*.txt in C:\\Logs\"/>"));
  EXPECT_TRUE(has("<Action method=\"DeleteValues\" key=\"HKEY_CURRENT_USER\" subkey=\"Software\\Vendor\\Recent\" "
                  "valueFilter=\"(?i)^MRU.*$\"/>"));
  EXPECT_TRUE(xml.ends_with("</Group>"));
}

}  // namespace
}  // namespace tw
