// The options window: the system-wide CD-ROM switches, read-ahead, cache
// size and the hot-key letter on four pages, each written the moment the
// user changes it.
#pragma once

#include <cstdint>
#include <string>

#include "app/Unit1.h"
#include "flat/TFlatCheckBoxUnit.h"
#include "flat/TFlatComboBoxUnit.h"
#include "framework/ComCtrls.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/StdControls.h"

using flat::TFlatCheckBox;
using flat::TFlatComboBox;

// The keys and values the window reads and writes, all below
// HKEY_LOCAL_MACHINE, in the letter case each side uses.
namespace options {
constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kAutostartValue[] = "Palomir1.0版";
constexpr char kWinlogonKeyRead[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
constexpr char kWinlogonKeyWrite[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
constexpr char kAllocateCdRomsRead[] = "AllocateCDRoms";
constexpr char kAllocateCdRomsWrite[] = "allocatecdroms";
constexpr char kCdRomKeyRead[] = "SYSTEM\\CurrentControlSet\\Services\\CDRom";
constexpr char kCdRomKeyWrite[] = "SYSTEM\\CurrentControlSet\\Services\\Cdrom";
constexpr char kAutoRun[] = "AutoRun";
constexpr char kPoliciesKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\policies";
constexpr char kExplorer[] = "Explorer";
constexpr char kNoDriveTypeAutoRun[] = "NoDriveTypeAutoRun";
constexpr char kFileSystemKey[] = "SYSTEM\\CurrentControlSet\\Control\\FileSystem";
constexpr char kCdfs[] = "CDFS";
constexpr char kCdfsKey[] = "SYSTEM\\CurrentControlSet\\Control\\FileSystem\\CDFS";
constexpr char kPrefetch[] = "PREFETCH";
constexpr char kCacheSize[] = "CACHESIZE";

// Read-ahead by entry of the speed list, cache size by entry of the cache list.
constexpr std::int32_t kPrefetchValues[8] = {228, 448, 896, 1344, 1792, 1872, 2048, 2165};
constexpr std::int32_t kCacheSizeValues[3] = {619, 1238, 2476};

// The data of the autostart value for a program path: quoted when it holds
// a blank, so the system cannot start a shorter path's program instead.
std::string AutostartCommand(const std::string& exePath);
}  // namespace options

class TForm2 : public fw::Form {
public:
    TForm2();

    fw::PopupMenu PopupMenu1;
    TFlatTitlebar FlatTitlebar1{this};
    fw::Image Image1{&FlatTitlebar1};
    TFlatSpeedButton FlatSpeedButton1{&FlatTitlebar1};
    TFlatTitlebar FlatTitlebar2{this};
    TFlatTitlebar FlatTitlebar3{this};
    TFlatTitlebar FlatTitlebar4{this};
    fw::Label Label6{&FlatTitlebar4};  // the restart notice

    fw::PageControl PageControl1{this};
    fw::TabSheet TabSheet1{&PageControl1};
    fw::Image Image2{&TabSheet1};
    TFlatCheckBox FlatCheckBox1{&TabSheet1};
    fw::TabSheet TabSheet2{&PageControl1};
    fw::Image Image3{&TabSheet2};
    fw::Label Label5{&TabSheet2};
    TFlatComboBox FlatComboBox4{&TabSheet2};
    TFlatCheckBox FlatCheckBox2{&TabSheet2};
    TFlatCheckBox FlatCheckBox3{&TabSheet2};
    fw::TabSheet TabSheet3{&PageControl1};
    fw::Image Image4{&TabSheet3};
    fw::Label Label1{&TabSheet3};
    fw::Label Label7{&TabSheet3};
    TFlatComboBox FlatComboBox1{&TabSheet3};
    fw::TabSheet TabSheet4{&PageControl1};
    fw::Image Image5{&TabSheet4};
    fw::Label Label2{&TabSheet4};
    fw::Label Label3{&TabSheet4};
    fw::Label Label4{&TabSheet4};
    TFlatComboBox FlatComboBox2{&TabSheet4};
    TFlatComboBox FlatComboBox3{&TabSheet4};

    // The four frame pieces, top, left, right, bottom; the pages' pictures.
    TFlatTitlebar* FrameBars[4] = {&FlatTitlebar1, &FlatTitlebar2, &FlatTitlebar3, &FlatTitlebar4};
    fw::Image* Pictures[4] = {&Image2, &Image3, &Image4, &Image5};

    void FormCreate();
    void FormShow();
    void FormHide();
    void FlatSpeedButton1Click();
    void Q1Click();

    void FlatCheckBox1Click();
    void FlatComboBox4Click();
    void FlatCheckBox2Click();
    void FlatCheckBox3Click();
    void FlatComboBox2Click();
    void FlatComboBox3Click();
    void FlatComboBox1Change();

private:
    void SetUpPages();
};

extern TForm2* Form2;
