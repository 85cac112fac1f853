// The base of tests that run the application object: an error box the code
// under test would show fails the test instead of waiting for a click.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "framework/Application.h"
#include "framework/Forms.h"

namespace testapp {

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        fw::App().Initialize();
        fw::App().errorBox = [](HWND, const std::string& text, const std::string&) {
            ADD_FAILURE() << "error box: " << text;
        };
    }
    void TearDown() override { fw::App().errorBox = nullptr; }
    // Takes this thread's messages for about 100 ms.
    static void Pump() {
        for (int i = 0; i < 20; ++i) {
            fw::App().ProcessMessages();
            Sleep(5);
        }
    }
};

// A test of controls on one form, hidden again after each test.
class FormTest : public AppTest {
protected:
    void TearDown() override {
        form.Hide();
        AppTest::TearDown();
    }
    // The form created, shown and made the active window.
    void ShowActive() {
        form.Create();
        form.Show();
        SetForegroundWindow(form.Handle());
    }
    fw::Form form;
};

}  // namespace testapp
