// The application object: title, main window, message loop, modal loops'
// shared pieces, the error box, COM for the user-interface thread, and the
// hidden application window that carries the taskbar entry.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Errors.h"

namespace fw {

class Form;

class Application {
public:
    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Initialises COM for this thread (single-threaded apartment) and makes the
    // hidden application window.
    void Initialize();
    // Destroys every window and uninitialises COM when Initialize initialised it.
    void Finalize();

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title);

    // Show the main window when the message loop starts (on by default).
    bool showMainForm = true;

    Form* MainForm() const { return mainForm_; }

    // Creates a window owned by the application; the first one created this
    // way becomes the main window. Its creation handler runs guarded: an
    // error there is shown in the error box and the window is still created.
    template <class T>
    T* CreateForm() {
        auto form = std::make_unique<T>();
        T* p = form.get();
        AdoptForm(std::move(form), true);
        return p;
    }
    // Takes ownership of a window made directly (it does not become the main window).
    void AdoptForm(std::unique_ptr<Form> form, bool mayBecomeMain = false);

    // Runs the message loop until Terminate.
    void Run();
    // Ends the message loop once the current message is done. Message boxes
    // and modal windows already running are not cut short.
    void Terminate();
    bool Terminated() const { return terminated_; }

    // Waits for and dispatches one message; false when there was nothing to do
    // because the application is ending.
    bool HandleMessage();
    // Dispatches the messages already waiting, without blocking.
    void ProcessMessages();

    // The error box: owned by the application window, captioned with the title,
    // MB_ICONERROR and OK; the text is the message with the "." rule applied.
    void HandleException(const std::exception& e);
    void ShowError(const std::string& message);

    // Replaceable for tests that cannot see a message box from outside:
    // receives the owner, the text and the caption.
    using ErrorBoxFn = std::function<void(HWND owner, const std::string& text,
                                          const std::string& caption)>;
    ErrorBoxFn errorBox;

    // The hidden application window (created on demand).
    HWND Handle();

    // Called by forms when they show or hide: the taskbar entry is present
    // exactly while one of the application's windows is visible.
    void VisibilityChanged();

    const std::vector<std::unique_ptr<Form>>& Forms() const { return forms_; }

private:
    // Translates and dispatches a message taken from the queue, but moves the
    // focus for a Tab key.
    void Dispatch(MSG& msg);
    bool TabKey(const MSG& msg);
    static LRESULT CALLBACK AppWindowProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT AppMessage(UINT msg, WPARAM wp, LPARAM lp);

    std::string title_;
    Form* mainForm_ = nullptr;
    std::vector<std::unique_ptr<Form>> forms_;
    HWND handle_ = nullptr;
    bool terminated_ = false;
    HANDLE terminateEvent_ = nullptr;  // set by Terminate; the loop waits on it too
    bool comInitialized_ = false;
    bool finalized_ = false;
};

// The program's one application object.
Application& App();

// The registered message the application window answers with the value of
// one of the program's counters (Counters.h): wParam is a global atom naming
// it; the answer is the value, or -1 when no counter has that name.
UINT CounterMessage();

}  // namespace fw
