// Descriptors, system errors and the signals that end a run.
#pragma once

#include <stdexcept>
#include <string>

namespace orv {
namespace devsim {

struct SystemError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// what, then the text of errno.
std::string errorText(const std::string& what);

// Closes a descriptor exactly once.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& o) noexcept : fd_(o.release()) {}
    Fd& operator=(Fd&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    int get() const { return fd_; }
    int release() {
        const int f = fd_;
        fd_ = -1;
        return f;
    }
    void reset(int fd = -1);

private:
    int fd_ = -1;
};

void setNonBlocking(int fd);

// SIGTERM, SIGINT and SIGHUP end the run through a pipe that every wait
// watches; SIGPIPE is ignored.
void installSignals();
// The pipe's end to poll for POLLIN.
int signalFd();
// Whether the pipe's poll result tells of a signal.
bool signalled(short revents);

// Waits for readability of fd or a signal; false on a signal.
bool waitReadable(int fd);
// Sleeps ms milliseconds unless a signal comes; false on a signal.
bool sleepFor(int ms);

}  // namespace devsim
}  // namespace orv
