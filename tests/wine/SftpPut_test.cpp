// Uploads over SFTP against the harness's OpenSSH server and its Paramiko server (skipped
// without them): a host is trusted only once its key is in known_hosts, and then gets the page
// whole, by password or by keyboard-interactive log-in, with or without posix-rename or the
// right to set permissions, also a host with only Ed25519 and Curve25519; a changed key, a key of
// another type, a wrong password and a keys-only host without a key are each refused with what the
// user must know, and nothing is stored; every wait ends by the deadline with all the library's
// memory freed.
#include "SftpPut.h"

#include <gtest/gtest.h>
#include <openssl/crypto.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <cstdlib>
#include <thread>
#include <tuple>
#include <vector>

#include "DevicePort.h"
#include "FtpServerControl.h"
#include "KnownHostsFile.h"
#include "PathText.h"
#include "Polling.h"
#include "QelProcess.h"
#include "SshSession.h"
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

    // `host` is the host, or the name of the variable that gives it.
    std::optional<std::string> Put(const std::string& host, const std::string& content,
                                   const std::string& password = Env("PELLUCOR_SFTP_PASSWORD"),
                                   std::unique_ptr<qel::KeptConnection>* kept = nullptr) {
        const FtpPutRequest request{
            .host = host.starts_with("PELLUCOR_") ? Env(host.c_str()) : host,
            .userName = Env("PELLUCOR_SFTP_USER"),
            .password = password,
            .content = content,
            .remotePath = Env("PELLUCOR_SFTP_ROOT") + "/www/" + name_};
        return kept ? PutFileBySftp(request, knownHosts_, unknownKey_, rest_, notes_, *kept)
                    : PutFileBySftp(request, knownHosts_, unknownKey_, rest_, notes_);
    }

    // The host's key, met as unknown, then trusted as the user's Yes does.
    void Trust(const std::string& hostVariable) {
        const auto outcome = Put(hostVariable, "never stored");
        ASSERT_TRUE(unknownKey_.has_value()) << outcome.value_or("stored");
        EXPECT_EQ(outcome, qel::HostKeyQuestion::RefusalText(*unknownKey_));
        ASSERT_EQ(qel::AppendKnownHost(knownHosts_, unknownKey_->knownHostsLine), std::nullopt);
    }

    std::optional<std::string> Stored() const { return wintest::ReadBytes(StoredPath(name_)); }
    bool TemporaryLeft() const {
        return GetFileAttributesA(StoredPath("." + name_ + ".tmp").c_str()) !=
                   INVALID_FILE_ATTRIBUTES ||
               GetFileAttributesA(StoredPath("." + name_ + ".old").c_str()) !=
                   INVALID_FILE_ATTRIBUTES;
    }
    // How often `text` stands in the log the variable names, so far.
    static std::size_t Occurrences(const char* logVariable, const std::string& text) {
        return wintest::Occurrences(wintest::ReadBytes(Env(logVariable)).value_or(""), text);
    }
    // The log-in attempts the Paramiko server has seen so far.
    static std::size_t ParamikoLogIns() {
        return Occurrences("PELLUCOR_SFTP_PARAMIKO_LOG", "auth ");
    }

    std::optional<std::string> host_;
    wintest::ScratchFolder local_;
    std::string knownHosts_;
    std::string name_;
    std::optional<UnknownHostKey> unknownKey_;
    qel::PasswordRest rest_;
    std::vector<std::string> notes_;
};

TEST_F(SftpUpload, AnUnknownHostGetsNothingUntilTrustedThenThePageWhole) {
    EXPECT_TRUE(Put("PELLUCOR_SFTP_HOST", "first").has_value());
    ASSERT_TRUE(unknownKey_.has_value());
    const std::string line = unknownKey_->knownHostsLine;
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

    // A host that offers only keyboard-interactive log-in (PAM asking for the password), and
    // one that refuses to set a file's permissions.
    Trust("PELLUCOR_SFTP_KBDINT_HOST");
    EXPECT_EQ(Put("PELLUCOR_SFTP_KBDINT_HOST", "by PAM"), std::nullopt);
    EXPECT_EQ(Stored(), "by PAM");
    Trust("PELLUCOR_SFTP_NO_SETSTAT_HOST");
    EXPECT_EQ(Put("PELLUCOR_SFTP_NO_SETSTAT_HOST", "no chmod"), std::nullopt);
    EXPECT_EQ(Stored(), "no chmod");
    const auto file = wintest::ReadBytes(knownHosts_);
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(std::count(file->begin(), file->end(), '\n'), 3) << *file;

    // Known only by a hashed line of its RSA key, in a file an editor began with a byte order
    // mark: the RSA key is asked for, and matches.
    ASSERT_TRUE(wintest::WriteBytes(knownHosts_,
                                    "\xEF\xBB\xBF" + Env("PELLUCOR_SFTP_RSA_HASHED_LINE") + "\n"));
    EXPECT_EQ(Put("PELLUCOR_SFTP_HOST", "hashed"), std::nullopt);
    EXPECT_EQ(Stored(), "hashed");
    // A name trusted as typed, before names were lowered, still matches; a new one is lowered.
    const std::string typed = "[LocalHost]" + host_->substr(host_->find(':'));
    ASSERT_TRUE(wintest::WriteBytes(knownHosts_, typed + line.substr(line.find(' ')) + "\n"));
    EXPECT_EQ(Put(typed, "as typed"), std::nullopt);
    EXPECT_EQ(Stored(), "as typed");
}

