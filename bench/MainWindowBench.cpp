// Measures what painting the shown main window costs: a full repaint (the
// window, its four frame bars with the close button and icon, picture, label
// and logo) without and with a background picture, against one plain
// 262 x 193 block transfer to the same window, in the same run. Counts the
// colour-model conversions made while painting, and checks that the hover
// timers stand still once the window is hidden and the pointer is elsewhere.
//
// Goals: a full repaint costs at most 3 times the plain block transfer; no
// colour-model conversion while painting; no hover timer running when idle.
// The off-screen figures are the drawing alone: the window printed as kept,
// and printed after its own drawing changed. The on-screen figures add what
// the window system costs for each of the five windows (the main window and
// its four frame bars), shown against plain windows of the same shape that
// paint one block transfer each.
//
//   build/mingw/bench/MainWindowBench.exe [repaints]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "bench/BenchSupport.h"
#include "common/PictureLoader.h"
#include "common/tests/JpegTestEncoder.h"
#include "flat/HSLUtils.h"
#include "framework/Application.h"

namespace {

// Microseconds per call of `f`, best of five batches of `n`.
template <typename F>
double PerCall(int n, F f) {
    double best = 1e30;
    for (int batch = 0; batch < 5; ++batch) {
        const double t0 = bench::Now();
        for (int i = 0; i < n; ++i) f();
        GdiFlush();
        best = std::min(best, (bench::Now() - t0) * 1000.0 / n);
    }
    return best;
}

void FullRepaint(HWND h) {
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

// The cheapest repaint of a window of the main window's size: a plain
// window whose paint is one 262 x 193 block transfer from a prepared bitmap.
HDC plainSource = nullptr;

LRESULT CALLBACK PlainWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        BitBlt(dc, 0, 0, 262, 193, plainSource, 0, 0, SRCCOPY);
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (msg == WM_ERASEBKGND) return 1;
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND MakePlainWindow(bool withBars) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = PlainWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PlainPaint";
    RegisterClassExA(&wc);
    HWND h = CreateWindowExA(0, "PlainPaint", "", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 394, 400, 262, 193,
                             nullptr, nullptr, wc.hInstance, nullptr);
    // The same family of windows as the main window's: four bars along the
    // edges, each painting one block transfer too.
    const RECT bars[] = {{0, 0, 262, 41}, {0, 41, 13, 180}, {248, 41, 262, 180}, {0, 180, 262, 193}};
    if (withBars)
        for (const RECT& r : bars)
            CreateWindowExA(0, "PlainPaint", "", WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left,
                            r.bottom - r.top, h, nullptr, wc.hInstance, nullptr);
    return h;
}

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    bench::StartApplication();
    Form1 = fw::App().CreateForm<TForm1>();
    Form1->Show();
    bench::Pump(400);
    HWND h = Form1->Handle();

