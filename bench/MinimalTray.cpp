// The least a tray program does, as the yardstick of Quelvo's start-up, idle
// cost and size (bench/startup-idle-figures): one window class, one hidden
// window, one tray icon added, the message loop; WM_CLOSE removes the icon
// and ends it. Built with the program's tool chain and flags.
#include <windows.h>
#include <shellapi.h>

namespace {

const char kClass[] = "MinimalTray";
constexpr UINT kCallback = WM_USER + 1000;

NOTIFYICONDATAA icon;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CLOSE:
            Shell_NotifyIconA(NIM_DELETE, &icon);
            DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kClass;
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, kClass, kClass, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);

    // The record in its first, 88-byte form, as Quelvo fills it.
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    icon.hWnd = hwnd;
    icon.uID = 1;
    icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    icon.uCallbackMessage = kCallback;
    icon.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    lstrcpynA(icon.szTip, kClass, sizeof icon.szTip);
    Shell_NotifyIconA(NIM_ADD, &icon);

    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return 0;
}
