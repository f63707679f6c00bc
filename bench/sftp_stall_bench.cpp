// Prints what SFTP uploads cut off by their deadline leave behind: uploads to the harness's
// Paramiko server, every second one to a file whose opening makes the server fall silent after
// the log-in (the connection stays up), each given up at a one-second deadline. Figures: this
// process's private bytes after the first rounds and at the end, their growth per 100 silenced
// uploads, and the bytes the SSH library still holds by its allocation callbacks. Runs in the
// Wine session of the test harness.
#include <windows.h>

#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "KnownHostsFile.h"
#include "SftpPut.h"
#include "SshSession.h"
#include "WinTestSupport.h"

namespace {

std::string Env(const char* name) {
    return wintest::EnvVar(name).value_or("");
}

double PrivateKilobytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof counters);
    return static_cast<double>(counters.PrivateUsage ? counters.PrivateUsage
                                                     : counters.PagefileUsage) /
           1024.0;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(10, std::atoi(argv[1])) : 100;
    if (!wintest::EnvVar("PELLUCOR_SFTP_PARAMIKO_HOST")) {
        std::printf("sftp_stall_bench: run it inside the test harness's Wine session\n");
        return 1;
    }
    wintest::ScratchFolder folder;
    const std::string knownHosts = folder / "known_hosts";
    qel::PasswordRest rest;
    std::optional<qel::UnknownHostKey> key;
    const auto upload = [&](const std::string& name, std::chrono::milliseconds limit) {
        const qel::FtpPutRequest request{.host = Env("PELLUCOR_SFTP_PARAMIKO_HOST"),
                                         .userName = Env("PELLUCOR_SFTP_USER"),
                                         .password = Env("PELLUCOR_SFTP_PASSWORD"),
                                         .content = std::string(4000, 'p'),
                                         .remotePath = Env("PELLUCOR_SFTP_ROOT") + "/www/" + name,
                                         .deadline = std::chrono::steady_clock::now() + limit};
        std::vector<std::string> notes;
        return qel::PutFileBySftp(request, knownHosts, key, rest, notes);
    };
    upload("bench-stall-probe.html", std::chrono::seconds(10));
    if (!key || qel::AppendKnownHost(knownHosts, key->knownHostsLine)) {
        std::printf("sftp_stall_bench: the server's key could not be trusted\n");
        return 1;
    }
    const int warmUp = rounds / 10;
    double first = 0;
    int stored = 0;
    int givenUp = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int round = 1; round <= rounds; ++round) {
        stored += !upload("bench-page.html", std::chrono::seconds(10)).has_value();
        givenUp += upload("bench-stall.html", std::chrono::seconds(1)).has_value();
        if (round == warmUp) {
            first = PrivateKilobytes();
        }
    }
    const double last = PrivateKilobytes();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf(
        "%d rounds of one upload stored (%d were) and one silenced after log-in and "
        "given up at 1 s (%d were), %.0f s\n",
        rounds, stored, givenUp, seconds);
    std::printf(
        "  private bytes after round %d: %.0f KB, at the end: %.0f KB, growth per 100 "
        "silenced uploads: %.1f KB\n",
        warmUp, first, last, (last - first) * 100.0 / (rounds - warmUp));
    std::printf("  bytes the SSH library holds by its callbacks at the end: %lld\n",
                static_cast<long long>(qel::SshLibraryBytes()));
    DeleteFileA((Env("PELLUCOR_SFTP_WINDOWS_ROOT") + "\\www\\bench-page.html").c_str());
    return stored == rounds && givenUp == rounds ? 0 : 1;
}
