// Qel keeps publishing through the faults an unattended machine meets: a slow host, a host that
// hangs, a full disk, a device unplugged and plugged back, Windows ending the session, and a
// settings file that cannot be read. One group per fault, each driving the whole program.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "DevicePort.h"
#include "FindStartupBas.h"
#include "FtpServerControl.h"
#include "HostProfile.h"
#include "MainFormLayout.h"
#include "PageBuilder.h"
#include "Polling.h"
#include "QelProcess.h"
#include "SettingsFile.h"
#include "Win32Error.h"
#include "Win32FileSystem.h"

namespace {

using namespace qel::layout;
using qeltest::DevicePort;
using qeltest::QelProcess;

constexpr char kPage[] = "index.html";

std::string PageBytes(const std::string& body) {
    return qel::PageFileBytes(qel::BuildPageText("Lab", "10", body));
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

// Qel with a host profile on the harness's FTP server, uploading into a folder of the test's
// own, reading COM`port`.
class Faults : public ::testing::Test {
protected:
    void SetUp() override {
        ftp_ = qeltest::FtpServerControl::FromEnvironment();
        if (!ftp_ || !DevicePort::LinkedPortsAvailable()) {
            GTEST_SKIP() << "no FTP server or linked COM ports in this session";
        }
        folder_ = ftp_->MakeTestFolder();
        DeleteFileA(RemotePage().c_str());
        DeleteFileA(qeltest::AppDataFile(kPage).c_str());
        DeleteFileA(SharedDocumentsPage().c_str());
    }
    void TearDown() override {
        if (ftp_) {
            for (const char* command : {"UP", "SLOW 0", "STALL off", "CLOSE-AFTER 0"}) {
                ftp_->Command(command);
            }
        }
    }

    // The settings and profile beside Qel.exe, carried over at the first start; or, with
    // `folder`, already in another place (the user's settings folder).
    void Configure(int ftpMethod, const std::string& host, std::string folder = "",
                   std::optional<wintest::FtpTestServer> account = std::nullopt) {
        ASSERT_TRUE(qeltest::WriteHomeProfile(folder.empty() ? qel_.Folder() : folder, ftpMethod,
                                              kPage, account.value_or(ftp_->Server()), host,
                                              "/" + folder_ + "/"));
    }

    void StartRunning(int port) {
        ASSERT_TRUE(qel_.Start());
        qel_.SetText(IDC_txtPort, " " + std::to_string(port));
        qel_.Click(IDC_ckkRun);
    }

    std::string RemotePage() const { return ftp_->Server().root + folder_ + "\\" + kPage; }
    static std::string SharedDocumentsPage() { return pellucor::SpecialFolderPath(0x2E) + kPage; }
    std::string Status() const { return qel_.Text(IDC_lblStatus); }

    bool WaitForFile(const std::string& path, const std::string& bytes, unsigned ms = 15000) {
        return qeltest::WaitUntil([&] { return wintest::ReadBytes(path).value_or("") == bytes; },
                                  ms);
    }

    std::optional<qeltest::FtpServerControl> ftp_;
    std::string folder_;
    QelProcess qel_;
};

// Upload method 2 against a host slower than the blocks: the newest page always goes out, no
// page strays into another folder, and success is never claimed while a newer page waits.
TEST_F(Faults, SlowHostGetsTheNewestPageAndNoStaleSuccess) {
    DevicePort device(3);
    ASSERT_TRUE(device.Opened());
    Configure(2, ftp_->Server().host);
    ASSERT_TRUE(ftp_->Command("SLOW 1.5"));
    StartRunning(3);

    // A stale success: "Transfer Complete" while the host holds an older page than the one the
    // output box shows (read between two equal looks at the status, so no tick came between).
    std::vector<std::string> stale;
    const auto watch = [&] {
        const std::string before = Status();
        const std::string shown = qel_.Text(IDC_Text1);
        const std::string remote = wintest::ReadBytes(RemotePage()).value_or("");
        if (before.rfind("Transfer Complete", 0) == 0 && Status() == before &&
            remote != PageBytes(shown)) {
            stale.push_back(shown);
        }
        return false;
    };
    const int kBlocks = 8;
    for (int i = 1; i <= kBlocks; ++i) {
        ASSERT_TRUE(device.Send("reading " + std::to_string(i) + "@@@@"));
        qeltest::WaitUntil(watch, 500);  // a block every tick
    }
    const std::string last = PageBytes("reading " + std::to_string(kBlocks));
    EXPECT_TRUE(qeltest::WaitUntil(
        [&] {
            watch();
            return wintest::ReadBytes(RemotePage()).value_or("") == last &&
                   Status().rfind("Transfer Complete", 0) == 0;
        },
        20000))
        << Status();
    EXPECT_TRUE(stale.empty()) << "success claimed while reading " << stale.front()
                               << " was waiting";
    EXPECT_EQ(wintest::ReadBytes(qeltest::AppDataFile(kPage)).value_or(""), last);
    EXPECT_FALSE(wintest::ReadBytes(SharedDocumentsPage()).has_value())
        << "a page was moved to the shared documents folder";
}

// A reader that holds the page without delete sharing (a scanner, an indexer, a viewer) while
// a block arrives: the page waits to be written in the user's own folder, is reported after
// five seconds, and is written and uploaded once the reader lets go. Nothing goes to the
// folder every user of the PC can read, and no temporary copy is left behind.
TEST_F(Faults, HeldPageWaitsInItsOwnFolderUntilTheReaderLetsGo) {
    DevicePort device(3);
    ASSERT_TRUE(device.Opened());
    // The harness's second account has the password "file", a word the status texts hold.
    wintest::FtpTestServer account = ftp_->Server();
    account.user += "file";
    account.password = "file";
    Configure(2, ftp_->Server().host, "", account);
    const std::string history = qeltest::AppDataFile("Pellucor\\Qel.log");
    DeleteFileA(history.c_str());
    StartRunning(3);
    const std::string localPage = qeltest::AppDataFile(kPage);
    ASSERT_TRUE(device.Send("before@@@@"));
    ASSERT_TRUE(WaitForFile(RemotePage(), PageBytes("before")));

    HANDLE reader = CreateFileA(localPage.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(device.Send("while held@@@@"));
    EXPECT_TRUE(qel_.WaitForTextContaining(IDC_lblStatus, " saving Web file", 15000)) << Status();
    EXPECT_EQ(wintest::ReadBytes(localPage).value_or(""), PageBytes("before"));
    CloseHandle(reader);

    EXPECT_TRUE(WaitForFile(localPage, PageBytes("while held")));
    EXPECT_TRUE(WaitForFile(RemotePage(), PageBytes("while held")));
    EXPECT_TRUE(qeltest::WaitUntil([&] { return Status().rfind("Transfer Complete", 0) == 0; }))
        << Status();
    EXPECT_FALSE(wintest::ReadBytes(SharedDocumentsPage()).has_value());
    EXPECT_FALSE(wintest::ReadBytes(localPage + ".tmp").has_value());
    const std::string log = wintest::ReadBytes(history).value_or("");
    EXPECT_NE(log.find(" saving Web file\r\n"), std::string::npos) << "word for word: " << log;
    char temp[MAX_PATH] = {};
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    WIN32_FIND_DATAA found{};
    HANDLE copies = FindFirstFileA((std::string(temp) + "qel*.tmp").c_str(), &found);
    EXPECT_EQ(copies, INVALID_HANDLE_VALUE) << "a copy of the page was left: " << found.cFileName;
    if (copies != INVALID_HANDLE_VALUE) {
        FindClose(copies);
    }
}

// Upload method 1 against a host that accepts and never answers: the window is back within
// the wait limit, and the next block goes out once the host answers again.
TEST_F(Faults, StalledHostFreesTheWindowWithinTheLimit) {
    const auto stallHost = wintest::EnvVar("PELLUCOR_FTP_STALL_HOST");
    if (!stallHost) {
        GTEST_SKIP() << "the FTP server has no stalling address";
    }
    DevicePort device(4);
    ASSERT_TRUE(device.Opened());
    Configure(1, *stallHost);
    ASSERT_TRUE(ftp_->Command("STALL on"));
    StartRunning(4);
    const std::string settings = QelProcess::SettingsFolder() + "Leq.ini";
    ASSERT_TRUE(DeleteFileA(settings.c_str()));
    ASSERT_TRUE(device.Send("while stalled@@@@"));
    const auto sent = std::chrono::steady_clock::now();
    // Windows logging off while Qel waits for the host: the settings are saved all the same.
    ASSERT_TRUE(qel_.WaitForText(IDC_lblStatus, "Starting transmission")) << Status();
    EXPECT_EQ(qel_.SendWithin(WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, 3000), TRUE);
    EXPECT_TRUE(wintest::ReadBytes(settings).has_value()) << "saved while waiting";
    // The limit is 30 s; the block waits up to a tick before its upload starts.
    EXPECT_TRUE(qel_.WaitForText(IDC_lblStatus, "No FTP connection", 32000)) << Status();
    const auto waited = std::chrono::steady_clock::now() - sent;
    EXPECT_LT(waited, std::chrono::milliseconds(31500));
    EXPECT_TRUE(qel_.SendWithin(WM_NULL, 0, 0, 1000).has_value()) << "the window answers";

    ASSERT_TRUE(ftp_->Command("STALL off"));
    ASSERT_TRUE(device.Send("host back@@@@"));
    EXPECT_TRUE(WaitForFile(RemotePage(), PageBytes("host back")));
    EXPECT_TRUE(qeltest::WaitUntil([&] { return Status().rfind("Transfer Complete", 0) == 0; }));
}

// A host that takes each connection and closes it three seconds later while the board writes
// every second: a newer page always waits behind the failing upload, and the line still turns
// red within seconds, by each method of the transfer component (FTP, FTPS, SFTP).
TEST_F(Faults, HostFailingSlowerThanTheBoardWritesTurnsTheLineRedAtOnce) {
    const auto tlsHost = wintest::EnvVar("PELLUCOR_FTP_TLS_HOST");
    const auto sshHost = wintest::EnvVar("PELLUCOR_CLOSING_HOST");
    DevicePort device(5);
    ASSERT_TRUE(tlsHost && sshHost && device.Opened() && ftp_->Command("CLOSE-AFTER 3"));
    CreateDirectoryA(QelProcess::SettingsFolder().c_str(), nullptr);
    for (const auto& [method, host] :
         {std::pair{2, ftp_->Server().host}, {3, *tlsHost}, {4, *sshHost}}) {
        Configure(method, host, QelProcess::SettingsFolder());
        StartRunning(5);
        const auto start = std::chrono::steady_clock::now();
        int blocks = 0;
        EXPECT_TRUE(qeltest::WaitUntil(
            [&] {
                if (std::chrono::steady_clock::now() - start >= std::chrono::seconds(blocks)) {
                    device.Send("b" + std::to_string(blocks++) + "@@@@");
                }
                return Status().ends_with(" doing FTP") &&
                       Status().find("given up") == std::string::npos;
            },
            20000))
            << "method " << method << ": " << Status() << " after " << blocks << " blocks";
        qel_.Menu(IDM_mnuExit);
        ASSERT_TRUE(qel_.WaitForExit(10000));
    }
}

// Points the user's application-data folder at another folder while it lives.
class AppDataRedirect {
public:
    explicit AppDataRedirect(const std::string& folder) {
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key_) !=
            ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        char old[MAX_PATH] = {};
        DWORD size = sizeof old;
        DWORD type = 0;
        if (RegQueryValueExA(key_, "AppData", nullptr, &type, reinterpret_cast<BYTE*>(old),
                             &size) == ERROR_SUCCESS) {
            old_ = std::string(old);
            oldType_ = type;
        }
        RegSetValueExA(key_, "AppData", 0, REG_EXPAND_SZ,
                       reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>(folder.size() + 1));
    }
    AppDataRedirect(const AppDataRedirect&) = delete;
    AppDataRedirect& operator=(const AppDataRedirect&) = delete;
    ~AppDataRedirect() {
        if (!key_) {
            return;
        }
        if (old_) {
            RegSetValueExA(key_, "AppData", 0, oldType_,
                           reinterpret_cast<const BYTE*>(old_->c_str()),
                           static_cast<DWORD>(old_->size() + 1));
        } else {
            RegDeleteValueA(key_, "AppData");
        }
        RegCloseKey(key_);
    }

private:
    static constexpr char kKey[] =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    HKEY key_ = nullptr;
    std::optional<std::string> old_;
    DWORD oldType_ = REG_EXPAND_SZ;
};

// Writes a filler file until the disk is full; the file is removed when the filler goes.
class DiskFiller {
public:
    explicit DiskFiller(std::string path) : path_(std::move(path)) {
        HANDLE file = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        const std::string chunk(512, 'f');
        DWORD written = 0;
        while (file != INVALID_HANDLE_VALUE &&
               WriteFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr) &&
               written == chunk.size()) {
        }
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
        }
    }
    DiskFiller(const DiskFiller&) = delete;
    DiskFiller& operator=(const DiskFiller&) = delete;
    ~DiskFiller() { DeleteFileA(path_.c_str()); }

private:
    std::string path_;
};

