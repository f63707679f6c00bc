// The host configuration dialog's controls: stable IDs, captions, positions in twips and tab
// order. The Win32 dialog is built from this table, and the tests read it.
#pragma once

#include <array>

#include "ControlTable.h"

namespace qel::config_layout {

using pellucor::ControlKind;
using pellucor::ControlSpec;

constexpr const char* kCaption = "Configure Web Host Data";
constexpr int kClientWidth = 11565;
constexpr int kClientHeight = 5595;
constexpr unsigned char kBackgroundGrey = 192;
constexpr const char* kFontFace = "MS Sans Serif";
constexpr int kFontPoints = 12;

enum ControlId : int {
    IDC_txtUserName = 3001,
    IDC_txtPassword,
    IDC_txtURL,
    IDC_txtPathName,
    IDC_Check2,
    IDC_Check1,
    IDC_Command4,
    IDC_Command1,
    IDC_txtFileName,
    IDC_cmdOK,
    IDC_Command2,
    IDC_cmbFileName,
    IDC_Command3,
    IDC_Command5,
    IDC_lblUserName,
    IDC_lblPassword,
    IDC_Label1,
    IDC_lblpath,
    IDC_lblFilename,
};

// In tab order first (the dialog creates them in this order), then the labels.
constexpr std::array<ControlSpec, 19> kControls{{
    {IDC_txtUserName, "txtUserName", ControlKind::MaskedTextBox, "", 2640, 480, 4815, 495, 0},
    {IDC_txtPassword, "txtPassword", ControlKind::MaskedTextBox, "", 2640, 1080, 4815, 495, 1},
    {IDC_txtURL, "txtURL", ControlKind::TextBox, "", 2640, 1680, 4815, 495, 2},
    {IDC_txtPathName, "txtPathName", ControlKind::TextBox, "/", 2640, 2280, 4815, 495, 3},
    {IDC_Check2, "Check2", ControlKind::CheckBox, "Unhide", 7680, 480, 2415, 495, 4},
    {IDC_Check1, "Check1", ControlKind::CheckBox, "Unhide", 7680, 1200, 2415, 375, 5},
    {IDC_Command4, "Command4", ControlKind::Button, "Set", 360, 3120, 1815, 615, 6},
    {IDC_Command1, "Command1", ControlKind::Button, "&Save", 2520, 3120, 1815, 615, 7},
    {IDC_txtFileName, "txtFileName", ControlKind::TextBox, "", 1800, 3960, 6015, 495, 8, false},
    {IDC_cmdOK, "cmdOK", ControlKind::Button, "&Ok", 2520, 4680, 1575, 615, 9, false},
    {IDC_Command2, "Command2", ControlKind::Button, "&Load", 4680, 3120, 1815, 615, 10},
    {IDC_cmbFileName, "cmbFileName", ControlKind::DropDownCombo, "Combo1", 3120, 3960, 5055, 420,
     11, false},
    {IDC_Command3, "Command3", ControlKind::Button, "E&xit", 6840, 3120, 1815, 615, 12},
    {IDC_Command5, "Command5", ControlKind::Button, "&Help", 9240, 3120, 1815, 615, 13},
    {IDC_lblUserName, "lblUserName", ControlKind::RightLabel, "User name", 840, 480, 1575, 375, -1},
    {IDC_lblPassword, "lblPassword", ControlKind::RightLabel, "Password", 840, 1080, 1575, 375, -1},
    {IDC_Label1, "Label1", ControlKind::RightLabel, "URL", 840, 1680, 1575, 375, -1},
    {IDC_lblpath, "lblpath", ControlKind::RightLabel, "Path", 840, 2280, 1575, 375, -1},
    {IDC_lblFilename, "lblFilename", ControlKind::RightLabel, "File name", 240, 3960, 1335, 375, -1,
     false},
}};

}  // namespace qel::config_layout
