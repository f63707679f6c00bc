// A main window's logic wired to in-memory stand-ins, for the run-cycle and upload tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "CommControl.h"
#include "DeviceFakes.h"
#include "FTPbyAPIModule3.h"
#include "Fakes.h"
#include "MainForm.h"
#include "PageBuilder.h"
#include "ProgramState.h"

namespace qel {

class MainFormFixture : public ::testing::Test {
protected:
    static constexpr const char* kAppData = "C:\\users\\me\\AppData\\Roaming\\";
    static constexpr const char* kPublicDocuments = "C:\\users\\Public\\Documents\\";
    static constexpr const char* kProgramFolder = "C:\\Program Files\\Pellucor\\";
    static constexpr const char* kSettingsFolder = "C:\\users\\me\\AppData\\Roaming\\Pellucor\\";

    MainFormFixture() {
        state.ProgramFolder = kProgramFolder;
        state.SettingsFolder = kSettingsFolder;
        state.FTPMethod = 9;  // no upload unless a test picks one
        files.specialFolders[MainForm::kCsidlAppData] = kAppData;
        files.specialFolders[MainForm::kCsidlCommonDocuments] = kPublicDocuments;
        view.fileNameText = "live.html";
        view.pageTitleText = "Lab";
        view.refreshText = "10";
        view.portText = " 3";
        commFile.availablePorts = {3};
        controlPort.availablePorts = {3};
    }

    void Run() { view.runChecked = true; }
    // One timer tick, 500 ms after the previous one.
    void Tick() {
        clock.milliseconds += 500;
        form.Timer1_Timer();
    }
    void Send(const std::string& text) {
        commFile.waiting += text;
        controlPort.waiting += text;
    }
    std::string PageFile() const {
        const auto it = files.files.find(std::string(kAppData) + "live.html");
        return it == files.files.end() ? std::string() : it->second;
    }
    static std::string PageFor(const std::string& body) {
        return PageFileBytes(BuildPageText("Lab", "10", body));
    }
    std::size_t PagesWritten() const { return files.openedForOutput.size(); }

    ProgramState state;
    FakeMainView view;
    FakeFileSystem files;
    FakeClock clock;
    FakeSerialDevice commFile;
    FakeSerialDevice controlPort;
    CommControl comm{controlPort};
    FakeInternetApi internet;
    FTPbyAPIModule3 ftpApi{internet, view, clock, state};
    FakeTransferControl transfer;
    FakeStatusRecorder history;
    MainForm form{
        MainFormParts{state, view, files, clock, commFile, comm, ftpApi, transfer, history}};
};

}  // namespace qel
