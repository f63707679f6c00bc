// Uploads over explicit FTPS, one by one or many over a kept connection, through Winsock and
// the system's TLS.
#include "FtpsPut.h"

#include <memory>
#include <utility>

#include "FtpsDialogue.h"
#include "HostProfile.h"
#include "InternetWaits.h"
#include "TcpConnection.h"
#include "TlsStream.h"
#include "UniqueHandle.h"
#include "Win32Error.h"

namespace qel {
namespace {

constexpr unsigned short kFtpPort = 21;
// A single upload's QUIT waits this long at most for the host's answer.
constexpr long kOneUploadGoodbyeMs = 1000;
// How long the data connection is read after our end of it, for the host to close its end.
constexpr DWORD kDrainLimitMs = 3000;

// The control connection in clear until SecureControl, then through TLS; the data connection
// through TLS made with the same credentials and server name, so that the system's TLS offers
// to resume the control connection's session, as many hosts require.
class WinsockFtpsTransport : public FtpsTransport {
public:
    WinsockFtpsTransport(std::string host, TcpConnection::Deadline deadline)
        : host_(std::move(host)) {
        SetDeadline(deadline);
    }

    // Each upload over a kept connection has a deadline of its own.
    void SetDeadline(TcpConnection::Deadline deadline) {
        control_.SetDeadline(deadline);
        data_.SetDeadline(deadline);
    }

    FtpsFailure Connect() override {
        return control_.Connect(host_, kFtpPort, kInternetWaitLimitMs);
    }

    FtpsFailure SendControl(std::string_view bytes) override {
        return controlTls_ ? controlTls_->Send(bytes) : control_.Send(bytes);
    }

    FtpsFailure ReceiveControl(std::string& received) override {
        return controlTls_ ? controlTls_->Receive(received) : control_.Receive(received);
    }

    FtpsFailure SecureControl() override {
        controlTls_ = std::make_unique<TlsStream>(control_);
        return controlTls_->Handshake(credentials_, host_);
    }

    FtpsFailure OpenData(unsigned port) override {
        dataTls_.reset();
        return data_.ConnectToPeerOf(control_, static_cast<unsigned short>(port),
                                     kInternetWaitLimitMs);
    }

    FtpsFailure SecureData() override {
        dataTls_ = std::make_unique<TlsStream>(data_);
        return dataTls_->Handshake(credentials_, host_);
    }

    FtpsFailure SendData(std::string_view bytes) override {
        return dataTls_ ? dataTls_->Send(bytes) : std::string("No TLS connection");
    }

    // close_notify, then our end of the connection, then what the host still sends (TLS 1.3
    // session tickets, its own close_notify) read and dropped until it closes: closing with
    // unread data would reset the connection, and the host could lose the end of the file. A
    // drain that runs out of time is no failure: the host's reply tells whether it was stored.
    FtpsFailure CloseData() override {
        FtpsFailure failure = dataTls_ ? dataTls_->Shutdown() : std::nullopt;
        dataTls_.reset();
        data_.FinishAndDrain(kDrainLimitMs);
        data_.Close();
        return failure;
    }

private:
    std::string host_;
    TlsCredentials credentials_;
    TcpConnection control_;
    TcpConnection data_;
    // After the connections they use, so destroyed before them.
    std::unique_ptr<TlsStream> controlTls_;
    std::unique_ptr<TlsStream> dataTls_;
};

// A logged-in control connection kept for the next page to the same host.
class FtpsConnection final : public KeptConnection {
public:
    explicit FtpsConnection(const FtpPutRequest& request)
        : transport_(request.host, request.deadline),
          session_(transport_, request.userName, request.password) {}

    FtpsFailure Open() { return session_.Open(); }

    FtpsFailure Store(const FtpPutRequest& request) {
        transport_.SetDeadline(request.deadline);
        return session_.Store(request.remotePath, request.content);
    }

    void Goodbye(std::chrono::milliseconds limit) noexcept override {
        transport_.SetDeadline(std::chrono::steady_clock::now() + limit);
        try {
            session_.Quit();
        } catch (...) {
            // Out of memory for a goodbye: the connection simply closes.
        }
    }

private:
    WinsockFtpsTransport transport_;
    FtpsSession session_;
};

}  // namespace

std::optional<std::string> PutFileByFtps(const FtpPutRequest& request,
                                         std::unique_ptr<KeptConnection>& kept) {
    // Nothing goes to the host, not even over a kept connection, that a line break could split.
    if (auto refused =
            RefusedHostValuesText(request.userName, request.password, request.remotePath)) {
        return refused;
    }
    return PutOverKept<FtpsConnection>(
        kept,
        [&request](std::unique_ptr<FtpsConnection>& fresh) {
            fresh = std::make_unique<FtpsConnection>(request);
            return fresh->Open();
        },
        [&request](FtpsConnection& connection) { return connection.Store(request); });
}

std::optional<std::string> PutFileByFtps(const FtpPutRequest& request) {
    std::unique_ptr<KeptConnection> connection;
    auto failure = PutFileByFtps(request, connection);
    if (connection) {
        connection->Goodbye(std::chrono::milliseconds(kOneUploadGoodbyeMs));
    }
    return failure;
}

}  // namespace qel
