// The main window as every part of Qel that reports should see it: the same window, with each
// status text going through the upload queue's guard (and from there to the history), so that
// the host dialog's and the settings' red texts stand as firmly as the uploads' own.
#pragma once

#include "MainView.h"
#include "UploadQueue.h"

namespace qel {

class GuardedMainView final : public MainView {
public:
    GuardedMainView(MainView& view, UploadQueue& guard) : view_(view), guard_(guard) {}

    void ShowStatus(const std::string& text, StatusColour colour) override {
        colour == StatusColour::Failure ? guard_.Fail(text) : guard_.Tell(text);
    }
    void ShowProgress(const std::string& text) override { guard_.Progress(text); }
    std::string PortText() const override { return view_.PortText(); }
    void SetPortText(const std::string& text) override { view_.SetPortText(text); }
    std::string FileNameText() const override { return view_.FileNameText(); }
    void SetFileNameText(const std::string& text) override { view_.SetFileNameText(text); }
    std::string PageTitleText() const override { return view_.PageTitleText(); }
    void SetPageTitleText(const std::string& text) override { view_.SetPageTitleText(text); }
    std::string RefreshText() const override { return view_.RefreshText(); }
    void SetRefreshText(const std::string& text) override { view_.SetRefreshText(text); }
    void SetOutputText(const std::string& text) override { view_.SetOutputText(text); }
    bool RunChecked() const override { return view_.RunChecked(); }
    void SetCaption(const std::string& text) override { view_.SetCaption(text); }
    void CheckFtpMethodItem(MenuChoice choice) override { view_.CheckFtpMethodItem(choice); }
    void CheckCommMethodItem(MenuChoice choice) override { view_.CheckCommMethodItem(choice); }
    void DoEvents() override { view_.DoEvents(); }
    bool AskYesNo(const std::string& question) override { return view_.AskYesNo(question); }

private:
    MainView& view_;
    UploadQueue& guard_;
};

}  // namespace qel
