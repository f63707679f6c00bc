// The run cycle through faults: a busy transfer component, a port that is lost and comes back,
// a settings file that could not be read; and gaps other tests left open (take-out after a
// marker-free read, the serial control's refusals, the window arithmetic).
#include <gtest/gtest.h>

#include "MainFormFixture.h"
#include "SettingsFile.h"
#include "WindowPlacement.h"

namespace qel {
namespace {

class FaultsTest : public MainFormFixture {
protected:
    FaultsTest() {
        state.DestURL = "127.0.0.1";
        state.UserName = "qel";
        state.Password = "s3cret";
        state.DestPath = "/www/";
    }
    void Publish(const std::string& block) {
        form.InBuffer = block;
        form.SendWebPage();
    }
    static constexpr const char* kComplete = "Transfer Complete 12/07/2026  10:11:12 AM";
};

TEST_F(FaultsTest, BusyTransferSendsOnlyTheNewestPageAndNeverReportsAStaleSuccess) {
    state.FTPMethod = 2;
    Publish("p1");
    ASSERT_EQ(transfer.operations.size(), 1u);
    Publish("p2");
    Publish("p3");  // replaces p2, which is not worth sending any more
    EXPECT_EQ(transfer.operations.size(), 1u) << "nothing handed to a busy component";
    EXPECT_EQ(view.LastStatus(), StatusMessage("Attempting transmission", StatusColour::Highlight));
    EXPECT_EQ(files.openedForOutput.size(), 3u);
    EXPECT_EQ(PageFile(), PageFor("p3")) << "the page file is never held by the transfer";

    transfer.Finish(std::nullopt);  // p1 stored: p3 goes out at once, and p1 claims nothing
    ASSERT_EQ(transfer.operations.size(), 2u);
    EXPECT_EQ(transfer.operations[1], transfer.operations[0]);  // the same file, newer content
    EXPECT_EQ(view.LastStatus().first, "Attempting transmission");
    transfer.Finish(std::nullopt);
    EXPECT_EQ(view.LastStatus(), StatusMessage(kComplete, StatusColour::Highlight));

    // A late report hides neither a newer failure nor "Run stopped".
    Publish("p4");
    files.openErrors[std::string(kAppData) + "live.html"] = FakeFileSystem::OtherError();
    Publish("p5");
    transfer.Finish(std::nullopt);
    EXPECT_EQ(view.LastStatus(), StatusMessage("Disk full saving Web file", StatusColour::Failure));
    EXPECT_EQ(transfer.operations.size(), 3u) << "a page that failed to be written is not sent";
    files.openErrors.clear();
    Publish("p6");
    view.runChecked = false;
    form.ckkRun_Click();
    transfer.Finish(std::string("Login failed"));
    EXPECT_EQ(view.LastStatus(), StatusMessage("Run stopped", StatusColour::Highlight));
}

TEST_F(FaultsTest, LostPortIsReportedClosedAndOpenedAgainAboutOnceASecond) {
    for (const int method : {0, 1}) {
        SCOPED_TRACE(method == 0 ? "device file" : "serial control");
        FakeSerialDevice& port = method == 0 ? commFile : controlPort;
        state.CommMethod = static_cast<std::uint8_t>(method);
        Run();
        Tick();
        Tick();  // the control reads from the tick after the one that opened it
        ASSERT_TRUE(port.isOpen);
        const std::size_t opens = port.openAttempts.size();

        Send("ab");
        port.readError = SerialError{SerialError::Kind::Other, "Not ready."};
        Tick();
        EXPECT_EQ(view.LastStatus(),
                  StatusMessage(method == 0 ? "Not ready. inputting from com" : "Not ready.",
                                StatusColour::Failure));
        EXPECT_FALSE(port.isOpen);
        EXPECT_FALSE(state.PortIsOpen);

        // Gone for good until it is back: one attempt a second, not one a tick.
        port.readError.reset();
        port.availablePorts.clear();
        for (int i = 0; i < 4; ++i) {
            Tick();
        }
        EXPECT_EQ(port.openAttempts.size(), opens + 2);
        port.availablePorts = {3};
        Tick();
        Tick();
        EXPECT_TRUE(port.isOpen);
        EXPECT_EQ(view.LastStatus().first, "Serial communication established");
        port.waiting = "cd@@@@";
        Tick();
        Tick();
        EXPECT_EQ(PageFile(), PageFor("abcd"));
        form.InBuffer.clear();
        port.Close();
        state.PortIsOpen = false;
    }
}

TEST_F(FaultsTest, UnreadableSettingsFileIsKeptAsLeqIniBadOnce) {
    const std::string ini = std::string(kProgramFolder) + "Leq.ini";
    const std::string bad = std::string(kProgramFolder) + "Leq.ini.bad";
    files.files[ini] = "Lab\r\nlive.html\r\n";  // cut short: the title cannot be read
    files.files[bad] = "an older one";
    form.Form_Load();
    EXPECT_TRUE(state.SettingsFileUnreadable);
    form.Form_Unload();
    EXPECT_EQ(files.files[bad], "Lab\r\nlive.html\r\n");
    EXPECT_EQ(files.files[ini], "Lab\r\nlive.html\r\nLab\r\n10\r\n 9 \r\n 0 \r\n");
    form.Form_Unload();  // a second save replaces the good file only
    EXPECT_EQ(files.files[bad], "Lab\r\nlive.html\r\n");

    // A file that cannot be put aside is not overwritten either.
    state.SettingsFileUnreadable = true;
    files.renameErrors[ini] = FakeFileSystem::AccessError();
    files.files[ini] = "kept";
    form.Form_Unload();
    EXPECT_EQ(files.files[ini], "kept");
    EXPECT_EQ(view.LastStatus(), StatusMessage("Path/File access error opening ini file to save",
                                               StatusColour::Failure));
}

TEST_F(FaultsTest, BlockAfterAMarkerFreeReadIsFoundWhenTheSameReadBringsTwo) {
    Run();
    Send("xxxxxxxx");
    Tick();
    Send("@@@@ab@@@@cd");
    Tick();
    EXPECT_EQ(PageFile(), PageFor("xxxxxxxx"));
    Tick();
    EXPECT_EQ(PageFile(), PageFor("ab"));
    EXPECT_EQ(form.InBuffer, "cd");
}

TEST(SerialControl, MapsRefusalsAndTakesPortsUpTo255) {
    FakeSerialDevice device;
    CommControl control(device);
    device.availablePorts = {3, 255};
    device.busyPorts = {4};
    EXPECT_EQ(control.SetCommPort(255), std::nullopt);
    EXPECT_EQ(control.SetCommPort(256), "Invalid port number");
    EXPECT_EQ(control.SetPortOpen(true), std::nullopt);
    EXPECT_EQ(device.openPort, 255);
    EXPECT_EQ(control.SetPortOpen(true), "Port already open");
    EXPECT_EQ(control.SetCommPort(3), "Port already open");
    control.SetPortOpen(false);
    EXPECT_EQ(control.SetCommPort(4), std::nullopt);
    EXPECT_EQ(control.SetPortOpen(true), "Port already open");  // another program holds it
    EXPECT_EQ(control.SetCommPort(3), std::nullopt);
    device.openError = SerialError{SerialError::Kind::BadSettings, "The parameter is incorrect."};
    EXPECT_EQ(control.SetPortOpen(true), "Invalid property value");
    device.openError = SerialError{SerialError::Kind::Other, "Not ready."};
    EXPECT_EQ(control.SetPortOpen(true), "Not ready.");
}

TEST(WindowPlacement, CentresAndConvertsByTheNumbers) {
    using pellucor::PixelsToTwips;
    using pellucor::TwipsPerPixel;
    using pellucor::TwipsToPixels;
    EXPECT_EQ(TwipsPerPixel(0).dpi, 96);
    EXPECT_EQ(TwipsToPixels(12465, TwipsPerPixel(96)), 831);
    EXPECT_EQ(TwipsToPixels(7, TwipsPerPixel(96)), 0);
    EXPECT_EQ(TwipsToPixels(8, TwipsPerPixel(96)), 1);
    // 1440 / 168 is 8.57 twips per pixel, not 8: an inch is 168 pixels, not 180.
    EXPECT_EQ(TwipsToPixels(1440, TwipsPerPixel(168)), 168);
    EXPECT_EQ(TwipsToPixels(11565, TwipsPerPixel(168)), 1349);  // 1349.25
    EXPECT_EQ(TwipsToPixels(11565, TwipsPerPixel(192)), 1542);
    EXPECT_EQ(PixelsToTwips(1349, TwipsPerPixel(168)), 11563);  // 11562.9
    EXPECT_EQ(pellucor::CenterOffset(19200, 12600), 3300);
    EXPECT_EQ(pellucor::CenterOffset(1001, 0), 500);  // 500.5 -> 500
    EXPECT_EQ(pellucor::CenterOffset(1003, 0), 502);  // 501.5 -> 502
    EXPECT_EQ(pellucor::CenterOffset(100, 101), 0);   // -0.5 -> 0
    EXPECT_EQ(pellucor::CenterOffset(100, 400), 0);   // larger than the screen
    EXPECT_EQ(pellucor::HalfRoundedToEven(-3), -2);   // -1.5 -> -2
    EXPECT_EQ(pellucor::HalfRoundedToEven(-5), -2);   // -2.5 -> -2
}

}  // namespace
}  // namespace qel
