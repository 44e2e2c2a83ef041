// The unattended commands' console on Linux: the stop on SIGINT, SIGTERM
// and SIGHUP through a pipe that every wait also watches, time-stamped
// events and a status line on standard error.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>

#include "base/posix/PosixFileSystem.h"
#include "tools/companion/ConsoleLines.h"
#include "tools/companion/DeviceLinks.h"
#include "tools/companion/posix/StopSignal.h"

namespace orv::companion {
namespace {

int gStopPipe[2] = {-1, -1};
volatile std::sig_atomic_t gStopped = 0;

void onStopSignal(int) {
    gStopped = 1;
    const char byte = 1;
    (void)!::write(gStopPipe[1], &byte, 1);
}

class Console final : public ConsoleLines {
public:
    Console() : ConsoleLines(stderrIsTerminal()) { installStopSignals(); }

    std::uint64_t nowMs() override {
        using namespace std::chrono;
        return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
    LocalTime localTime() override {
        const std::time_t now = std::time(nullptr);
        std::tm t{};
        ::localtime_r(&now, &t);
        return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
    }
    bool stopRequested() override { return stopAsked(); }
    void pause(int ms) override { waitForStop(ms); }
};

}  // namespace

void installStopSignals() {
    if (gStopPipe[0] >= 0) return;
    if (::pipe2(gStopPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction sa {};
    sa.sa_handler = onStopSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(sig, &sa, nullptr);
    ::signal(SIGPIPE, SIG_IGN);  // a closed socket is a failed write, not the end
}

bool stopAsked() { return gStopped != 0; }
int stopFd() { return gStopPipe[0]; }

bool waitForStop(int ms) {
    pollfd fd{stopFd(), POLLIN, 0};
    while (!stopAsked()) {
        const int r = ::poll(&fd, stopFd() >= 0 ? 1 : 0, ms);
        if (r >= 0 || errno != EINTR) break;
    }
    return stopAsked();
}

bool stderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

std::unique_ptr<CaptureHost> makeConsoleHost() { return std::make_unique<Console>(); }
std::unique_ptr<FileSystem> makeFileSystem() { return std::make_unique<PosixFileSystem>(); }

}  // namespace orv::companion
