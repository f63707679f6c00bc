// The run cycle: reading under both communication methods, taking blocks out at "@@@@", the Run
// switch and port set-up.
#include <gtest/gtest.h>

#include "MainFormFixture.h"

namespace qel {
namespace {

using RunCycle = MainFormFixture;

TEST_F(RunCycle, NothingHappensWhileRunIsOff) {
    Send("abc@@@@");
    Tick();
    EXPECT_TRUE(commFile.openAttempts.empty());
    EXPECT_EQ(PagesWritten(), 0u);
    EXPECT_TRUE(view.statusHistory.empty());
}

TEST_F(RunCycle, RunSwitchReportsAndTouchesNothingElse) {
    form.InBuffer = "partial";
    view.runChecked = true;
    form.ckkRun_Click();
    EXPECT_EQ(view.LastStatus(), StatusMessage("Run started", StatusColour::Highlight));
    view.runChecked = false;
    form.ckkRun_Click();
    EXPECT_EQ(view.LastStatus(), StatusMessage("Run stopped", StatusColour::Highlight));
    EXPECT_EQ(form.InBuffer, "partial");
    EXPECT_TRUE(commFile.openAttempts.empty());
}

TEST_F(RunCycle, DeviceFileMethodOpensThePortAndPublishesTheBlock) {
    Run();
    Send("line1\r\nline2@@@@");
    Tick();
    EXPECT_EQ(commFile.openAttempts, std::vector<int>{3});
    EXPECT_EQ(commFile.openMode, "9600,N,8,1");
    EXPECT_TRUE(state.PortIsOpen);
    EXPECT_EQ(PageFile(), PageFor("line1<br>\r\nline2"));
    EXPECT_EQ(view.outputText, "line1\r\nline2");
    EXPECT_EQ(form.InBuffer, "");
    EXPECT_EQ(view.statusHistory.front(),
              StatusMessage("Serial communication established", StatusColour::Highlight));
}

TEST_F(RunCycle, DeviceFileMethodYieldsAfterEveryCharacter) {
    Run();
    Tick();  // opens the port
    const int before = view.doEventsCalls;
    Send("abcdef");
    Tick();
    EXPECT_GE(view.doEventsCalls - before, 6);
    EXPECT_EQ(form.InBuffer, "abcdef");
}

TEST_F(RunCycle, NulCharacterEndsTheBurstAndIsNotStored) {
    Run();
    Send(std::string("ab\0cd", 5));
    Tick();
    EXPECT_EQ(form.InBuffer, "ab");
    Tick();
    EXPECT_EQ(form.InBuffer, "abcd");
}

struct TakeOutCase {
    const char* name;
    const char* input;
    const char* firstPage;    // body published in the first tick, "" for none
    const char* afterFirst;   // InBuffer after the first tick
    const char* afterSecond;  // InBuffer after a second tick with nothing new
};

class TakeOutUnderBothMethods : public MainFormFixture,
                                public ::testing::WithParamInterface<std::tuple<TakeOutCase, int>> {
};

TEST_P(TakeOutUnderBothMethods, BlocksComeOutAsTheMarkersSay) {
    const auto& [c, method] = GetParam();
    state.CommMethod = static_cast<std::uint8_t>(method);
    Run();
    if (method != 0) {
        Tick();  // the control opens its port in a tick of its own
    }
    Send(c.input);
    Tick();
    if (*c.firstPage) {
        EXPECT_EQ(PageFile(), PageFor(c.firstPage));
    } else {
        EXPECT_EQ(PagesWritten(), 0u);
    }
    EXPECT_EQ(form.InBuffer, c.afterFirst);
    Tick();
    EXPECT_EQ(form.InBuffer, method == 0 ? c.afterSecond : c.afterFirst);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, TakeOutUnderBothMethods,
    ::testing::Combine(
        ::testing::Values(TakeOutCase{"EndMarker", "abc@@@@", "abc", "", ""},
                          TakeOutCase{"TextAfter", "abc@@@@de", "abc", "de", "de"},
                          TakeOutCase{"TwoEndingInMarker", "x@@@@abc@@@@", "abc", "", ""},
                          TakeOutCase{"ThreeBlocks", "ab@@@@cd@@@@ef", "ab", "cd@@@@ef", "ef"},
                          TakeOutCase{"NoMarker", "no marker yet", "", "no marker yet",
                                      "no marker yet"}),
        ::testing::Values(0, 1)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) +
               (std::get<1>(info.param) == 0 ? "_DeviceFile" : "_Control");
    });

TEST_F(RunCycle, SecondBlockOfThreeIsPublishedInTheNextTickUnderTheDeviceFileMethod) {
    Run();
    Send("ab@@@@cd@@@@ef");
    Tick();
    Tick();
    EXPECT_EQ(PageFile(), PageFor("cd"));
    EXPECT_EQ(PagesWritten(), 2u);
}

TEST_F(RunCycle, MarkerSplitAcrossTwoTicksIsRecognised) {
    Run();
    Send("ab@@");
    Tick();
    EXPECT_EQ(PagesWritten(), 0u);
    Send("@@");
    Tick();
    EXPECT_EQ(PageFile(), PageFor("ab"));
    EXPECT_EQ(form.InBuffer, "");
}

TEST_F(RunCycle, OneCharacterBlockIsShownButNotPublished) {
    Run();
    Send("a@@@@");
    Tick();
    EXPECT_EQ(view.outputText, "a");
    EXPECT_EQ(PagesWritten(), 0u);
    EXPECT_EQ(form.InBuffer, "");
}

TEST_F(RunCycle, LongBlocksAreNeitherLostNorCut) {
    Run();
    const std::string big(40000, 'x');
    Send(big + "@@@@tail");
    Tick();
    EXPECT_EQ(PageFile(), PageFor(big));
    EXPECT_EQ(form.InBuffer, "tail");
}

TEST_F(RunCycle, SwitchingRunOffMidTickSkipsTheSplitCase) {
    Run();
    Tick();  // port open
    Send("ab@@@@cd");
    view.onDoEvents = [this] { view.runChecked = false; };
    Tick();
    EXPECT_EQ(PagesWritten(), 0u);
    EXPECT_EQ(form.InBuffer, "ab@@@@cd");  // kept for when Run comes back
    view.onDoEvents = nullptr;
    Run();
    Tick();
    EXPECT_EQ(PageFile(), PageFor("ab"));
}

TEST_F(RunCycle, TickFallingDueDuringATickIsSkipped) {
    Run();
    Send("abc@@@@");
    int nested = 0;
    view.onDoEvents = [&] {
        ++nested;
        form.Timer1_Timer();
    };
    Tick();
    EXPECT_GT(nested, 0);
    EXPECT_EQ(commFile.openAttempts.size(), 1u);
    EXPECT_EQ(PagesWritten(), 1u);
    EXPECT_EQ(PageFile(), PageFor("abc"));
}

TEST_F(RunCycle, DeviceFileThatWillNotOpenIsReportedAndRetriedEverySecond) {
    view.portText = "";
    Run();
    Tick();
    EXPECT_EQ(view.LastStatus(),
              StatusMessage("File not found. opening com", StatusColour::Failure));
    EXPECT_FALSE(state.PortIsOpen);
    Tick();
    EXPECT_EQ(commFile.openAttempts, (std::vector<int>{0}));
    Tick();
    EXPECT_EQ(commFile.openAttempts, (std::vector<int>{0, 0}));
    // The user corrects the port number: the next tick opens it and reads.
    view.portText = "3";
    Send("ok@@@@");
    Tick();
    Tick();
    EXPECT_TRUE(state.PortIsOpen);
    EXPECT_EQ(PageFile(), PageFor("ok"));
}

TEST_F(RunCycle, PortNumberIsTheNumericValueOfThePortBox) {
    commFile.availablePorts = {12};
    view.portText = " 1 2abc";
    Run();
    Tick();
    EXPECT_EQ(commFile.openAttempts, std::vector<int>{12});
    view.portText = "3.5";
    commFile.Close();
    Tick();
    EXPECT_EQ(view.LastStatus(),
              StatusMessage("Bad file name or number opening com", StatusColour::Failure));
}

TEST_F(RunCycle, ReadFailureIsReportedAndEmptiesTheBuffer) {
    Run();
    Tick();
    form.InBuffer = "half a block";
    commFile.readError = SerialError{SerialError::Kind::Other, "The device is not ready."};
    Tick();
    EXPECT_EQ(view.LastStatus(),
              StatusMessage("The device is not ready. inputting from com", StatusColour::Failure));
    EXPECT_EQ(form.InBuffer, "") << "the rest of it never comes";
}

TEST_F(RunCycle, ControlMethodOpensInATickOfItsOwnAndReadsInTheNext) {
    state.CommMethod = 1;
    Run();
    Send("abc@@@@");
    Tick();
    EXPECT_TRUE(state.PortIsOpen);
    EXPECT_EQ(controlPort.openMode, "9600,N,8,1");
    EXPECT_EQ(PagesWritten(), 0u);
    Tick();
    EXPECT_EQ(PageFile(), PageFor("abc"));
    EXPECT_TRUE(commFile.openAttempts.empty());
}

TEST_F(RunCycle, ControlMethodRetriesAMissingPortEverySecond) {
    state.CommMethod = 1;
    view.portText = "9";
    Run();
    Tick();
    Tick();
    Tick();
    EXPECT_EQ(controlPort.openAttempts, (std::vector<int>{9, 9}));
    EXPECT_EQ(view.LastStatus(), StatusMessage("Invalid port number", StatusColour::Failure));
    EXPECT_FALSE(state.PortIsOpen);
}

TEST_F(RunCycle, ControlMethodRejectsPortNumbersItCannotHold) {
    state.CommMethod = 1;
    Run();
    view.portText = "40000";
    Tick();
    EXPECT_EQ(view.LastStatus(), StatusMessage("Overflow", StatusColour::Failure));
    view.portText = "0";
    clock.milliseconds += 500;  // the next attempt comes a second after a failed one
    Tick();
    EXPECT_EQ(view.LastStatus(), StatusMessage("Invalid port number", StatusColour::Failure));
    EXPECT_TRUE(controlPort.openAttempts.empty());
}

TEST_F(RunCycle, ControlRefusesANewPortNumberWhileItsPortIsOpen) {
    state.CommMethod = 1;
    Run();
    Tick();
    ASSERT_TRUE(state.PortIsOpen);
    // Back and forth between the methods: the device-file method takes over the flag...
    form.mnuCommMethod1_Click();
    commFile.busyPorts = {3};
    Tick();
    EXPECT_FALSE(state.PortIsOpen);
    // ...and the control, asked to set up its port again, refuses while it holds one.
    form.mnuCommMethod2_Click();
    clock.milliseconds += 500;  // the next attempt comes a second after a failed one
    Tick();
    EXPECT_EQ(view.LastStatus(), StatusMessage("Port already open", StatusColour::Failure));
    EXPECT_TRUE(controlPort.isOpen);
}

TEST_F(RunCycle, PortSearchWritesTheHighestPortThatOpens) {
    controlPort.availablePorts = {3, 7};
    controlPort.busyPorts = {9};
    form.FindPorts();
    EXPECT_EQ(view.portText, " 7");
    EXPECT_FALSE(controlPort.isOpen);
    EXPECT_EQ(controlPort.openAttempts.size(), 30u);
    EXPECT_EQ(controlPort.openAttempts.back(), 30);
    EXPECT_TRUE(view.statusHistory.empty());
}

TEST_F(RunCycle, PortSearchKeepsThePortBoxWhenNothingOpens) {
    controlPort.availablePorts = {};
    view.portText = "5";
    form.Command2_Click();
    EXPECT_EQ(view.portText, "5");
}

TEST_F(RunCycle, PortSearchFindsNothingWhileTheControlHoldsItsPort) {
    controlPort.availablePorts = {3, 7};
    state.CommMethod = 1;
    Run();
    Tick();
    ASSERT_TRUE(controlPort.isOpen);
    view.portText = " 3";
    form.FindPorts();
    EXPECT_EQ(view.portText, " 3");
    EXPECT_TRUE(controlPort.isOpen);
    EXPECT_EQ(controlPort.openPort, 3);
}

// A long buffer is not searched from its start on every tick, so the search must still see a
// marker that straddles what was there before and what came after.
class MarkerStraddle : public MainFormFixture, public ::testing::WithParamInterface<int> {};

TEST_P(MarkerStraddle, MarkerSplitBetweenTwoReadsIsFoundWhereverItSplits) {
    state.CommMethod = static_cast<std::uint8_t>(GetParam());
    Run();
    Tick();  // opens the port
    for (std::size_t before = 1; before <= 3; ++before) {
        SCOPED_TRACE("split after " + std::to_string(before));
        Send("ab" + std::string(before, '@'));
        Tick();
        Send(std::string(4 - before, '@') + "cd");
        Tick();
        EXPECT_EQ(PageFile(), PageFor("ab"));
        EXPECT_EQ(form.InBuffer, "cd");
        form.InBuffer.clear();
        files.files.clear();
    }
}

INSTANTIATE_TEST_SUITE_P(BothMethods, MarkerStraddle, ::testing::Values(0, 1));

}  // namespace
}  // namespace qel
