// Qel's main window on Win32: builds the controls and menus from the layout tables, shows what
// the logic tells it, and forwards every window event to the logic (MainForm).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "MainForm.h"
#include "MainView.h"
#include "SecondaryWindows.h"
#include "UniqueWin.h"
#include "WindowObject.h"
#include "WindowPlacement.h"

namespace qel {

class MainWindow final : public pellucor::WindowObject, public qel::MainView {
public:
    // Ends the program at once; the real program exits the process, tests record the call.
    using EndProcess = std::function<void()>;
    // A command line another start of Qel handed over; true when it was taken.
    using HandOver = std::function<bool(const std::string& commandLine)>;
    static constexpr const char* kClassName = "PellucorQelMain";

    MainWindow(HINSTANCE instance, EndProcess endProcess);
    ~MainWindow() override;

    void Attach(qel::MainForm& form) { form_ = &form; }
    // The windows the Configure Host, Instructions and About menu items open.
    void Attach(SecondaryWindows& windows) { windows_ = &windows; }
    void OnHandOver(HandOver handOver) { handOver_ = std::move(handOver); }
    // Keyboard handling a message needs before it is dispatched (F1, Tab between controls).
    bool PreTranslate(MSG& msg);
    // Twips per pixel of this screen, horizontally and vertically.
    pellucor::TwipsPerPixel TwipsPerPixelX() const { return tppX_; }
    pellucor::TwipsPerPixel TwipsPerPixelY() const { return tppY_; }
    qel::StatusColour CurrentStatusColour() const { return statusColour_; }

    // qel::MainView
    void ShowStatus(const std::string& text, qel::StatusColour colour) override;
    std::string PortText() const override;
    void SetPortText(const std::string& text) override;
    std::string FileNameText() const override;
    void SetFileNameText(const std::string& text) override;
    std::string PageTitleText() const override;
    void SetPageTitleText(const std::string& text) override;
    std::string RefreshText() const override;
    void SetRefreshText(const std::string& text) override;
    void SetOutputText(const std::string& text) override;
    bool RunChecked() const override;
    void SetCaption(const std::string& text) override;
    void CheckFtpMethodItem(qel::MenuChoice choice) override;
    void CheckCommMethodItem(qel::MenuChoice choice) override;
    void DoEvents() override;
    bool AskYesNo(const std::string& question) override;

private:
    LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    void CreateControls();
    void CreateMenus();
    void OnCommand(int id, int notification);
    LRESULT OnControlColour(HDC dc, HWND control);
    void Shutdown();
    void CheckPair(int firstItem, int secondItem, qel::MenuChoice choice);
    HWND Control(int id) const { return GetDlgItem(hwnd_.get(), id); }
    std::string Text(int id) const;
    void SetText(int id, const std::string& text);

    HINSTANCE instance_;
    EndProcess endProcess_;
    pellucor::UniqueBrush background_;
    pellucor::UniqueAccel accelerators_;
    HFONT font_ = nullptr;  // a stock object: never deleted
    pellucor::TwipsPerPixel tppX_;
    pellucor::TwipsPerPixel tppY_;
    qel::StatusColour statusColour_ = qel::StatusColour::Highlight;
    qel::MainForm* form_ = nullptr;
    SecondaryWindows* windows_ = nullptr;
    HandOver handOver_;
};

}  // namespace qel
