// The appearance window against the real registry: what loading applies or
// reports, and what its colour, clear and defaults buttons change in the
// three windows and store.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/tests/MachineValues.h"
#include "app/tests/QuelvoTestApp.h"
#include "framework/Application.h"

namespace {

using machine::Dword;
using machine::Sz;

const char kSettings[] = "SOFTWARE\\Keltrin工作室";

struct Value {
    const char* name;
    DWORD type;
    std::string data;
};

class AppearanceWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartTestApp(boxes);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSettings);
        Form1 = fw::App().CreateForm<TForm1>();
        Form2 = fw::App().CreateForm<TForm2>();
    }
    static void TearDownTestSuite() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSettings); }
    void TearDown() override {
        Form3 = nullptr;
        window.reset();
    }
    TForm3& Load(const std::vector<Value>& stored) {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSettings);
        for (const Value& v : stored) machine::Store(kSettings, v.name, v.type, v.data);
        boxes.clear();
        window = std::make_unique<TForm3>();
        window->Create();
        Form3 = window.get();
        return *window;
    }
    // The frame colour of each of the twelve bars, main window first.
    static std::vector<fw::Color> Frames(TForm3& f) {
        std::vector<fw::Color> out;
        for (auto* bars : {Form1->FrameBars, Form2->FrameBars, f.FrameBars})
            for (int i = 0; i < 4; ++i) out.push_back(bars[i]->TitlebarColor());
        return out;
    }
    std::unique_ptr<TForm3> window;
    static std::vector<std::string> boxes;
};
std::vector<std::string> AppearanceWindowTest::boxes;

TEST_F(AppearanceWindowTest, LoadingAppliesTheKeyAndThePickerStartsOnBlack) {
    const struct {
        const char* what;
        std::vector<Value> stored;
        std::string error;
        fw::Color frame;
    } cases[] = {
        {"red frame, no picture", {{"ImageCanSee", REG_DWORD, Dword(0)}, {"BarColor", REG_SZ, Sz("clRed")}}, "",
         fw::clRed},
        {"a colour without a name", {{"ImageCanSee", REG_DWORD, Dword(0)}, {"BarColor", REG_SZ, Sz("$00FF8000")}},
         "", 0x00FF8000},
        {"missing ImageCanSee ends loading", {{"BarColor", REG_SZ, Sz("clRed")}},
         "从 'ImageCanSee' 获得数据失败.", fw::clBackground},
        {"a picture that cannot be loaded ends loading before the frame",
         {{"ImageCanSee", REG_DWORD, Dword(1)}, {"ImagePath", REG_SZ, Sz("C:\\no\\such.gif")},
          {"BarColor", REG_SZ, Sz("clRed")}},
         "未知的图象文件扩展名 (.gif)", fw::clBackground},
        {"a colour that is no colour", {{"ImageCanSee", REG_DWORD, Dword(0)}, {"BarColor", REG_SZ, Sz("red")}},
         "'red' 不是一个有效的整形值.", fw::clBackground},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TForm3& f = Load(c.stored);
        EXPECT_EQ(boxes, c.error.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.error});
        for (TFlatTitlebar* bar : f.FrameBars) EXPECT_EQ(bar->TitlebarColor(), c.frame);
        EXPECT_EQ(f.FlatColorComboBox1.Value(), fw::clBlack);
        EXPECT_EQ(f.FlatColorComboBox1.Text(), "Black");
        window.reset();
    }
}

TEST_F(AppearanceWindowTest, ButtonsApplyToTheThreeWindowsAndStore) {
    TForm3& f = Load({{"ImageCanSee", REG_DWORD, Dword(1)},
                      {"ImagePath", REG_SZ, Sz("")},
                      {"BarColor", REG_SZ, Sz("clBackground")},
                      {"Key_Value", REG_DWORD, Dword(66)}});
    boxes.clear();
    f.FlatColorComboBox1.SetValue(fw::clRed);
    f.FlatButton2Click();
    EXPECT_EQ(Frames(f), std::vector<fw::Color>(12, fw::clRed));
    EXPECT_EQ(machine::Load(kSettings, "BarColor"), std::make_pair(DWORD{REG_SZ}, Sz("clRed")));

    // Clearing hides every picture and keeps the path; the frames stay.
    machine::Store(kSettings, "ImagePath", REG_SZ, Sz("C:\\pictures\\a.JPG"));
    std::vector<fw::Image*> pictures = {&Form1->Image1, &f.Image2, &Form2->Image2,
                                        &Form2->Image3, &Form2->Image4, &Form2->Image5};
    for (fw::Image* p : pictures) p->SetVisible(true);
    f.FlatButton4Click();
    for (fw::Image* p : pictures) EXPECT_FALSE(p->Visible()) << p->name;
    EXPECT_EQ(machine::Load(kSettings, "ImageCanSee"), std::make_pair(DWORD{REG_DWORD}, Dword(0)));
    EXPECT_EQ(machine::Load(kSettings, "ImagePath"), std::make_pair(DWORD{REG_SZ}, Sz("C:\\pictures\\a.JPG")));
    EXPECT_EQ(Frames(f), std::vector<fw::Color>(12, fw::clRed));

    // The defaults: pictures hidden, the system's frame colour, the picker
    // still on the last pick, the hot key and the path untouched.
    for (fw::Image* p : pictures) p->SetVisible(true);
    machine::Store(kSettings, "ImageCanSee", REG_DWORD, Dword(1));
    f.FlatButton5Click();
    for (fw::Image* p : pictures) EXPECT_FALSE(p->Visible()) << p->name;
    EXPECT_EQ(Frames(f), std::vector<fw::Color>(12, fw::clBackground));
    EXPECT_EQ(machine::Load(kSettings, "ImageCanSee"), std::make_pair(DWORD{REG_DWORD}, Dword(0)));
    EXPECT_EQ(machine::Load(kSettings, "BarColor"), std::make_pair(DWORD{REG_SZ}, Sz("clBackground")));
    EXPECT_EQ(machine::Load(kSettings, "ImagePath"), std::make_pair(DWORD{REG_SZ}, Sz("C:\\pictures\\a.JPG")));
    EXPECT_EQ(machine::Load(kSettings, "Key_Value"), std::make_pair(DWORD{REG_DWORD}, Dword(66)));
    EXPECT_EQ(f.FlatColorComboBox1.Value(), fw::clRed);
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
