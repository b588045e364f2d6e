#include "settings/CustomGroup.h"

#include <windows.h>

#include "strings/StrRes.h"
#include "strings/StrRows.h"

namespace tw {
namespace {

void InsertBefore(IXMLDOMNode* parent, IXMLDOMNode* node, IXMLDOMNode* before) {
  ComPtr<IXMLDOMNode> added;
  if (!before) {
    OleCheck(parent->appendChild(node, added.put()));
    return;
  }
  VARIANT reference;
  ::VariantInit(&reference);
  reference.vt = VT_UNKNOWN;
  reference.punkVal = before;  // borrowed
  OleCheck(parent->insertBefore(node, reference, added.put()));
}

}  // namespace

std::array<TCustomTexts, 4> CustomGroupTexts() {
  std::array<TCustomTexts, 4> texts;
  for (int l = 0; l < 4; ++l) {
    TCustomTexts& text = texts[static_cast<std::size_t>(l)];
    text.Group = std::string(StrRes(kRowCustomGroup, l));
    text.GroupInfo = std::string(StrRes(kRowCustomGroupInfo, l));
    text.FolderInfo = std::string(StrRes(kRowCustomFolderInfo, l));
    text.FolderTreeInfo = std::string(StrRes(kRowCustomFolderTreeInfo, l));
    text.KeyInfo = std::string(StrRes(kRowCustomKeyInfo, l));
  }
  return texts;
}

bool IsCustomItem(const TXmlNode& item) {
  return item && CustomItemIndex(item.AttrOpt("id").value_or(std::string())) >= 0;
}

void PutCustomGroup(TXmlDocument& document, const std::vector<TCustomPlace>& places,
                    const std::vector<bool>& checked) {
  const TXmlNode root = document.Root();
  TXmlNode tips;
  for (const TXmlNode& child : root.Children()) {
    if (!child.IsElement()) continue;
    if (child.Name() == "Group" && child.AttrOpt("id").value_or(std::string()) == kCustomGroupId) {
      ComPtr<IXMLDOMNode> removed;
      OleCheck(root.Raw()->removeChild(child.Raw(), removed.put()));
    } else if (child.Name() == "TipsAndTricks" && !tips) {
      tips = child;
    }
  }
  if (places.empty()) return;

  TXmlDocument fragment = TXmlDocument::Create();
  if (!fragment.LoadXML(CustomGroupXml(places, checked, CustomGroupTexts())))
    throw EXMLDocError(fragment.ParseError().Message());
  ComPtr<IXMLDOMNode> copy;
  OleCheck(fragment.Root().Raw()->cloneNode(VARIANT_TRUE, copy.put()));
  InsertBefore(root.Raw(), copy.get(), tips.Raw());
}

void PutStoredCustomGroup(TXmlDocument& document, TSettingsStore& store) {
  PutCustomGroup(document, ParseCustomLines(ReadCustomLines(store)));
}

void SyncCustomModes(TXmlDocument& document) {
  for (const TXmlNode& group : document.Root().Children()) {
    if (group.Name() != "Group" || group.AttrOpt("id").value_or(std::string()) != kCustomGroupId) continue;
    for (TXmlNode& item : group.Children())
      if (item.Name() == "Item" && IsCustomItem(item))
        item.SetAttr("mode", CustomItemMode(item.AttrOpt("checked").value_or(std::string()) == "true"));
  }
}

}  // namespace tw
