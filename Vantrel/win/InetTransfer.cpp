// Our internet transfer component: takes an FTP URL, a user name, a password and a
// "PUT <local> <remote>" operation, uploads on a worker thread and reports the outcome on the
// thread that made it, keeping an FTPS or SFTP connection for the next one.
#include "InetTransfer.h"

#include <exception>
#include <new>
#include <string>
#include <utility>

#include "FindStartupBas.h"
#include "FtpsPut.h"
#include "KnownHostsFile.h"
#include "SftpPut.h"
#include "TransferOperation.h"
#include "Win32FileSystem.h"
#include "Win32Error.h"

namespace qel {
namespace {

constexpr char kWindowClass[] = "PellucorInetTransferNotify";
constexpr UINT kTransferFinished = WM_APP + 1;
constexpr UINT_PTR kOverdueTimer = 1;
constexpr UINT_PTR kKeptIdleTimer = 2;
// A transfer past its limit normally ends within a moment, its connections closed; only one
// that still runs after this much more is reported without its thread.
constexpr std::chrono::milliseconds kThreadGrace{5000};

bool LocalFileExists(const std::string& path) {
    return pellucor::FileExists(path);
}

// The whole file as it is now; nullopt with the system's description when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path, std::string& failure) {
    FileError error;
    if (auto bytes = Win32FileSystem().ReadAll(path, error)) {
        return bytes;
    }
    failure = error.description;
    return std::nullopt;
}

}  // namespace

