// Our internet transfer component: takes an FTP URL, a user name, a password and a
// "PUT <local> <remote>" operation, uploads on a worker thread and reports the outcome on the
// thread that made it. An "ftps://" URL uploads over explicit FTPS instead of by WinINet, an
// "sftp://" URL over SFTP, with the host keys of the known hosts file; both keep their
// logged-in connection for the next upload with the same values.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "FtpPut.h"
#include "KeptConnection.h"
#include "SshLogInRules.h"
#include "TransferControl.h"
#include "UploadQueue.h"

namespace qel {

// Make, use and destroy it on the user-interface thread: its completions arrive through a
// message-only window of that thread, so they need that thread's message loop. One transfer
// runs at a time. A WinINet transfer has a session of its own; FTPS and SFTP transfers hand
// the connection they logged in on to the next one, while it has the same URL, user name,
// password and known hosts file, until it has been idle for the idle limit or is ended. The
// worker sends the local file's bytes as they were when the transfer started, held in memory,
// so the file itself is free to be written again while the transfer runs.
// Destroying it waits for a transfer under way; a completion must not destroy its own object.
class InetTransfer : public TransferControl {
public:
    static constexpr const char* kStillExecuting = "Still executing last request";
    static constexpr const char* kInvalidUrl = "Invalid URL";
    static constexpr const char* kInvalidOperation = "Invalid operation";

    // An upload that has not ended this long after its start is given up: its connections are
    // closed so that its thread ends, and it reports UploadLimitText. Should the thread not end
    // in time even so, the failure is reported all the same, and the component stays busy
    // (StillExecuting) until the thread is done.
    static constexpr std::chrono::milliseconds kKeptIdleLimit{60000};
    // The goodbye to a connection no longer kept waits this long for the host, at most.
    static constexpr std::chrono::milliseconds kGoodbyeLimit{1500};

    explicit InetTransfer(std::chrono::milliseconds overallLimit =
                              std::chrono::milliseconds(UploadQueue::kOverallLimitMs),
                          std::chrono::milliseconds keptIdleLimit = kKeptIdleLimit);
    InetTransfer(const InetTransfer&) = delete;
    InetTransfer& operator=(const InetTransfer&) = delete;
    ~InetTransfer() override;

    void SetURL(const std::string& url) override;
    void SetUserName(const std::string& userName) override;
    void SetPassword(const std::string& password) override;
    std::optional<std::string> Execute(const std::string& operation) override;
    void SetCompletion(Completion completion) override;

    bool StillExecuting() const override { return busy_.load(); }
    // The kept connection gets its goodbye in the background, now or, while a transfer runs,
    // as soon as that transfer has ended. At exit nothing is sent: the process just ends.
    void EndKeptConnection() override;
    std::optional<UnknownHostKey> TakeUnknownHostKey() override;
    std::optional<std::string> TrustHostKey(const UnknownHostKey& key) override;

    // The known hosts file (OpenSSH's format, a UTF-8 path) that "sftp://" transfers check.
    void SetKnownHostsFile(const std::string& path) { knownHostsPath_ = path; }
    // Where lines for the history go (a key file others may read), on this thread.
    void SetNoteSink(std::function<void(const std::string&)> sink) { noteSink_ = std::move(sink); }

private:
    // How one upload is made, from start to end, on the worker thread.
    using PutFunction = std::function<std::optional<std::string>(
        const FtpPutRequest& request, std::unique_ptr<KeptConnection>& kept,
        std::optional<UnknownHostKey>&, std::vector<std::string>&)>;
    struct Outcome {
        std::optional<std::string> failure;
        std::optional<UnknownHostKey> unknownKey;
        std::vector<std::string> notes;
    };

    struct WindowDestroy {
        void operator()(HWND window) const { DestroyWindow(window); }
    };

    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    static bool RegisterWindowClass();
    std::optional<std::string> Start(PutFunction put, FtpPutRequest request);
    void Transfer(PutFunction put, FtpPutRequest request, HWND notify) noexcept;
    void DeliverFinished() noexcept;
    void Deliver(const std::optional<std::string>& outcome) noexcept;
    // The limit has passed with the thread still at work: the failure is reported now.
    void ReportOverdue() noexcept;
    // A kept connection ends once it has been idle for the idle limit.
    void WatchKeptIdle();
    // Hands the kept connection to a thread of its own for its goodbye.
    void RetireKept() noexcept;

    std::string url_;
    std::string userName_;
    std::string password_;
    std::string knownHostsPath_;
    PasswordRest sshPasswordRest_;  // SFTP log-ins a host refused, used by the worker only
    Completion completion_;
    std::function<void(const std::string&)> noteSink_;
    std::optional<UnknownHostKey> unknownKey_;  // of the outcome being delivered

    std::unique_ptr<HWND__, WindowDestroy> window_;
    std::string windowError_;  // why the window could not be made, when it could not

    const std::chrono::milliseconds overallLimit_;
    const std::chrono::milliseconds keptIdleLimit_;
    // The logged-in connection the last transfer left, and the values it was made with; the
    // worker alone uses it while a transfer runs, this thread only in between.
    std::unique_ptr<KeptConnection> kept_;
    std::string keptFor_;
    bool endKeptAfterTransfer_ = false;
    std::thread retirer_;  // the last goodbye
    std::atomic<bool> busy_{false};
    bool overdueReported_ = false;  // the running transfer's failure went out at its limit
    std::mutex finishedMutex_;
    std::deque<Outcome> finished_;  // outcomes not yet delivered
    std::thread worker_;
};

}  // namespace qel
