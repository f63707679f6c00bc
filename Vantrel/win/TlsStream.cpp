// TLS from the system (Schannel through SSPI), with our own check of the server's certificate.
#include "TlsStream.h"

#include <schannel.h>
#include <wincrypt.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace qel {
namespace {

constexpr DWORD kContextRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                  ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY |
                                  ISC_REQ_STREAM | ISC_REQ_MANUAL_CRED_VALIDATION;

constexpr DWORD kAcceptedProtocols = SP_PROT_TLS1_2 | SP_PROT_TLS1_3;

struct KnownText {
    DWORD status;
    const char* text;
};

constexpr std::array kOwnTexts{
    KnownText{static_cast<DWORD>(CERT_E_UNTRUSTEDROOT),
              "The certificate does not chain to a root this system trusts"},
    KnownText{static_cast<DWORD>(CERT_E_CHAINING),
              "The certificate does not chain to a root this system trusts"},
    KnownText{static_cast<DWORD>(CERT_E_CN_NO_MATCH),
              "The certificate was issued for another host name"},
    KnownText{static_cast<DWORD>(CERT_E_EXPIRED),
              "The certificate has expired or is not yet valid"},
    KnownText{static_cast<DWORD>(CERT_E_WRONG_USAGE), "The certificate is not meant for a server"},
    KnownText{static_cast<DWORD>(CERT_E_REVOKED), "The certificate has been revoked"},
    KnownText{static_cast<DWORD>(TRUST_E_CERT_SIGNATURE),
              "The certificate's signature is not valid"},
    KnownText{static_cast<DWORD>(SEC_E_ILLEGAL_MESSAGE), "The server broke off the TLS handshake"},
    KnownText{static_cast<DWORD>(SEC_E_ALGORITHM_MISMATCH),
              "The server and this system have no TLS version or cipher in common"},
    KnownText{static_cast<DWORD>(SEC_E_UNSUPPORTED_FUNCTION),
              "The server and this system have no TLS version in common"},
    KnownText{static_cast<DWORD>(SEC_E_INVALID_TOKEN), "The server's TLS message is not valid"},
    KnownText{static_cast<DWORD>(SEC_E_DECRYPT_FAILURE),
              "A TLS message from the server could not be decrypted"},
    KnownText{static_cast<DWORD>(SEC_E_MESSAGE_ALTERED), "A TLS message was altered"},
    KnownText{static_cast<DWORD>(SEC_E_INTERNAL_ERROR), "The system's TLS failed"},
    KnownText{static_cast<DWORD>(SEC_E_NO_CREDENTIALS),
              "The system's TLS has no credentials to offer"},
};

std::string FormatFromSystem(DWORD status) {
    char buffer[512] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, status, 0, buffer, sizeof buffer, nullptr);
    while (length > 0 && (buffer[length - 1] == '\r' || buffer[length - 1] == '\n' ||
                          buffer[length - 1] == ' ')) {
        --length;
    }
    return std::string(buffer, length);
}

struct ContextBufferFree {
    void operator()(void* buffer) const { FreeContextBuffer(buffer); }
};

struct CertificateFree {
    void operator()(const CERT_CONTEXT* certificate) const {
        CertFreeCertificateContext(certificate);
    }
};

struct ChainFree {
    void operator()(const CERT_CHAIN_CONTEXT* chain) const { CertFreeCertificateChain(chain); }
};

std::wstring Widened(const std::string& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 1)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
    wide.resize(wide.size() - 1);
    return wide;
}

NetFailure CertificateFailure(const std::string& why) {
    return "The FTP host's certificate was refused: " + why;
}

struct TrustText {
    DWORD flags;
    const char* text;
};

