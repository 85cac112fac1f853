// Names and defaults of the program's settings key.
#pragma once

#include <cstdint>

namespace common {

// HKEY_LOCAL_MACHINE\SOFTWARE\Keltrin工作室, in one step...
constexpr char kSettingsKey[] = "\\SOFTWARE\\Keltrin工作室";
// ...or in two, as the main window opens it.
constexpr char kSoftwareKey[] = "SOFTWARE";
constexpr char kSettingsKeyName[] = "Keltrin工作室";

// The four values, in the order the first run writes them.
constexpr char kImageCanSee[] = "ImageCanSee";  // REG_DWORD, 1 or 0
constexpr char kImagePath[] = "ImagePath";      // REG_SZ, full path of the picture
constexpr char kBarColor[] = "BarColor";        // REG_SZ, colour name or "$00BBGGRR"
constexpr char kKeyValue[] = "Key_Value";       // REG_DWORD, virtual key of Ctrl+letter

constexpr bool kDefaultImageCanSee = false;
constexpr char kDefaultImagePath[] = "";
constexpr char kDefaultBarColor[] = "clBackground";
constexpr std::int32_t kDefaultKeyValue = 65;  // 'A'

}  // namespace common
