// One kind of link the simulator serves its peer over (TCP or a pty).
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

namespace orv {
namespace devsim {

class Session;

enum class End { Done, PeerClosed, Signal };

// How connections come and go on one kind of link.
class Link {
public:
    virtual ~Link() = default;

    // Waits for the next peer; false when a signal came first.
    virtual bool awaitPeer() = 0;
    // The connection to the peer, while it lasts.
    virtual int fd() const = 0;
    virtual ssize_t write(const std::uint8_t* p, std::size_t n) = 0;
    // Ends the connection after its session, before its report.
    virtual void finish(Session& session, End end) = 0;
    // After the report of a connection that ended without a signal; more:
    // another connection is to come.
    virtual void afterReport(End end, bool more) {}
};

}  // namespace devsim
}  // namespace orv
