// The root certificate the harness makes for each test run, among the machine's trusted roots.
#include "TrustedTestRoot.h"

#include <windows.h>
#include <wincrypt.h>

#include <optional>
#include <vector>

#include "KnownHostsFile.h"
#include "SftpPut.h"
#include "WinTestSupport.h"

namespace wintest {

bool TrustTestRoot() {
    static const bool trusted = [] {
        const auto path = EnvVar("PELLUCOR_FTP_TLS_ROOT");
        const auto der = path ? ReadBytes(*path) : std::nullopt;
        if (!der || der->empty()) {
            return false;
        }
        HCERTSTORE store =
            CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "Root");
        if (store == nullptr) {
            return false;
        }
        const BOOL added = CertAddEncodedCertificateToStore(
            store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der->data()),
            static_cast<DWORD>(der->size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
        CertCloseStore(store, 0);
        return added != FALSE;
    }();
    return trusted;
}

bool TrustSftpHost(const std::string& host, const std::string& knownHostsPath) {
    // An upload that meets the unknown key stops there and hands the key over.
    std::optional<qel::UnknownHostKey> key;
    qel::PasswordRest rest;
    const qel::FtpPutRequest probe{
        .host = host,
        .userName = EnvVar("PELLUCOR_SFTP_USER").value_or(""),
        .password = EnvVar("PELLUCOR_SFTP_PASSWORD").value_or(""),
        .content = "",
        .remotePath = EnvVar("PELLUCOR_SFTP_ROOT").value_or("") + "/www/probe"};
    std::vector<std::string> notes;
    qel::PutFileBySftp(probe, knownHostsPath, key, rest, notes);
    const std::string folder = knownHostsPath.substr(0, knownHostsPath.find_last_of('\\'));
    CreateDirectoryA(folder.c_str(), nullptr);
    return key && !qel::AppendKnownHost(knownHostsPath, key->knownHostsLine);
}

}  // namespace wintest
