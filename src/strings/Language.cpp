#include "strings/Language.h"

namespace tw {

int LanguageFromLocaleId(int localeId) {
  switch (localeId) {
    case 1031: return kLanguageGerman;
    case 1034: return kLanguageSpanish;
    case 1036: return kLanguageFrench;
    default: return kLanguageEnglish;
  }
}

const char* LocaleCodeFromLocaleId(int localeId) {
  switch (localeId) {
    case 1036: return "fr";
    case 1031: return "de";
    case 1034: return "es";
    default: return "en";
  }
}

int LanguageFromLocaleCode(std::string_view code) {
  if (code == "fr") return kLanguageFrench;
  if (code == "de") return kLanguageGerman;
  if (code == "es") return kLanguageSpanish;
  return kLanguageEnglish;
}

const char* LanguageCode(int language) {
  static constexpr const char* kCodes[4] = {"en", "fr", "de", "es"};
  return language >= 0 && language < 4 ? kCodes[language] : kCodes[0];
}

const char* LanguageSuffix(int language) {
  static constexpr const char* kSuffixes[4] = {"EN", "FR", "DE", "ES"};
  return language >= 0 && language < 4 ? kSuffixes[language] : kSuffixes[0];
}

std::string LanguagePicture(std::string_view stem, int language, std::string_view tail) {
  std::string name(stem);
  name += LanguageSuffix(language);
  name += tail;
  return name;
}

}  // namespace tw
