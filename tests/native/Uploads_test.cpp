// Both upload methods: what they hand to WinINet or the transfer component and what the user
// reads on the status line.
#include <gtest/gtest.h>

#include "MainFormFixture.h"

namespace qel {
namespace {

class UploadTest : public MainFormFixture {
protected:
    UploadTest() {
        state.DestURL = "127.0.0.1";
        state.UserName = "qel";
        state.Password = "s3cret";
        state.DestPath = "/www/";
        state.WebFilePath = "C:\\Data\\live.html";
        state.DestFileName = "live.html";
    }
};

TEST_F(UploadTest, SessionIsOpenedOnceAndEachUploadLogsInAnew) {
    ftpApi.UploadByApi();
    ftpApi.UploadByApi();
    EXPECT_EQ(internet.agents.size(), 1u);
    ASSERT_EQ(internet.connects.size(), 2u);
    for (const auto& c : internet.connects) {
        EXPECT_EQ(c.session, ftpApi.SessionHandle);
        EXPECT_EQ(c.server, "127.0.0.1");
        EXPECT_EQ(c.port, 21);
        EXPECT_EQ(c.user, "qel");
        EXPECT_EQ(c.password, "s3cret");
        EXPECT_FALSE(c.passive);  // active mode
    }
    ASSERT_EQ(internet.puts.size(), 2u);
    EXPECT_EQ(internet.puts[1].local, "C:\\Data\\live.html");
    EXPECT_EQ(internet.puts[1].remote, "/www/live.html");
    EXPECT_TRUE(internet.puts[1].binary);
    EXPECT_EQ(internet.closed.size(), 2u);  // each connection closed, the session kept
    EXPECT_FALSE(ftpApi.IsConnected);
    EXPECT_EQ(view.LastStatus(),
              StatusMessage("Transfer Complete 12/07/2026  10:11:12 AM", StatusColour::Highlight));
}

TEST_F(UploadTest, StatusTextsFollowTheSteps) {
    ftpApi.UploadByApi();
    std::vector<std::string> texts;
    for (const auto& [text, colour] : view.statusHistory) {
        texts.push_back(text);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"Starting transmission", "Connection opened",
                                               "Attempting transmission",
                                               "Transfer Complete 12/07/2026  10:11:12 AM"}));
    state.UserName = "qel\r\nDELE /www/x";  // checked again before connecting
    ftpApi.UploadByApi();
    EXPECT_EQ(view.LastStatus().second, StatusColour::Failure);
    EXPECT_EQ(internet.connects.size(), 1u);
}

TEST_F(UploadTest, FailedLoginShowsNoConnectionAndTheNextUploadTriesAgain) {
    internet.connectSucceeds = false;
    ftpApi.UploadByApi();
    EXPECT_EQ(view.LastStatus(), StatusMessage("No FTP connection", StatusColour::Failure));
    EXPECT_TRUE(internet.puts.empty());
    EXPECT_TRUE(internet.closed.empty());
    internet.connectSucceeds = true;
    ftpApi.UploadByApi();
    EXPECT_EQ(internet.puts.size(), 1u);
}

TEST_F(UploadTest, FailedSessionIsOpenedAgainNextTime) {
    internet.openSucceeds = false;
    ftpApi.UploadByApi();
    EXPECT_EQ(ftpApi.SessionHandle, 0u);
    EXPECT_EQ(view.LastStatus().first, "No FTP connection");
    internet.openSucceeds = true;
    ftpApi.UploadByApi();
    EXPECT_EQ(internet.agents.size(), 2u);
    EXPECT_NE(ftpApi.SessionHandle, 0u);
    // A call given up on at its limit: closing its session cancels it; the next opens anew.
    internet.stillWorking = true;
    ftpApi.UploadByApi();
    EXPECT_EQ(internet.closed.back(), internet.lastSession);
    ftpApi.UploadByApi();
    EXPECT_EQ(internet.agents.size(), 3u);
}

TEST_F(UploadTest, FailedPutIsReportedAndTheConnectionStillClosed) {
    internet.putSucceeds = false;
    ftpApi.UploadByApi();
    EXPECT_EQ(view.LastStatus(),
              StatusMessage("FTP transmission failed False", StatusColour::Failure));
    EXPECT_EQ(internet.closed.size(), 1u);
}