// A page that cannot be written for want of space: the old page stays whole, locally and on
// the host, nothing is uploaded, and the next page goes out once there is room again.
TEST_F(Faults, FullDiskKeepsTheOldPageAndUploadsNothing) {
    const auto smallDisk = wintest::EnvVar("PELLUCOR_SMALL_DISK");
    if (!smallDisk) {
        GTEST_SKIP() << "no small disk in this session (mounting one needs root)";
    }
    const std::string folder = *smallDisk + "\\";
    const std::string localPage = folder + kPage;
    DeleteFileA(localPage.c_str());
    AppDataRedirect redirect(folder);
    ASSERT_EQ(pellucor::SpecialFolderPath(0x1A), folder);
    auto log = wintest::FtpCommandLog::FromEnvironment();
    ASSERT_TRUE(log);

    DevicePort device(5);
    ASSERT_TRUE(device.Opened());
    Configure(1, ftp_->Server().host);
    StartRunning(5);
    ASSERT_TRUE(device.Send("before@@@@"));
    ASSERT_TRUE(WaitForFile(RemotePage(), PageBytes("before")));
    {
        const DiskFiller filler(folder + "filler.bin");
        log->Mark();
        // Larger than the old page: no space it gives up could hold it.
        ASSERT_TRUE(device.Send(std::string(6000, 'x') + "@@@@"));
        EXPECT_TRUE(qel_.WaitForTextContaining(IDC_lblStatus, " saving Web file")) << Status();
        EXPECT_EQ(wintest::ReadBytes(localPage).value_or(""), PageBytes("before"));
        EXPECT_FALSE(wintest::ReadBytes(localPage + ".tmp").has_value());
    }
    ASSERT_TRUE(device.Send("after@@@@"));
    EXPECT_TRUE(WaitForFile(RemotePage(), PageBytes("after")));
    EXPECT_EQ(Count(log->SinceMark(), "STOR "), 1u) << log->SinceMark();
    EXPECT_TRUE(WaitForFile(localPage, PageBytes("after")));
    qel_.Menu(IDM_mnuExit);
    qel_.WaitForExit(10000);
    DeleteFileA(localPage.c_str());
}

