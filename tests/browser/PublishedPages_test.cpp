// Publishes the pages that the browser check opens: one Qel run turns the same three-line device
// block into a page with a refresh time of 2, of 0 and with none, each uploaded to the session's
// FTP server, where browser_check.py serves them over HTTP to headless Chromium.
#include <gtest/gtest.h>

#include <windows.h>

#include "DevicePort.h"
#include "FtpServerControl.h"
#include "HostProfile.h"
#include "MainFormLayout.h"
#include "PageBuilder.h"
#include "Polling.h"
#include "QelProcess.h"
#include "Win32FileSystem.h"

namespace {

using namespace qel::layout;
using qeltest::DevicePort;
using qeltest::QelProcess;

// browser_check.py expects these pages, titles and lines.
constexpr char kFolder[] = "browser";
constexpr int kPort = 5;

struct PageCase {
    const char* fileName;
    const char* title;
    const char* refresh;
};

constexpr PageCase kPages[] = {
    {"refresh-2.html", "Tank 7 (refresh 2)", "2"},
    {"refresh-0.html", "Tank 7 (refresh 0)", "0"},
    {"refresh-none.html", "Tank 7 (no refresh)", ""},
};

constexpr char kBlock[] = "Tank monitor\r\nReading 7\r\nTemperature 21 C";

TEST(PublishedPages, EachRefreshSettingReachesTheServer) {
    const auto ftp = qeltest::FtpServerControl::FromEnvironment();
    if (!ftp || !DevicePort::LinkedPortsAvailable()) {
        GTEST_SKIP() << "no FTP server or linked COM ports in this session";
    }
    ASSERT_TRUE(ftp->Command("UP"));
    const std::string remoteFolder = ftp->Server().root + kFolder + "\\";
    CreateDirectoryA(remoteFolder.c_str(), nullptr);
    for (const PageCase& page : kPages) {
        DeleteFileA((remoteFolder + page.fileName).c_str());
    }

    QelProcess qel;
    const std::string settings = "browser\r\nindex.html\r\nLab\r\n10\r\n 1 \r\n 0 \r\n";
    ASSERT_TRUE(wintest::WriteBytes(qel.Folder() + "Leq.ini", settings));
    qel::Win32FileSystem files;
    ASSERT_FALSE(qel::SaveHostProfile(files, qel.Folder(), "browser", ftp->Server().user,
                                      ftp->Server().host, ftp->Server().password,
                                      std::string("/") + kFolder + "/"));
    DevicePort device(kPort);
    ASSERT_TRUE(device.Opened());
    ASSERT_TRUE(qel.Start());
    qel.SetText(IDC_txtPort, " " + std::to_string(kPort));
    qel.Click(IDC_ckkRun);

    // The settings change between blocks, as a user would retype them while Run stays on.
    for (const PageCase& page : kPages) {
        SCOPED_TRACE(page.fileName);
        qel.SetText(IDC_txtFileName, page.fileName);
        qel.SetText(IDC_txtPageTitle, page.title);
        qel.SetText(IDC_txtRefresh, page.refresh);
        ASSERT_TRUE(device.Send(std::string(kBlock) + "@@@@"));
        const std::string body = "Tank monitor<br>\r\nReading 7<br>\r\nTemperature 21 C";
        const std::string expected =
            qel::PageFileBytes(qel::BuildPageText(page.title, page.refresh, body));
        const std::string remotePage = remoteFolder + page.fileName;
        EXPECT_TRUE(qeltest::WaitUntil(
            [&] { return wintest::ReadBytes(remotePage).value_or("") == expected; }, 15000))
            << wintest::ReadBytes(remotePage).value_or("(no page)") << "\n"
            << qel.Text(IDC_lblStatus);
    }
}

}  // namespace