    // The plain block transfer: one 262 x 193 picture onto the window.
    HDC screen = GetDC(h);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 262, 193);
    HGDIOBJ old = SelectObject(mem, bmp);
    PatBlt(mem, 0, 0, 262, 193, BLACKNESS);
    // The drawing alone, off the screen: the whole window with its frame bars
    // and controls printed into a bitmap, against one copy of such a bitmap.
    HDC target = CreateCompatibleDC(screen);
    HBITMAP targetBitmap = CreateCompatibleBitmap(screen, 262, 193);
    HGDIOBJ targetOld = SelectObject(target, targetBitmap);
    const double copy = PerCall(n, [&] { BitBlt(target, 0, 0, 262, 193, mem, 0, 0, SRCCOPY); });
    const unsigned long hslPrintBefore = flat::HslConversions();
    const double print = PerCall(n, [&] {
        SendMessageA(h, WM_PRINT, reinterpret_cast<WPARAM>(target), PRF_CLIENT | PRF_CHILDREN);
    });
    // The same after a change of the window's own drawing (as a hover or a
    // new caption makes): the window drawn anew, its frame bars copied in.
    const double printChanged = PerCall(n, [&] {
        Form1->PictureChanged();
        SendMessageA(h, WM_PRINT, reinterpret_cast<WPARAM>(target), PRF_CLIENT | PRF_CHILDREN);
    });
    const unsigned long hslPrint = flat::HslConversions() - hslPrintBefore;
    SelectObject(target, targetOld);
    DeleteObject(targetBitmap);
    DeleteDC(target);

    // The screen's own work (the X server's) from here on: each part starts
    // with the server idle again.
    bench::Pump(300);
    const double blitHeld = PerCall(n, [&] { BitBlt(screen, 0, 0, 262, 193, mem, 0, 0, SRCCOPY); });
    // As a paint does it: the window's DC taken and given back, which puts
    // the picture on the screen.
    const double blit = PerCall(n, [&] {
        HDC dc = GetDC(h);
        BitBlt(dc, 0, 0, 262, 193, mem, 0, 0, SRCCOPY);
        ReleaseDC(h, dc);
    });
    plainSource = mem;
    HWND plainWindow = MakePlainWindow(false);
    bench::Pump(200);
    const double plainPaint = PerCall(n, [&] {
        InvalidateRect(plainWindow, nullptr, FALSE);
        UpdateWindow(plainWindow);
    });
    DestroyWindow(plainWindow);
    HWND plainFamily = MakePlainWindow(true);
    bench::Pump(200);
    const double plainFamilyPaint = PerCall(n, [&] { FullRepaint(plainFamily); });
    DestroyWindow(plainFamily);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(h, screen);

    bench::Pump(300);
    const unsigned long hslBefore = flat::HslConversions();
    const double formOnly = PerCall(n, [&] { Form1->Repaint(); });
    bench::Pump(300);
    const double plain = PerCall(n, [&] { FullRepaint(h); });

    // A background picture, as the settings step or the appearance window sets it.
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    const std::string path = std::string(dir) + "quelvo-bench.jpg";
    std::vector<std::uint8_t> pixels(800 * 600 * 3);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>((i * 7) / 5);
    const bool written = bench::WriteFileBytes(path, testjpeg::Encode(pixels, 800, 600, testjpeg::Kind::Rgb));
    if (written) fw::Guarded([&] { common::LoadPictureFile(path, Form1->Image1); });
    Form1->Image1.SetVisible(true);
    bench::Pump(100);
    const unsigned long hslPictureBefore = flat::HslConversions();
    const double picture = PerCall(n, [&] { FullRepaint(h); });
    const unsigned long hslDuring =
        (hslPictureBefore - hslBefore) + (flat::HslConversions() - hslPictureBefore) + hslPrint;
    DeleteFileA(path.c_str());

    // Idle: hidden, the pointer away from every control.
    Form1->Hide();
    SetCursorPos(5, 700);
    bench::Pump(600);
    const fw::Timer* hover = TFlatSpeedButton::HoverTimer();
    const bool speedTimer = hover && hover->Enabled();

    std::printf("Main window repaint, microseconds per call (best of 5 x %d)\n", n);
    std::printf(" drawing, off the screen\n");
    std::printf("  %-36s %10.1f\n", "one 262 x 193 BitBlt between bitmaps", copy);
    std::printf("  %-36s %10.1f  (%.2f x BitBlt, goal <= 3)\n", "whole window printed into a bitmap", print,
                print / copy);
    std::printf("  %-36s %10.1f  (%.2f x BitBlt)\n", "the same, its own drawing changed", printChanged,
                printChanged / copy);
    std::printf(" on the screen\n");
    std::printf("  %-36s %10.1f\n", "plain 262 x 193 BitBlt, DC held", blitHeld);
    std::printf("  %-36s %10.1f\n", "plain 262 x 193 BitBlt", blit);
    std::printf("  %-36s %10.1f\n", "plain window painting one BitBlt", plainPaint);
    std::printf("  %-36s %10.1f\n", "plain window and 4 bars, one BitBlt each", plainFamilyPaint);
    std::printf("  %-36s %10.1f\n", "window alone, drawn anew (no bars)", formOnly);
    std::printf("  %-36s %10.1f  (%.2f x BitBlt, %.2f x the plain windows)\n", "full repaint, no picture",
                plain, plain / blit, plain / plainFamilyPaint);
    std::printf("  %-36s %10.1f  (%.2f x BitBlt, %.2f x the plain windows)%s\n",
                "full repaint, background picture", picture, picture / blit, picture / plainFamilyPaint,
                written ? "" : "  [picture not written]");
    // Five batches of n for each of the five repaint figures above.
    std::printf("Colour-model conversions during %d repaints: %lu (goal 0)\n", 25 * n, hslDuring);
    std::printf("Hover timer of the speed buttons while idle: %s (goal stopped)\n",
                speedTimer ? "running" : "stopped");
    fw::App().Finalize();
    return 0;
}
