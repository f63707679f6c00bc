// Taking complete blocks out of the text received from the device.
#include "BlockTakeOut.h"

#include <algorithm>

namespace qel {

std::optional<std::string> TakeEndMarkerBlock(std::string& inBuffer) {
    if (!std::string_view(inBuffer).ends_with(kEndMarker)) {
        return std::nullopt;
    }
    inBuffer.resize(inBuffer.size() - kEndMarker.size());
    std::string block = std::move(inBuffer);
    inBuffer.clear();  // a moved-from string is valid but unspecified
    return block;
}

std::optional<std::string> TakeSplitBlock(std::string& inBuffer, std::size_t searchFrom) {
    const std::size_t at = inBuffer.find(kEndMarker, std::min(searchFrom, inBuffer.size()));
    if (at == std::string::npos) {
        return std::nullopt;
    }
    std::string block = inBuffer.substr(0, at);
    inBuffer.erase(0, at + kEndMarker.size());
    return block;
}

}  // namespace qel
