#pragma once
// The four languages of the interface: index (a window's Language), locale id, "Locale" code and
// the suffix of the pictures that carry text.
#include <string>
#include <string_view>

namespace tw {

inline constexpr int kLanguageEnglish = 0;
inline constexpr int kLanguageFrench = 1;
inline constexpr int kLanguageGerman = 2;
inline constexpr int kLanguageSpanish = 3;

// Locale ids of the four language actions, by language index.
inline constexpr int kLanguageLocaleIds[4] = {1033, 1036, 1031, 1034};

// 1031 German, 1034 Spanish, 1036 French, anything else English.
int LanguageFromLocaleId(int localeId);
// The "Locale" value written for a locale id: any id but the four gives "en".
const char* LocaleCodeFromLocaleId(int localeId);
// "fr", "de", "es" choose their language; anything else (already lower-cased) is English.
int LanguageFromLocaleCode(std::string_view code);
// "en", "fr", "de", "es"; an index outside 0..3 gives English's.
const char* LanguageCode(int language);
// "EN", "FR", "DE", "ES".
const char* LanguageSuffix(int language);

// Picture names that follow the per-language scheme: Stem + suffix, e.g. "BTNSCAN_" + "EN"
// (+ Tail, e.g. "_OVER").
std::string LanguagePicture(std::string_view stem, int language, std::string_view tail = {});

}  // namespace tw
