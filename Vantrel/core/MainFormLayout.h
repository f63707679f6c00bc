// The main window's controls and menus: stable control IDs, captions, positions in twips and
// tab order. The Win32 window is built from these tables, and the tests read them.
#pragma once

#include <array>

#include "ControlTable.h"

namespace qel::layout {

// Client area of the main window, in twips, and its background colour.
constexpr int kClientWidth = 12465;
constexpr int kClientHeight = 8025;
constexpr unsigned char kBackgroundGrey = 192;

constexpr int kTimerInterval = 500;  // ms
constexpr const char* kDesignCaption = "Vantrel";
// The title of the main window's Yes/No questions (an SFTP host's unknown key).
constexpr const char* kQuestionCaption = "Pellucor - SFTP host key";

enum ControlId : int {
    IDC_ckkRun = 1001,
    IDC_lblFileName,
    IDC_txtFileName,
    IDC_lblPageTitle,
    IDC_txtPageTitle,
    IDC_Label3,
    IDC_txtRefresh,
    IDC_Label4,
    IDC_Label2,
    IDC_txtPort,
    IDC_Command2,
    IDC_lblStatusLabel,
    IDC_lblStatus,
    IDC_lblDebug,
    IDC_Text1,
};

enum MenuId : int {
    IDM_mnuFile = 2000,
    IDM_mnuExit,
    IDM_mnuConfigureUpload,
    IDM_mnuFTPMethod,
    IDM_mnuMethod1,
    IDM_mnuMethod2,
    IDM_mnuMethod3,
    IDM_mnuMethod4,
    IDM_mnuCommMethod,
    IDM_mnuCommMethod1,
    IDM_mnuCommMethod2,
    IDM_mnuHelp,
    IDM_mnuInstructions,
    IDM_mnuAbout,
};

using pellucor::ControlKind;
using pellucor::ControlSpec;

// In tab order first (the window creates them in this order), then the labels.
constexpr std::array<ControlSpec, 15> kControls{{
    {IDC_Text1, "Text1", ControlKind::MultiLineText, "", 1800, 5160, 8415, 2295, 0},
    {IDC_ckkRun, "ckkRun", ControlKind::CheckBox, "Run", 1440, 600, 4215, 495, 1},
    {IDC_txtFileName, "txtFileName", ControlKind::TextBox, "", 3000, 1200, 4215, 375, 2},
    {IDC_txtPageTitle, "txtPageTitle", ControlKind::TextBox, "", 3000, 1800, 3975, 420, 3},
    {IDC_txtPort, "txtPort", ControlKind::TextBox, "", 3000, 3000, 735, 420, 4},
    {IDC_Command2, "Command2", ControlKind::Button, "&Search", 3840, 3000, 2055, 495, 5},
    {IDC_txtRefresh, "txtRefresh", ControlKind::TextBox, "", 3000, 2400, 1095, 420, 6},
    {IDC_lblFileName, "lblFileName", ControlKind::RightLabel, "Destination file name", 0, 1200,
     2895, 375, -1},
    {IDC_lblPageTitle, "lblPageTitle", ControlKind::RightLabel, "Page title", 120, 1800, 2775, 375,
     -1},
    {IDC_Label3, "Label3", ControlKind::RightLabel, "Refresh rate", 1200, 2400, 1695, 375, -1},
    {IDC_Label4, "Label4", ControlKind::Label, "seconds", 4320, 2400, 2415, 495, -1},
    {IDC_Label2, "Label2", ControlKind::RightLabel, "Port", 120, 3000, 2775, 375, -1},
    {IDC_lblStatusLabel, "lblStatusLabel", ControlKind::RightLabel, "Status", 1680, 3840, 1215, 375,
     -1},
    {IDC_lblStatus, "lblStatus", ControlKind::PlainLabel, "", 3120, 3840, 8295, 855, -1},
    {IDC_lblDebug, "lblDebug", ControlKind::Label, "Output", 1800, 4800, 8895, 375, -1},
}};

struct MenuItemSpec {
    int id;
    const char* caption;
    int parent;  // 0: an item of the menu bar itself
};

// The menu bar in order. Captions are exact, trailing blanks included.
constexpr std::array<MenuItemSpec, 14> kMenus{{
    {IDM_mnuFile, "&File  ", 0},
    {IDM_mnuExit, "E&xit", IDM_mnuFile},
    {IDM_mnuConfigureUpload, "Configure  &Host", 0},
    {IDM_mnuFTPMethod, "FTP &Method  ", 0},
    {IDM_mnuMethod1, "Method 1", IDM_mnuFTPMethod},
    {IDM_mnuMethod2, "Method 2", IDM_mnuFTPMethod},
    {IDM_mnuMethod3, "Method 3", IDM_mnuFTPMethod},
    {IDM_mnuMethod4, "Method 4", IDM_mnuFTPMethod},
    {IDM_mnuCommMethod, "&Comm Method", 0},
    {IDM_mnuCommMethod1, "Method 1", IDM_mnuCommMethod},
    {IDM_mnuCommMethod2, "Method 2", IDM_mnuCommMethod},
    {IDM_mnuHelp, "&Help  ", 0},
    {IDM_mnuInstructions, "&Instructions", IDM_mnuHelp},
    {IDM_mnuAbout, "&About", IDM_mnuHelp},
}};

// The one menu command with a keyboard shortcut.
constexpr int kF1MenuId = IDM_mnuInstructions;
constexpr const char* kF1Text = "F1";

}  // namespace qel::layout
