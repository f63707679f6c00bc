// The uninstaller's progress window as a table: "Working", the current step, "Please Wait".
#pragma once

#include <array>

#include "FormLayout.h"

namespace removal::forms {

using pellucor::FontSpec;
using pellucor::FormControlKind;
using pellucor::FormControlSpec;

constexpr const char* kWaitFormClass = "PellucorRemoveWaitForm";

enum ControlId : int {
    IDC_Label1 = 301,
    IDC_DoingWhat,
    IDC_Label2,
};

constexpr int kWaitClientWidth = 6000;
constexpr int kWaitClientHeight = 2520;
constexpr std::array<FormControlSpec, 3> kWaitControls{{
    {IDC_Label1, "Label1", FormControlKind::CentredLabel, "Working", 120, 240, 5760, 495,
     FontSpec{pellucor::kSansSerif, 360, false}, pellucor::kBlue},
    {IDC_DoingWhat, "DoingWhat", FormControlKind::CentredLabel, "-------------------", 120, 900,
     5760, 435, FontSpec{pellucor::kSansSerif, 270, false}, pellucor::kBlack},
    {IDC_Label2, "Label2", FormControlKind::CentredLabel, "Please Wait", 120, 1560, 5760, 615,
     FontSpec{pellucor::kSansSerif, 480, false}, pellucor::kBlack},
}};

}  // namespace removal::forms
