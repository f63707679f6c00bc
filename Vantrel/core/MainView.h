// What the logic of Qel sees of its main window: the texts the user types, the Run switch, the
// output box, the caption, the menu check marks, the status line and the message loop.
#pragma once

#include <string>

namespace qel {

enum class StatusColour {
    Highlight,  // the system highlight colour: progress and success
    Failure,    // red: failures and missing configuration
};

// The one-line status display. Each message replaces the previous one.
class StatusLine {
public:
    virtual ~StatusLine() = default;
    virtual void ShowStatus(const std::string& text, StatusColour colour) = 0;
    // A step of an upload under way: shown unless a failure stands, which it must not hide.
    virtual void ShowProgress(const std::string& text) {
        ShowStatus(text, StatusColour::Highlight);
    }
};

enum class MenuChoice { None, Method1, Method2, Method3, Method4 };

class MainView : public StatusLine {
public:
    virtual std::string PortText() const = 0;  // txtPort
    virtual void SetPortText(const std::string&) = 0;
    virtual std::string FileNameText() const = 0;  // txtFileName
    virtual void SetFileNameText(const std::string&) = 0;
    virtual std::string PageTitleText() const = 0;  // txtPageTitle
    virtual void SetPageTitleText(const std::string&) = 0;
    virtual std::string RefreshText() const = 0;  // txtRefresh
    virtual void SetRefreshText(const std::string&) = 0;
    virtual void SetOutputText(const std::string&) = 0;  // Text1: the text last published
    virtual bool RunChecked() const = 0;                 // ckkRun
    virtual void SetCaption(const std::string&) = 0;
    // Which item of the FTP Method and the Comm Method menus carries the check mark.
    virtual void CheckFtpMethodItem(MenuChoice) = 0;
    virtual void CheckCommMethodItem(MenuChoice) = 0;
    // Lets pending window events run (the window stays usable during a tick).
    virtual void DoEvents() = 0;
    // A question with Yes and No buttons over the window; true for Yes. The window stays
    // usable meanwhile. A view without questions answers No.
    virtual bool AskYesNo(const std::string& /*question*/) { return false; }
};

}  // namespace qel
