#include "framework/WindowClass.h"

#include <set>
#include <string>

namespace fw {

HINSTANCE RegisterWindowClass(const char* name, WNDPROC proc, UINT style) {
    static auto* registered = new std::set<std::string>;  // never destroyed: classes outlive statics
    HINSTANCE inst = GetModuleHandleA(nullptr);
    if (!registered->insert(name).second) return inst;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hIcon = LoadIconA(inst, "MAINICON");
    wc.lpszClassName = name;
    RegisterClassExA(&wc);
    return inst;
}

}  // namespace fw
