// Device text on a COM port becomes the page file, under both communication methods; the port
// search; ports that will not open.
#include <gtest/gtest.h>

#include <windows.h>

#include "DevicePort.h"
#include "MainFormLayout.h"
#include "PageBuilder.h"
#include "Polling.h"
#include "QelProcess.h"

namespace {

using namespace qel::layout;
using qeltest::DevicePort;
using qeltest::QelProcess;

class Publishing : public ::testing::Test {
protected:
    void SetUp() override {
        if (!DevicePort::LinkedPortsAvailable()) {
            GTEST_SKIP() << "no linked COM ports in this session";
        }
        pageName_ =
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + std::string(".html");
        DeleteFileA(PagePath().c_str());
        ASSERT_TRUE(qel_.Start());
    }
    void TearDown() override { DeleteFileA(PagePath().c_str()); }

    std::string PagePath() const { return qeltest::AppDataFile(pageName_); }

    // Fills in the page settings and the port, and switches Run on.
    void StartRun(int port) {
        qel_.SetText(IDC_txtPort, " " + std::to_string(port));
        qel_.SetText(IDC_txtFileName, pageName_);
        qel_.SetText(IDC_txtPageTitle, "Lab");
        qel_.SetText(IDC_txtRefresh, "10");
        qel_.Click(IDC_ckkRun);
    }

    bool WaitForPage(const std::string& body) {
        const std::string expected = qel::PageFileBytes(qel::BuildPageText("Lab", "10", body));
        return qeltest::WaitUntil(
            [&] { return wintest::ReadBytes(PagePath()).value_or("") == expected; }, 10000);
    }

    QelProcess qel_;
    std::string pageName_;
};

TEST_F(Publishing, DeviceFileMethodWritesThePage) {
    DevicePort device(3);
    ASSERT_TRUE(device.Opened());
    StartRun(3);
    ASSERT_TRUE(device.Send("line1\r\nline2@@@@"));
    EXPECT_TRUE(WaitForPage("line1<br>\r\nline2"));
    EXPECT_EQ(qel_.Text(IDC_Text1), "line1\r\nline2");
}

TEST_F(Publishing, SerialControlMethodWritesThePage) {
    DevicePort device(4);
    ASSERT_TRUE(device.Opened());
    qel_.Menu(IDM_mnuCommMethod2);
    StartRun(4);
    ASSERT_TRUE(device.Send("line1\r\nline2@@@@"));
    EXPECT_TRUE(WaitForPage("line1<br>\r\nline2"));
}

TEST_F(Publishing, MarkerSplitOverTwoWritesEndsTheBlock) {
    DevicePort device(5);
    ASSERT_TRUE(device.Opened());
    ASSERT_TRUE(device.Send("first half@@"));
    StartRun(5);
    ASSERT_TRUE(qel_.WaitForText(IDC_lblStatus, "Serial communication established"));
    ASSERT_TRUE(device.Send("@@"));
    EXPECT_TRUE(WaitForPage("first half"));
}

TEST_F(Publishing, BlocksFollowOneAnother) {
    DevicePort device(7);
    ASSERT_TRUE(device.Opened());
    StartRun(7);
    ASSERT_TRUE(device.Send("one@@@@"));
    ASSERT_TRUE(WaitForPage("one"));
    ASSERT_TRUE(device.Send("two@@@@three"));
    EXPECT_TRUE(WaitForPage("two"));
}

TEST_F(Publishing, PortSearchWritesTheHighestLinkedPort) {
    // The harness links COM3, COM4, COM5 and COM7 (COM33 and up lie beyond the search).
    EXPECT_EQ(qel_.Text(IDC_txtPort), " 7");
    qel_.SetText(IDC_txtPort, "");
    qel_.Click(IDC_Command2);
    EXPECT_TRUE(qel_.WaitForText(IDC_txtPort, " 7"));
}

TEST_F(Publishing, PortWithNothingBehindItIsReportedUnderEitherMethod) {
    StartRun(9);
    EXPECT_TRUE(qel_.WaitForTextContaining(IDC_lblStatus, " opening com"));
    qel_.Menu(IDM_mnuCommMethod2);
    EXPECT_TRUE(qel_.WaitForText(IDC_lblStatus, "Invalid port number"));
}

}  // namespace
