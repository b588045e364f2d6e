#pragma once
// The string-table rows of the custom places: the ready-list group and the settings section.
namespace tw {

constexpr int kRowCustomGroup = 274;
constexpr int kRowCustomGroupInfo = 275;
constexpr int kRowCustomFolderInfo = 276;
constexpr int kRowCustomFolderTreeInfo = 277;
constexpr int kRowCustomKeyInfo = 278;
constexpr int kRowCustomTitle = 279;
constexpr int kRowCustomHint = 280;
constexpr int kRowCustomPatternLabel = 281;
constexpr int kRowCustomRecurse = 282;
constexpr int kRowCustomAddFolder = 283;
constexpr int kRowCustomAddKey = 284;
constexpr int kRowCustomRemove = 285;
// The problems of a place, in the order of TCustomProblem after None.
constexpr int kRowCustomProblemEmpty = 286;
constexpr int kRowCustomProblemFolderPath = 287;
constexpr int kRowCustomProblemFolderWildcard = 288;
constexpr int kRowCustomProblemMask = 289;
constexpr int kRowCustomProblemFolderRefused = 290;
constexpr int kRowCustomProblemKeyRoot = 291;
constexpr int kRowCustomProblemKeyRefused = 292;
constexpr int kRowCustomProblemFilter = 293;

}  // namespace tw
