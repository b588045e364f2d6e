#pragma once
// Names of the pictures (bitmap resources) and icons compiled into Tidewhisk.exe.
// Every picture that carries text exists once per language; its name ends with the language
// code of the window's language index (0 "EN", 1 "FR", 2 "DE", 3 "ES").
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace tw::res {

inline constexpr std::array<std::string_view, 4> kLanguageCodes = {"EN", "FR", "DE", "ES"};

// Language code of a language index; indexes outside 0..3 give "EN".
inline std::string_view LanguageCode(int language) {
  return (language >= 0 && language < 4) ? kLanguageCodes[language] : kLanguageCodes[0];
}

// A picture per language: its name is Prefix + language code + Suffix.
struct TLanguagePicture {
  std::string_view prefix;
  std::string_view suffix;
};

inline std::string PictureName(TLanguagePicture picture, int language) {
  std::string name(picture.prefix);
  name += LanguageCode(language);
  name += picture.suffix;
  return name;
}

// Logo of the main window, the splash window and every dialog.
inline constexpr TLanguagePicture kTopLogo{"TOPLOGO_", ""};

// Bottom run buttons of the main window and the dialogs' image buttons.
inline constexpr TLanguagePicture kBtnScan{"BTNSCAN_", ""};
inline constexpr TLanguagePicture kBtnScanOver{"BTNSCAN_", "_OVER"};
inline constexpr TLanguagePicture kBtnAbort{"BTNABORT_", ""};
inline constexpr TLanguagePicture kBtnAbortOver{"BTNABORT_", "_OVER"};
inline constexpr TLanguagePicture kBtnClean{"BTNCLEAN_", ""};
inline constexpr TLanguagePicture kBtnCleanOver{"BTNCLEAN_", "_OVER"};
inline constexpr TLanguagePicture kBtnFinish{"BTNFINISH_", ""};
inline constexpr TLanguagePicture kBtnFinishOver{"BTNFINISH_", "_OVER"};
inline constexpr TLanguagePicture kBtnCancel{"BTNCANCEL_", ""};
inline constexpr TLanguagePicture kBtnCancelOver{"BTNCANCEL_", "_OVER"};
inline constexpr TLanguagePicture kBtnClose{"BTNCLOSE_", ""};
inline constexpr TLanguagePicture kBtnCloseOver{"BTNCLOSE_", "_OVER"};

// hotStop.
inline constexpr TLanguagePicture kCancelNormal{"CANCEL_NORMAL_", ""};
inline constexpr TLanguagePicture kCancelOver{"CANCEL_OVER_", ""};

// hotStart, by run state.
inline constexpr TLanguagePicture kScanNormal{"SCAN_NORMAL_", ""};
inline constexpr TLanguagePicture kScanOver{"SCAN_OVER_", ""};
inline constexpr TLanguagePicture kAbortNormal{"ABORT_NORMAL_", ""};
inline constexpr TLanguagePicture kAbortOver{"ABORT_OVER_", ""};
inline constexpr TLanguagePicture kCleanNormal{"CLEAN_NORMAL_", ""};
inline constexpr TLanguagePicture kCleanOver{"CLEAN_OVER_", ""};
inline constexpr TLanguagePicture kFinishNormal{"FINISH_NORMAL_", ""};
inline constexpr TLanguagePicture kFinishOver{"FINISH_OVER_", ""};

// Top bar buttons; "faded" is the disabled look.
inline constexpr TLanguagePicture kAboutNormal{"ABOUT_NORMAL_", ""};
inline constexpr TLanguagePicture kAboutOver{"ABOUT_OVER_", ""};
inline constexpr TLanguagePicture kAboutFaded{"ABOUT_FADED_", ""};
inline constexpr TLanguagePicture kHelpNormal{"HELP_NORMAL_", ""};
inline constexpr TLanguagePicture kHelpOver{"HELP_OVER_", ""};
inline constexpr TLanguagePicture kSettingsNormal{"SETTINGS_NORMAL_", ""};
inline constexpr TLanguagePicture kSettingsOver{"SETTINGS_OVER_", ""};
inline constexpr TLanguagePicture kSettingsFaded{"SETTINGS_FADED_", ""};
inline constexpr TLanguagePicture kHomeNormal{"HOME_NORMAL_", ""};
inline constexpr TLanguagePicture kHomeOver{"HOME_OVER_", ""};
inline constexpr TLanguagePicture kHomeFaded{"HOME_FADED_", ""};
inline constexpr TLanguagePicture kLangNormal{"LANG_NORMAL_", ""};
inline constexpr TLanguagePicture kLangOver{"LANG_OVER_", ""};
inline constexpr TLanguagePicture kLangFaded{"LANG_FADED_", ""};

// Title above the mode buttons.
inline constexpr TLanguagePicture kPreset{"PRESET_", ""};

inline constexpr TLanguagePicture kLanguagePictures[] = {
    kTopLogo,       kBtnScan,        kBtnScanOver,  kBtnAbort,      kBtnAbortOver,
    kBtnClean,      kBtnCleanOver,   kBtnFinish,    kBtnFinishOver, kBtnCancel,
    kBtnCancelOver, kBtnClose,       kBtnCloseOver, kCancelNormal,  kCancelOver,
    kScanNormal,    kScanOver,       kAbortNormal,  kAbortOver,     kCleanNormal,
    kCleanOver,     kFinishNormal,   kFinishOver,   kAboutNormal,   kAboutOver,
    kAboutFaded,    kHelpNormal,     kHelpOver,     kSettingsNormal, kSettingsOver,
    kSettingsFaded, kHomeNormal,     kHomeOver,     kHomeFaded,     kLangNormal,
    kLangOver,      kLangFaded,      kPreset,
};

// Mode buttons: Stem + "_N_" (normal), "_O_" (mouse over), "_D_" (selected, the current mode)
// or "_G_" (greyed while scanning; only where HasGrey) + language code.
enum class TModeState : char { Normal = 'N', Over = 'O', Down = 'D', Grey = 'G' };

struct TModeButton {
  std::string_view stem;
  bool hasGrey;
};

inline constexpr TModeButton kModeQuick{"QUICK", true};
inline constexpr TModeButton kModeCookie{"COOKIES", false};
inline constexpr TModeButton kModeHistory{"HISTORY", false};
inline constexpr TModeButton kModePrivacy{"PRIVACY", false};
inline constexpr TModeButton kModeWipeOut{"WIPEOUT", true};
inline constexpr TModeButton kModeAdvanced{"ADVANCED", true};
inline constexpr TModeButton kModeRegistry{"REGISTRY", false};

inline constexpr std::array<TModeButton, 7> kModeButtons = {
    kModeQuick, kModeCookie, kModeHistory, kModePrivacy, kModeWipeOut, kModeAdvanced, kModeRegistry};

// A button without a grey picture shows its normal one instead.
inline std::string ModePictureName(TModeButton button, TModeState state, int language) {
  if (state == TModeState::Grey && !button.hasGrey) state = TModeState::Normal;
  std::string name(button.stem);
  name += '_';
  name += static_cast<char>(state);
  name += '_';
  name += LanguageCode(language);
  return name;
}

// Pictures without language.
inline constexpr std::string_view kSeparator = "SEPARATOR";   // imgFiller, Filler0..Filler6
inline constexpr std::string_view kBtnOk = "BTNOK";
inline constexpr std::string_view kBtnOkOver = "BTNOK_OVER";
inline constexpr std::string_view kLightBulb = "LIGHTBULB";   // the tips window's Image2
inline constexpr std::string_view kMenuCheck = "MENUCHECK";   // picture 0 of the menus' image list

inline constexpr std::array<std::string_view, 5> kPlainPictures = {kSeparator, kBtnOk, kBtnOkOver,
                                                                   kLightBulb, kMenuCheck};

// Background colours the pictures are drawn on (0xRRGGBB), for the areas around them: the top
// bar behind the logo, the top buttons and hotStart's pictures (SCAN_, ABORT_, CLEAN_, FINISH_),
// and the light face (the dialog colour) behind the preset title, the mode buttons, the separator
// and the light bulb. The BTN... buttons and hotStop's pictures fill their whole rectangle (corners
// of 4 pixels), so they suit a panel of any colour. The menu check mark is on white.
inline constexpr unsigned kTopBarColor = 0x13405E;
inline constexpr unsigned kLightFaceColor = 0xF0F0F0;

// Sizes in pixels, the same in every language and state: logo 400 x 72; top buttons 116 x 30;
// dialog and run buttons (BTN...) 132 x 36; hotStart and hotStop pictures 168 x 44; preset title
// 220 x 30; mode buttons 220 x 44; separator 220 x 8; light bulb 48 x 48; menu check 16 x 16.

// Icons (RT_GROUP_ICON) by numeric id: the application icon (16 to 256 pixels) and the frames
// of the tray animation (16 and 32 pixels), in the order they are shown.
inline constexpr int kIconApplication = 1;
inline constexpr std::array<int, 4> kIconTrayFrames = {101, 102, 103, 104};

// Every bitmap name above, each once.
inline std::vector<std::string> AllPictureNames() {
  std::vector<std::string> names;
  for (int language = 0; language < 4; ++language) {
    for (const TLanguagePicture& picture : kLanguagePictures)
      names.push_back(PictureName(picture, language));
    for (const TModeButton& button : kModeButtons) {
      for (TModeState state : {TModeState::Normal, TModeState::Over, TModeState::Down})
        names.push_back(ModePictureName(button, state, language));
      if (button.hasGrey) names.push_back(ModePictureName(button, TModeState::Grey, language));
    }
  }
  for (std::string_view name : kPlainPictures) names.emplace_back(name);
  return names;
}

}  // namespace tw::res
