#include "tools/devsim/Serve.h"

namespace orv {
namespace devsim {
namespace {

bool moreConnections(const Options& o, unsigned served) { return o.connections == 0 || served < o.connections; }

}  // namespace

void serve(const Options& o, Link& link, Recorder& recorder) {
    unsigned served = 0;
    while (moreConnections(o, served)) {
        if (!link.awaitPeer()) break;
        ++served;
        Session session(o, link, recorder);
        const End end = session.run();
        link.finish(session, end);
        printReport(session.totals());
        if (end == End::Signal) return;
        link.afterReport(end, moreConnections(o, served));
    }
    if (served == 0) printReport(Totals{});
}

}  // namespace devsim
}  // namespace orv
