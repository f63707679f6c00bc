// Qel.exe as a user meets it: the window after start-up, and both ways of ending the program.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "MainFormLayout.h"
#include "QelProcess.h"

namespace {

using namespace qel::layout;
using qeltest::QelProcess;

TEST(StartupShutdown, FreshStartAsksForTheHostConfiguration) {
    QelProcess qel;
    ASSERT_TRUE(qel.Start());
    EXPECT_EQ(qel.Caption(), "Pellucor");
    EXPECT_TRUE(qel.WaitForText(IDC_lblStatus, "Configuration information required"));
    EXPECT_FALSE(qel.Checked(IDC_ckkRun));
    EXPECT_EQ(qel.Text(IDC_Command2), "&Search");
    EXPECT_EQ(qel.Text(IDC_lblDebug), "Output");
}

TEST(StartupShutdown, FileExitEndsTheProgramAndSavesTheSettings) {
    QelProcess qel;
    ASSERT_TRUE(qel.Start());
    qel.SetText(IDC_txtFileName, "live.html");
    qel.SetText(IDC_txtPageTitle, "Tank");
    qel.SetText(IDC_txtRefresh, "10");
    qel.Menu(IDM_mnuExit);
    ASSERT_TRUE(qel.WaitForExit(10000));
    EXPECT_EQ(qel.ReadSetting("Leq.ini"), "\r\nlive.html\r\nTank\r\n10\r\n 1 \r\n 0 \r\n");
}

TEST(StartupShutdown, TheCloseBoxEndsTheProgramAndSavesTheSettings) {
    QelProcess qel;
    ASSERT_TRUE(qel.Start());
    qel.Menu(IDM_mnuMethod2);
    qel.Menu(IDM_mnuCommMethod2);
    qel.Close();
    ASSERT_TRUE(qel.WaitForExit(10000));
    EXPECT_EQ(qel.ReadSetting("Leq.ini"), "\r\n\r\n\r\n\r\n 2 \r\n 1 \r\n");
}

TEST(StartupShutdown, ProgramCarriesItsVersion) {
    QelProcess qel;
    const std::string exe = qel.Folder() + "Qel.exe";
    DWORD ignored = 0;
    std::vector<char> info(GetFileVersionInfoSizeA(exe.c_str(), &ignored));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), 1);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), 2);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), 1);  // the revision
    char* product = nullptr;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\040904E4\\ProductName",
                               reinterpret_cast<void**>(&product), &length));
    EXPECT_STREQ(product, "Pellucor");
}

}  // namespace
