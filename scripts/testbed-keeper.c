/* testbed-keeper: holds the test bed's Wine desktop open for as long as the
 * test bed runs (scripts/testbed builds it and starts it detached).
 *
 * Wine closes a desktop, ending its desktop process (explorer.exe /desktop),
 * about a second after the last program using it has ended; the next program
 * that needs the desktop then starts the desktop process again as its own
 * child: in its process group, holding its standard error. This program uses
 * the desktop (one message-only window, shown nowhere) and waits, so the
 * desktop process it starts is the only one, and it is the test bed's. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command, int show) {
    MSG msg;
    (void)previous;
    (void)command;
    (void)show;
    if (!CreateWindowExA(0, "STATIC", "testbed-keeper", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, instance, NULL))
        return 1;
    GetDesktopWindow(); /* starts the desktop process now and waits until it is ready */
    while (GetMessageA(&msg, NULL, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}