bool InetTransfer::RegisterWindowClass() {
    static const bool registered = [] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &InetTransfer::WindowProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kWindowClass;
        return RegisterClassExA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

InetTransfer::InetTransfer(std::chrono::milliseconds overallLimit,
                           std::chrono::milliseconds keptIdleLimit)
    : overallLimit_(overallLimit), keptIdleLimit_(keptIdleLimit) {
    if (!RegisterWindowClass()) {
        windowError_ = "The transfer component's window class could not be registered";
        return;
    }
    HWND window = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr) {
        windowError_ = ErrorDescription(GetLastError());
        return;
    }
    window_.reset(window);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

InetTransfer::~InetTransfer() {
    if (worker_.joinable()) {
        worker_.join();
    }
    if (retirer_.joinable()) {
        retirer_.join();
    }
    if (window_) {
        // An outcome still queued for the window dies with it.
        SetWindowLongPtrA(window_.get(), GWLP_USERDATA, 0);
        KillTimer(window_.get(), kKeptIdleTimer);
    }
}

void InetTransfer::SetURL(const std::string& url) {
    url_ = url;
}

void InetTransfer::SetUserName(const std::string& userName) {
    userName_ = userName;
}

void InetTransfer::SetPassword(const std::string& password) {
    password_ = password;
}

void InetTransfer::SetCompletion(Completion completion) {
    completion_ = std::move(completion);
}

std::optional<std::string> InetTransfer::Execute(const std::string& operation) {
    if (busy_.load()) {
        return std::string(kStillExecuting);
    }
    if (!window_) {
        return windowError_;
    }
    const auto host = HostFromFtpUrl(url_);
    if (!host) {
        return std::string(kInvalidUrl);
    }
    const auto put = ParsePutOperation(operation, &LocalFileExists);
    if (!put) {
        return std::string(kInvalidOperation);
    }
    // The page is read here, before Execute returns, so the page that was asked for is the one
    // sent, and the caller may write the next one at once. It travels in memory: no copy of it
    // is left in a temporary folder when the program ends during the transfer.
    std::string failure;
    std::optional<std::string> content = ReadWholeFile(put->localPath, failure);
    if (!content) {
        return failure;
    }
    PutFunction how;
    if (IsSftpUrl(url_)) {
        // The rest is the component's: only one worker runs at a time, and each is joined
        // before the next starts.
        how = [knownHosts = knownHostsPath_, rest = &sshPasswordRest_](
                  const FtpPutRequest& request, std::unique_ptr<KeptConnection>& kept,
                  std::optional<UnknownHostKey>& unknownKey, std::vector<std::string>& notes) {
            return PutFileBySftp(request, knownHosts, unknownKey, *rest, notes, kept);
        };
    } else if (IsFtpsUrl(url_)) {
        how = [](const FtpPutRequest& request, std::unique_ptr<KeptConnection>& kept,
                 std::optional<UnknownHostKey>&,
                 std::vector<std::string>&) { return PutFileByFtps(request, kept); };
    } else {
        how = [](const FtpPutRequest& request, std::unique_ptr<KeptConnection>&,
                 std::optional<UnknownHostKey>&,
                 std::vector<std::string>&) { return PutFileByFtp(request); };
    }
    // A connection never outlives the values it was made with.
    std::string values = url_ + '\n' + userName_ + '\n' + password_ + '\n' + knownHostsPath_;
    if (values != keptFor_) {
        RetireKept();
        keptFor_ = std::move(values);
    }
    FtpPutRequest request{*host, userName_, password_, std::move(*content), put->remotePath};
    request.deadline = std::chrono::steady_clock::now() + overallLimit_;
#ifdef PELLUCOR_TEST_SWITCHES
    // Benchmarks only (never in what ships): no closer, so an upload's thread can outlive the
    // report of its limit.
    if (GetEnvironmentVariableA("PELLUCOR_TEST_NO_CLOSER", nullptr, 0) != 0) {
        request.deadline = std::chrono::steady_clock::time_point::max();
    }
#endif
    return Start(std::move(how), std::move(request));
}

void InetTransfer::EndKeptConnection() {
    if (busy_.load()) {
        endKeptAfterTransfer_ = true;  // the worker holds it until the transfer ends
    } else {
        RetireKept();
    }
}

void InetTransfer::WatchKeptIdle() {
    if (kept_) {
        SetTimer(window_.get(), kKeptIdleTimer, static_cast<UINT>(keptIdleLimit_.count()), nullptr);
    }
}

void InetTransfer::RetireKept() noexcept {
    if (window_) {
        KillTimer(window_.get(), kKeptIdleTimer);
    }
    if (!kept_) {
        return;
    }
    try {
        // A goodbye waits only briefly, so the one before has ended by now, or soon will.
        if (retirer_.joinable()) {
            retirer_.join();
        }
        retirer_ = std::thread(
            [](std::unique_ptr<KeptConnection> connection) {
                connection->Goodbye(kGoodbyeLimit);
                connection.reset();
            },
            std::move(kept_));
    } catch (...) {
        kept_.reset();  // no thread for the goodbye: the connection just closes
    }
}

std::optional<UnknownHostKey> InetTransfer::TakeUnknownHostKey() {
    return std::exchange(unknownKey_, std::nullopt);
}

std::optional<std::string> InetTransfer::TrustHostKey(const UnknownHostKey& key) {
    return AppendKnownHost(knownHostsPath_, key.knownHostsLine);
}

std::optional<std::string> InetTransfer::Start(PutFunction put, FtpPutRequest request) {
    // The previous worker has reported already (busy_ is false); only its return is left.
    if (worker_.joinable()) {
        worker_.join();
    }
    KillTimer(window_.get(), kKeptIdleTimer);
    busy_.store(true);
    overdueReported_ = false;
    try {
        worker_ = std::thread(&InetTransfer::Transfer, this, std::move(put), std::move(request),
                              window_.get());
    } catch (const std::exception& e) {
        busy_.store(false);
        WatchKeptIdle();  // still kept, so still closed when idle
        return std::string("The transfer could not be started: ") + e.what();
    }
    SetTimer(window_.get(), kOverdueTimer,
             static_cast<UINT>((overallLimit_ + kThreadGrace).count()), nullptr);
    return std::nullopt;
}

void InetTransfer::Transfer(PutFunction put, FtpPutRequest request, HWND notify) noexcept {
    // Made before the work starts, so that even memory running out ends as a failure shown
    // (short enough to need no allocation of its own).
    Outcome outcome;
    outcome.failure.emplace("Out of memory");
    try {
        outcome.failure = put(request, kept_, outcome.unknownKey, outcome.notes);
    } catch (const std::bad_alloc&) {
    } catch (const std::exception& e) {
        try {
            outcome.failure = std::string("The upload failed: ") + e.what();
        } catch (...) {
        }
    } catch (...) {
    }
    try {
        if (outcome.failure && std::chrono::steady_clock::now() >= request.deadline) {
            // Cut short at the limit: that is the news, not the closed connection it left.
            outcome.failure = UploadLimitText(static_cast<std::uint64_t>(overallLimit_.count()));
        }
        const std::lock_guard lock(finishedMutex_);
        finished_.push_back(std::move(outcome));
    } catch (...) {
        // Nothing left to report with; the notice below still frees the component.
    }
    // The component stays busy until the window has handled the outcome: a request made in
    // between must wait for it, or the completion would find a newer transfer running.
    PostMessageA(notify, kTransferFinished, 0, 0);
}

void InetTransfer::DeliverFinished() noexcept {
    // The worker has ended (its notice is its last act): free the component before the
    // completion runs, so that the completion may start the next transfer at once.
    KillTimer(window_.get(), kOverdueTimer);
    busy_.store(false);
    if (std::exchange(endKeptAfterTransfer_, false)) {
        RetireKept();
    } else {
        WatchKeptIdle();
    }
    const bool reported = std::exchange(overdueReported_, false);
    for (;;) {
        Outcome outcome;
        {
            const std::lock_guard lock(finishedMutex_);
            if (finished_.empty()) {
                return;
            }
            outcome = std::move(finished_.front());
            finished_.pop_front();
        }
        for (const std::string& note : outcome.notes) {
            try {
                if (noteSink_) {
                    noteSink_(note);
                }
            } catch (...) {
            }
        }
        if (!reported) {  // else its failure went out at the limit already
            // The completion may take the key; one it leaves is not offered to a later one.
            unknownKey_ = std::move(outcome.unknownKey);
            Deliver(outcome.failure);
            unknownKey_.reset();
        }
    }
}

void InetTransfer::ReportOverdue() noexcept {
    KillTimer(window_.get(), kOverdueTimer);
    if (!busy_.load() || overdueReported_) {
        return;
    }
    overdueReported_ = true;
    try {
        Deliver(UploadLimitText(static_cast<std::uint64_t>(overallLimit_.count())));
    } catch (...) {
    }
}

void InetTransfer::Deliver(const std::optional<std::string>& outcome) noexcept {
    try {
        // A copy: the completion may replace itself while it runs.
        if (Completion completion = completion_) {
            completion(outcome);
        }
    } catch (...) {
        // No exception may cross the window procedure; the outcome is simply dropped.
    }
}

LRESULT CALLBACK InetTransfer::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    if (message == WM_TIMER && wParam == kKeptIdleTimer) {
        auto* transfer = reinterpret_cast<InetTransfer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (transfer != nullptr && !transfer->busy_.load()) {
            transfer->RetireKept();
        }
        return 0;
    }
    if (message == WM_TIMER && wParam == kOverdueTimer) {
        auto* transfer = reinterpret_cast<InetTransfer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (transfer != nullptr) {
            transfer->ReportOverdue();
        }
        return 0;
    }
    if (message == kTransferFinished) {
        auto* transfer = reinterpret_cast<InetTransfer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (transfer != nullptr) {
            transfer->DeliverFinished();
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace qel
