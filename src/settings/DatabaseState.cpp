#include "settings/DatabaseState.h"

namespace tw {

namespace {
bool IsTrue(const TXmlNode& node, const char* name) {
  return node.AttrOpt(name).value_or(std::string()) == "true";
}
const char* TrueFalse(bool on) { return on ? "true" : "false"; }
}  // namespace

void ApplyUserState(TXmlDocument& document, const TUserState& state) {
  TXmlNode root = document.Root();
  if (!root) return;
  if (state.SmallIcons) root.SetAttr("smallIcons", TrueFalse(*state.SmallIcons));
  for (TXmlNode& child : root.Children()) {
    if (child.Name() == "TipsAndTricks") {
      if (state.LastTip) child.SetAttr("lastTip", *state.LastTip);
      continue;
    }
    if (child.Name() != "Group") continue;
    if (const std::optional<std::string> id = child.AttrOpt("id")) {
      const auto open = state.Expanded.find(*id);
      if (open != state.Expanded.end()) child.SetAttr("expanded", TrueFalse(open->second));
    }
    for (TXmlNode& item : child.Children()) {
      if (item.Name() != "Item") continue;
      const std::optional<std::string> id = item.AttrOpt("id");
      if (!id) continue;
      const auto ticked = state.Checked.find(*id);
      if (ticked != state.Checked.end()) item.SetAttr("checked", TrueFalse(ticked->second));
    }
  }
}

TUserState CaptureUserState(const TXmlDocument& document) {
  TUserState state;
  const TXmlNode root = document.Root();
  if (!root) return state;
  if (root.AttrOpt("smallIcons")) state.SmallIcons = IsTrue(root, "smallIcons");
  for (const TXmlNode& child : root.Children()) {
    if (child.Name() == "TipsAndTricks") {
      state.LastTip = child.AttrOpt("lastTip");
      continue;
    }
    if (child.Name() != "Group") continue;
    if (const std::optional<std::string> id = child.AttrOpt("id")) state.Expanded[*id] = IsTrue(child, "expanded");
    for (const TXmlNode& item : child.Children())
      if (item.Name() == "Item")
        if (const std::optional<std::string> id = item.AttrOpt("id")) state.Checked[*id] = IsTrue(item, "checked");
  }
  return state;
}

}  // namespace tw
