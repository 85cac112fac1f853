#include "framework/Application.h"

#include <objbase.h>

#include <string_view>

#include "framework/Controls.h"
#include "framework/Counters.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/WindowClass.h"

namespace fw {

namespace {

const char kAppClass[] = "QuelvoApplication";

LRESULT CounterValue(WPARAM atom) {
    char name[256];
    const UINT length = GlobalGetAtomNameA(static_cast<ATOM>(atom), name, sizeof name);
    const Counter* counter = length != 0 ? FindCounter(std::string_view(name, length)) : nullptr;
    return counter != nullptr ? counter->Value() : -1;
}

}  // namespace

UINT CounterMessage() {
    static const UINT message = RegisterWindowMessageA("QuelvoCounter");
    return message;
}

Application& App() {
    static Application app;
    return app;
}

Application::Application() = default;

Application::~Application() { Finalize(); }

void Application::Initialize() {
    comInitialized_ = SUCCEEDED(CoInitialize(nullptr));
    if (!terminateEvent_) terminateEvent_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Handle();
}

void Application::Finalize() {
    if (finalized_) return;
    finalized_ = true;
    // Windows go in the reverse order of their creation.
    while (!forms_.empty()) forms_.pop_back();
    mainForm_ = nullptr;
    if (handle_) {
        DestroyWindow(handle_);
        handle_ = nullptr;
    }
    if (terminateEvent_) {
        CloseHandle(terminateEvent_);
        terminateEvent_ = nullptr;
    }
    if (comInitialized_) {
        CoUninitialize();
        comInitialized_ = false;
    }
}

HWND Application::Handle() {
    if (handle_) return handle_;
    HINSTANCE inst = RegisterWindowClass(kAppClass, AppWindowProc);
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2, y = GetSystemMetrics(SM_CYSCREEN) / 2;
    handle_ = CreateWindowExA(0, kAppClass, title_.c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                              x, y, 0, 0, nullptr, nullptr, inst, nullptr);
    return handle_;
}

void Application::SetTitle(const std::string& title) {
    title_ = title;
    if (handle_) SetWindowTextA(handle_, title_.c_str());
}

void Application::AdoptForm(std::unique_ptr<Form> form, bool mayBecomeMain) {
    Form* p = form.get();
    forms_.push_back(std::move(form));
    if (mayBecomeMain && !mainForm_) mainForm_ = p;
    p->Create();
}

void Application::Run() {
    if (showMainForm && mainForm_) Guarded([this] { mainForm_->Show(); });
    while (!terminated_) HandleMessage();
}

void Application::Terminate() {
    terminated_ = true;
    // Wakes the loop that waits, whichever loop consumed the last message:
    // a message box or a modal window may have run in between.
    if (terminateEvent_) SetEvent(terminateEvent_);
}

bool Application::HandleMessage() {
    if (terminated_) return false;
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated_ = true;
            return false;
        }
        Dispatch(msg);
        return true;
    }
    // Messages sent from other threads and processes were handled by the
    // peek; one of them may have ended the program.
    if (terminated_) return false;
    if (!terminateEvent_) terminateEvent_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    MsgWaitForMultipleObjects(1, &terminateEvent_, FALSE, INFINITE, QS_ALLINPUT);
    return !terminated_;
}

void Application::ProcessMessages() {
    MSG msg;
    while (!terminated_ && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated_ = true;
            break;
        }
        Dispatch(msg);
    }
}

void Application::Dispatch(MSG& msg) {
    bool taken = false;
    Guarded([&] { taken = TabKey(msg); });
    if (taken) return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

// Tab and Shift+Tab on a window of one of our forms (a native child's too: a
// combo box's list or edit) go to the next or previous tab stop, unless the
// control takes them itself. Ctrl+Tab is left to the control (page tabs).
bool Application::TabKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || GetKeyState(VK_CONTROL) < 0)
        return false;
    WinControl* control = WinControl::ControlOf(msg.hwnd);
    Form* form = control ? control->ParentForm() : nullptr;
    if (!form || control->WantsTab()) return false;
    form->SelectNext(control == form ? nullptr : control, GetKeyState(VK_SHIFT) >= 0);
    return true;
}

void Application::HandleException(const std::exception& e) {
    const auto* err = dynamic_cast<const Error*>(&e);
    ShowError(err ? err->Message() : std::string(e.what()));
}

void Application::ShowError(const std::string& message) {
    const std::string text = ErrorBoxText(message);
    if (errorBox) {
        errorBox(Handle(), text, title_);
        return;
    }
    MessageBoxA(Handle(), text.c_str(), title_.c_str(), MB_ICONERROR | MB_OK);
}

void Application::VisibilityChanged() {
    if (!handle_) return;
    bool any = false;
    for (const auto& f : forms_)
        if (f->Visible()) any = true;
    const bool shown = IsWindowVisible(handle_) != FALSE;
    if (any && !shown) ShowWindow(handle_, SW_SHOWNOACTIVATE);
    if (!any && shown) ShowWindow(handle_, SW_HIDE);
}

LRESULT CALLBACK Application::AppWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Application& app = App();
    if (hwnd != app.handle_ && app.handle_ != nullptr) return DefWindowProcA(hwnd, msg, wp, lp);
    if (!app.handle_) app.handle_ = hwnd;
    LRESULT result = 0;
    Guarded([&] { result = app.AppMessage(msg, wp, lp); });
    return result;
}

LRESULT Application::AppMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == CounterMessage()) return CounterValue(wp);
    switch (msg) {
        case WM_COMMAND:
            // Pop-up menus are tracked with this window as their owner.
            if (HIWORD(wp) == 0 && PopupMenu::DispatchCommand(LOWORD(wp))) return 0;
            break;
        case WM_CLOSE:
            // The taskbar entry's Close command closes the main window.
            if (mainForm_) mainForm_->Close();
            return 0;
        case WM_SYSCOMMAND:
            if ((wp & 0xFFF0) == SC_CLOSE) {
                if (mainForm_) mainForm_->Close();
                return 0;
            }
            break;
        case WM_QUERYENDSESSION:
            return 1;
        case WM_ENDSESSION:
            if (wp) Terminate();
            return 0;
        default:
            break;
    }
    return DefWindowProcA(handle_, msg, wp, lp);
}

}  // namespace fw
