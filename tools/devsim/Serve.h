// Serving connections one after another: the same for the LAN and the
// pty, which differ only in the link.
#pragma once

#include "tools/devsim/Options.h"
#include "tools/devsim/Session.h"

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace orv {
namespace devsim {

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

// Both print their first line ("listening ..." or "pty ...") once ready.
std::unique_ptr<Link> openLan(const Options& o);
std::unique_ptr<Link> openPty(const Options& o);

// Serves --connections connections, each with its report; a report of
// zeros when a signal came before any.
void serve(const Options& o, Link& link, Recorder& recorder);

}  // namespace devsim
}  // namespace orv