// The chain's own verdict, in the order a user can best act on it.
constexpr std::array kTrustTexts{
    TrustText{CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN,
              "The certificate does not chain to a root this system trusts"},
    TrustText{CERT_TRUST_IS_NOT_TIME_VALID, "The certificate has expired or is not yet valid"},
    TrustText{CERT_TRUST_IS_REVOKED, "The certificate has been revoked"},
    TrustText{CERT_TRUST_IS_NOT_SIGNATURE_VALID, "The certificate's signature is not valid"},
    TrustText{CERT_TRUST_IS_NOT_VALID_FOR_USAGE, "The certificate is not meant for a server"},
    TrustText{CERT_TRUST_IS_CYCLIC, "The certificate chain goes round in a circle"},
};

// Revocation that could not be checked is no error here: the PC may have no route to the
// lists. Every other error of the chain refuses it, whatever the SSL policy says of it (Wine's
// takes a chain that ends at an unknown issuer for a good one).
NetFailure CheckTrustStatus(const CERT_CHAIN_CONTEXT& chain) {
    const DWORD errors =
        chain.TrustStatus.dwErrorStatus & ~static_cast<DWORD>(CERT_TRUST_REVOCATION_STATUS_UNKNOWN |
                                                              CERT_TRUST_IS_OFFLINE_REVOCATION);
    if (errors == CERT_TRUST_NO_ERROR) {
        return std::nullopt;
    }
    for (const TrustText& known : kTrustTexts) {
        if ((errors & known.flags) != 0) {
            return CertificateFailure(known.text);
        }
    }
    char hex[16] = {};
    wsprintfA(hex, "0x%08lX", static_cast<unsigned long>(errors));
    return CertificateFailure(std::string("its chain is not valid (trust status ") + hex + ")");
}

// Chains the certificate the server sent to a root the system trusts (without revocation
// checks: the PC may have no route to the lists) and matches it against the server's name.
NetFailure CheckCertificate(CtxtHandle* context, const std::string& serverName) {
    const CERT_CONTEXT* sent = nullptr;
    if (QueryContextAttributesA(context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &sent) != SEC_E_OK ||
        sent == nullptr) {
        return CertificateFailure("the server sent none");
    }
    const std::unique_ptr<const CERT_CONTEXT, CertificateFree> certificate(sent);

    std::array<LPSTR, 3> usages{const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH),
                                const_cast<LPSTR>(szOID_SERVER_GATED_CRYPTO),
                                const_cast<LPSTR>(szOID_SGC_NETSCAPE)};
    CERT_CHAIN_PARA chainPara{};
    chainPara.cbSize = sizeof chainPara;
    chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    chainPara.RequestedUsage.Usage.cUsageIdentifier = static_cast<DWORD>(usages.size());
    chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usages.data();
    const CERT_CHAIN_CONTEXT* built = nullptr;
    if (!CertGetCertificateChain(nullptr, certificate.get(), nullptr, certificate->hCertStore,
                                 &chainPara, 0, nullptr, &built)) {
        return CertificateFailure(TlsErrorDescription(static_cast<LONG>(GetLastError())));
    }
    const std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainFree> chain(built);
    if (auto failure = CheckTrustStatus(*chain)) {
        return failure;
    }

    std::wstring name = Widened(serverName);
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.fdwChecks = 0;
    ssl.pwszServerName = name.data();
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policy, &status)) {
        return CertificateFailure(TlsErrorDescription(static_cast<LONG>(GetLastError())));
    }
    if (status.dwError != 0) {
        return CertificateFailure(TlsErrorDescription(static_cast<LONG>(status.dwError)));
    }
    return std::nullopt;
}

}  // namespace

std::string TlsErrorDescription(LONG status) {
    const auto code = static_cast<DWORD>(status);
    std::string text = FormatFromSystem(code);
    if (!text.empty()) {
        return text;
    }
    for (const KnownText& known : kOwnTexts) {
        if (known.status == code) {
            return known.text;
        }
    }
    char hex[16] = {};
    wsprintfA(hex, "0x%08lX", static_cast<unsigned long>(code));
    return std::string("TLS error ") + hex;
}

TlsCredentials::~TlsCredentials() {
    if (acquired_) {
        FreeCredentialsHandle(&handle_);
    }
}

