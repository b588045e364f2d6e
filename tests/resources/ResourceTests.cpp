#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "ui/resources/ResourceNames.h"

namespace tw::res {
namespace {

struct Size {
  int width = 0;
  int height = 0;
  bool operator==(const Size&) const = default;
};

// Loads bitmap Name from this module; its size, or 0 x 0 when missing or not 24/32-bit.
Size LoadedBitmap(const std::string& name) {
  HINSTANCE module = GetModuleHandleA(nullptr);
  if (!FindResourceA(module, name.c_str(), MAKEINTRESOURCEA(2) /* RT_BITMAP */)) return {};
  HBITMAP bitmap = static_cast<HBITMAP>(
      LoadImageA(module, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!bitmap) return {};
  BITMAP info{};
  GetObjectA(bitmap, sizeof info, &info);
  DeleteObject(bitmap);
  if (info.bmBitsPixel != 24 && info.bmBitsPixel != 32) return {};
  return {info.bmWidth, info.bmHeight};
}

TEST(Resources, EveryPictureTheProgramAsksForIsThere) {
  const auto names = AllPictureNames();
  ASSERT_EQ(names.size(), 253u);
  for (const std::string& name : names) {
    Size size = LoadedBitmap(name);
    EXPECT_GT(size.width, 0) << name;
    EXPECT_GT(size.height, 0) << name;
  }
  EXPECT_EQ(LoadedBitmap("NO_SUCH_PICTURE"), Size{});
}

// A button keeps its size in every language and state, so switching either never moves the
// window's layout.
TEST(Resources, PicturesKeepTheirSizeAcrossLanguagesAndStates) {
  auto stemOf = [](const std::string& name) {
    std::string stem = name;
    for (std::string_view code : kLanguageCodes) {
      auto at = stem.find("_" + std::string(code));
      if (at != std::string::npos) stem.erase(at + 1, code.size());
    }
    for (const char* state : {"_NORMAL_", "_OVER_", "_FADED_", "_N_", "_O_", "_D_", "_G_"}) {
      auto at = stem.find(state);
      if (at != std::string::npos) stem.replace(at, std::string(state).size(), "_");
    }
    if (stem.size() > 5 && stem.ends_with("_OVER")) stem.resize(stem.size() - 5);
    for (const TModeButton& button : kModeButtons)
      if (stem.starts_with(std::string(button.stem) + "_")) stem = "MODE";
    return stem;
  };
  std::map<std::string, std::pair<std::string, Size>> first;
  for (const std::string& name : AllPictureNames()) {
    Size size = LoadedBitmap(name);
    auto [it, inserted] = first.try_emplace(stemOf(name), name, size);
    if (!inserted) {
      EXPECT_EQ(size, it->second.second) << name << " and " << it->second.first;
    }
  }
  EXPECT_EQ(first.count("MODE"), 1u);
  EXPECT_EQ(first.count("BTNSCAN_"), 1u);
}

TEST(Resources, IconsLoadInTheirSizes) {
  HINSTANCE module = GetModuleHandleA(nullptr);
  auto loads = [&](int id, int pixels) {
    HICON icon = static_cast<HICON>(
        LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_ICON, pixels, pixels, 0));
    if (!icon) return false;
    DestroyIcon(icon);
    return true;
  };
  for (int pixels : {16, 32, 48, 256}) EXPECT_TRUE(loads(kIconApplication, pixels)) << pixels;
  for (int id : kIconTrayFrames) {
    EXPECT_TRUE(FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */))
        << id;
    EXPECT_TRUE(loads(id, 16)) << id;
    EXPECT_TRUE(loads(id, 32)) << id;
  }
}

}  // namespace
}  // namespace tw::res