// The device goes away mid-run and comes back: the loss is reported, the port is opened again
// and blocks are published again, without a restart, under both communication methods.
class UnpluggedDevice : public Faults, public ::testing::WithParamInterface<int> {};

TEST_P(UnpluggedDevice, IsReportedAndReadAgainOnceItIsBack) {
    const int commMethod = GetParam();
    constexpr int kPort = 7;
    auto device = std::make_unique<DevicePort>(kPort);
    ASSERT_TRUE(device->Opened());
    Configure(9, ftp_->Server().host);  // no upload: the local page shows what was read
    ASSERT_TRUE(qel_.Start());
    if (commMethod == 2) {
        qel_.Menu(IDM_mnuCommMethod2);
    }
    qel_.SetText(IDC_txtPort, " 7");
    qel_.Click(IDC_ckkRun);
    const std::string page = qeltest::AppDataFile(kPage);
    // Half of the next block comes with the first, and the device goes before the rest.
    ASSERT_TRUE(device->Send("before@@@@tail-of-old-"));
    ASSERT_TRUE(WaitForFile(page, PageBytes("before")));

    // The loss is reported at the next tick; the failed attempts to open the port again that
    // follow about once a second replace the message.
    // (A serial port whose device has gone answers "not ready".)
    const std::string notReady = qel::ErrorDescription(ERROR_NOT_READY);
    const std::string lossReport = commMethod == 1 ? notReady + " inputting from com" : notReady;
    bool lossReported = false;
    std::vector<std::string> seen;
    const auto watch = [&] {
        const std::string now = Status();
        if (seen.empty() || seen.back() != now) {
            seen.push_back(now);
        }
        lossReported = lossReported || now == lossReport;
    };
    device.reset();
    ASSERT_TRUE(DevicePort::Unplug(kPort, watch));
    EXPECT_TRUE(qeltest::WaitUntil([&] {
        watch();
        return lossReported;
    })) << ::testing::PrintToString(seen);

    ASSERT_TRUE(DevicePort::Replug(kPort));
    device = std::make_unique<DevicePort>(kPort);
    ASSERT_TRUE(device->Opened());
    EXPECT_TRUE(qel_.WaitForText(IDC_lblStatus, "Serial communication established")) << Status();
    ASSERT_TRUE(device->Send("after@@@@"));
    EXPECT_TRUE(WaitForFile(page, PageBytes("after"))) << "only the block sent after the replug";
    DeleteFileA(page.c_str());
}

