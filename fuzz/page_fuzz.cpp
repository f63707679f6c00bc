// Fuzzes the page builder: any block, title and refresh text give a well-formed page whose body
// holds no end marker and has "<br>" before every CR LF.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "BlockTakeOut.h"
#include "PageBuilder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    const std::string title = provider.ConsumeRandomLengthString(64);
    const std::string refresh = provider.ConsumeRandomLengthString(16);
    const std::string block = provider.ConsumeRemainingBytesAsString();

    const std::string stripped = qel::StripMarkers(block);
    if (stripped.find(qel::kEndMarker) != std::string::npos ||
        !std::string_view(block).ends_with(stripped)) {
        std::abort();
    }
    const std::string body = qel::ConvertLineBreaks(stripped);
    for (std::size_t at = body.find("\r\n"); at != std::string::npos;
         at = body.find("\r\n", at + 1)) {
        if (at < 4 || body.compare(at - 4, 4, "<br>") != 0) {
            std::abort();
        }
    }
    const std::string page = qel::PageFileBytes(qel::BuildPageText(title, refresh, body));
    if (!page.starts_with("<!DOCTYPE HTML PUBLIC") ||
        !page.ends_with(body + "</body></html>\r\n")) {
        std::abort();
    }
    return 0;
}
