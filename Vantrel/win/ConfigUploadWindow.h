// The host configuration dialog on Win32: a modeless window built from its layout table that
// forwards its events to the dialog's logic (ConfigUploadForm) and shows what it is told.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "ConfigUploadForm.h"
#include "ConfigUploadView.h"
#include "UniqueWin.h"
#include "WindowObject.h"

namespace qel {

class ConfigUploadWindow final : public pellucor::WindowObject, public ConfigUploadView {
public:
    ConfigUploadWindow(HINSTANCE instance, HWND mainWindow, const ConfigUploadParts& parts);
    ConfigUploadWindow(const ConfigUploadWindow&) = delete;
    ConfigUploadWindow& operator=(const ConfigUploadWindow&) = delete;
    ~ConfigUploadWindow() override;

    // Opens the dialog filled from the program state, or brings an open one to the front.
    void Show();
    // The dialog's logic while it is open.
    ConfigUploadForm* Form() { return form_ ? &*form_ : nullptr; }

    // ConfigUploadView
    std::string Text(ConfigBox box) const override;
    void SetText(ConfigBox box, const std::string& text) override;
    void SetVisible(ConfigPart part, bool visible) override;
    void SetProfileList(const std::vector<std::string>& names) override;
    void SetMasked(ConfigBox box, bool masked) override;
    void ShowMessage(const std::string& text, const std::string& title) override;
    bool AskYesNo(const std::string& text, const std::string& title) override;
    void Unload() override;

private:
    static LRESULT CALLBACK NameBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR id, DWORD_PTR data);
    LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    void WindowGone() override;
    void Create();
    void OnCommand(int id, int notification);
    void OnProfileChosen();
    HWND Control(int id) const { return GetDlgItem(hwnd_.get(), id); }

    HINSTANCE instance_;
    HWND mainWindow_;
    ConfigUploadParts parts_;
    pellucor::UniqueBrush background_;
    pellucor::UniqueFont font_;
    std::optional<ConfigUploadForm> form_;
    // Exit asks for the window to go while the logic is still running; it goes afterwards.
    bool unloadRequested_ = false;
};

}  // namespace qel
