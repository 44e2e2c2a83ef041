// orvantide-devsim: plays the capture device on a TCP port or a
// pseudo-terminal, for tests, the demo and benchmarks.
#include "tools/devsim/DataSource.h"
#include "tools/devsim/Options.h"
#include "tools/devsim/Serve.h"
#include "tools/devsim/Session.h"
#include "tools/devsim/System.h"

#include <cstdio>
#include <exception>
#include <memory>

namespace {

constexpr int kExitOk = 0, kExitError = 1, kExitUsage = 2;

}  // namespace

int main(int argc, char** argv) {
    using namespace orv::devsim;
    Options o;
    try {
        bool help = false;
        o = parseOptions(argc, argv, help);
        if (help) {
            std::fputs(kHelp, stdout);
            return kExitOk;
        }
    } catch (const UsageError& e) {
        std::fprintf(stderr, "orvantide-devsim: %s (see --help)\n", e.what());
        return kExitUsage;
    }
    try {
        installSignals();
        if (!o.file.empty()) checkDataFile(o.file);
        Recorder recorder(o.record);
        const std::unique_ptr<Link> link = o.link == Options::Link::Lan ? openLan(o) : openPty(o);
        serve(o, *link, recorder);
        return kExitOk;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orvantide-devsim: %s\n", e.what());
        return kExitError;
    }
}
