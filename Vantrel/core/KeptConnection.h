// A logged-in connection that an upload leaves open for the next upload with the same host
// values, and the rule by which a page goes over it: a kept connection never costs a page.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace qel {

class KeptConnection {
public:
    virtual ~KeptConnection() = default;  // ends it without a word to the host
    // The polite end (QUIT, the SSH disconnect), waiting at most `limit` for the host.
    virtual void Goodbye(std::chrono::milliseconds limit) noexcept = 0;
};

// Sends a page over `kept` when it holds a Connection. Should that fail for any reason (the
// host closed it after its idle time, a reset, a time-out, even a refusal), the connection is
// given up and the page goes at once over a fresh one from `open`, so that only the fresh
// connection's failure is shown and whatever the host half-stored is replaced. A connection
// the page went over whole is left in `kept`. `open(fresh)` fills `fresh` or fails;
// `put(connection)` sends the page.
template <class Connection, class Open, class Put>
std::optional<std::string> PutOverKept(std::unique_ptr<KeptConnection>& kept, Open open, Put put) {
    if (auto* connection = dynamic_cast<Connection*>(kept.get())) {
        if (!put(*connection)) {
            return std::nullopt;
        }
    }
    kept.reset();
    std::unique_ptr<Connection> fresh;
    if (auto failure = open(fresh)) {
        return failure;
    }
    if (auto failure = put(*fresh)) {
        return failure;
    }
    kept = std::move(fresh);
    return std::nullopt;
}

}  // namespace qel
