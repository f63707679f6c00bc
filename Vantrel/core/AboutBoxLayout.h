// The About box's controls, positions in twips, and the texts it shows.
#pragma once

#include <array>
#include <string>

#include "ControlTable.h"

namespace qel::aboutbox {

constexpr int kClientWidth = 7425;
constexpr int kClientHeight = 3465;

inline constexpr char kProductName[] = "Pellucor";
// Our web site: the link opens the whole address, the label shows only its host name.
inline constexpr char kWebSiteAddress[] = "https://pellucor.example/";
inline constexpr char kCredit1[] = "Made by the Pellucor project";
inline constexpr char kCredit2[] = "Device text on the web, one block at a time";

enum ControlId : int {
    IDC_Label1 = 1301,
    IDC_Label2,
    IDC_Command1,
    IDC_Label3,
    IDC_Label4,
    IDC_Label5,
};

using pellucor::ControlKind;
using pellucor::ControlSpec;

// In tab order; labels take no focus, so the button has it. The labels' texts are set at load.
constexpr std::array<ControlSpec, 6> kControls{{
    {IDC_Label1, "Label1", ControlKind::CentredLabel, "", 240, 120, 6975, 495, -1},
    {IDC_Label2, "Label2", ControlKind::CentredLabel, "", 240, 1320, 6975, 375, -1},
    {IDC_Command1, "Command1", ControlKind::Button, "&Ok", 2640, 2520, 2055, 495, 2},
    {IDC_Label3, "Label3", ControlKind::CentredLabel, "", 120, 1680, 7095, 375, -1},
    {IDC_Label4, "Label4", ControlKind::PlainLabel, "", 2160, 2040, 3015, 300, -1},
    {IDC_Label5, "Label5", ControlKind::CentredLabel, "", 240, 600, 6975, 375, -1},
}};

// The host name of an address: without its scheme, port, path and anything after them.
inline std::string HostNameOf(const std::string& address) {
    const auto scheme = address.find("://");
    const std::size_t start = scheme == std::string::npos ? 0 : scheme + 3;
    const auto end = address.find_first_of(":/?#", start);
    return address.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

struct AboutTexts {
    std::string caption;  // the window's
    std::string product;  // Label1
    std::string version;  // Label5
    std::string credit1;  // Label2
    std::string credit2;  // Label3
    std::string webSite;  // Label4
};

inline AboutTexts MakeAboutTexts(const std::string& appVersion) {
    return AboutTexts{std::string("About ") + kProductName,
                      kProductName,
                      "Version " + appVersion,
                      kCredit1,
                      kCredit2,
                      HostNameOf(kWebSiteAddress)};
}

}  // namespace qel::aboutbox
