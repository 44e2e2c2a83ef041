// The device commands' console on Linux: the stop on SIGINT, SIGTERM and
// SIGHUP, and the lines on standard error.
#include "tools/companion/Console.h"

#include <unistd.h>

#include <csignal>

#include "base/posix/PosixFileSystem.h"

namespace orv::companion {
namespace {

StopSignal* gStop = nullptr;

void onStopSignal(int) { gStop->request(); }

class PosixConsole final : public Console {
public:
    PosixConsole() : Console(stderrIsTerminal()) {
        static StopSignal stop;
        gStop = &stop;
        struct sigaction sa {};
        sa.sa_handler = onStopSignal;
        sigemptyset(&sa.sa_mask);
        for (int sig : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(sig, &sa, nullptr);
        ::signal(SIGPIPE, SIG_IGN);  // a closed socket is a failed write, not the end
    }
    const StopSignal& stop() const override { return *gStop; }
};

}  // namespace

std::unique_ptr<Console> makeConsole() { return std::make_unique<PosixConsole>(); }
bool stderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }
std::unique_ptr<FileSystem> makeFileSystem() { return std::make_unique<PosixFileSystem>(); }

}  // namespace orv::companion
