// The application as the window tests run it: no start-up pause, the error
// box recorded instead of shown, MCI commands swallowed.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/Unit1.h"
#include "framework/Application.h"

extern DWORD StartupPauseMs;

inline void StartTestApp(std::vector<std::string>& boxes) {
    StartupPauseMs = 0;
    fw::App().Initialize();
    fw::App().SetTitle("Quelvo");
    fw::App().errorBox = [&boxes](HWND, const std::string& text, const std::string&) { boxes.push_back(text); };
    MciSend = [](const char*) { return 0u; };
}
