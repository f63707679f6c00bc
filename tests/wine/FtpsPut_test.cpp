// The system's TLS against the harness's FTPS server (skipped without one): after AUTH TLS the
// handshake succeeds with a certificate trusted through the machine's roots, and a certificate
// for another host name is refused.
#include "TlsStream.h"

#include <gtest/gtest.h>

#include "TrustedTestRoot.h"
#include "WinTestSupport.h"

namespace {

using qel::TcpConnection;
using qel::TlsCredentials;
using qel::TlsStream;

constexpr DWORD kLimitMs = 10000;

// One reply line (enough for these servers' single-line replies), read through `receive`.
template <typename Receive>
std::string ReadLine(Receive receive) {
    std::string received;
    while (received.find("\r\n") == std::string::npos) {
        if (receive(received)) {
            break;
        }
    }
    return received;
}

// Connects to `host`, asks for TLS and runs the handshake; its failure, or the server's answer
// to USER over the protected connection.
std::string HandshakeWith(const std::string& host) {
    TcpConnection tcp;
    if (auto failure = tcp.Connect(host, 21, kLimitMs)) {
        return "connect: " + *failure;
    }
    auto plain = [&](std::string& into) { return tcp.Receive(into).has_value(); };
    EXPECT_EQ(ReadLine(plain).substr(0, 3), "220");
    EXPECT_FALSE(tcp.Send("AUTH TLS\r\n"));
    EXPECT_EQ(ReadLine(plain).substr(0, 3), "234");
    TlsCredentials credentials;
    TlsStream tls(tcp);
    if (auto failure = tls.Handshake(credentials, host)) {
        return *failure;
    }
    EXPECT_FALSE(tls.Send("USER qel\r\n"));
    return ReadLine([&](std::string& into) { return tls.Receive(into).has_value(); });
}

TEST(TlsStream, HandshakeWithTheFtpsServerChecksItsCertificate) {
    const auto host = wintest::EnvVar("PELLUCOR_FTP_TLS_HOST");
    const auto otherHost = wintest::EnvVar("PELLUCOR_FTP_TLS_OTHER_HOST");
    if (!host || !otherHost) {
        GTEST_SKIP() << "no FTPS server given (PELLUCOR_FTP_TLS_HOST/OTHER_HOST)";
    }
    ASSERT_TRUE(wintest::TrustTestRoot());
    EXPECT_EQ(HandshakeWith(*host).substr(0, 4), "331 ");
    const std::string refused = HandshakeWith(*otherHost);
    EXPECT_EQ(refused.rfind("The FTP host's certificate was refused: ", 0), 0u) << refused;
}

}  // namespace
