// What the device writes arrives as the page on a real FTP server, by either upload method;
// failures are reported, kept in the status history, and the next block still goes out;
// settings and profile survive a restart, and "/run" switches Run on without a click; a user
// whose folders have letters outside the code page keeps all of it in their own folders.
#include <gtest/gtest.h>

#include <windows.h>

#include "DevicePort.h"
#include "FtpServerControl.h"
#include "HostProfile.h"
#include "MainFormLayout.h"
#include "PageBuilder.h"
#include "Polling.h"
#include "QelProcess.h"
#include "TrustedTestRoot.h"
#include "UserFolders.h"
#include "Win32FileSystem.h"
#include "WindowDriver.h"

namespace {

using namespace qel::layout;
using qeltest::DevicePort;
using qeltest::QelProcess;

constexpr int kPort = 3;
constexpr char kPage[] = "index.html";

struct Profile {
    std::string user, url, password, folder;
};

class Uploads : public ::testing::Test {
protected:
    void SetUp() override {
        ftp_ = qeltest::FtpServerControl::FromEnvironment();
        if (!ftp_ || !DevicePort::LinkedPortsAvailable()) {
            GTEST_SKIP() << "no FTP server or linked COM ports in this session";
        }
        // Each test uploads into a folder of its own on the server.
        folder_ = ftp_->MakeTestFolder();
        DeleteFileA(RemotePage().c_str());
        ASSERT_TRUE(ftp_->Command("UP"));
    }
    void TearDown() override {
        if (ftp_) {
            ftp_->Command("UP");
        }
    }

    Profile GoodProfile() const {
        return {ftp_->Server().user, ftp_->Server().host, ftp_->Server().password,
                "/" + folder_ + "/"};
    }

    // Settings naming the profile "home", and the profile itself, saved as Qel saves them.
    void Configure(int ftpMethod, const Profile& profile) {
        wintest::FtpTestServer account = ftp_->Server();
        account.user = profile.user;
        account.password = profile.password;
        // Straight into the user's settings folder: a test may configure Qel more than once.
        ASSERT_TRUE(qeltest::WriteHomeProfile(qeltest::QelProcess::SettingsFolder(), ftpMethod,
                                              kPage, account, profile.url, profile.folder));
    }

    void StartRunning() {
        ASSERT_TRUE(qel_.Start());
        qel_.SetText(IDC_txtPort, " " + std::to_string(kPort));
        qel_.Click(IDC_ckkRun);
    }

    std::string RemotePage() const { return ftp_->Server().root + folder_ + "\\" + kPage; }

    bool WaitForRemotePage(const std::string& body) {
        const std::string expected = qel::PageFileBytes(qel::BuildPageText("Lab", "10", body));
        return qeltest::WaitUntil(
            [&] { return wintest::ReadBytes(RemotePage()).value_or("") == expected; }, 15000);
    }

    bool WaitForStatusStart(const std::string& start) {
        return qeltest::WaitUntil([&] { return qel_.Text(IDC_lblStatus).rfind(start, 0) == 0; },
                                  15000);
    }

    // Five blocks, each published on the host before the next is sent.
    static void SendPages(DevicePort& port, const std::string& remote, int count) {
        for (int page = 1; page <= count; ++page) {
            const std::string body = "page " + std::to_string(page);
            ASSERT_TRUE(port.Send(body + "@@@@"));
            const std::string expected = qel::PageFileBytes(qel::BuildPageText("Lab", "10", body));
            ASSERT_TRUE(qeltest::WaitUntil(
                [&] { return wintest::ReadBytes(remote).value_or("") == expected; }, 15000))
                << body;
        }
    }

