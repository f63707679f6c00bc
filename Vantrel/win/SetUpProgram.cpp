// The first step of Qel's start-up.
#include "SetUpProgram.h"

#include <vector>

#include "FindStartupBas.h"
#include "FolderPath.h"
#include "MainForm.h"
#include "PathText.h"
#include "UserSettings.h"
#include "VersionText.h"

namespace qel {

namespace {

std::wstring OwnModulePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n < buffer.size()) {
            return std::wstring(buffer.data(), n);
        }
        buffer.resize(buffer.size() * 2);  // the path was cut: try a larger buffer
    }
}

}  // namespace

std::string OwnVersionText() {
    const std::wstring path = OwnModulePath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) {
        return {};
    }
    std::vector<char> info(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, info.data())) {
        return {};
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        return {};
    }
    return pellucor::VersionText(HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS));
}

std::string OwnProgramFolder() {
    return pellucor::WithTrailingBackslash(pellucor::FolderOfFile(pellucor::Utf8(OwnModulePath())));
}

std::string OwnSettingsFolder(const std::string& programFolder) {
    const std::string folder =
        UserSettingsFolder(pellucor::SpecialFolderPath(MainForm::kCsidlAppData), programFolder);
    // An existing folder is fine; one that cannot be made shows up as failed saves, which the
    // status line reports.
    CreateDirectoryW(pellucor::Wide(folder).c_str(), nullptr);
    return folder;
}

void SetUpProgram(qel::ProgramState& state, HWND mainForm) {
    state.AppVersion = OwnVersionText();
    pellucor::CenterForm(mainForm);
    state.ProgramFolder = OwnProgramFolder();
    state.SettingsFolder = OwnSettingsFolder(state.ProgramFolder);
}

}  // namespace qel