NetFailure TlsCredentials::Acquire() {
    if (acquired_) {
        return std::nullopt;
    }
    SCHANNEL_CRED settings{};
    settings.dwVersion = SCHANNEL_CRED_VERSION;
    // The system's own choice of versions (newer ones as it gains them); older than TLS 1.2 is
    // refused after the handshake, before anything is sent.
    settings.grbitEnabledProtocols = 0;
    settings.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    TimeStamp expiry{};
    const SECURITY_STATUS status =
        AcquireCredentialsHandleA(nullptr, const_cast<LPSTR>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND,
                                  nullptr, &settings, nullptr, nullptr, &handle_, &expiry);
    if (status != SEC_E_OK) {
        return "The system's TLS could not be started: " + TlsErrorDescription(status);
    }
    acquired_ = true;
    return std::nullopt;
}

TlsStream::~TlsStream() {
    if (hasContext_) {
        DeleteSecurityContext(&context_);
    }
}

NetFailure TlsStream::SendToken(SecBufferDesc& output) {
    SecBuffer& token = output.pBuffers[0];
    if (token.pvBuffer == nullptr) {
        return std::nullopt;
    }
    const std::unique_ptr<void, ContextBufferFree> owner(token.pvBuffer);
    if (token.cbBuffer == 0) {
        return std::nullopt;
    }
    return tcp_.Send(std::string_view(static_cast<const char*>(token.pvBuffer), token.cbBuffer));
}

NetFailure TlsStream::Handshake(TlsCredentials& credentials, const std::string& serverName) {
    if (auto failure = credentials.Acquire()) {
        return failure;
    }
    credentials_ = credentials.Get();
    serverName_ = serverName;
    if (auto failure = Negotiate(true)) {
        return failure;
    }
    if (auto failure = Verify()) {
        return failure;
    }
    established_ = true;
    return std::nullopt;
}

// Runs the handshake's token exchange until the context is complete. `first` starts a new
// one; otherwise it goes on with what is in `encrypted_` (the server renegotiating, or a
// TLS 1.3 message after the handshake), which the system sees before anything more is read:
// it may be all it needs, and the server may be waiting for our answer.
NetFailure TlsStream::Negotiate(bool first) {
    bool needInput = false;
    unsigned long request = kContextRequest;
    for (;;) {
        if (needInput) {
            if (auto failure = tcp_.Receive(encrypted_)) {
                return failure;
            }
        }
        std::array<SecBuffer, 2> inBuffers{};
        inBuffers[0].BufferType = SECBUFFER_TOKEN;
        inBuffers[0].pvBuffer = encrypted_.data();
        inBuffers[0].cbBuffer = static_cast<unsigned long>(encrypted_.size());
        inBuffers[1].BufferType = SECBUFFER_EMPTY;
        SecBufferDesc input{SECBUFFER_VERSION, static_cast<unsigned long>(inBuffers.size()),
                            inBuffers.data()};
        SecBuffer outBuffer{0, SECBUFFER_TOKEN, nullptr};
        SecBufferDesc output{SECBUFFER_VERSION, 1, &outBuffer};
        unsigned long attributes = 0;
        auto* name = const_cast<SEC_CHAR*>(serverName_.c_str());
        const SECURITY_STATUS status =
            first ? InitializeSecurityContextA(credentials_, nullptr, name, request, 0, 0, nullptr,
                                               0, &context_, &output, &attributes, nullptr)
                  : InitializeSecurityContextA(credentials_, &context_, name, request, 0, 0, &input,
                                               0, nullptr, &output, &attributes, nullptr);
        if (first) {
            hasContext_ = status == SEC_I_CONTINUE_NEEDED || status == SEC_E_OK;
            first = false;
        }
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            needInput = true;
            continue;
        }
        const NetFailure sent = SendToken(output);
        if (status == SEC_I_INCOMPLETE_CREDENTIALS) {
            // The host asks for a client certificate, which we have none of: told to use the
            // credentials as they are, the system answers without one, and the host decides.
            // The same input is tried again only with that change.
            if ((request & ISC_REQ_USE_SUPPLIED_CREDS) != 0) {
                return std::string(
                    "TLS handshake failed: the FTP host asks for a client certificate");
            }
            request |= ISC_REQ_USE_SUPPLIED_CREDS;
            needInput = false;
            continue;
        }
        if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED) {
            std::string text = "TLS handshake failed: " + TlsErrorDescription(status);
            if (OffersTls12() == false) {
                text += "; this system's TLS does not offer version 1.2 or newer";
            }
            return text;
        }
        if (sent) {
            return sent;
        }
        const std::size_t given = encrypted_.size();
        if (inBuffers[1].BufferType == SECBUFFER_EXTRA && inBuffers[1].cbBuffer > 0) {
            encrypted_.erase(0, encrypted_.size() - inBuffers[1].cbBuffer);
        } else {
            encrypted_.clear();
        }
        if (status == SEC_E_OK) {
            return std::nullopt;
        }
        // Input the system did not use at all needs more behind it.
        needInput = encrypted_.empty() || encrypted_.size() == given;
    }
}

