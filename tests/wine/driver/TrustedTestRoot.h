// The root certificate the harness makes for each test run, among the machine's trusted roots;
// an SFTP host's key in a known hosts file.
#pragma once

#include <string>

namespace wintest {

// Adds the root named by PELLUCOR_FTP_TLS_ROOT (DER) to the local machine's trusted roots, once
// per process (later processes find it there too). False when there is none or it failed.
bool TrustTestRoot();

// The key of the harness's SFTP host `host` (host:port, the account of PELLUCOR_SFTP_USER)
// appended to the known hosts file, as a Yes to Qel's question puts it there; its folder is
// made if missing. False when the key could not be had or written.
bool TrustSftpHost(const std::string& host, const std::string& knownHostsPath);

}  // namespace wintest