TEST_F(UploadTest, TransferComponentGetsTheUrlTheAccountAndThePutOperation) {
    view.fileNameText = "live.html";
    state.DestPath = "www";
    form.FTPMethod2();
    EXPECT_EQ(transfer.url, "ftp://127.0.0.1");
    EXPECT_EQ(transfer.userName, "qel");
    EXPECT_EQ(transfer.password, "s3cret");
    EXPECT_EQ(transfer.operations,
              std::vector<std::string>{"PUT C:\\Data\\live.html /www/live.html"});
    // Handed over is not done: success is reported only when the file is stored.
    EXPECT_EQ(view.LastStatus(), StatusMessage("Attempting transmission", StatusColour::Highlight));
    transfer.Finish(std::nullopt);
    EXPECT_EQ(view.LastStatus(),
              StatusMessage("Transfer Complete 12/07/2026  10:11:12 AM", StatusColour::Highlight));
}

TEST_F(UploadTest, TransferFailureIsReportedInRed) {
    form.FTPMethod2();
    transfer.Finish(std::string("Login failed"));
    EXPECT_EQ(view.LastStatus(), StatusMessage("Login failed doing FTP", StatusColour::Failure));
}

TEST_F(UploadTest, TransferRefusedAtOnceIsReportedInRed) {
    transfer.executeError = "Still executing last request";
    form.FTPMethod2();
    EXPECT_EQ(view.LastStatus(),
              StatusMessage("Still executing last request doing FTP", StatusColour::Failure));
}

TEST_F(UploadTest, TransferComponentTakesTheHostAsGiven) {
    state.DestURL = "ftp://example.org";
    form.FTPMethod2();
    EXPECT_EQ(transfer.url, "ftp://ftp://example.org");
}

TEST_F(UploadTest, IncompleteProfileStopsTheTransferComponentBeforeItStarts) {
    struct Case {
        std::string ProgramState::*field;
        const char* message;
    };
    for (const Case& c : {Case{&ProgramState::DestURL, "No URL set"},
                          Case{&ProgramState::UserName, "No user name set"},
                          Case{&ProgramState::Password, "No Password set"}}) {
        const std::string kept = state.*c.field;
        state.*c.field = "";
        form.FTPMethod2();
        EXPECT_EQ(view.LastStatus(), StatusMessage(c.message, StatusColour::Failure));
        state.*c.field = kept;
    }
    EXPECT_TRUE(transfer.operations.empty());
    view.fileNameText = "";
    form.FTPMethod2();
    EXPECT_EQ(view.LastStatus(),
              StatusMessage("No destination file name set", StatusColour::Failure));
    EXPECT_TRUE(transfer.operations.empty());
    // SFTP may log in by key: an empty password goes to the component.
    view.fileNameText = "live.html";
    state.FTPMethod = 4;
    state.Password = "";
    form.FTPMethod2();
    EXPECT_EQ(transfer.operations.size(), 1u);
}

TEST_F(UploadTest, PageWrittenWithTheTransferMethodIsHandedOver) {
    state.FTPMethod = 2;
    form.InBuffer = "T1";
    form.SendWebPage();
    ASSERT_EQ(transfer.operations.size(), 1u);
    EXPECT_EQ(transfer.operations[0], "PUT " + std::string(kAppData) + "live.html /www/live.html");
}

TEST_F(UploadTest, MethodThreeIsTheTransferComponentOverFtpsBehindTheSameGuard) {
    form.mnuMethod3_Click();
    EXPECT_EQ(state.FTPMethod, 3);
    EXPECT_EQ(view.ftpMethodItem, MenuChoice::Method3);
    form.InBuffer = "T1";
    form.SendWebPage();
    EXPECT_EQ(transfer.url, "ftps://127.0.0.1");
    ASSERT_EQ(transfer.operations.size(), 1u);
    // A page by method 2 while it runs waits behind it, and keeps its own scheme.
    form.mnuMethod2_Click();
    form.FTPMethod2();
    EXPECT_EQ(transfer.operations.size(), 1u);
    transfer.Finish(std::nullopt);
    EXPECT_EQ(transfer.operations.size(), 2u);
    EXPECT_EQ(transfer.url, "ftp://127.0.0.1");

    // The connection kept for later pages goes when the method, the host values or Run
    // change, and only then.
    EXPECT_EQ(transfer.keptEnded, 2);  // the changes to method 3, then to 2
    form.mnuMethod2_Click();
    Run();
    Tick();
    EXPECT_EQ(transfer.keptEnded, 2);
    ++state.HostChoices;  // Set or a profile in the host dialog
    Tick();
    Tick();
    EXPECT_EQ(transfer.keptEnded, 3);
    view.runChecked = false;
    form.ckkRun_Click();
    EXPECT_EQ(transfer.keptEnded, 4);
}

