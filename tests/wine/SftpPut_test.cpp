// Uploads over SFTP against the harness's OpenSSH server (skipped without one): a host is
// trusted only once its key is in known_hosts, and then gets the page whole, by password or by
// keyboard-interactive log-in, also a host with only Ed25519 and Curve25519; a changed key, a
// wrong password and a keys-only log-in are each refused with what the user must know, and
// nothing is stored.
#include "SftpPut.h"

#include <gtest/gtest.h>
#include <openssl/crypto.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "FtpServerControl.h"
#include "KnownHostsFile.h"
#include "WinTestSupport.h"

namespace {

using qel::FtpPutRequest;
using qel::PutFileBySftp;
using qel::UnknownHostKey;

// The cryptography's live blocks, seen through its allocation hooks.
std::atomic<long> cryptoBlocks{0};
void* CountedMalloc(std::size_t size, const char*, int) {
    void* block = std::malloc(size);
    cryptoBlocks += block != nullptr;
    return block;
}
void* CountedRealloc(void* block, std::size_t size, const char*, int) {
    void* moved = std::realloc(block, size);
    cryptoBlocks += block == nullptr && moved != nullptr;
    return moved;
}
void CountedFree(void* block, const char*, int) {
    cryptoBlocks -= block != nullptr;
    std::free(block);
}

class SftpUpload : public ::testing::Test {
protected:
    void SetUp() override {
        host_ = wintest::EnvVar("PELLUCOR_SFTP_HOST");
        if (!host_) {
            GTEST_SKIP() << "no SFTP server given (PELLUCOR_SFTP_HOST)";
        }
        knownHosts_ = local_ / "known_hosts";
        static int counter = 0;
        name_ = "page-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter) +
                ".html";
    }
    void TearDown() override { DeleteFileA(StoredPath(name_).c_str()); }

    static std::string Env(const char* name) { return wintest::EnvVar(name).value_or(""); }
    static std::string StoredPath(const std::string& name) {
        return Env("PELLUCOR_SFTP_WINDOWS_ROOT") + "\\www\\" + name;
    }

    std::optional<std::string> Put(const char* hostVariable, const std::string& content,
                                   const std::string& password = Env("PELLUCOR_SFTP_PASSWORD")) {
        const FtpPutRequest request{.host = Env(hostVariable),
                                    .userName = Env("PELLUCOR_SFTP_USER"),
                                    .password = password,
                                    .content = content,
                                    .remotePath = Env("PELLUCOR_SFTP_ROOT") + "/www/" + name_};
        return PutFileBySftp(request, knownHosts_, unknownKey_);
    }

    // The host's key, met as unknown, then trusted as the user's Yes does.
    void Trust(const char* hostVariable) {
        const auto outcome = Put(hostVariable, "never stored");
        ASSERT_TRUE(unknownKey_.has_value()) << outcome.value_or("stored");
        EXPECT_EQ(outcome, qel::HostKeyQuestion::RefusalText(*unknownKey_));
        ASSERT_EQ(qel::AppendKnownHost(knownHosts_, unknownKey_->knownHostsLine), std::nullopt);
    }

    std::optional<std::string> Stored() const { return wintest::ReadBytes(StoredPath(name_)); }
    bool TemporaryLeft() const {
        return GetFileAttributesA(StoredPath("." + name_ + ".tmp").c_str()) !=
               INVALID_FILE_ATTRIBUTES;
    }

