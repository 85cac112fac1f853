// The base of tests that run the application object: an error box the code
// under test would show fails the test instead of waiting for a click.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "framework/Application.h"

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

}  // namespace testapp