// A server built on other code than OpenSSH's: no posix-rename, a plain rename that never
// replaces a file, only an ECDSA host key.
TEST_F(SftpUpload, AHostWithoutPosixRenameGetsEachPageWholeAndAKeyOfAnotherTypeIsRefused) {
    if (!wintest::EnvVar("PELLUCOR_SFTP_PARAMIKO_HOST")) {
        GTEST_SKIP() << "no Paramiko SFTP server in this session";
    }
    // Known by an RSA key, offering only ECDSA: refused like a changed key, asking nothing and
    // sending nothing, not even the user name; the same through a hashed line.
    const std::string name = "[127.0.0.1]" + Env("PELLUCOR_SFTP_PARAMIKO_HOST").substr(9);
    for (const std::string& rsaLine : {name + " " + Env("PELLUCOR_SFTP_OTHER_RSA_KEY"),
                                       Env("PELLUCOR_SFTP_PARAMIKO_OTHER_RSA_HASHED_LINE")}) {
        ASSERT_TRUE(wintest::WriteBytes(knownHosts_, rsaLine + "\n"));
        const std::size_t logIns = ParamikoLogIns();
        const auto refused = Put("PELLUCOR_SFTP_PARAMIKO_HOST", "x");
        EXPECT_EQ(refused.value_or("").rfind(qel::kSftpKeyChanged + name + " (it shows ECDSA 256 "),
                  0u)
            << refused.value_or("stored");
        EXPECT_NE(refused.value_or("").find("known_hosts holds its RSA key"), std::string::npos);
        EXPECT_EQ(unknownKey_, std::nullopt);
        EXPECT_EQ(ParamikoLogIns(), logIns);
    }

    DeleteFileA(knownHosts_.c_str());
    Trust("PELLUCOR_SFTP_PARAMIKO_HOST");
    EXPECT_EQ(unknownKey_->keyType, "ECDSA 256");
    for (const char* page : {"first", "second"}) {
        EXPECT_EQ(Put("PELLUCOR_SFTP_PARAMIKO_HOST", page), std::nullopt);
        EXPECT_EQ(Stored(), page);
        EXPECT_FALSE(TemporaryLeft());
    }

    // A refused password is not sent again for a while; another one is.
    const std::size_t logIns = ParamikoLogIns();
    const auto refused = Put("PELLUCOR_SFTP_PARAMIKO_HOST", "x", "wrong");
    ASSERT_EQ(
        refused.value_or("").rfind(std::string(qel::kSftpLoginRefused) + qel::kSftpNotSentUntil, 0),
        0u)
        << refused.value_or("stored");
    EXPECT_EQ(ParamikoLogIns(), logIns + 2);  // the empty "none" probe, then the password
    EXPECT_EQ(Put("PELLUCOR_SFTP_PARAMIKO_HOST", "x", "wrong"), refused);
    EXPECT_EQ(ParamikoLogIns(), logIns + 2);
    EXPECT_EQ(Put("PELLUCOR_SFTP_PARAMIKO_HOST", "third"), std::nullopt);
    EXPECT_EQ(Stored(), "third");
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

// Keys before the password, as OpenSSH's client offers them: the agent's (a stand-in for Pageant),
// then id_ed25519, id_ecdsa and id_rsa beside known_hosts, in a folder named outside the code
// page. Each type and format logs in where only keys are taken; the password box opens an
// encrypted key; a file that is no key or will not open is named and the next way tried.
TEST_F(SftpUpload, LogsInByAgentThenKeyFilesThenPassword) {
    const auto keys = wintest::EnvVar("PELLUCOR_SFTP_USER_KEYS");
    if (!keys) {
        GTEST_SKIP() << "no user keys in this session";
    }
    const std::string folder = local_ / "\xD0\x9A\xD0\xBB\xD1\x8E\xD1\x87\\";  // Ключ
    CreateDirectoryW(pellucor::Wide(folder).c_str(), nullptr);
    knownHosts_ = folder + "known_hosts";
    const auto place = [&](const char* name, const char* source) {
        DeleteFileW(pellucor::Wide(folder + name).c_str());
        if (source != nullptr) {
            ASSERT_TRUE(wintest::WriteBytes(
                folder + name, wintest::ReadBytes(*keys + "\\" + source).value_or("")));
        }
    };
    const auto accepted = [](const char* how) {
        const std::string log = wintest::ReadBytes(Env("PELLUCOR_SFTP_SSHD_LOG")).value_or("");
        return log
            .substr(log.rfind("Accepted ") + 9,
                    log.find('\n', log.rfind("Accepted ")) - log.rfind("Accepted ") - 9)
            .starts_with(how);
    };
    Trust("PELLUCOR_SFTP_KEYS_ONLY_HOST");
    Trust("PELLUCOR_SFTP_HOST");
    for (const auto& [name, source, how] : {std::tuple{"id_ed25519", "ed25519", "publickey"},
                                            {"id_ecdsa", "ecdsa", "publickey"},
                                            {"id_rsa", "rsa", "publickey"},
                                            {"id_ed25519", "ed25519_secret", "publickey"}}) {
        place(name, source);
        EXPECT_EQ(Put("PELLUCOR_SFTP_KEYS_ONLY_HOST", source), std::nullopt) << source;
        EXPECT_EQ(Stored(), source);
        EXPECT_TRUE(accepted(how)) << source;
        place(name, nullptr);
    }
    place("id_ed25519", "ed25519_secret");
    place("id_ecdsa", "ed25519.pub");
    EXPECT_EQ(Put("PELLUCOR_SFTP_KEYS_ONLY_HOST", "x", "wrong"),
              "id_ed25519: wrong passphrase; id_ecdsa: not a private key; " +
                  std::string(qel::kSftpKeysOnly));
    // A key the host does not know, then the password; a wrong one rests, the keys do not.
    place("id_ed25519", "ed25519_unknown");
    place("id_ecdsa", nullptr);
    EXPECT_EQ(Put("PELLUCOR_SFTP_HOST", "by password"), std::nullopt);
    EXPECT_TRUE(accepted("password"));
    const auto refused = Put("PELLUCOR_SFTP_HOST", "x", "wrong").value_or("");
    EXPECT_EQ(refused.rfind("The SSH host accepted none of: id_ed25519, password" +
                                std::string(qel::kSftpNotSentUntil),
                            0),
              0u)
        << refused;
    EXPECT_EQ(Put("PELLUCOR_SFTP_HOST", "x", "wrong")
                  .value_or("")
                  .rfind("The SSH host accepted none of: id_ed25519; " +
                             std::string(qel::kSftpLoginRefused) + qel::kSftpNotSentUntil,
                         0),
              0u);

    // The agent's key, tried first: the unknown key file is never offered.
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION agent{};
    std::string command =
        qeltest::FromUnixPath(STUB_PAGEANT_UNIX_PATH) + " " + *keys + "\\agent.pem";
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &agent));
    EXPECT_TRUE(qeltest::WaitUntil([] { return FindWindowA("Pageant", "Pageant"); }, 10000));
    EXPECT_EQ(Put("PELLUCOR_SFTP_KEYS_ONLY_HOST", "by agent"), std::nullopt);
    EXPECT_EQ(Stored(), "by agent");
    EXPECT_TRUE(accepted("publickey"));
    TerminateProcess(agent.hProcess, 0);
    WaitForSingleObject(agent.hProcess, 5000);
    CloseHandle(agent.hProcess);
    CloseHandle(agent.hThread);
    // Wine gives the files it makes an entry for everyone: warned of, once for all the uploads.
    EXPECT_EQ(std::count(notes_.begin(), notes_.end(),
                         "The key file id_ed25519 may be read by other users of this computer; a "
                         "private key should be readable by you alone"),
              1);
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
    EXPECT_EQ(Put("PELLUCOR_SFTP_HOST", "x", "wrong").value_or("").rfind(qel::kSftpLoginRefused, 0),
              0u);
    Trust("PELLUCOR_SFTP_KEYS_ONLY_HOST");
    EXPECT_EQ(Put("PELLUCOR_SFTP_KEYS_ONLY_HOST", "x"), std::string(qel::kSftpKeysOnly));
    const auto closed = Put("127.0.0.1:2231", "x");  // nothing listens there
    EXPECT_EQ(closed.value_or("").find("FTP"), std::string::npos) << closed.value_or("stored");
    EXPECT_EQ(Stored(), std::nullopt);
    EXPECT_FALSE(TemporaryLeft());
    EXPECT_EQ(wintest::ReadBytes(knownHosts_).value_or("").rfind("# kept\n", 0), 0u)
        << "lines already there stay";
}

