// The whole life of an installation: install from the install set, start the installed Qel,
// publish one page to the FTP server, uninstall while Qel still runs (its program file is in
// use and stays), then again once it has ended, which leaves nothing behind.
#include <gtest/gtest.h>

#include <windows.h>

#include "DevicePort.h"
#include "FtpServerControl.h"
#include "HostProfile.h"
#include "InstallNames.h"
#include "Installation.h"
#include "MainFormLayout.h"
#include "PageBuilder.h"
#include "Polling.h"
#include "ProgramRun.h"
#include "QelProcess.h"
#include "SetupForms.h"
#include "Win32FileSystem.h"

namespace {

using qeltest::Press;
using qeltest::ProgramRun;

constexpr int kPort = 3;
constexpr char kFolder[] = "roundtrip";
constexpr char kPage[] = "live.html";
constexpr UINT kSendTimeoutMs = 5000;

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &ignored);
}

// Runs the installed uninstaller, answers Yes and OK; the trace lines it added.
std::string Uninstall() {
    qeltest::TraceFile trace;
    EXPECT_TRUE(qeltest::UninstallAnsweringYes("C:\\"));
    return trace.SinceMark();
}

TEST(RoundTrip, InstallPublishAndUninstall) {
    const auto ftp = qeltest::FtpServerControl::FromEnvironment();
    if (!ftp || !qeltest::DevicePort::LinkedPortsAvailable()) {
        GTEST_SKIP() << "no FTP server or linked COM ports in this session";
    }
    ASSERT_TRUE(ftp->Command("UP"));
    qeltest::ClearInstallation();
    const std::string remotePage = ftp->Server().root + kFolder + "\\" + kPage;
    CreateDirectoryA((ftp->Server().root + kFolder).c_str(), nullptr);
    DeleteFileA(remotePage.c_str());

    // Install.
    {
        qeltest::InstallSetCopy set;
        ProgramRun setup;
        ASSERT_TRUE(setup.Start(set.SetupExe(), set.Folder()));
        HWND help = setup.WaitForWindow(setup::forms::kHelpFormClass, setup::forms::IDC_Command1);
        ASSERT_TRUE(help);
        Press(help, setup::forms::IDC_Command1);
        ASSERT_TRUE(setup.WaitForExit());
        ASSERT_EQ(setup.ExitCode(), 0u);
    }
    const std::string dir = pellucor::InstallDir();
    ASSERT_TRUE(Exists(dir + "Qel.exe"));

    // Qel keeps its settings and host profile in the user's own folder.
    const std::string settings = qeltest::QelProcess::SettingsFolder();
    ASSERT_TRUE(qeltest::WriteHomeProfile(settings, 1, kPage, ftp->Server(), ftp->Server().host,
                                          std::string("/") + kFolder + "/"));
    ProgramRun qel;
    ASSERT_TRUE(qel.Start(dir + "Qel.exe", dir));
    HWND main = qel.WaitForWindow("PellucorQelMain", qel::layout::IDC_lblStatus);
    ASSERT_TRUE(main);
    const std::string port = " " + std::to_string(kPort);
    Send(GetDlgItem(main, qel::layout::IDC_txtPort), WM_SETTEXT, 0,
         reinterpret_cast<LPARAM>(port.c_str()));
    Send(GetDlgItem(main, qel::layout::IDC_ckkRun), BM_CLICK, 0, 0);
    qeltest::DevicePort device(kPort);
    ASSERT_TRUE(device.Opened());
    ASSERT_TRUE(device.Send("installed and running@@@@"));
    const std::string expected =
        qel::PageFileBytes(qel::BuildPageText("Lab", "10", "installed and running"));
    EXPECT_TRUE(qeltest::WaitUntil(
        [&] { return wintest::ReadBytes(remotePage).value_or("") == expected; }, 15000));

    // Uninstall while Qel runs: its program file is in use and stays, and so does the folder.
    std::string lines = Uninstall();
    const std::string exe = dir + "Qel.exe";
    EXPECT_TRUE(Exists(exe));
    EXPECT_TRUE(Exists(settings + "home.uci")) << "removing Pellucor leaves the user's settings";
    EXPECT_FALSE(Exists(qeltest::UserDesktopShortcut()));
    EXPECT_FALSE(qeltest::UninstallEntry().has_value());
    const std::string killExe = "Killing " + exe + "\r\n";
    const auto failedKill = lines.find(killExe);
    ASSERT_NE(failedKill, std::string::npos) << lines;
    EXPECT_NE(lines.compare(failedKill + killExe.size(), 9, "Unlocking"), 0)
        << "a failure line follows: " << lines;
    EXPECT_EQ(lines.find("Killing directory\r\nUnloading"), std::string::npos)
        << "removing the folder fails, logged: " << lines;
    EXPECT_NE(lines.find("Unloading wait form\r\n"), std::string::npos);

    // Once Qel has ended (saving its settings on the way), a second run removes the rest. No
    // shortcut is left on the desktop, so this run searches drive C: first.
    PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(qel.WaitForExit());
    lines = Uninstall();
    EXPECT_NE(lines.find("Mapping directories\r\nDone mapping\r\n"), std::string::npos);
    EXPECT_NE(lines.find("Killing directory\r\nUnloading wait form\r\n"), std::string::npos)
        << lines;
    EXPECT_FALSE(Exists(dir));
    qeltest::ClearInstallation();
    DeleteFileA(remotePage.c_str());
}

}  // namespace
