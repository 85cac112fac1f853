// Start-up: the splash, the program's windows created once each, the message loop.
#include <windows.h>

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"
#include "app/Unit5.h"
#include "framework/Application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    fw::Application& app = fw::App();
    app.showMainForm = false;
    app.Initialize();

    // The splash is made directly, so it does not become the main window; no
    // message loop runs yet, so this one synchronous paint is all it gets.
    auto splash = std::make_unique<TForm4>();
    Form4 = splash.get();
    app.AdoptForm(std::move(splash));
    Form4->Show();
    Form4->Update();

    app.SetTitle("Quelvo");
    Form1 = app.CreateForm<TForm1>();
    Form3 = app.CreateForm<TForm3>();
    Form2 = app.CreateForm<TForm2>();
    Form5 = app.CreateForm<TForm5>();
    Form4->Close();

    app.Run();
    app.Finalize();
    return 0;
}
