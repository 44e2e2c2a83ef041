// Serving connections one after another: the same for the LAN and the
// pty, which differ only in the link.
#pragma once

#include "tools/devsim/Link.h"
#include "tools/devsim/Options.h"
#include "tools/devsim/Session.h"

#include <memory>

namespace orv {
namespace devsim {

// Both print their first line ("listening ..." or "pty ...") once ready.
std::unique_ptr<Link> openLan(const Options& o);
std::unique_ptr<Link> openPty(const Options& o);

// Serves --connections connections, each with its report; a report of
// zeros when a signal came before any.
void serve(const Options& o, Link& link, Recorder& recorder);

}  // namespace devsim
}  // namespace orv
