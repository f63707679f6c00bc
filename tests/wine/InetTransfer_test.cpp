// Tests of our internet transfer component: requests it refuses at once, and uploads against
// the harness's FTP server (skipped when PELLUCOR_FTP_USER, PELLUCOR_FTP_PASSWORD and
// PELLUCOR_FTP_ROOT are not set) whose outcome must come back on the thread that made it.
#include "InetTransfer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "DevicePort.h"
#include "FtpServerControl.h"
#include "TrustedTestRoot.h"
#include "WinTestSupport.h"

namespace {

using qel::InetTransfer;
using namespace std::chrono_literals;

TEST(InetTransfer, RefusesAURLItCannotUse) {
    InetTransfer transfer;
    for (const char* url : {"", "http://127.0.0.1", "ftp://", "ftp:///www", "ftp:127.0.0.1"}) {
        transfer.SetURL(url);
        EXPECT_EQ(transfer.Execute("PUT C:\\a.html /a.html"), InetTransfer::kInvalidUrl) << url;
        EXPECT_FALSE(transfer.StillExecuting()) << url;
    }
}

TEST(InetTransfer, RefusesAnOperationItCannotRead) {
    InetTransfer transfer;
    transfer.SetURL("ftp://127.0.0.1");
    for (const char* operation :
         {"", "PUT", "PUT ", "PUT C:\\a.html", "GET /a.html C:\\a.html", "PUTC:\\a.html /a.html"}) {
        EXPECT_EQ(transfer.Execute(operation), InetTransfer::kInvalidOperation)
            << "[" << operation << "]";
        EXPECT_FALSE(transfer.StillExecuting()) << operation;
    }
}

// What the completion saw.
struct Outcomes {
    int calls = 0;
    std::optional<std::string> failure;
    DWORD thread = 0;
};

class InetTransferUpload : public ::testing::Test {
protected:
    void SetUp() override {
        server = wintest::FtpServerFromEnvironment();
        if (!server) {
            GTEST_SKIP() << "no FTP server given (PELLUCOR_FTP_USER/PASSWORD/ROOT)";
        }
        remote = std::make_unique<wintest::ScratchFolder>(server->root);
        ASSERT_TRUE(wintest::WriteBytes(localFile, wintest::AllByteValues()));
        MakeTransfer();
    }

    void MakeTransfer(std::chrono::milliseconds overallLimit = 120s,
                      std::chrono::milliseconds keptIdleLimit = InetTransfer::kKeptIdleLimit) {
        transfer = std::make_unique<InetTransfer>(overallLimit, keptIdleLimit);
        Configure(server->password);
        transfer->SetCompletion([this](const std::optional<std::string>& failure) {
            ++outcomes.calls;
            outcomes.failure = failure;
            outcomes.thread = GetCurrentThreadId();
        });
    }

    void Configure(const std::string& password) {
        transfer->SetURL("ftp://" + server->host);
        transfer->SetUserName(server->user);
        transfer->SetPassword(password);
    }

    std::string Put(const std::string& remoteName) const {
        return "PUT " + localFile + " /" + remote->Name() + "/" + remoteName;
    }

    // Pumps this thread's messages until `count` completions have come (pyftpdlib takes about
    // 3 s to refuse a wrong password, so the limit is generous).
    bool WaitForCompletions(int count) {
        return wintest::PumpUntil([&] { return outcomes.calls >= count; }, 30s);
    }