// A host that takes the connection and never answers, one that goes silent after the log-in and
// a name whose four addresses never accept each hold the upload only until its moment to be
// given up, well before the usual 30 s limit of a wait, and leave no memory of the library's.
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
    EXPECT_EQ(PutFileBySftp(request, knownHosts_, unknownKey_, rest_, notes_),
              std::string(qel::kSftpTimedOut));
    ftp->Command("STALL off");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(qel::SshLibraryBytes(), 0);

    if (wintest::EnvVar("PELLUCOR_SFTP_PARAMIKO_HOST")) {
        // An upload that ends as usual leaves nothing counted, and neither may a stalled one.
        Trust("PELLUCOR_SFTP_PARAMIKO_HOST");
        EXPECT_EQ(qel::SshLibraryBytes(), 0);
        name_ = "stall-" + name_;  // the server falls silent when this file is opened
        const auto silentFrom = std::chrono::steady_clock::now();
        const auto deadline = silentFrom + std::chrono::seconds(3);
        const FtpPutRequest silent{.host = Env("PELLUCOR_SFTP_PARAMIKO_HOST"),
                                   .userName = Env("PELLUCOR_SFTP_USER"),
                                   .password = Env("PELLUCOR_SFTP_PASSWORD"),
                                   .content = "x",
                                   .remotePath = Env("PELLUCOR_SFTP_ROOT") + "/www/" + name_,
                                   .deadline = deadline};
        EXPECT_EQ(PutFileBySftp(silent, knownHosts_, unknownKey_, rest_, notes_),
                  std::string(qel::kSftpTimedOut));
        EXPECT_LT(std::chrono::steady_clock::now(), deadline + std::chrono::seconds(2));
        EXPECT_EQ(qel::SshLibraryBytes(), 0) << "bytes the library kept";
    }
    if (const auto name = wintest::EnvVar("PELLUCOR_SILENT_HOST")) {
        const auto from = std::chrono::steady_clock::now();
        const FtpPutRequest request{.host = *name,
                                    .userName = "u",
                                    .password = "p",
                                    .content = "x",
                                    .remotePath = "/x",
                                    .deadline = from + std::chrono::seconds(3)};
        EXPECT_EQ(PutFileBySftp(request, knownHosts_, unknownKey_, rest_, notes_),
                  std::string(qel::kSftpTimedOut));
        EXPECT_LT(std::chrono::steady_clock::now() - from, std::chrono::seconds(5));
    }
}