    std::optional<qeltest::FtpServerControl> ftp_;
    std::string folder_;
    QelProcess qel_;
    DevicePort device_{kPort};
};

TEST_F(Uploads, WinInetSessionUploadsEachBlockInActiveMode) {
    Configure(1, GoodProfile());
    auto log = wintest::FtpCommandLog::FromEnvironment();
    ASSERT_TRUE(log);
    StartRunning();
    ASSERT_TRUE(device_.Send("line1\r\nline2@@@@"));
    ASSERT_TRUE(WaitForRemotePage("line1<br>\r\nline2"));
    EXPECT_TRUE(WaitForStatusStart("Transfer Complete "));
    ASSERT_TRUE(device_.Send("second@@@@"));
    EXPECT_TRUE(WaitForRemotePage("second"));
    EXPECT_TRUE(log->Received("PORT"));
    EXPECT_FALSE(log->Received("PASV"));
    EXPECT_TRUE(log->Received("TYPE I"));
}

TEST_F(Uploads, TransferComponentUploadsEachBlock) {
    Configure(2, GoodProfile());
    StartRunning();
    ASSERT_TRUE(device_.Send("line1\r\nline2@@@@"));
    ASSERT_TRUE(WaitForRemotePage("line1<br>\r\nline2"));
    EXPECT_TRUE(WaitForStatusStart("Transfer Complete "));
    ASSERT_TRUE(device_.Send("second@@@@"));
    EXPECT_TRUE(WaitForRemotePage("second"));
}

// Method 3: the page over FTPS, with TLS before the log-in and on the data, by PASV where the
// host refuses EPSV; a host without TLS, and one whose certificate comes from a root this
// system does not trust, are refused in red before the user name is sent.
TEST_F(Uploads, FtpsMethodPublishesOnlyOverTls) {
    const auto tlsHost = wintest::EnvVar("PELLUCOR_FTP_TLS_NO_EPSV_HOST");
    const auto untrustedHost = wintest::EnvVar("PELLUCOR_FTP_TLS_UNTRUSTED_HOST");
    auto log = wintest::FtpCommandLog::FromEnvironment();
    if (!tlsHost || !untrustedHost || !log) {
        GTEST_SKIP() << "no FTPS server in this session";
    }
    ASSERT_TRUE(wintest::TrustTestRoot());
    Profile profile = GoodProfile();
    profile.url = *tlsHost;
    Configure(3, profile);
    {
        DevicePort highestPort(7);  // where /run finds the device
        ASSERT_TRUE(highestPort.Opened());
        ASSERT_TRUE(qel_.Start("/run"));
        SendPages(highestPort, RemotePage(), 5);
    }
    EXPECT_TRUE(WaitForStatusStart("Transfer Complete "));
    const std::string commands = "\n" + log->SinceMark();
    EXPECT_LT(commands.find("\nAUTH TLS"), commands.find("\nUSER "));
    EXPECT_LT(commands.find("\nPROT P"), commands.find("\nSTOR "));
    EXPECT_LT(commands.find("\nEPSV"), commands.find("\nPASV"));
    EXPECT_EQ(wintest::Occurrences(commands, "\nUSER "), 1u) << "five pages, one log-in";
    EXPECT_EQ(wintest::Occurrences(commands, "\nSTOR "), 5u);
    qel_.Click(IDC_ckkRun);  // Run off: the kept connection says goodbye
    EXPECT_TRUE(qeltest::WaitUntil([&] { return log->Received("QUIT"); }, 10000));
    qel_.Menu(IDM_mnuExit);
    ASSERT_TRUE(qel_.WaitForExit(10000));
    EXPECT_NE(qel_.ReadSetting("Leq.ini").find("\r\n 3 \r\n"), std::string::npos);

    for (const std::string& host : {ftp_->Server().host, *untrustedHost}) {
        profile.url = host;  // the plain server answers AUTH TLS with 500
        Configure(3, profile);
        log->Mark();
        StartRunning();
        ASSERT_TRUE(device_.Send("not in clear@@@@"));
        const char* refusal = host == *untrustedHost ? "does not chain to a root this system trusts"
                                                     : "does not offer TLS";
        EXPECT_TRUE(qel_.WaitForTextContaining(IDC_lblStatus, refusal, 15000))
            << qel_.Text(IDC_lblStatus);
        EXPECT_EQ(log->SinceMark(), "AUTH TLS\n");
        qel_.Menu(IDM_mnuExit);
        ASSERT_TRUE(qel_.WaitForExit(10000));
    }
}

// The system's code page (1252) has neither "Ł" nor "Ж": the user's folders and the one Qel
// was unpacked into are named with both. The settings beside Qel are carried over into the
// user's folder, the page is written there and uploaded, a page name typed as ANSI text names
// its file in the user's letters, and the status history and the settings saved at exit go
// there as well, their contents ANSI; nothing lands in the folders the user had before.
TEST_F(Uploads, AUserNamedInAnyLettersKeepsEverythingInTheirOwnFolders) {
    ASSERT_EQ(GetACP(), 1252u);
    const std::string before = qeltest::AppDataFile("");
    const auto earlierPage = wintest::ReadBytes(before + kPage);
    const auto earlierLog = wintest::ReadBytes(before + "Pellucor\\Qel.log");
    wintest::ScratchFolder user;
    const std::string appData =
        user.Path() + qeltest::kNameOutsideAnyCodePage + "\\AppData\\Roaming\\";
    qeltest::RedirectedUserFolder redirect("AppData", appData);
    ASSERT_EQ(QelProcess::SettingsFolder(), appData + "Pellucor\\");
    QelProcess qel({}, qeltest::kNameOutsideAnyCodePage);
    ASSERT_TRUE(qeltest::WriteHomeProfile(qel.Folder(), 1, kPage, ftp_->Server(),
                                          ftp_->Server().host, "/" + folder_ + "/"));
    ASSERT_TRUE(qel.Start());
    EXPECT_TRUE(qel.HasSetting("home.uci"));
    EXPECT_EQ(qel.Text(IDC_lblStatus), "");  // the carried-over profile is loaded, complete
    qel.SetText(IDC_txtPort, " " + std::to_string(kPort));
    qel.Click(IDC_ckkRun);
    ASSERT_TRUE(device_.Send("Zhukov's tank@@@@"));
    EXPECT_TRUE(WaitForRemotePage("Zhukov's tank"));
    // The upload holds the page until it is complete.
    EXPECT_TRUE(qel.WaitForTextContaining(IDC_lblStatus, "Transfer Complete "));
    EXPECT_EQ(wintest::ReadBytes(appData + kPage), wintest::ReadBytes(RemotePage()));
    qel.SetText(IDC_txtFileName, "caf\xE9.html");
    ASSERT_TRUE(device_.Send("second@@@@"));
    EXPECT_TRUE(qeltest::WaitUntil(
        [&] { return wintest::ReadBytes(appData + "café.html").has_value(); }, 10000));
    qel.Menu(IDM_mnuExit);
    ASSERT_TRUE(qel.WaitForExit(10000));
    EXPECT_EQ(qel.ReadSetting("Leq.ini"), "home\r\ncaf\xE9.html\r\nLab\r\n10\r\n 1 \r\n 0 \r\n");
    const std::string log = qel.ReadSetting("Qel.log");
    EXPECT_NE(log.find(" Qel 1.2 started\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.substr(log.size() - 12), " Qel ended\r\n") << log;

    EXPECT_EQ(wintest::ReadBytes(before + kPage), earlierPage);
    EXPECT_EQ(wintest::ReadBytes(before + "Pellucor\\Qel.log"), earlierLog);
    EXPECT_FALSE(wintest::ReadBytes(before + "café.html"));
    EXPECT_FALSE(qel.HasFile(kPage));
    EXPECT_EQ(qel.ReadFile("Leq.ini").find("caf"), std::string::npos);
}

// Method 4, against OpenSSH and against a server without posix-rename (Paramiko): under /run a
// host whose key is not known gets nothing and a red line naming the key, in the history too;
// with Run switched on by hand the key is asked about, with its type and size, and after Yes it
// is kept in known_hosts and each page arrives whole, with no hidden file left beside it.
class SftpUploads : public Uploads, public ::testing::WithParamInterface<const char*> {};

TEST_P(SftpUploads, SftpMethodPublishesOnlyToAHostWhoseKeyTheUserAccepted) {
    const auto host = wintest::EnvVar(GetParam());
    if (!host) {
        GTEST_SKIP() << "no such SFTP server in this session";
    }
    const auto env = [](const char* name) { return wintest::EnvVar(name).value_or(""); };
    const std::string remote = env("PELLUCOR_SFTP_WINDOWS_ROOT") + "\\www\\" + kPage;
    DeleteFileA(remote.c_str());
    const std::string history = qeltest::AppDataFile("Pellucor\\Qel.log");
    DeleteFileA(history.c_str());
    DeleteFileA((qeltest::QelProcess::SettingsFolder() + "known_hosts").c_str());
    Configure(4, {env("PELLUCOR_SFTP_USER"), *host, env("PELLUCOR_SFTP_PASSWORD"),
                  env("PELLUCOR_SFTP_ROOT") + "/www"});
    const std::string hostName = "[127.0.0.1]:" + host->substr(host->find(':') + 1);
    {
        DevicePort highestPort(7);
        ASSERT_TRUE(highestPort.Opened());
        ASSERT_TRUE(qel_.Start("/run"));
        ASSERT_TRUE(highestPort.Send("unattended@@@@"));
        EXPECT_TRUE(qel_.WaitForTextContaining(
            IDC_lblStatus, "Host key not trusted: " + hostName + " SHA256:", 15000))
            << qel_.Text(IDC_lblStatus);
        EXPECT_EQ(qeltest::FindProcessWindow(qel_.ProcessId(), kQuestionCaption), nullptr);
        qel_.Menu(IDM_mnuExit);
        ASSERT_TRUE(qel_.WaitForExit(10000));
    }
    EXPECT_NE(wintest::ReadBytes(history).value_or("").find("Host key not trusted: "),
              std::string::npos);
    EXPECT_FALSE(qel_.HasSetting("known_hosts"));

    StartRunning();
    ASSERT_TRUE(device_.Send("line1\r\nline2@@@@"));
    HWND box = qeltest::WaitForProcessWindow(qel_.ProcessId(), kQuestionCaption, 15000);
    ASSERT_TRUE(box);
    const std::string question = qeltest::MessageBoxText(box);
    EXPECT_NE(question.find("\r\nECDSA 256 SHA256:"), std::string::npos) << question;
    if (std::string(GetParam()) == "PELLUCOR_SFTP_HOST") {
        const std::string fingerprint = question.substr(question.find("SHA256:"), 50);
        EXPECT_NE(env("PELLUCOR_SFTP_HOST_FINGERPRINTS").find(fingerprint), std::string::npos)
            << question;
    }
    ASSERT_TRUE(device_.Send("newest@@@@"));  // arrives while the question is open
    ASSERT_TRUE(qel_.WaitForTextContaining(IDC_Text1, "newest"));
    EXPECT_EQ(wintest::ReadBytes(remote), std::nullopt);
    qeltest::Press(box, IDYES);
    const std::string expected = qel::PageFileBytes(qel::BuildPageText("Lab", "10", "newest"));
    EXPECT_TRUE(qeltest::WaitUntil(
        [&] { return wintest::ReadBytes(remote).value_or("") == expected; }, 15000));
    EXPECT_TRUE(WaitForStatusStart("Transfer Complete "));
    EXPECT_EQ(qel_.ReadSetting("known_hosts").rfind(hostName + " ", 0), 0u);
    ASSERT_TRUE(device_.Send("second@@@@"));
    const std::string second = qel::PageFileBytes(qel::BuildPageText("Lab", "10", "second"));
    EXPECT_TRUE(qeltest::WaitUntil(
        [&] { return wintest::ReadBytes(remote).value_or("") == second; }, 15000));
    // The old page set aside goes only after the new one is in place: a moment later.
    for (const char* hidden : {".tmp", ".old"}) {
        const std::string path = remote.substr(0, remote.rfind('\\') + 1) + "." + kPage + hidden;
        EXPECT_TRUE(qeltest::WaitUntil(
            [&] { return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES; }, 5000))
            << path;
    }
    qel_.Menu(IDM_mnuExit);
    ASSERT_TRUE(qel_.WaitForExit(10000));
    EXPECT_NE(qel_.ReadSetting("Leq.ini").find("\r\n 4 \r\n"), std::string::npos);

    // Unattended, the key known now: five pages over one log-in, and at exit no goodbye.
    const bool openSsh = std::string(GetParam()) == "PELLUCOR_SFTP_HOST";
    const auto serverLog = [&] {
        return wintest::ReadBytes(
                   env(openSsh ? "PELLUCOR_SFTP_SSHD_LOG" : "PELLUCOR_SFTP_PARAMIKO_LOG"))
            .value_or("");
    };
    const char* logIn = openSsh ? "Accepted password" : " accepted";
    const std::string logBefore = serverLog();
    {
        DevicePort highestPort(7);
        ASSERT_TRUE(qel_.Start("/run"));
        SendPages(highestPort, remote, 5);
    }
    qel_.Menu(IDM_mnuExit);
    ASSERT_TRUE(qel_.WaitForExit(10000));
    const std::string logAfter = serverLog();
    EXPECT_EQ(wintest::Occurrences(logAfter, logIn) - wintest::Occurrences(logBefore, logIn), 1u);
    EXPECT_EQ(wintest::Occurrences(logAfter, "Upload done"),
              wintest::Occurrences(logBefore, "Upload done"));
    DeleteFileA(remote.c_str());
}

INSTANTIATE_TEST_SUITE_P(OpenSshAndParamiko, SftpUploads,
                         ::testing::Values("PELLUCOR_SFTP_HOST", "PELLUCOR_SFTP_PARAMIKO_HOST"));

// Under /run with an empty password box: the key file in the user's folder logs in to a host
// that takes only keys, and the history warns that others may read it.
TEST_F(Uploads, SftpLogsInWithAKeyFileAndNoPasswordUnderRun) {
    const auto keys = wintest::EnvVar("PELLUCOR_SFTP_USER_KEYS");
    if (!keys) {
        GTEST_SKIP() << "no SFTP user keys in this session";
    }
    const auto env = [](const char* name) { return wintest::EnvVar(name).value_or(""); };
    const std::string folder = qeltest::QelProcess::SettingsFolder();
    const std::string remote = env("PELLUCOR_SFTP_WINDOWS_ROOT") + "\\www\\" + kPage;
    DeleteFileA(remote.c_str());
    ASSERT_TRUE(wintest::WriteBytes(folder + "known_hosts",
                                    env("PELLUCOR_SFTP_KEYS_ONLY_KNOWN_LINE") + "\n"));
    ASSERT_TRUE(wintest::WriteBytes(folder + "id_ed25519",
                                    wintest::ReadBytes(*keys + "\\ed25519").value_or("")));
    Configure(4, {env("PELLUCOR_SFTP_USER"), env("PELLUCOR_SFTP_KEYS_ONLY_HOST"), "",
                  env("PELLUCOR_SFTP_ROOT") + "/www"});
    DevicePort highestPort(7);
    ASSERT_TRUE(highestPort.Opened());
    ASSERT_TRUE(qel_.Start("/run"));
    ASSERT_TRUE(highestPort.Send("by key@@@@"));
    const std::string expected = qel::PageFileBytes(qel::BuildPageText("Lab", "10", "by key"));
    EXPECT_TRUE(qeltest::WaitUntil(
        [&] { return wintest::ReadBytes(remote).value_or("") == expected; }, 15000))
        << qel_.Text(IDC_lblStatus);
    EXPECT_TRUE(WaitForStatusStart("Transfer Complete "));
    qel_.Menu(IDM_mnuExit);
    EXPECT_TRUE(qel_.WaitForExit(10000));
    // The file Wine made may be read by everyone: the history says so.
    EXPECT_NE(wintest::ReadBytes(qeltest::AppDataFile("Pellucor\\Qel.log"))
                  .value_or("")
                  .find("The key file id_ed25519 may be read by other users"),
              std::string::npos);
    for (const std::string& file : {folder + "id_ed25519", folder + "known_hosts", remote}) {
        DeleteFileA(file.c_str());
    }
}

class UploadsWhileTheServerIsDown : public Uploads, public ::testing::WithParamInterface<int> {};

TEST_P(UploadsWhileTheServerIsDown, FailureIsShownAndTheNextBlockGoesOutOnceItIsBack) {
    const int method = GetParam();
    const std::string history = qeltest::AppDataFile("Pellucor\\Qel.log");
    DeleteFileA(history.c_str());
    Configure(method, GoodProfile());
    StartRunning();
    ASSERT_TRUE(ftp_->Command("DOWN"));
    ASSERT_TRUE(device_.Send("lost@@@@"));
    if (method == 1) {
        EXPECT_TRUE(qel_.WaitForText(IDC_lblStatus, "No FTP connection", 15000));
    } else {
        EXPECT_TRUE(qel_.WaitForTextContaining(IDC_lblStatus, " doing FTP", 15000));
    }
    ASSERT_TRUE(ftp_->Command("UP"));
    ASSERT_TRUE(device_.Send("back@@@@"));
    EXPECT_TRUE(WaitForRemotePage("back"));
    EXPECT_TRUE(WaitForStatusStart("Transfer Complete "));
    ASSERT_TRUE(device_.Send("again@@@@"));
    EXPECT_TRUE(WaitForRemotePage("again"));
    qel_.Menu(IDM_mnuExit);
    ASSERT_TRUE(qel_.WaitForExit(10000));

    // The history tells the failure once and the recovery once, never a password.
    const std::string log = wintest::ReadBytes(history).value_or("");
    ASSERT_GT(log.size(), 40u);
    const auto failure = log.find(method == 1 ? " No FTP connection\r\n" : " doing FTP\r\n");
    const auto recovery = log.find(" Transfer Complete ");
    EXPECT_NE(failure, std::string::npos) << log;
    EXPECT_GT(recovery, failure) << log;
    EXPECT_EQ(log.find(" Transfer Complete ", recovery + 1), std::string::npos) << log;
    EXPECT_EQ(log.find(ftp_->Server().password), std::string::npos) << log;
    EXPECT_EQ(log.substr(19, 7).find_first_of("+-"), 0u) << log;  // 2026-12-07T03:14:07+01:00
    EXPECT_EQ(log.substr(log.size() - 12), " Qel ended\r\n") << log;
}

INSTANTIATE_TEST_SUITE_P(BothMethods, UploadsWhileTheServerIsDown, ::testing::Values(1, 2));

struct FailureCase {
    const char* name;
    Profile (*profile)(Profile good);
    const char* winInetStatus;  // what upload method 1 shows
};

const FailureCase kFailures[] = {
    {"WrongPassword",
     [](Profile p) {
         p.password = "wrong";
         return p;
     },
     "No FTP connection"},
    {"MissingRemoteFolder",
     [](Profile p) {
         p.folder = "/no-such-folder/";
         return p;
     },
     "FTP transmission failed False"},
    {"SchemeInTheHostName",
     [](Profile p) {
         p.url = "ftp://" + p.url;
         return p;
     },
     "No FTP connection"},
};

class UploadFailures : public Uploads,
                       public ::testing::WithParamInterface<std::tuple<FailureCase, int>> {};

TEST_P(UploadFailures, AreReportedInTheStatusLine) {
    const auto& [failure, method] = GetParam();
    Configure(method, failure.profile(GoodProfile()));
    StartRunning();
    ASSERT_TRUE(device_.Send("page@@@@"));
    if (method == 1) {
        EXPECT_TRUE(qel_.WaitForText(IDC_lblStatus, failure.winInetStatus, 15000))
            << qel_.Text(IDC_lblStatus);
    } else {
        EXPECT_TRUE(qel_.WaitForTextContaining(IDC_lblStatus, " doing FTP", 15000))
            << qel_.Text(IDC_lblStatus);
    }
    EXPECT_EQ(wintest::ReadBytes(RemotePage()).value_or(""), "");
}

INSTANTIATE_TEST_SUITE_P(Cases, UploadFailures,
                         ::testing::Combine(::testing::ValuesIn(kFailures),
                                            ::testing::Values(1, 2)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_Method" +
                                    std::to_string(std::get<1>(info.param));
                         });

TEST_F(Uploads, SettingsAndProfileSurviveARestart) {
    Configure(1, GoodProfile());
    ASSERT_TRUE(qel_.Start());
    EXPECT_EQ(qel_.Text(IDC_lblStatus), "");  // the profile is complete
    EXPECT_FALSE(qel_.Checked(IDC_ckkRun));
    qel_.SetText(IDC_txtPageTitle, "  Tank, level");
    qel_.SetText(IDC_txtRefresh, "30");
    qel_.Menu(IDM_mnuMethod2);
    qel_.Menu(IDM_mnuExit);
    ASSERT_TRUE(qel_.WaitForExit(10000));

    // Restarted as a Startup shortcut does it: Run is on without a click, on the port found.
    DevicePort highestPort(7);
    ASSERT_TRUE(highestPort.Opened());
    ASSERT_TRUE(qel_.Start("-RUN"));
    EXPECT_TRUE(qel_.Checked(IDC_ckkRun));
    EXPECT_EQ(qel_.Text(IDC_txtPort), " 7");
    EXPECT_EQ(qel_.Text(IDC_txtFileName), kPage);
    EXPECT_EQ(qel_.Text(IDC_txtPageTitle), "  Tank, level");
    EXPECT_EQ(qel_.Text(IDC_txtRefresh), "30");
    EXPECT_EQ(qel_.ReadSetting("Leq.ini"),
              "home\r\nindex.html\r\n  Tank, level\r\n30\r\n 2 \r\n 0 \r\n");
    // The restored profile and upload method carry a block to the server.
    ASSERT_TRUE(highestPort.Send("after restart@@@@"));
    const std::string expected =
        qel::PageFileBytes(qel::BuildPageText("  Tank, level", "30", "after restart"));
    EXPECT_TRUE(qeltest::WaitUntil(
        [&] { return wintest::ReadBytes(RemotePage()).value_or("") == expected; }, 15000));
}

}  // namespace
