// A test program around the main window's hot key: the main window is made as
// at start-up (without the pause) and shown so it can take the keyboard focus;
// MCI commands are printed instead of sent. Commands on standard input:
//   register <letter>     set HotKeyCode and register through the program's function
//   tryregister <letter>  can another window register Ctrl+letter now? prints "free" or "taken"
//   quit
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

#include "app/Unit1.h"
#include "framework/Application.h"

extern DWORD StartupPauseMs;

namespace {

constexpr UINT kCommand = WM_APP + 77;
HWND other = nullptr;

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

}  // namespace

int main() {
    StartupPauseMs = 0;
    fw::App().Initialize();
    fw::App().SetTitle("Quelvo");
    MciSend = [](const char* c) {
        Say(std::string("MCI ") + c);
        return 0u;
    };
    Form1 = fw::App().CreateForm<TForm1>();
    other = CreateWindowExA(0, "STATIC", "other", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    Form1->Show();
    const int hook = Form1->AddHook([](UINT msg, WPARAM wp, LPARAM lp, LRESULT& r) {
        if (msg != kCommand) return false;
        auto* line = reinterpret_cast<std::string*>(lp);
        const std::string cmd = line->substr(0, line->find(' '));
        const char letter = line->size() > cmd.size() + 1 ? (*line)[cmd.size() + 1] : 'A';
        if (cmd == "register") {
            HotKeyCode = letter;
            RegisterDoorHotKey(Form1->Handle());
            Say(std::string("registered ") + letter);
        } else if (cmd == "tryregister") {
            const bool ok = RegisterHotKey(other, 9, MOD_CONTROL, static_cast<UINT>(letter)) != FALSE;
            if (ok) UnregisterHotKey(other, 9);
            Say(ok ? "free" : "taken");
        } else if (cmd == "quit") {
            fw::App().Terminate();
        }
        delete line;
        (void)wp;
        r = 0;
        return true;
    });
    HWND target = Form1->Handle();
    std::thread reader([target] {
        std::string line;
        while (std::getline(std::cin, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            PostMessageA(target, kCommand, 0, reinterpret_cast<LPARAM>(new std::string(line)));
            if (line == "quit") break;
        }
    });
    Say("ready");
    fw::App().Run();
    Form1->RemoveHook(hook);
    reader.join();
    return 0;
}
