// Taking complete blocks of device text out of the receive buffer. The device ends each block
// it wants published with the end marker; the marker itself is never published.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qel {

inline constexpr std::string_view kEndMarker = "@@@@";

// End-marker case: when inBuffer ends with the marker, returns the text before that final
// marker and empties inBuffer. Otherwise returns nullopt and leaves inBuffer as it is. The
// returned text may still hold earlier markers (the page builder drops them).
std::optional<std::string> TakeEndMarkerBlock(std::string& inBuffer);

// Split case: when inBuffer holds a marker, returns the text before the first one and leaves
// inBuffer holding the text after it (which waits for a later take-out). Otherwise returns
// nullopt and leaves inBuffer as it is. Works for a buffer of any length.
// `searchFrom` lets a caller that knows a prefix holds no marker skip it, so that a buffer that
// only grows is not searched again from its start on every tick.
std::optional<std::string> TakeSplitBlock(std::string& inBuffer, std::size_t searchFrom = 0);

// Where a search for the marker must start in a buffer whose first `markerFreeLength`
// characters were searched before without finding one: a marker may straddle the old end.
constexpr std::size_t MarkerSearchStart(std::size_t markerFreeLength) {
    return markerFreeLength >= kEndMarker.size() ? markerFreeLength - (kEndMarker.size() - 1) : 0;
}

}  // namespace qel