INSTANTIATE_TEST_SUITE_P(BothCommMethods, UnpluggedDevice, ::testing::Values(1, 2),
                         [](const auto& info) { return "Method" + std::to_string(info.param); });

// Windows logging off or shutting down saves the settings, as File, Exit does.
TEST(SessionEnd, SavesTheSettingsAndEndsTheProgram) {
    QelProcess qel;
    ASSERT_TRUE(qel.Start());
    qel.SetText(IDC_txtFileName, "live.html");
    qel.SetText(IDC_txtPageTitle, "Tank");
    qel.SendWithin(WM_COMMAND, MAKEWPARAM(IDM_mnuMethod2, 0), 0, 5000);
    EXPECT_EQ(qel.SendWithin(WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, 5000), TRUE);
    EXPECT_EQ(qel.ReadSetting("Leq.ini"), "\r\nlive.html\r\nTank\r\n\r\n 2 \r\n 0 \r\n");
    qel.SendWithin(WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, 5000);
    EXPECT_TRUE(qel.WaitForExit(10000));
}

// Settings that another program holds as Qel starts: the old ones of an earlier install held
// for a moment are waited for and carried over whole; the user's own held longer are read as
// soon as they are free, without a restart, and the user's changes meanwhile stay; held through
// exit, they are left as they are and the history says why.
TEST(UnreadableSettings, AreWaitedForReadOnceFreeAndNeverWrittenOverUnread) {
    const std::string settings = "Lab\r\nlive.html\r\nTank\r\n10\r\n 2 \r\n 1 \r\n";
    QelProcess qel({{"Leq.ini", settings}});
    const std::string folder = QelProcess::SettingsFolder();
    const std::string history = qeltest::AppDataFile("Pellucor\\Qel.log");
    DeleteFileA(history.c_str());
    const auto hold = [](const std::string& path) {
        return CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    const auto exitAndWait = [&] {
        qel.Menu(IDM_mnuExit);
        return qel.WaitForExit(10000);
    };

    HANDLE lock = hold(qel.Folder() + "Leq.ini");
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    std::thread scanner([lock] {
        Sleep(1000);  // a scanner's look at the file
        CloseHandle(lock);
    });
    const bool started = qel.Start();
    scanner.join();
    ASSERT_TRUE(started);
    EXPECT_EQ(qel.Text(IDC_txtPageTitle), "Tank");
    ASSERT_TRUE(exitAndWait());
    EXPECT_EQ(qel.ReadSetting("Leq.ini"), settings);

    lock = hold(folder + "Leq.ini");
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    bool restarted = qel.Start();
    EXPECT_EQ(qel.Text(IDC_txtPageTitle), "");
    qel.SetText(IDC_txtFileName, "new.html");
    CloseHandle(lock);
    ASSERT_TRUE(restarted);
    EXPECT_TRUE(qel.WaitForText(IDC_txtPageTitle, "Tank", 5000));
    EXPECT_EQ(qel.Text(IDC_txtFileName), "new.html");
    ASSERT_TRUE(exitAndWait());
    const std::string changed = "Lab\r\nnew.html\r\nTank\r\n10\r\n 2 \r\n 1 \r\n";
    EXPECT_EQ(qel.ReadSetting("Leq.ini"), changed);

    lock = hold(folder + "Leq.ini");
    restarted = qel.Start();
    ASSERT_TRUE(restarted);
    qel.SetText(IDC_txtFileName, "other.html");
    qel.Menu(IDM_mnuMethod1);
    const bool ended = exitAndWait();
    CloseHandle(lock);
    ASSERT_TRUE(ended);
    EXPECT_EQ(qel.ReadSetting("Leq.ini"), changed);
    EXPECT_FALSE(qel.HasSetting("Leq.ini.bad"));
    EXPECT_NE(wintest::ReadBytes(history).value_or("").find(qel::kSettingsNotSavedText),
              std::string::npos);
}

// An unattended start while a scanner holds the host profile for longer than start-up waits:
// it is read on a later tick, "/port=N" names the device the search would not pick, and pages
// reach the host. A second start, during that wait or later, hands its switches to the Qel that
// runs and ends: never two.
TEST_F(Faults, UnattendedStartWaitsForAHeldProfileAndASecondStartHandsOver) {
    DevicePort device(3);
    ASSERT_TRUE(device.Opened());
    const std::string folder = QelProcess::SettingsFolder();
    CreateDirectoryA(folder.c_str(), nullptr);
    Configure(2, ftp_->Server().host, folder);
    HANDLE lock = CreateFileA((folder + "home.uci").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    const auto secondStart = [this](const char* switches) {
        std::string commandLine = "\"" + qel_.Folder() + "Qel.exe\" " + switches;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION second{};
        DWORD code = 1;
        if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           qel_.Folder().c_str(), &startup, &second)) {
            WaitForSingleObject(second.hProcess, 40000);
            GetExitCodeProcess(second.hProcess, &code);
            CloseHandle(second.hThread);
            CloseHandle(second.hProcess);
        }
        return code;
    };
    DWORD early = 1;
    std::thread scanner([&] {
        // Once the first has its (hidden) window, and while it still waits for the profile.
        for (int i = 0; i < 200 && !FindWindowA("PellucorQelMain", nullptr); ++i) {
            Sleep(50);
        }
        early = secondStart("/run");
        Sleep(2000);
        CloseHandle(lock);
    });
    const bool started = qel_.Start("/run /port=3");
    scanner.join();
    ASSERT_TRUE(started);
    EXPECT_EQ(early, 0u);
    EXPECT_EQ(qel_.Text(IDC_txtPort), " 3") << "the search alone finds COM7";
    EXPECT_TRUE(qel_.Checked(IDC_ckkRun));
    ASSERT_TRUE(device.Send("unattended@@@@"));
    EXPECT_TRUE(WaitForFile(RemotePage(), PageBytes("unattended"))) << Status();

    EXPECT_EQ(secondStart("/run /port=5"), 0u);
    EXPECT_TRUE(qel_.WaitForText(IDC_txtPort, " 5", 5000));
    EXPECT_TRUE(qel_.Running());
}
}  // namespace