    std::optional<std::string> host_;
    wintest::ScratchFolder local_;
    std::string knownHosts_;
    std::string name_;
    std::optional<UnknownHostKey> unknownKey_;
};

TEST_F(SftpUpload, AnUnknownHostGetsNothingUntilTrustedThenThePageWhole) {
    EXPECT_TRUE(Put("PELLUCOR_SFTP_HOST", "first").has_value());
    ASSERT_TRUE(unknownKey_.has_value());
    const std::size_t colon = host_->find(':');
    EXPECT_EQ(unknownKey_->host, "[" + host_->substr(0, colon) + "]" + host_->substr(colon))
        << "the host's name as OpenSSH keeps it off port 22";
    EXPECT_NE(Env("PELLUCOR_SFTP_HOST_FINGERPRINTS").find(unknownKey_->fingerprint + " "),
              std::string::npos)
        << unknownKey_->fingerprint << " is not as ssh-keygen shows the host's key";
    EXPECT_EQ(unknownKey_->knownHostsLine.rfind(unknownKey_->host + " ", 0), 0u);
    EXPECT_EQ(Stored(), std::nullopt);

    ASSERT_EQ(qel::AppendKnownHost(knownHosts_, unknownKey_->knownHostsLine), std::nullopt);
    EXPECT_EQ(Put("PELLUCOR_SFTP_HOST", wintest::AllByteValues()), std::nullopt);
    EXPECT_EQ(unknownKey_, std::nullopt);
    EXPECT_EQ(Stored(), wintest::AllByteValues());
    EXPECT_EQ(Put("PELLUCOR_SFTP_HOST", "replaced"), std::nullopt);
    EXPECT_EQ(Stored(), "replaced");
    EXPECT_FALSE(TemporaryLeft());

    // A host that offers only keyboard-interactive log-in (PAM asking for the password).
    Trust("PELLUCOR_SFTP_KBDINT_HOST");
    EXPECT_EQ(Put("PELLUCOR_SFTP_KBDINT_HOST", "by PAM"), std::nullopt);
    EXPECT_EQ(Stored(), "by PAM");
    const auto file = wintest::ReadBytes(knownHosts_);
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(std::count(file->begin(), file->end(), '\n'), 2) << *file;
}

// A host with only an Ed25519 key and only the Curve25519 key exchange. Each upload runs on a
// thread of its own, as in Qel, and leaves none of the cryptography's state behind.
TEST_F(SftpUpload, AnEd25519AndCurve25519OnlyHostGetsThePageAndThreadsLeaveNoCryptoState) {
    // Only before the cryptography's first allocation in this process (each case runs alone).
    const bool counting = CRYPTO_set_mem_functions(CountedMalloc, CountedRealloc, CountedFree);
    Trust("PELLUCOR_SFTP_ED25519_HOST");
    ASSERT_TRUE(unknownKey_.has_value());
    EXPECT_NE(unknownKey_->knownHostsLine.find(" ssh-ed25519 "), std::string::npos);
    EXPECT_NE(Env("PELLUCOR_SFTP_HOST_FINGERPRINTS").find(unknownKey_->fingerprint + " "),
              std::string::npos)
        << unknownKey_->fingerprint;
    std::vector<long> live;
    for (int i = 0; i < 3; ++i) {
        const std::string page = "page " + std::to_string(i);
        std::optional<std::string> outcome = "not run";
        std::thread([&] { outcome = Put("PELLUCOR_SFTP_ED25519_HOST", page); }).join();
        EXPECT_EQ(outcome, std::nullopt);
        EXPECT_EQ(Stored(), page);
        live.push_back(cryptoBlocks.load());
    }
    EXPECT_FALSE(TemporaryLeft());
    if (counting) {
        EXPECT_EQ(live[1], live[0]) << "blocks left by the second upload's thread";
        EXPECT_EQ(live[2], live[0]) << "blocks left by the third upload's thread";
    } else {
        ADD_FAILURE() << "the cryptography allocated before the test began: run this case alone";
    }
}

TEST_F(SftpUpload, RefusesAChangedKeyAWrongPasswordAndAKeysOnlyHost) {
    // The key the host shows now is not the one trusted for its name.
    EXPECT_TRUE(Put("PELLUCOR_SFTP_HOST", "x").has_value());
    ASSERT_TRUE(unknownKey_.has_value());
    const std::string line = unknownKey_->knownHostsLine;
    const std::string fingerprint = unknownKey_->fingerprint;
    const bool rsa = line.find(" ssh-rsa ") != std::string::npos;
    ASSERT_TRUE(wintest::WriteBytes(
        knownHosts_,
        "# kept\n" + unknownKey_->host + " " +
            Env(rsa ? "PELLUCOR_SFTP_OTHER_RSA_KEY" : "PELLUCOR_SFTP_OTHER_ECDSA_KEY") + "\n"));
    const auto changed = Put("PELLUCOR_SFTP_HOST", "x");
    ASSERT_TRUE(changed.has_value());
    EXPECT_EQ(changed->rfind(qel::kSftpKeyChanged, 0), 0u) << *changed;
    EXPECT_NE(changed->find(fingerprint), std::string::npos) << *changed;

    ASSERT_EQ(qel::AppendKnownHost(knownHosts_, line), std::nullopt);
    EXPECT_EQ(Put("PELLUCOR_SFTP_HOST", "x", "wrong"), std::string(qel::kSftpLoginRefused));
    Trust("PELLUCOR_SFTP_KEYS_ONLY_HOST");
    EXPECT_EQ(Put("PELLUCOR_SFTP_KEYS_ONLY_HOST", "x"), std::string(qel::kSftpKeysOnly));
    EXPECT_EQ(Stored(), std::nullopt);
    EXPECT_FALSE(TemporaryLeft());
    EXPECT_EQ(wintest::ReadBytes(knownHosts_).value_or("").rfind("# kept\n", 0), 0u)
        << "lines already there stay";
}

// A host that takes the connection and never answers holds the upload only until its moment
// to be given up, well before the usual 30 s limit of a wait.
TEST_F(SftpUpload, AHostThatNeverAnswersIsGivenUpAtTheDeadline) {
    auto ftp = qeltest::FtpServerControl::FromEnvironment();
    const auto stallHost = wintest::EnvVar("PELLUCOR_FTP_STALL_HOST");
    if (!ftp || !stallHost) {
        GTEST_SKIP() << "no stalling server in this session";
    }
    ASSERT_TRUE(ftp->Command("STALL on"));
    const auto start = std::chrono::steady_clock::now();
    const FtpPutRequest request{.host = *stallHost + ":21",
                                .userName = "u",
                                .password = "p",
                                .content = "x",
                                .remotePath = "/x",
                                .deadline = start + std::chrono::seconds(2)};
    EXPECT_EQ(PutFileBySftp(request, knownHosts_, unknownKey_), std::string(qel::kSftpTimedOut));
    ftp->Command("STALL off");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
