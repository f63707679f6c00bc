// How long an FTP upload may wait on the host: both upload methods give WinINet the same limits.
#include "InternetWaits.h"

#include <initializer_list>

namespace qel {

void LimitInternetWaits(HINTERNET session) {
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_DATA_SEND_TIMEOUT,
                         INTERNET_OPTION_DATA_RECEIVE_TIMEOUT}) {
        DWORD limit = kInternetWaitLimitMs;
        InternetSetOptionA(session, option, &limit, sizeof limit);
    }
}

}  // namespace qel
