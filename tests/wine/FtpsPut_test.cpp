// Uploads over explicit FTPS, through Winsock and the system's TLS, against the harness's FTPS
// server (skipped without one): the file arrives byte for byte with TLS set up before the
// log-in, over EPSV or PASV; a server without TLS, a certificate for another host name and one
// from a root nobody trusts all end the upload before the user name is sent; a host that never
// answers is given up at the deadline. Against vsftpd too: pages over one kept log-in, and
// past the host's idle limit.
#include "FtpsPut.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "FtpServerControl.h"
#include "Polling.h"
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

    // Many TLS records, none alike, to a host that refuses EPSV: PASV, and every byte arrives.
    const auto noEpsvHost = wintest::EnvVar("PELLUCOR_FTP_TLS_NO_EPSV_HOST");
    ASSERT_TRUE(noEpsvHost);
    FtpPutRequest large = Request(*noEpsvHost);
    large.content.clear();
    for (unsigned value = 1; large.content.size() < 300 * 1024;
         value = value * 1103515245 + 12345) {
        large.content += static_cast<char>(value >> 23);
    }
    log_->Mark();
    EXPECT_EQ(PutFileByFtps(large), std::nullopt);
    EXPECT_TRUE(Stored() == large.content) << Stored().value_or("").size();
    EXPECT_TRUE(log_->Received("PASV")) << log_->SinceMark();
}

TEST_F(FtpsUpload, NeverSendsTheLogInWithoutTlsToTheRightHost) {
    const auto plain = PutFileByFtps(Request(ftp_->Server().host));
    ASSERT_TRUE(plain.has_value());
    EXPECT_EQ(plain->rfind("The FTP host does not offer TLS (FTPS)", 0), 0u) << *plain;
    const auto otherName = PutFileByFtps(Request(*otherHost_));
    ASSERT_TRUE(otherName.has_value());
    EXPECT_EQ(otherName->rfind("The FTP host's certificate was refused: ", 0), 0u) << *otherName;
    // A root nobody trusts, sent along or not (then the chain just ends at an unknown issuer).
    for (const char* variable :
         {"PELLUCOR_FTP_TLS_UNTRUSTED_HOST", "PELLUCOR_FTP_TLS_UNTRUSTED_CHAIN_HOST"}) {
        const auto untrusted = PutFileByFtps(Request(wintest::EnvVar(variable).value_or("")));
        EXPECT_EQ(untrusted,
                  "The FTP host's certificate was refused: The certificate does not chain to a "
                  "root this system trusts; user name and password were not sent")
            << variable;
    }
    // Nothing at all after the handshakes.
    EXPECT_EQ(log_->SinceMark(), "AUTH TLS\nAUTH TLS\nAUTH TLS\nAUTH TLS\n");
    EXPECT_EQ(Stored(), std::nullopt);
}

// A host that takes the connection and never answers holds the upload only until its deadline,
// not for the 30 s each single wait may last.
TEST_F(FtpsUpload, AHostThatNeverAnswersIsGivenUpAtTheDeadline) {
    ASSERT_TRUE(ftp_->Command("STALL on"));
    FtpPutRequest request = Request(wintest::EnvVar("PELLUCOR_FTP_STALL_HOST").value_or(""));
    const auto start = std::chrono::steady_clock::now();
    request.deadline = start + std::chrono::seconds(2);
    const auto outcome = PutFileByFtps(request);
    const auto took = std::chrono::steady_clock::now() - start;
    ftp_->Command("STALL off");
    EXPECT_TRUE(outcome.has_value());
    EXPECT_LT(took, std::chrono::seconds(10));
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

// vsftpd as hosts run it (the SFTP account, absolute paths, a TLS close ending every upload):
// page after page over one log-in; once it has ended the idle control connection its own way,
// the next page goes whole over a fresh log-in and no failure shows.
TEST_F(FtpsUpload, VsftpdTakesPagesOverOneLogInAndAfterItEndedTheIdleConnection) {
    const auto env = [](const char* name) { return wintest::EnvVar(name).value_or(""); };
    const std::string log = env("PELLUCOR_FTP_VSFTPD_LOG");
    if (log.empty()) {
        GTEST_SKIP() << "no vsftpd given (PELLUCOR_FTP_VSFTPD_HOST/LOG)";
    }
    const std::string name = "vsftpd-" + std::to_string(GetCurrentProcessId()) + ".html";
    const std::string stored = env("PELLUCOR_SFTP_WINDOWS_ROOT") + "\\www\\" + name;
    const auto count = [&](const char* text) {
        return wintest::Occurrences(wintest::ReadBytes(log).value_or(""), text);
    };
    const std::size_t logInsBefore = count("OK LOGIN"),
                      endsBefore = count("Control connection terminated");
    FtpPutRequest request{.host = env("PELLUCOR_FTP_VSFTPD_HOST"),
                          .userName = env("PELLUCOR_SFTP_USER"),
                          .password = env("PELLUCOR_SFTP_PASSWORD"),
                          .content = {},
                          .remotePath = env("PELLUCOR_SFTP_ROOT") + "/www/" + name};
    std::unique_ptr<qel::KeptConnection> kept;
    for (int page = 0; page < 5; ++page) {
        request.content = "page " + std::to_string(page) + wintest::AllByteValues();
        ASSERT_EQ(PutFileByFtps(request, kept), std::nullopt) << page;
        EXPECT_EQ(wintest::ReadBytes(stored), request.content);
    }
    EXPECT_EQ(count("OK LOGIN") - logInsBefore, 1u);
    // "Control connection terminated without SSL shutdown": its idle limit, its own way.
    ASSERT_TRUE(qeltest::WaitUntil(
        [&] { return count("Control connection terminated") > endsBefore; }, 30000));
    request.content.assign(300 * 1024, 'V');
    EXPECT_EQ(PutFileByFtps(request, kept), std::nullopt);
    EXPECT_TRUE(wintest::ReadBytes(stored) == request.content);
    EXPECT_EQ(count("OK LOGIN") - logInsBefore, 2u);
    DeleteFileA(stored.c_str());
}

}  // namespace
