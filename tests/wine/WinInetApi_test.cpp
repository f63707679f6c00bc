// Tests of the four WinINet calls of the upload by session against the harness's FTP server
// (skipped when PELLUCOR_FTP_USER, PELLUCOR_FTP_PASSWORD and PELLUCOR_FTP_ROOT are not set).
#include "WinInetApi.h"

#include <gtest/gtest.h>

#include <memory>

#include "WinTestSupport.h"

namespace {

using Handle = qel::InternetApi::Handle;
constexpr int kFtpPort = qel::InternetApi::kDefaultFtpPort;

class WinInetApiTest : public ::testing::Test {
protected:
    void SetUp() override {
        server = wintest::FtpServerFromEnvironment();
        if (!server) {
            GTEST_SKIP() << "no FTP server given (PELLUCOR_FTP_USER/PASSWORD/ROOT)";
        }
        remote = std::make_unique<wintest::ScratchFolder>(server->root);
        session = api.Open("Qel");
        ASSERT_NE(session, 0u) << api.LastError();
        ASSERT_TRUE(wintest::WriteBytes(local / "page.html", wintest::AllByteValues()));
    }

    void TearDown() override {
        if (session != 0) {
            api.CloseHandle(session);
        }
    }

    Handle Connect(const std::string& password, bool passive) {
        return api.ConnectFtp(session, server->host, kFtpPort, server->user, password, passive);
    }

    std::string RemotePath(const std::string& name) const {
        return "/" + remote->Name() + "/" + name;
    }

    qel::WinInetApi api;
    std::optional<wintest::FtpTestServer> server;
    std::unique_ptr<wintest::ScratchFolder> remote;  // inside the served folder
    wintest::ScratchFolder local;
    Handle session = 0;
};

TEST_F(WinInetApiTest, OneSessionCarriesUploadsInActiveAndPassiveMode) {
    auto log = wintest::FtpCommandLog::FromEnvironment();
    for (bool passive : {false, true}) {
        const std::string name = passive ? "passive.html" : "active.html";
        if (log) {
            log->Mark();
        }
        const Handle connection = Connect(server->password, passive);
        ASSERT_NE(connection, 0u) << "mode " << name << ", error " << api.LastError();
        EXPECT_TRUE(api.PutFile(connection, local / "page.html", RemotePath(name), true))
            << api.LastError();
        EXPECT_EQ(api.LastError(), 0u);
        api.CloseHandle(connection);
        EXPECT_EQ(api.LastError(), 0u);
        EXPECT_EQ(wintest::ReadBytes(*remote / name), wintest::AllByteValues()) << name;
        if (log) {
            // The passive flag decides who opens the data connection; the transfer is binary.
            EXPECT_EQ(log->Received("PASV") || log->Received("EPSV"), passive) << name;
            EXPECT_EQ(log->Received("PORT") || log->Received("EPRT"), !passive) << name;
            EXPECT_TRUE(log->Received("TYPE I")) << log->SinceMark();
        }
    }
}

TEST_F(WinInetApiTest, AWrongPasswordGivesNoConnection) {
    EXPECT_EQ(Connect(server->password + "-wrong", false), 0u);
    EXPECT_NE(api.LastError(), 0u);
}

TEST_F(WinInetApiTest, APutIntoAMissingFolderFails) {
    const Handle connection = Connect(server->password, false);
    ASSERT_NE(connection, 0u) << api.LastError();
    EXPECT_FALSE(
        api.PutFile(connection, local / "page.html", RemotePath("missing/page.html"), true));
    EXPECT_NE(api.LastError(), 0u);
    api.CloseHandle(connection);
}

}  // namespace