// One log-in carries page after page. A host that drops the session between two pages, or in
// the middle of one, costs no page: it goes whole over a fresh log-in at once.
TEST_F(SftpUpload, OneLogInCarriesManyPagesAndADroppedSessionCostsNone) {
    Trust("PELLUCOR_SFTP_HOST");
    Trust("PELLUCOR_SFTP_PARAMIKO_HOST");
    const auto logIns = [] { return Occurrences("PELLUCOR_SFTP_SSHD_LOG", "Accepted password"); };
    const std::size_t before = logIns();
    const std::string password = Env("PELLUCOR_SFTP_PASSWORD");
    std::unique_ptr<qel::KeptConnection> kept;
    for (int page = 0; page < 20; ++page) {
        const std::string content = "page " + std::to_string(page);
        ASSERT_EQ(Put("PELLUCOR_SFTP_HOST", content, password, &kept), std::nullopt) << page;
        EXPECT_EQ(Stored(), content);
    }
    EXPECT_EQ(logIns() - before, 1u);
    ASSERT_TRUE(qeltest::HarnessCommand("drop-ssh"));
    EXPECT_EQ(Put("PELLUCOR_SFTP_HOST", "after the drop", password, &kept), std::nullopt);
    EXPECT_EQ(Stored(), "after the drop");
    EXPECT_EQ(logIns() - before, 2u);
    kept->Goodbye(std::chrono::seconds(1));
    kept.reset();

    // The Paramiko server drops a session at its first write to a "dropwrite" name.
    const auto paramikoLogIns = [] {
        return Occurrences("PELLUCOR_SFTP_PARAMIKO_LOG", " accepted");
    };
    const std::size_t paramikoBefore = paramikoLogIns();
    ASSERT_EQ(Put("PELLUCOR_SFTP_PARAMIKO_HOST", "kept", password, &kept), std::nullopt);
    DeleteFileA(StoredPath(name_).c_str());
    name_ = "dropwrite-" + name_;
    const std::string large(300 * 1024, 'P');
    EXPECT_EQ(Put("PELLUCOR_SFTP_PARAMIKO_HOST", large, password, &kept), std::nullopt);
    EXPECT_TRUE(Stored() == large);
    EXPECT_FALSE(TemporaryLeft());
    EXPECT_EQ(paramikoLogIns() - paramikoBefore, 2u);
}

}  // namespace
