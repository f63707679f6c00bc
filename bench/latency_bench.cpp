// Prints how long a block takes from the moment its last "@" is written to the device's end of
// the serial line until the page is complete: as the local page file, and on the FTP server by
// each upload method (method 3 against the harness's FTPS server, method 4 against its OpenSSH
// server and against its Paramiko server, which has no posix-rename; their keys are trusted
// beforehand). Runs Qel.exe in the Wine session of the test harness.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "DevicePort.h"
#include "FtpServerControl.h"
#include "HostProfile.h"
#include "MainFormLayout.h"
#include "PageBuilder.h"
#include "Polling.h"
#include "KnownHostsFile.h"
#include "QelProcess.h"
#include "SftpPut.h"
#include "TrustedTestRoot.h"
#include "Win32FileSystem.h"

namespace {

using namespace qel::layout;

constexpr int kPort = 7;
int kBlocks = 100;  // the first argument may set another count

double NowMs() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Mode {
    const char* name;
    int ftpMethod;                                // 9: no upload, the local page file is the goal
    const char* sftpHost = "PELLUCOR_SFTP_HOST";  // the variable naming method 4's host
};

std::string Env(const char* name) {
    return wintest::EnvVar(name).value_or("");
}

// The SFTP host's key in the user's known_hosts, as a Yes to the question puts it there.
bool TrustSftpHost(const std::string& host, const std::string& settingsFolder) {
    std::optional<qel::UnknownHostKey> key;
    qel::PasswordRest rest;
    const qel::FtpPutRequest probe{.host = host,
                                   .userName = Env("PELLUCOR_SFTP_USER"),
                                   .password = Env("PELLUCOR_SFTP_PASSWORD"),
                                   .content = "",
                                   .remotePath = Env("PELLUCOR_SFTP_ROOT") + "/www/probe"};
    std::vector<std::string> notes;
    qel::PutFileBySftp(probe, settingsFolder + qel::kKnownHostsFileName, key, rest, notes);
    CreateDirectoryA(settingsFolder.c_str(), nullptr);
    return key &&
           !qel::AppendKnownHost(settingsFolder + qel::kKnownHostsFileName, key->knownHostsLine);
}

// Milliseconds from the last "@" to the complete page, one figure per block; empty on failure.
std::vector<double> Measure(const Mode& mode, const qeltest::FtpServerControl& ftp) {
    const std::string page = std::string("latency-") + mode.name + ".html";
    qeltest::QelProcess qel;
    const std::string settings =
        "bench\r\n" + page + "\r\nLab\r\n10\r\n " + std::to_string(mode.ftpMethod) + " \r\n 0 \r\n";
    wintest::WriteBytes(qel.Folder() + "Leq.ini", settings);
    qel::Win32FileSystem files;
    const bool sftp = mode.ftpMethod == 4;
    const std::string host = mode.ftpMethod == 3 ? Env("PELLUCOR_FTP_TLS_HOST")
                             : sftp              ? Env(mode.sftpHost)
                                                 : ftp.Server().host;
    if ((mode.ftpMethod == 3 && !wintest::TrustTestRoot()) ||
        (sftp && !TrustSftpHost(host, qeltest::QelProcess::SettingsFolder()))) {
        return {};
    }
    qel::SaveHostProfile(files, qel.Folder(), "bench",
                         sftp ? Env("PELLUCOR_SFTP_USER") : ftp.Server().user, host,
                         sftp ? Env("PELLUCOR_SFTP_PASSWORD") : ftp.Server().password,
                         sftp ? Env("PELLUCOR_SFTP_ROOT") + "/www/" : "/");
    const std::string target = mode.ftpMethod == 9 ? qeltest::AppDataFile(page)
                               : sftp ? Env("PELLUCOR_SFTP_WINDOWS_ROOT") + "\\www\\" + page
                                      : ftp.Server().root + page;
    DeleteFileA(target.c_str());

    qeltest::DevicePort device(kPort);
    if (!device.Opened() || !qel.Start()) {
        return {};
    }
    qel.SetText(IDC_txtPort, " " + std::to_string(kPort));
    qel.Click(IDC_ckkRun);

    // Blocks arrive at random moments of the 500 ms tick, as a device's would: a block sent
    // right after the previous page appeared would always just miss a tick.
    unsigned seed = 12345;
    std::vector<double> latencies;
    for (int i = 1; i <= kBlocks; ++i) {
        seed = seed * 1103515245u + 12345u;
        Sleep((seed >> 16) % 500);
        const std::string body = "block " + std::to_string(i) + " of " + std::to_string(kBlocks);
        const std::string expected = qel::PageFileBytes(qel::BuildPageText("Lab", "10", body));
        device.Send(body + "@@@");
        device.Send("@");
        const double sent = NowMs();
        if (!qeltest::WaitUntil([&] { return wintest::ReadBytes(target).value_or("") == expected; },
                                10000)) {
            std::printf("  block %d did not arrive\n", i);
            return {};
        }
        latencies.push_back(NowMs() - sent);
    }
    qel.Menu(IDM_mnuExit);
    qel.WaitForExit(10000);
    DeleteFileA(target.c_str());
    return latencies;
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        kBlocks = std::max(1, std::atoi(argv[1]));
    }
    const auto ftp = qeltest::FtpServerControl::FromEnvironment();
    if (!ftp || !qeltest::DevicePort::LinkedPortsAvailable()) {
        std::printf("latency_bench: run it inside the test harness's Wine session\n");
        return 1;
    }
    const Mode modes[] = {{"page-file", 9},    {"ftp-wininet", 1},
                          {"ftp-transfer", 2}, {"ftp-tls", 3},
                          {"sftp", 4},         {"sftp-paramiko", 4, "PELLUCOR_SFTP_PARAMIKO_HOST"}};
    std::printf(
        "latency from the last \"@\" written to the complete page, %d blocks sent at random "
        "moments of the 500 ms tick\n",
        kBlocks);
    int failures = 0;
    for (const Mode& mode : modes) {
        if (argc > 2 && std::string(argv[2]) != mode.name) {
            continue;  // a second argument names the one mode to measure
        }
        const auto latencies = Measure(mode, *ftp);
        if (latencies.empty()) {
            std::printf("  %-13s  failed\n", mode.name);
            ++failures;
            continue;
        }
        std::printf("  %-13s  min %6.1f ms   median %6.1f ms   p99 %6.1f ms   max %6.1f ms\n",
                    mode.name, *std::min_element(latencies.begin(), latencies.end()),
                    Percentile(latencies, 0.5), Percentile(latencies, 0.99),
                    *std::max_element(latencies.begin(), latencies.end()));
        std::fflush(stdout);
    }
    return failures;
}
