// Names and defaults of the program's settings key.
#pragma once

namespace common {

// HKEY_LOCAL_MACHINE\SOFTWARE\Keltrin工作室
constexpr char kSettingsKey[] = "\\SOFTWARE\\Keltrin工作室";

}  // namespace common