    std::optional<wintest::FtpTestServer> server;
    std::unique_ptr<wintest::ScratchFolder> remote;  // inside the served folder
    wintest::ScratchFolder local;
    // A blank in the local path, as the page file's folder may have one.
    const std::string localFile = local / "live page.html";
    Outcomes outcomes;
    std::unique_ptr<InetTransfer> transfer;
};

TEST_F(InetTransferUpload, StoresTheFileByteForByteAndReportsOnTheCreatingThread) {
    const auto log = wintest::FtpCommandLog::FromEnvironment();
    ASSERT_EQ(transfer->Execute(Put("live.html")), std::nullopt);
    ASSERT_TRUE(WaitForCompletions(1));
    EXPECT_EQ(outcomes.failure, std::nullopt);
    EXPECT_EQ(outcomes.thread, GetCurrentThreadId());
    EXPECT_EQ(wintest::ReadBytes(*remote / "live.html"), wintest::AllByteValues());
    EXPECT_FALSE(transfer->StillExecuting());
    if (log) {
        EXPECT_TRUE(log->Received("PASV") || log->Received("EPSV")) << log->SinceMark();
        EXPECT_FALSE(log->Received("PORT") || log->Received("EPRT")) << log->SinceMark();
        EXPECT_TRUE(log->Received("TYPE I")) << log->SinceMark();
        EXPECT_TRUE(log->Received("STOR /" + remote->Name() + "/live.html")) << log->SinceMark();
    }
}

// A host (or anyone on the path) that keeps the connection alive without ever finishing: a
// greeting line every half second never lets WinINet's own time limits run out. The upload is
// given up at the overall limit, its connection closed so that the component is free again.
TEST_F(InetTransferUpload, AHostThatNeverFinishesIsGivenUpAtTheOverallLimit) {
    const auto control = qeltest::FtpServerControl::FromEnvironment();
    ASSERT_TRUE(control && control->Command("TRICKLE 0.5"));
    MakeTransfer(2s);
    ASSERT_EQ(transfer->Execute(Put("never.html")), std::nullopt);
    const bool reported = WaitForCompletions(1);
    const bool freed = wintest::PumpUntil([&] { return !transfer->StillExecuting(); }, 10s);
    ASSERT_TRUE(control->Command("TRICKLE 0"));
    ASSERT_TRUE(reported);
    EXPECT_EQ(outcomes.failure, "Upload given up after 2 seconds");
    EXPECT_TRUE(freed) << "the thread still runs after its connection was closed";
    wintest::PumpUntil([&] { return !transfer->StillExecuting(); }, 40s);
    EXPECT_EQ(outcomes.calls, 1) << "one outcome for one transfer";
}

TEST_F(InetTransferUpload, RefusesANewRequestWhileOneRuns) {
    ASSERT_EQ(transfer->Execute(Put("first.html")), std::nullopt);
    EXPECT_EQ(transfer->Execute(Put("second.html")), InetTransfer::kStillExecuting);
    ASSERT_TRUE(WaitForCompletions(1));
    EXPECT_EQ(outcomes.failure, std::nullopt);

    // Once the first has ended the component takes requests again.
    ASSERT_EQ(transfer->Execute(Put("second.html")), std::nullopt);
    ASSERT_TRUE(WaitForCompletions(2));
    EXPECT_EQ(outcomes.failure, std::nullopt);
    EXPECT_EQ(wintest::ReadBytes(*remote / "second.html"), wintest::AllByteValues());
}

TEST_F(InetTransferUpload, FailuresAreDescribedWithTheServersReply) {
    const struct {
        const char* what;
        bool wrongPassword;
        std::string remoteName;
        const char* reply;
    } cases[] = {
        {"wrong password", true, "page.html", "530"},
        {"missing remote folder", false, "missing/page.html", "550"},
    };
    int expectedCalls = 0;
    for (const auto& c : cases) {
        Configure(c.wrongPassword ? server->password + "-wrong" : server->password);
        ASSERT_EQ(transfer->Execute(Put(c.remoteName)), std::nullopt) << c.what;
        ASSERT_TRUE(WaitForCompletions(++expectedCalls)) << c.what;
        ASSERT_TRUE(outcomes.failure.has_value()) << c.what;
        EXPECT_NE(outcomes.failure->find(c.reply), std::string::npos)
            << c.what << ": " << *outcomes.failure;
        EXPECT_EQ(outcomes.failure->find_first_of("\r\n"), std::string::npos) << c.what;
    }
}

// The page is read when the transfer is asked for, so a file that cannot be read is refused
// at once, with the system's description, and nothing runs in the background.
TEST_F(InetTransferUpload, AMissingLocalFileIsRefusedAtOnce) {
    const std::string operation = "PUT " + (local / "gone.html") + " /" + remote->Name() + "/x";
    const auto refused = transfer->Execute(operation);
    ASSERT_TRUE(refused.has_value());
    EXPECT_FALSE(refused->empty());
    EXPECT_FALSE(transfer->StillExecuting());
    wintest::PumpPending();
    EXPECT_EQ(outcomes.calls, 0);
}

TEST_F(InetTransferUpload, DestroyingTheComponentWaitsForItsTransfer) {
    ASSERT_EQ(transfer->Execute(Put("late.html")), std::nullopt);
    transfer.reset();
    EXPECT_EQ(wintest::ReadBytes(*remote / "late.html"), wintest::AllByteValues());
    wintest::PumpPending();
    EXPECT_EQ(outcomes.calls, 0) << "no completion after the component is gone";
}

// Over FTPS the log-in is kept for the pages that follow. A host that ends the idle connection,
// or drops it in the middle of a file, costs no page and shows no failure; a refusal shown is
// the fresh connection's. New values, Run going off and the idle limit each end it with QUIT.
TEST_F(InetTransferUpload, FtpsKeepsOneLogInForManyPagesAndLosesNoneWhenItIsDropped) {
    const auto control = qeltest::FtpServerControl::FromEnvironment();
    auto log = wintest::FtpCommandLog::FromEnvironment();
    const auto tlsHost = wintest::EnvVar("PELLUCOR_FTP_TLS_HOST");
    if (!control || !log || !tlsHost) {
        GTEST_SKIP() << "no FTPS server given (PELLUCOR_FTP_TLS_HOST)";
    }
    ASSERT_TRUE(wintest::TrustTestRoot());
    MakeTransfer(120s, 4s);
    transfer->SetURL("ftps://" + *tlsHost);
    int calls = 0;
    const auto upload = [&](const std::string& content, const std::string& name = "kept.html") {
        EXPECT_TRUE(wintest::WriteBytes(localFile, content));
        EXPECT_EQ(transfer->Execute(Put(name)), std::nullopt);
        EXPECT_TRUE(WaitForCompletions(++calls));
        EXPECT_EQ(wintest::ReadBytes(*remote / name).value_or("none") == content,
                  !outcomes.failure);
    };
    const auto lines = [&](const std::string& command) {
        return wintest::Occurrences("\n" + log->SinceMark(), "\n" + command);
    };
    for (int page = 0; page < 20; ++page) {
        upload("page " + std::to_string(page));
    }
    EXPECT_EQ(lines("USER "), 1u);
    EXPECT_EQ(lines("STOR "), 20u);
    ASSERT_TRUE(control->Command("DROP"));  // the host's idle limit, as it ends the session
    upload("after the host's idle limit");
    ASSERT_TRUE(control->Command("DROP-IN-STOR on"));
    upload(std::string(400 * 1024, 'L'));
    control->Command("DROP-IN-STOR off");
    EXPECT_EQ(outcomes.failure, std::nullopt);
    upload("refused", "missing/page.html");
    EXPECT_NE(outcomes.failure.value_or("").find("(550 "), std::string::npos);
    upload("kept again");
    EXPECT_EQ(lines("USER "), 5u);
    EXPECT_EQ(lines("QUIT"), 0u);

    // Another account: the old connection says goodbye, a new one logs in.
    transfer->SetUserName(server->user + "file");
    transfer->SetPassword("file");
    upload("another account");
    EXPECT_TRUE(wintest::PumpUntil([&] { return lines("QUIT") == 1; }, 10s));
    transfer->EndKeptConnection();
    EXPECT_TRUE(wintest::PumpUntil([&] { return lines("QUIT") == 2; }, 10s));
    upload("after Run went off");
    EXPECT_TRUE(wintest::PumpUntil([&] { return lines("QUIT") == 3; }, 20s)) << "idle limit";
    EXPECT_EQ(lines("USER " + server->user + "file"), 2u);
}
}  // namespace
