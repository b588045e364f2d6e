#pragma once
// The localized string table: rows of texts in four languages (0 English, 1 French, 2 German,
// 3 Spanish). A window's language index is its Language.
#include <string_view>

namespace tw {

inline constexpr int kStrResRows = 297;
inline constexpr int kLanguageCount = 4;

// Row's text in Language; a Language outside 0..3 gives English, a row outside the table an
// empty text.
std::string_view StrRes(int row, int language);

}  // namespace tw
