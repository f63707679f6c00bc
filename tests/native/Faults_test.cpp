// The run cycle through faults: a busy transfer component, a port that is lost and comes back,
// a settings file that could not be read; and gaps other tests left open (take-out after a
// marker-free read, the serial control's refusals, the window arithmetic).
#include <gtest/gtest.h>

#include <algorithm>

#include "MainFormFixture.h"
#include "UploadQueue.h"
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
    // The port of a communication method (0: device file, 1: serial control), opened and read
    // from by the run cycle.
    FakeSerialDevice& OpenPortBy(int method) {
        state.CommMethod = static_cast<std::uint8_t>(method);
        Run();
        Tick();
        Tick();  // the control reads from the tick after the one that opened it
        return method == 0 ? commFile : controlPort;
    }
    // Closes it again, so that the other method starts from a closed port.
    void ClosePort(FakeSerialDevice& port) {
        form.InBuffer.clear();
        port.Close();
        state.PortIsOpen = false;
        form.CommFileNum = 0;
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

TEST_F(FaultsTest, EveryOutcomeIsShownThoughANewerPageWaitsAndNoThrowHoldsTheLine) {
    state.FTPMethod = 2;
    Publish("p1");
    Publish("p2");  // the board writes faster than the host fails
    const StatusMessage closed("Closed doing FTP", StatusColour::Failure);
    transfer.Finish(std::string("Closed"));
    ASSERT_EQ(transfer.operations.size(), 2u);
    EXPECT_EQ(view.LastStatus(), closed) << "shown, and progress never replaces it";
    // A failure shown while an upload runs outlives that upload's success ...
    files.openErrors[std::string(kAppData) + "live.html"] = FakeFileSystem::OtherError();
    Publish("p3");
    files.openErrors.clear();
    Publish("p4");
    transfer.Finish(std::nullopt);
    EXPECT_EQ(view.LastStatus().first, "Disk full saving Web file");
    EXPECT_TRUE(history.Holds(kComplete));
    // ... and the next success clears it, though a newer page waits.
    Publish("p5");
    clock.longTime = "10:30:00 AM";
    transfer.Finish(std::nullopt);
    EXPECT_EQ(view.statusHistory.end()[-2].first, "Transfer Complete 12/07/2026  10:30:00 AM");
    EXPECT_EQ(view.LastStatus().first, "Attempting transmission");
    transfer.Finish(std::nullopt);
    transfer.executeThrows = true;
    Publish("p6");
    EXPECT_EQ(view.LastStatus(), StatusMessage("Out of memory", StatusColour::Failure));
    Publish("p7");
    EXPECT_EQ(transfer.operations.size(), 6u) << "the next page goes out";
}

TEST_F(FaultsTest, EveryUploadStatusPassesOneGuardAcrossComponentsAndMethods) {
    Run();
    Tick();  // the port is open: later ticks only upload what waits
    state.FTPMethod = 2;
    Publish("p1");
    transfer.FreeBeforeCompletion();  // done, but its completion is still on its way
    view.fileNameText = "older.html";
    Publish("p2");
    view.fileNameText = "live.html";
    Publish("p3");
    EXPECT_EQ(transfer.operations.size(), 1u) << "busy until its completion is handled";
    transfer.Finish(std::nullopt);
    ASSERT_EQ(transfer.operations.size(), 2u);
    EXPECT_EQ(transfer.operations[1], "PUT " + std::string(kAppData) + "live.html /www/live.html")
        << "the newest waiting page, not the oldest";
    EXPECT_EQ(view.LastStatus(), StatusMessage("Attempting transmission", StatusColour::Highlight));
    transfer.Finish(std::nullopt);
    EXPECT_EQ(view.LastStatus(), StatusMessage(kComplete, StatusColour::Highlight));

    // Switched to method 1 during a transfer: method 1 waits for it, its late success is no
    // news, and then the newest page goes out by method 1 (p5 never by method 2).
    Publish("p4");
    Publish("p5");
    form.mnuMethod1_Click();
    internet.connectSucceeds = false;
    Publish("p6");
    EXPECT_TRUE(internet.connects.empty()) << "one upload at a time across methods";
    const std::string limit = UploadLimitText(UploadQueue::kOverallLimitMs) + " doing FTP";
    transfer.Finish(UploadLimitText(UploadQueue::kOverallLimitMs));
    EXPECT_TRUE(history.Holds(limit));
    EXPECT_EQ(std::count(view.statusHistory.begin(), view.statusHistory.end(),
                         StatusMessage(limit, StatusColour::Failure)),
              0);
    const StatusMessage noConnection("No FTP connection", StatusColour::Failure);
    EXPECT_EQ(view.LastStatus(), noConnection);
    EXPECT_EQ(internet.connects.size(), 1u);
    EXPECT_EQ(transfer.operations.size(), 3u) << "p5 never goes out after the switch";

    // A log-in given up on still runs: the next page waits, and nothing is tried meanwhile;
    // choosing Method 1 while method 0 (the same) is in force keeps it waiting.
    internet.stillWorking = true;
    state.FTPMethod = 0;
    Publish("p7");
    form.mnuMethod1_Click();
    Tick();
    EXPECT_EQ(internet.connects.size(), 1u);
    EXPECT_EQ(view.LastStatus(), noConnection) << "the time-out failure stays";
    internet.stillWorking = false;
    internet.connectSucceeds = true;
    Tick();  // the first tick after the helper ended sends the newest page
    ASSERT_EQ(internet.connects.size(), 2u);
    ASSERT_EQ(internet.puts.size(), 1u);
    EXPECT_EQ(internet.puts[0].local, std::string(kAppData) + "live.html");
    EXPECT_EQ(view.LastStatus(), StatusMessage(kComplete, StatusColour::Highlight));
    Tick();
    EXPECT_EQ(internet.connects.size(), 2u) << "sent once";
}

TEST_F(FaultsTest, LineErrorDropsTheDamagedBlockUpToItsEndMarker) {
    for (const int method : {0, 1}) {
        SCOPED_TRACE(method == 0 ? "device file" : "serial control");
        FakeSerialDevice& port = OpenPortBy(method);
        Send("good@@@@");
        Tick();
        ASSERT_EQ(PageFile(), PageFor("good"));
        Send("ab");
        Tick();
        port.lineError = "overrun";
        Send("c");
        Tick();
        EXPECT_EQ(view.LastStatus(),
                  StatusMessage("Serial data lost (overrun)", StatusColour::Failure));
        Send("d@@");
        Tick();
        Send("@@next@@@@");
        Tick();
        Tick();
        EXPECT_EQ(PageFile(), PageFor("next"));
        EXPECT_EQ(std::count(view.outputHistory.begin(), view.outputHistory.end(), "abcd"), 0);
        // The read that reports the error also brings a clean block after the damaged one's
        // end marker: only the damaged one is lost.
        port.lineError = "framing";
        Send("bad@@@@clean@@@@");
        Tick();
        Tick();
        EXPECT_EQ(PageFile(), PageFor("clean"));
        EXPECT_EQ(std::count(view.outputHistory.begin(), view.outputHistory.end(), "bad"), 0);
        ClosePort(port);
    }
}

TEST_F(FaultsTest, LostPortIsReportedClosedAndOpenedAgainAboutOnceASecond) {
    for (const int method : {0, 1}) {
        SCOPED_TRACE(method == 0 ? "device file" : "serial control");
        FakeSerialDevice& port = OpenPortBy(method);
        ASSERT_TRUE(port.isOpen);
        const std::size_t opens = port.openAttempts.size();

        Send("ab");
        Tick();  // half a block is read, and then the device goes
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
        EXPECT_EQ(PageFile(), PageFor("cd")) << "the half block before the loss is not glued on";

        // Another start names a port while Run is on: the open one is closed, the new one
        // opened at once; a refused value is said, and the port stays.
        port.availablePorts = {3, 7};
        form.PortNamed(ParseCommandLine("/run /port=007"));
        EXPECT_EQ(port.openPort, 7);
        form.PortNamed(ParseCommandLine("/PORT=3x"));
        EXPECT_EQ(view.LastStatus(), StatusMessage("Port number in /port=3x is not from 1 to 255",
                                                   StatusColour::Failure));
        EXPECT_EQ(view.portText, " 7");
        EXPECT_TRUE(history.Holds("Port number in /port=3x is not from 1 to 255"));
        ClosePort(port);
        view.portText = " 3";
    }
}

TEST_F(FaultsTest, UnreadableSettingsFileIsKeptAsLeqIniBadOnce) {
    const std::string ini = std::string(kSettingsFolder) + "Leq.ini";
    const std::string bad = std::string(kSettingsFolder) + "Leq.ini.bad";
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

TEST_F(FaultsTest, PageHeldByAnotherProgramWaitsInItsOwnFolderNewestFirstAndIsReportedLate) {
    state.FTPMethod = 2;
    Run();
    const std::string page = std::string(kAppData) + "live.html";
    files.files[page] = PageFor("old");
    files.closeErrors[page] = FakeFileSystem::BusyError();  // a reader without delete sharing
    Send("one@@@@");
    Tick();
    Send("two@@@@");
    Tick();  // replaces "one", which is not worth writing any more
    const std::string busy = FakeFileSystem::BusyError().description + " saving Web file";
    for (int i = 0; i < 8; ++i) {  // 4.5 s after the first page was held
        Tick();
        ASSERT_NE(view.LastStatus().second, StatusColour::Failure) << "tick " << i;
    }
    Tick();
    EXPECT_EQ(view.LastStatus(), StatusMessage(busy, StatusColour::Failure)) << "after 5 s";
    Tick();
    EXPECT_EQ(std::count(view.statusHistory.begin(), view.statusHistory.end(),
                         StatusMessage(busy, StatusColour::Failure)),
              1);
    EXPECT_EQ(PageFile(), PageFor("old"));
    EXPECT_TRUE(transfer.operations.empty()) << "a page that is not written is not sent";

    files.closeErrors.clear();  // the reader lets go
    Tick();
    EXPECT_EQ(PageFile(), PageFor("two"));
    ASSERT_EQ(transfer.operations.size(), 1u);
    EXPECT_EQ(transfer.operations[0], "PUT " + page + " /www/live.html");
    Tick();
    EXPECT_EQ(transfer.operations.size(), 1u) << "written once, sent once";
    transfer.Finish(std::nullopt);
    EXPECT_EQ(view.LastStatus(), StatusMessage(kComplete, StatusColour::Highlight))
        << "the page that waited replaces the failure that said so";
    for (const std::string& path : files.openedForOutput) {
        EXPECT_EQ(path, page) << "never moved to a folder other users can read";
    }

    // A page that waits is dropped for a newer one that can be written: here the reader lets
    // go during the tick, after the waiting page was tried and before the newer one is.
    files.closeErrors[page] = FakeFileSystem::BusyError();
    Send("three@@@@");
    Tick();
    Send("four@@@@");
    view.onDoEvents = [this] { files.closeErrors.clear(); };
    Tick();
    view.onDoEvents = nullptr;
    EXPECT_EQ(PageFile(), PageFor("four"));
    Tick();
    EXPECT_EQ(PageFile(), PageFor("four")) << "the older waiting page never lands after it";

    // One still waiting at exit gets a last chance, and is never dropped without a word.
    files.closeErrors[page] = FakeFileSystem::BusyError();
    Send("five@@@@");
    Tick();
    form.Form_Unload();
    EXPECT_EQ(PageFile(), PageFor("four"));
    EXPECT_GE(files.pausedMs, 900u);
    EXPECT_LE(files.pausedMs, 1100u) << "the exit waits about a second, not for ever";
    EXPECT_TRUE(history.Holds("Page dropped at exit: " + busy));
}

TEST_F(FaultsTest, SettingsFileHeldAtStartUpIsWaitedForAndNeverWipedAtExit) {
    const std::string ini = std::string(kSettingsFolder) + "Leq.ini";
    const std::string bad = std::string(kSettingsFolder) + "Leq.ini.bad";
    const std::string saved = "Lab\r\nlive.html\r\nTitle\r\n10\r\n 2 \r\n 1 \r\n";
    files.files[ini] = saved;
    files.busyReads[ini] = 10;   // a scanner lets go after half a second
    files.unlisted.insert(ini);  // and its folder cannot be listed: that says nothing of it
    view.fileNameText = view.pageTitleText = view.refreshText = "";
    form.Form_Load();
    EXPECT_EQ(view.pageTitleText, "Title");
    EXPECT_EQ(state.FTPMethod, 2);
    EXPECT_FALSE(state.SettingsFileUnreadable);
    EXPECT_GE(files.pausedMs, 450u);

    // Held for good at start-up: given up after about two seconds, then tried again on every
    // tick, Run or not, without waiting. Meanwhile nothing is uploaded by a method the file
    // may not name, and nothing is written over it, however the user changes settings.
    view.pageTitleText.clear();
    files.busyReads[ini] = 1000;
    files.pausedMs = 0;
    state = ProgramState{};
    state.ProgramFolder = kProgramFolder;
    state.SettingsFolder = kSettingsFolder;
    form.Form_Load();
    EXPECT_TRUE(state.SettingsFileNeverRead);
    EXPECT_GE(files.pausedMs, 1900u);
    EXPECT_LE(files.pausedMs, 2500u);
    state.DestURL = "127.0.0.1";
    state.UserName = state.Password = "qel";
    state.DestPath = "/www/";
    form.mnuCommMethod1_Click();
    view.refreshText = "5";
    Run();
    form.ckkRun_Click(false);  // an unattended start: the cause stays in view, "Run started" logged
    const StatusMessage cause(FakeFileSystem::BusyError().description + " opening ini file",
                              StatusColour::Failure);
    EXPECT_EQ(view.LastStatus(), cause);
    EXPECT_TRUE(history.Holds("Run started"));
    Send("xy@@@@");
    Tick();
    EXPECT_TRUE(internet.connects.empty() && transfer.operations.empty());
    form.Form_Unload();
    EXPECT_EQ(files.files[ini], saved);
    EXPECT_EQ(files.files.count(bad), 0u);
    EXPECT_TRUE(history.Holds(std::string(kSettingsNotSavedText)));
    files.busyReads[ini] = 1;
    Tick();
    EXPECT_TRUE(state.SettingsFileNeverRead);
    Tick();  // read at last: applied, but for what the user changed, and the page goes out
    EXPECT_FALSE(state.SettingsFileNeverRead);
    EXPECT_LE(files.pausedMs, 2500u) << "the window never waits for it";
    EXPECT_EQ(view.pageTitleText, "Title");
    EXPECT_EQ(state.FTPMethod, 2);
    EXPECT_EQ(view.refreshText, "5");
    EXPECT_EQ(transfer.operations.size(), 1u);
    EXPECT_TRUE(internet.connects.empty());
    EXPECT_NE(view.LastStatus(), cause);
    form.Form_Unload();
    EXPECT_EQ(files.files[ini], "Lab\r\nlive.html\r\nTitle\r\n5\r\n 2 \r\n 0 \r\n");

    // Refused rather than held (a share that is not up yet): never taken for missing, so never
    // written over with defaults; read once it can be.
    files.readErrors[ini] = FakeFileSystem::AccessError();
    state.SettingsFileNeverRead = false;
    form.Form_Load();
    EXPECT_TRUE(state.SettingsFileNeverRead);
    form.Form_Unload();
    EXPECT_EQ(files.files[ini], "Lab\r\nlive.html\r\nTitle\r\n5\r\n 2 \r\n 0 \r\n");
    form.Form_Load();
    state.CurrentFile = "Other";  // chosen meanwhile, without a password: that is what is said
    state.Password.clear();
    files.readErrors.clear();
    Tick();
    EXPECT_FALSE(state.SettingsFileNeverRead);
    EXPECT_EQ(view.LastStatus(),
              StatusMessage("Configuration information required", StatusColour::Failure));
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

TEST_F(FaultsTest, UploadThatNeverEndsIsGivenUpAndTenMinutesWithoutAPageAreSaid) {
    Run();
    Tick();  // the port is open
    state.FTPMethod = 2;
    state.Password = "pw-Zq9";
    Send("p1@@@@");
    Tick();
    ASSERT_EQ(transfer.operations.size(), 1u);
    // A host that keeps the transfer alive without finishing, and a component that never
    // reports: red a moment after the limit, and no second upload while it runs.
    const StatusMessage limit("Upload given up after 120 seconds doing FTP", StatusColour::Failure);
    for (int tick = 0; tick < 249; ++tick) {
        Tick();
    }
    EXPECT_NE(view.LastStatus(), limit) << "124.5 s";
    Send("p2@@@@");
    Tick();
    EXPECT_EQ(view.LastStatus(), limit) << "125 s";
    EXPECT_EQ(transfer.operations.size(), 1u);
    transfer.Finish(std::nullopt);  // its late outcome is old news; the waiting page goes now
    ASSERT_EQ(transfer.operations.size(), 2u);
    EXPECT_EQ(view.LastStatus(), limit) << "progress never covers a standing failure";

    // The component gives up at the limit itself, its thread still at work: shown at once,
    // though a newer page waits, which goes once the thread has ended.
    Send("p3@@@@");
    Tick();
    transfer.completion(UploadLimitText(UploadQueue::kOverallLimitMs));
    EXPECT_EQ(view.LastStatus(), limit);
    Tick();
    EXPECT_EQ(transfer.operations.size(), 2u);
    transfer.busy = false;
    Tick();
    ASSERT_EQ(transfer.operations.size(), 3u);
    clock.longTime = "10:20:00 AM";
    transfer.Finish(std::nullopt);
    EXPECT_EQ(view.LastStatus().first, "Transfer Complete 12/07/2026  10:20:00 AM");

    // Blocks keep coming and no page reaches the host: the status line says since when every
    // ten minutes; with another failure standing only the history does, and an ordinary text
    // shown meanwhile never silences it. Published locally only, nothing is watched or said.
    const std::string since = "No page has reached the web host since 12/07/2026 10:20:00 AM";
    const auto blocksFor = [this](int ticks) {
        for (int tick = 0; tick < ticks; ++tick) {
            if (tick % 20 == 0) {
                Send("bb@@@@");
            }
            Tick();
        }
    };
    state.FTPMethod = 7;
    const std::size_t shown = view.statusHistory.size();
    blocksFor(1300);
    EXPECT_EQ(view.statusHistory.size(), shown);
    form.mnuMethod2_Click();
    transfer.executeError = "Invalid URL";
    blocksFor(1201);
    EXPECT_EQ(view.LastStatus(), StatusMessage("Invalid URL doing FTP", StatusColour::Failure));
    EXPECT_TRUE(history.Holds(since));
    form.View().ShowStatus("Serial communication established", StatusColour::Highlight);
    for (int tick = 0; tick < 1200; ++tick) {
        Tick();
    }
    EXPECT_EQ(view.LastStatus(), StatusMessage(since, StatusColour::Failure));
    EXPECT_EQ(std::count_if(history.lines.begin(), history.lines.end(),
                            [&](const auto& line) { return line.text == since; }),
              2);
    // No status text, shown or kept, is ever made from the password.
    for (const auto& line : history.lines) {
        EXPECT_EQ(line.text.find(state.Password), std::string::npos) << line.text;
    }
}

}  // namespace
}  // namespace qel