std::optional<bool> TlsStream::OffersTls12() const {
    SecPkgCred_SupportedProtocols supported{};
    if (credentials_ == nullptr ||
        QueryCredentialsAttributesA(credentials_, SECPKG_ATTR_SUPPORTED_PROTOCOLS, &supported) !=
            SEC_E_OK) {
        return std::nullopt;
    }
    return (supported.grbitProtocol & kAcceptedProtocols) != 0;
}

NetFailure TlsStream::CheckConnection() const {
    SecPkgContext_ConnectionInfo info{};
    auto* context = const_cast<CtxtHandle*>(&context_);
    const SECURITY_STATUS status =
        QueryContextAttributesA(context, SECPKG_ATTR_CONNECTION_INFO, &info);
    if (status != SEC_E_OK) {
        return "The TLS version could not be checked: " + TlsErrorDescription(status);
    }
    if ((info.dwProtocol & kAcceptedProtocols) != 0) {
        return std::nullopt;
    }
    // Which side lacks TLS 1.2 is known only when this system says what it offered.
    const std::optional<bool> offered = OffersTls12();
    if (!offered) {
        return std::string("The connection would use TLS older than version 1.2");
    }
    return std::string(*offered ? "The FTP host offers only TLS older than version 1.2"
                                : "This system's TLS does not offer version 1.2 or newer");
}

// Everything the handshake decided, checked again after every renegotiation: a server may not
// change its certificate or go down to an older version half-way.
NetFailure TlsStream::Verify() {
    if (auto failure = CheckConnection()) {
        return failure;
    }
    if (auto failure = CheckCertificate(&context_, serverName_)) {
        return failure;
    }
    if (const SECURITY_STATUS status =
            QueryContextAttributesA(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_);
        status != SEC_E_OK) {
        return TlsErrorDescription(status);
    }
    if (sizes_.cbMaximumMessage == 0) {
        return std::string("The system's TLS gave no message size");
    }
    return std::nullopt;
}

bool TlsStream::Resumed() const {
    SecPkgContext_SessionInfo info{};
    auto* context = const_cast<CtxtHandle*>(&context_);
    return hasContext_ &&
           QueryContextAttributesA(context, SECPKG_ATTR_SESSION_INFO, &info) == SEC_E_OK &&
           (info.dwFlags & SSL_SESSION_RECONNECT) != 0;
}

