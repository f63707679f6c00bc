// The root certificate the harness makes for each test run, among the machine's trusted roots.
#pragma once

namespace wintest {

// Adds the root named by PELLUCOR_FTP_TLS_ROOT (DER) to the local machine's trusted roots, once
// per process (later processes find it there too). False when there is none or it failed.
bool TrustTestRoot();

}  // namespace wintest
