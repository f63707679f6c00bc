// Prints how long a block takes from the moment its last "@" is written to the device's end of
// the serial line until the page is complete: as the local page file, and on the FTP server by
// each upload method (method 3 against the harness's FTPS server, method 4 against its OpenSSH
// server and against its Paramiko server, which has no posix-rename; their keys are trusted
// beforehand). Beside the times, each upload method's log-ins per 1,000 pages, counted in the
// servers' logs over the run's pages: blocks come less than a second apart, so a connection
// kept between pages is used again, and only a page that could not use it logs in anew. Runs
// Qel.exe in the Wine session of the test harness.
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

// Where the host of a mode writes its log-ins, and what a log-in line holds.
struct LogInLog {
    std::string path;
    std::vector<std::string> marks;  // a line holding any of them is one log-in
};

LogInLog LogInLogOf(const Mode& mode) {
    if (mode.ftpMethod != 4) {
        return {Env("PELLUCOR_FTP_LOG"), {"USER "}};  // the FTP command log, plain and TLS
    }
    if (std::string(mode.sftpHost) == "PELLUCOR_SFTP_PARAMIKO_HOST") {
        return {Env("PELLUCOR_SFTP_PARAMIKO_LOG"), {" accepted"}};  // "auth METHOD USER accepted"
    }
    return {Env("PELLUCOR_SFTP_SSHD_LOG"),
            {"Accepted password for", "Accepted publickey for", "Accepted keyboard-interactive"}};
}

std::size_t LogSize(const std::string& path) {
    return wintest::ReadBytes(path).value_or("").size();
}

// The log-in lines written to the log since it was `from` bytes long.
int LogInsSince(const LogInLog& log, std::size_t from) {
    const std::string text = wintest::ReadBytes(log.path).value_or("");
    int count = 0;
    for (std::size_t at = std::min(from, text.size()); at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string line = text.substr(at, end - at);
        count += std::any_of(
                     log.marks.begin(), log.marks.end(),
                     [&](const std::string& mark) { return line.find(mark) != std::string::npos; })
                     ? 1
                     : 0;
        at = end + 1;
    }
    return count;
}

struct Run {
    std::vector<double> latencies;  // milliseconds, one per block; empty on failure
    int logIns = -1;                // counted in the host's log; -1 when nothing was uploaded
};

// Milliseconds from the last "@" to the complete page, one figure per block, and the log-ins
// the host saw meanwhile.
Run Measure(const Mode& mode, const qeltest::FtpServerControl& ftp) {
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
        (sftp && !wintest::TrustSftpHost(
                     host, qeltest::QelProcess::SettingsFolder() + qel::kKnownHostsFileName))) {
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

    const LogInLog logIns = LogInLogOf(mode);
    const std::size_t logBefore = LogSize(logIns.path);
    qeltest::DevicePort device(kPort);
    if (!device.Opened() || !qel.Start()) {
        return {};
    }
    qel.SetText(IDC_txtPort, " " + std::to_string(kPort));
    qel.Click(IDC_ckkRun);

    // Blocks arrive at random moments of the 500 ms tick, as a device's would: a block sent
    // right after the previous page appeared would always just miss a tick.
    unsigned seed = 12345;
    Run run;
    std::vector<double>& latencies = run.latencies;
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
    if (mode.ftpMethod != 9) {
        run.logIns = LogInsSince(logIns, logBefore);
    }
    return run;
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
        const Run run = Measure(mode, *ftp);
        const auto& latencies = run.latencies;
        if (latencies.empty()) {
            std::printf("  %-13s  failed\n", mode.name);
            ++failures;
            continue;
        }
        std::string logIns;
        if (run.logIns >= 0) {
            char text[64];
            std::snprintf(text, sizeof text, "   log-ins per 1,000 pages %6.0f",
                          run.logIns * 1000.0 / static_cast<double>(latencies.size()));
            logIns = text;
        }
        std::printf("  %-13s  min %6.1f ms   median %6.1f ms   p99 %6.1f ms   max %6.1f ms%s\n",
                    mode.name, *std::min_element(latencies.begin(), latencies.end()),
                    Percentile(latencies, 0.5), Percentile(latencies, 0.99),
                    *std::max_element(latencies.begin(), latencies.end()), logIns.c_str());
        std::fflush(stdout);
    }
    return failures;
}