NetFailure TlsStream::Send(std::string_view bytes) {
    if (!established_) {
        return std::string("No TLS connection");
    }
    while (!bytes.empty()) {
        const std::size_t chunk = std::min<std::size_t>(bytes.size(), sizes_.cbMaximumMessage);
        std::string packet(sizes_.cbHeader + chunk + sizes_.cbTrailer, '\0');
        std::memcpy(packet.data() + sizes_.cbHeader, bytes.data(), chunk);
        std::array<SecBuffer, 4> buffers{};
        buffers[0] = {sizes_.cbHeader, SECBUFFER_STREAM_HEADER, packet.data()};
        buffers[1] = {static_cast<unsigned long>(chunk), SECBUFFER_DATA,
                      packet.data() + sizes_.cbHeader};
        buffers[2] = {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER,
                      packet.data() + sizes_.cbHeader + chunk};
        buffers[3] = {0, SECBUFFER_EMPTY, nullptr};
        SecBufferDesc message{SECBUFFER_VERSION, static_cast<unsigned long>(buffers.size()),
                              buffers.data()};
        const SECURITY_STATUS status = EncryptMessage(&context_, 0, &message, 0);
        if (status != SEC_E_OK) {
            return TlsErrorDescription(status);
        }
        packet.resize(buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
        if (auto failure = tcp_.Send(packet)) {
            return failure;
        }
        bytes.remove_prefix(chunk);
    }
    return std::nullopt;
}

NetFailure TlsStream::Receive(std::string& received) {
    if (!established_) {
        return std::string("No TLS connection");
    }
    for (;;) {
        if (!encrypted_.empty()) {
            std::array<SecBuffer, 4> buffers{};
            buffers[0] = {static_cast<unsigned long>(encrypted_.size()), SECBUFFER_DATA,
                          encrypted_.data()};
            for (std::size_t i = 1; i < buffers.size(); ++i) {
                buffers[i] = {0, SECBUFFER_EMPTY, nullptr};
            }
            SecBufferDesc message{SECBUFFER_VERSION, static_cast<unsigned long>(buffers.size()),
                                  buffers.data()};
            const SECURITY_STATUS status = DecryptMessage(&context_, &message, 0, nullptr);
            if (status != SEC_E_INCOMPLETE_MESSAGE) {
                if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE &&
                    status != SEC_I_CONTEXT_EXPIRED) {
                    return TlsErrorDescription(status);
                }
                const std::size_t before = received.size();
                std::string extra;
                for (const SecBuffer& buffer : buffers) {
                    if (buffer.BufferType == SECBUFFER_DATA && buffer.cbBuffer > 0) {
                        received.append(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
                    } else if (buffer.BufferType == SECBUFFER_EXTRA && buffer.cbBuffer > 0) {
                        extra.assign(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
                    }
                }
                encrypted_ = std::move(extra);
                if (status == SEC_I_CONTEXT_EXPIRED && received.size() == before) {
                    return std::string("The FTP host ended the TLS connection");
                }
                if (status == SEC_I_RENEGOTIATE) {
                    // Nothing may be sent or taken in until the new keys are checked.
                    established_ = false;
                    if (auto failure = Negotiate(false)) {
                        return failure;
                    }
                    if (auto failure = Verify()) {
                        return failure;
                    }
                    established_ = true;
                }
                if (received.size() > before) {
                    return std::nullopt;
                }
                continue;
            }
        }
        if (auto failure = tcp_.Receive(encrypted_)) {
            return failure;
        }
    }
}

NetFailure TlsStream::Shutdown() {
    if (!established_) {
        return std::nullopt;
    }
    established_ = false;
    DWORD type = SCHANNEL_SHUTDOWN;
    SecBuffer control{sizeof type, SECBUFFER_TOKEN, &type};
    SecBufferDesc controlDesc{SECBUFFER_VERSION, 1, &control};
    if (const SECURITY_STATUS status = ApplyControlToken(&context_, &controlDesc);
        status != SEC_E_OK) {
        return TlsErrorDescription(status);
    }
    SecBuffer outBuffer{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc output{SECBUFFER_VERSION, 1, &outBuffer};
    unsigned long attributes = 0;
    const SECURITY_STATUS status = InitializeSecurityContextA(
        credentials_, &context_, const_cast<SEC_CHAR*>(serverName_.c_str()), kContextRequest, 0, 0,
        nullptr, 0, nullptr, &output, &attributes, nullptr);
    const NetFailure sent = SendToken(output);
    if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED) {
        return TlsErrorDescription(status);
    }
    return sent;
}

}  // namespace qel
