#pragma once
// The string-table rows of the custom places: the ready-list group and the settings section.
namespace tw {

constexpr int kRowCustomGroup = 275;
constexpr int kRowCustomGroupInfo = 276;
constexpr int kRowCustomFolderInfo = 277;
constexpr int kRowCustomFolderTreeInfo = 278;
constexpr int kRowCustomKeyInfo = 279;
constexpr int kRowCustomTitle = 280;
constexpr int kRowCustomHint = 281;
constexpr int kRowCustomPatternLabel = 282;
constexpr int kRowCustomRecurse = 283;
constexpr int kRowCustomAddFolder = 284;
constexpr int kRowCustomAddKey = 285;
constexpr int kRowCustomRemove = 286;
// The problems of a place, in the order of TCustomProblem after None.
constexpr int kRowCustomProblemEmpty = 287;
constexpr int kRowCustomProblemFolderPath = 288;
constexpr int kRowCustomProblemFolderWildcard = 289;
constexpr int kRowCustomProblemMask = 290;
constexpr int kRowCustomProblemFolderRefused = 291;
constexpr int kRowCustomProblemKeyRoot = 292;
constexpr int kRowCustomProblemKeyRefused = 293;
constexpr int kRowCustomProblemFilter = 294;

}  // namespace tw