TEST_F(UploadTest, MethodFourAsksAboutAnUnknownHostKeyOnlyWhenRunByHandAndNotAfterNo) {
    form.mnuMethod4_Click();
    EXPECT_EQ(state.FTPMethod, 4);
    EXPECT_EQ(view.ftpMethodItem, MenuChoice::Method4);
    const UnknownHostKey key{"127.0.0.1", "SHA256:abc", "127.0.0.1 ssh-rsa AAAA"};
    const std::string refused = HostKeyQuestion::RefusalText(key) + " doing FTP";
    const auto endAtUnknownKey = [&] {
        transfer.unknownKey = key;
        transfer.Finish(HostKeyQuestion::RefusalText(key));
    };
    // Under /run: refused in red, nobody asked.
    Run();
    form.ckkRun_Click(false);
    form.FTPMethod2();
    EXPECT_EQ(transfer.url, "sftp://127.0.0.1");
    endAtUnknownKey();
    EXPECT_TRUE(view.questions.empty());
    EXPECT_EQ(view.LastStatus(), StatusMessage(refused, StatusColour::Failure));

    // Run by hand: asked; a page made while the box is open waits; Yes sends the newest once.
    // The time the box stands open is not the upload's.
    form.ckkRun_Click();
    form.FTPMethod2();
    view.answerYes = true;
    view.onAsk = [&] {
        form.FTPMethod2();
        clock.milliseconds += UploadQueue::kOverallLimitMs + 10'000;
        Tick();
    };
    endAtUnknownKey();
    EXPECT_FALSE(history.Holds(UploadLimitText(UploadQueue::kOverallLimitMs) + " doing FTP"));
    ASSERT_EQ(view.questions.size(), 1u);
    EXPECT_NE(view.questions[0].find("SHA256:abc"), std::string::npos);
    EXPECT_EQ(transfer.trusted, std::vector<UnknownHostKey>{key});
    EXPECT_EQ(transfer.operations.size(), 3u);
    transfer.Finish(std::nullopt);
    EXPECT_EQ(transfer.operations.size(), 3u);
    EXPECT_EQ(view.LastStatus().first.rfind("Transfer Complete ", 0), 0u);
    view.onAsk = nullptr;  // with no newer page, the one the key held back goes at once
    form.FTPMethod2();
    endAtUnknownKey();
    EXPECT_EQ(transfer.operations.size(), 5u);
    transfer.Finish(std::nullopt);

    // No: refused now and without a question later, until the method is chosen anew; a page
    // made while the box was open goes nowhere.
    view.answerYes = false;
    view.onAsk = [&] { form.FTPMethod2(); };
    for (int attempt = 0; attempt < 2; ++attempt) {
        form.FTPMethod2();
        endAtUnknownKey();
        Tick();
        EXPECT_EQ(transfer.operations.size(), 6u + attempt);
        EXPECT_EQ(view.questions.size(), 3u);
        EXPECT_EQ(view.LastStatus(), StatusMessage(refused, StatusColour::Failure));
    }
    view.onAsk = nullptr;
    form.mnuMethod4_Click();
    form.FTPMethod2();
    endAtUnknownKey();
    EXPECT_EQ(view.questions.size(), 4u);
    EXPECT_EQ(transfer.trusted.size(), 2u);
    // ... or the host is chosen anew in the host dialog (Set, Ok).
    form.FTPMethod2();
    endAtUnknownKey();
    EXPECT_EQ(view.questions.size(), 4u);
    ++state.HostChoices;
    form.FTPMethod2();
    endAtUnknownKey();
    EXPECT_EQ(view.questions.size(), 5u);
}

}  // namespace
}  // namespace qel
