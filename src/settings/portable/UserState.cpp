#include "settings/portable/UserState.h"

namespace tw {

std::string StateMapText(const std::map<std::string, bool>& map) {
  std::string text;
  for (const auto& [id, on] : map) {
    if (!text.empty()) text += ';';
    text += id;
    text += on ? ":1" : ":0";
  }
  return text;
}

std::map<std::string, bool> ParseStateMap(std::string_view text) {
  std::map<std::string, bool> map;
  while (!text.empty()) {
    const std::size_t end = text.find(';');
    const std::string_view piece = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    const std::size_t colon = piece.rfind(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 2 != piece.size()) continue;
    const char flag = piece[colon + 1];
    if (flag != '0' && flag != '1') continue;
    map[std::string(piece.substr(0, colon))] = flag == '1';
  }
  return map;
}

TUserState ReadUserState(TSettingsStore& store) {
  TUserState state;
  state.Checked = ParseStateMap(ReadStringSetting(store, "ItemChecks", ""));
  state.Expanded = ParseStateMap(ReadStringSetting(store, "GroupsExpanded", ""));
  if (store.Read("SmallIcons").Kind != TStoredValue::TKind::Missing)
    state.SmallIcons = ReadBoolSetting(store, "SmallIcons", false);
  if (store.Read("LastTip").Kind == TStoredValue::TKind::String)
    state.LastTip = ReadStringSetting(store, "LastTip", "");
  return state;
}

void WriteUserState(TSettingsStore& store, const TUserState& state) {
  store.WriteString("ItemChecks", StateMapText(state.Checked));
  store.WriteString("GroupsExpanded", StateMapText(state.Expanded));
  if (state.SmallIcons) WriteBoolSetting(store, "SmallIcons", *state.SmallIcons);
  if (state.LastTip) store.WriteString("LastTip", *state.LastTip);
}

}  // namespace tw
