// Uploads over explicit FTPS, through Winsock and the system's TLS, against the harness's FTPS
// server (skipped without one): the file arrives byte for byte with TLS set up before the
// log-in; a server without TLS and a certificate for another host name both end the upload
// before the user name is sent.
#include "FtpsPut.h"

#include <gtest/gtest.h>

#include <memory>

#include "FtpServerControl.h"
#include "TrustedTestRoot.h"
#include "WinTestSupport.h"

namespace {

using qel::FtpPutRequest;
using qel::PutFileByFtps;

class FtpsUpload : public ::testing::Test {
protected:
    void SetUp() override {
        ftp_ = qeltest::FtpServerControl::FromEnvironment();
        tlsHost_ = wintest::EnvVar("PELLUCOR_FTP_TLS_HOST");
        otherHost_ = wintest::EnvVar("PELLUCOR_FTP_TLS_OTHER_HOST");
        log_ = wintest::FtpCommandLog::FromEnvironment();
        if (!ftp_ || !tlsHost_ || !otherHost_ || !log_) {
            GTEST_SKIP() << "no FTPS server given (PELLUCOR_FTP_TLS_HOST/OTHER_HOST)";
        }
        ASSERT_TRUE(wintest::TrustTestRoot());
        remote_ = std::make_unique<wintest::ScratchFolder>(ftp_->Server().root);
    }

    FtpPutRequest Request(const std::string& host) const {
        return {.host = host,
                .userName = ftp_->Server().user,
                .password = ftp_->Server().password,
                .content = wintest::AllByteValues(),
                .remotePath = "/" + remote_->Name() + "/page.html"};
    }

    std::optional<std::string> Stored() const { return wintest::ReadBytes(*remote_ / "page.html"); }

    std::optional<qeltest::FtpServerControl> ftp_;
    std::optional<std::string> tlsHost_, otherHost_;
    std::optional<wintest::FtpCommandLog> log_;
    std::unique_ptr<wintest::ScratchFolder> remote_;  // inside the served folder
};

TEST_F(FtpsUpload, StoresTheFileByteForByteWithTlsBeforeTheLogIn) {
    EXPECT_EQ(PutFileByFtps(Request(*tlsHost_)), std::nullopt);
    EXPECT_EQ(Stored(), wintest::AllByteValues());
    const std::string commands = "\n" + log_->SinceMark();
    EXPECT_LT(commands.find("\nAUTH TLS"), commands.find("\nUSER "));
    EXPECT_LT(commands.find("\nPROT P"), commands.find("\nSTOR "));
}

TEST_F(FtpsUpload, NeverSendsTheLogInWithoutTlsToTheRightHost) {
    const auto plain = PutFileByFtps(Request(ftp_->Server().host));
    ASSERT_TRUE(plain.has_value());
    EXPECT_EQ(plain->rfind("The FTP host does not offer TLS (FTPS)", 0), 0u) << *plain;
    const auto otherName = PutFileByFtps(Request(*otherHost_));
    ASSERT_TRUE(otherName.has_value());
    EXPECT_EQ(otherName->rfind("The FTP host's certificate was refused: ", 0), 0u) << *otherName;
    EXPECT_TRUE(log_->Received("AUTH TLS"));
    EXPECT_FALSE(log_->Received("USER")) << log_->SinceMark();
    EXPECT_EQ(Stored(), std::nullopt);
}

// Whether the system's TLS can resume the session or not, a host that insists on it gets the
// file or a clear refusal, never a hang.
TEST_F(FtpsUpload, AHostThatWantsTheSessionResumedGetsTheFileOrSaysWhy) {
    ASSERT_TRUE(ftp_->Command("REQUIRE-RESUME on"));
    const auto outcome = PutFileByFtps(Request(*tlsHost_));
    ftp_->Command("REQUIRE-RESUME off");
    if (outcome) {
        EXPECT_NE(outcome->find("(522 "), std::string::npos) << *outcome;
        EXPECT_NE(outcome->find("resume the TLS session"), std::string::npos) << *outcome;
    } else {
        EXPECT_EQ(Stored(), wintest::AllByteValues());
    }
}

}  // namespace
