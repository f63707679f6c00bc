// The installer's two windows as tables: the information window HelpForm and the progress
// window WaitForm. Control IDs, captions, places in twips, fonts and colours.
#pragma once

#include <array>

#include "FormLayout.h"

namespace setup::forms {

using pellucor::Colour;
using pellucor::FontSpec;
using pellucor::FormControlKind;
using pellucor::FormControlSpec;

constexpr const char* kHelpFormClass = "PellucorSetupHelpForm";
constexpr const char* kWaitFormClass = "PellucorSetupWaitForm";

enum ControlId : int {
    IDC_Text1 = 101,
    IDC_Command1,
    IDC_Command2,
    IDC_Label1 = 201,
    IDC_Label2,
    IDC_lblDots,
};

constexpr FontSpec kHelpFont{pellucor::kSansSerif, 195, true};  // 9.75 points, bold
constexpr FontSpec kBigBold{pellucor::kSansSerif, 480, true};   // 24 points, bold

// HelpForm: caption "Help" when made (the installer names the window before showing it), text box
// above two buttons of the same size; the layout rule keeps them so on every resize.
constexpr const char* kHelpDesignCaption = "Help";
constexpr int kHelpClientWidth = 9000;
constexpr int kHelpClientHeight = 6600;
constexpr std::array<FormControlSpec, 3> kHelpControls{{
    {IDC_Text1, "Text1", FormControlKind::MultiLineText, "", 120, 120, 8760, 5745, kHelpFont,
     pellucor::kBlack},
    {IDC_Command1, "Command1", FormControlKind::Button, "&Install", 2515, 5985, 1455, 495,
     kHelpFont, pellucor::kBlack},
    {IDC_Command2, "Command2", FormControlKind::Button, "&Cancel", 5030, 5985, 1455, 495, kHelpFont,
     pellucor::kBlack},
}};

// WaitForm: no caption, light grey, two big status lines and the row of progress dots.
constexpr int kWaitClientWidth = 7200;
constexpr int kWaitClientHeight = 2400;
constexpr std::array<FormControlSpec, 3> kWaitControls{{
    {IDC_Label1, "Label1", FormControlKind::CentredLabel, "Working", 120, 240, 6960, 615, kBigBold,
     pellucor::kBlue},
    {IDC_Label2, "Label2", FormControlKind::CentredLabel, "Please Wait", 120, 960, 6960, 615,
     kBigBold, pellucor::kRed},
    {IDC_lblDots, "lblDots", FormControlKind::CentredLabel, "", 120, 1800, 6960, 375, kHelpFont,
     pellucor::kBlack},
}};

}  // namespace setup::forms
