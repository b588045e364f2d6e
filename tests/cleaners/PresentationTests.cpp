// What each cleaner tells the front ends about its findings: the tile's text, the hint, where a
// finding or its group opens, its kind. The front ends show these answers as they are.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "cleaners/system/CacheEntryObject.h"
#include "cleaners/system/DeleteFileObject.h"
#include "cleaners/system/RecentDocsObject.h"
#include "cleaners/system/RecycleBinObject.h"
#include "cleaners/system/RegistryObjects.h"
#include "database/XmlDom.h"
#include "engine/ScanMgr.h"
#include "platform/Com.h"

namespace tw {
namespace {

class PresentationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    document_ = TXmlDocument::Create();
    ASSERT_TRUE(document_.LoadXML("<Database><Group id=\"g07\"><Item id=\"g07-i13\"/><Item id=\"g07-i01\"/>"
                                  "</Group></Database>"));
  }
  // An object of class T for the item Id ("" for none) holding the lines Texts.
  template <class T>
  std::unique_ptr<T> Make(const std::string& id, std::initializer_list<const char*> texts) {
    TXmlNode item;
    for (TXmlNode& node : document_.Root().Child(0).Children())
      if (node.Attr("id") == id) item = node;
    auto object = std::make_unique<T>(nullptr, [](TCustomWorkObject*) {}, TWorkItemEvent(), item);
    for (const char* text : texts) object->Found.Add(text, std::make_unique<TChecked>());
    return object;
  }

  ComApartment com_;
  TXmlDocument document_;
};

TEST_F(PresentationTest, RegistryFindingsShowTheirDataOrNameAndOpenAtTheirKey) {
  auto values = Make<TDeleteValuesObject>("g07-i01", {"Last|C:\\a.txt", "Blob|hex:01,02"});
  values->Key = "HKCU";
  values->Subkey = "Software\\T";
  EXPECT_EQ(values->FindingKind(), TFindingKind::Registry);
  EXPECT_EQ(values->FindingCaption(0).Text, "C:\\a.txt");
  EXPECT_FALSE(values->FindingCaption(0).Path);
  EXPECT_EQ(values->FindingCaption(1).Text, "Blob");  // binary data: the value's name
  EXPECT_EQ(values->FindingHint(0), "\"Last\"=\"C:\\a.txt\"");
  EXPECT_EQ(values->PlaceText(), "HKCU\\Software\\T");
  for (int index : {-1, 0}) {
    const TOpenPlace place = values->OpenPlace(index);
    EXPECT_EQ(place.Kind, TOpenPlace::TKind::Key);
    EXPECT_EQ(place.Text, "HKEY_CURRENT_USER\\Software\\T");  // a value opens at its key
  }

  // The ROT13 item's names are decoded wherever they are shown.
  auto coded = Make<TDeleteValuesObject>("g07-i13", {"Pbqrq|hex:00"});
  EXPECT_EQ(coded->FindingCaption(0).Text, "Coded");
  EXPECT_EQ(coded->FindingHint(0), "\"Coded\"=\"hex:00\"");
  EXPECT_EQ(coded->FindingReadableText(0), "Coded");
  EXPECT_EQ(coded->ReportedText("Pbqrq"), "Coded");
  EXPECT_EQ(values->ReportedText("Pbqrq"), "Pbqrq");

  auto replaced = Make<TReplaceValuesObject>("", {"Blob|hex:01"});
  EXPECT_EQ(replaced->FindingCaption(0).Text, "hex:01");  // a replaced value: its data always

  // A subkey finding opens at itself; the record's name stands when the line cannot hold it.
  auto subkeys = Make<TDeleteSubkeysObject>("", {"Child|"});
  subkeys->Key = "HKEY_LOCAL_MACHINE";
  subkeys->Subkey = "Software\\T";
  subkeys->Found.Add("A|B|", std::make_unique<TRegEntryChecked>("A|B", true, 0));
  EXPECT_EQ(subkeys->FindingHint(0), "HKEY_LOCAL_MACHINE\\Software\\T\\Child|");
  EXPECT_EQ(subkeys->OpenPlace(0).Text, "HKEY_LOCAL_MACHINE\\Software\\T\\Child");
  EXPECT_EQ(subkeys->OpenPlace(1).Text, "HKEY_LOCAL_MACHINE\\Software\\T\\A|B");
  EXPECT_EQ(subkeys->OpenPlace(-1).Text, "HKEY_LOCAL_MACHINE\\Software\\T");
  EXPECT_EQ(subkeys->CleanReportName(0), "Child");
  EXPECT_EQ(subkeys->CleanReportName(1), "A|B");
}

TEST_F(PresentationTest, FilesCacheEntriesAndRecycledItemsEachHaveTheirCaption) {
  auto files = Make<TDeleteFileObject>("", {"C:\\Junk\\a.tmp"});
  files->Path = "C:\\Junk";
  EXPECT_EQ(files->FindingKind(), TFindingKind::File);
  EXPECT_TRUE(files->FindingCaption(0).Path);  // shortened to the tile's width
  EXPECT_EQ(files->OpenPlace(0).Kind, TOpenPlace::TKind::Folder);
  EXPECT_EQ(files->OpenPlace(0).Text, "C:\\Junk\\");
  EXPECT_EQ(files->OpenPlace(-1).Text, "C:\\Junk");
  EXPECT_EQ(files->PlaceText(), "C:\\Junk");

  // Recent documents are bare names: the group and each finding show and open their folder.
  auto recent = Make<TRecentDocsObject>("", {"report.lnk"});
  recent->RecentFolder = "C:\\Users\\me\\Recent\\";
  EXPECT_EQ(recent->PlaceText(), "C:\\Users\\me\\Recent\\");
  for (int index : {0, -1}) {
    EXPECT_EQ(recent->OpenPlace(index).Kind, TOpenPlace::TKind::Folder);
    EXPECT_EQ(recent->OpenPlace(index).Text, "C:\\Users\\me\\Recent\\");
  }

  auto cookies = Make<TCacheEntryObject>("", {"Cookie:user@site.example/", "Visited: no-user"});
  EXPECT_EQ(cookies->FindingKind(), TFindingKind::CacheEntry);
  EXPECT_EQ(cookies->FindingCaption(0).Text, "site.example/");
  EXPECT_EQ(cookies->FindingCaption(1).Text, "Visited: no-user");
  EXPECT_EQ(cookies->OpenPlace(0).Kind, TOpenPlace::TKind::None);  // no folder in a URL
  EXPECT_EQ(cookies->OpenPlace(-1).Kind, TOpenPlace::TKind::None);
  EXPECT_FALSE(cookies->PlaceText());

  auto bin = Make<TRecycleBinObject>("", {"C:\\Users\\me\\old.txt"});
  EXPECT_EQ(bin->FindingCaption(0).Text, "old.txt");  // this system is Vista or later

  auto marker = Make<TDummyObject>("", {});
  EXPECT_TRUE(marker->IsEndMarker());
  EXPECT_FALSE(files->IsEndMarker());
}

}  // namespace
}  // namespace tw
