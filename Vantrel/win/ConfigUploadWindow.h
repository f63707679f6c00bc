// The host configuration dialog on Win32: a modeless window built from its layout table that
// forwards its events to the dialog's logic (ConfigUploadForm) and shows what it is told.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "ConfigUploadForm.h"
#include "UniqueWin.h"
#include "WindowObject.h"

namespace qel {

class ConfigUploadWindow final : public pellucor::WindowObject {
public:
    ConfigUploadWindow(HINSTANCE instance, HWND mainWindow, const ConfigUploadParts& parts);
    ConfigUploadWindow(const ConfigUploadWindow&) = delete;
    ConfigUploadWindow& operator=(const ConfigUploadWindow&) = delete;
    ~ConfigUploadWindow() override;

    // Opens the dialog filled from the program state, or brings an open one to the front.
    void Show();
    // The logic of the dialog that is open, null when none is.
    ConfigUploadForm* Form();
    // F1 reaches the main window's accelerator from every window: while this dialog is the
    // active window it shows the dialog's part of the instructions, as its Help button does,
    // and answers true.
    bool HelpKeyPressed();

private:
    class Opening;

    static LRESULT CALLBACK NameBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR id, DWORD_PTR data);
    LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    void WindowGone() override;
    void Create();
    // Runs one handler of the open dialog's logic, counted while it runs.
    void Run(const std::function<void(ConfigUploadForm&)>& handler);
    void OnCommand(int id, int notification);
    void OnProfileChosen();
    void SaveFocus();
    void RestoreFocus();
    HWND Control(int id) const { return GetDlgItem(hwnd_.get(), id); }

    HINSTANCE instance_;
    HWND mainWindow_;
    ConfigUploadParts parts_;
    pellucor::UniqueBrush background_;
    pellucor::UniqueFont font_;
    // Shared with the handlers that run: a handler yields to the message loop (DoEvents, a
    // message box), and the dialog may be closed, even opened again, before it resumes.
    std::shared_ptr<Opening> opening_;
};

}  // namespace qel
