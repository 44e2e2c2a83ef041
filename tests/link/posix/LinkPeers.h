// The other ends the POSIX links meet in their tests: the device simulator
// as a child process, and plain sockets on the loopback.
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

namespace orv::test {

// One run of the simulator, its stdout on a pipe; killed at the end unless
// it has ended.
class DevSim {
public:
    explicit DevSim(const std::vector<std::string>& args);
    ~DevSim();
    DevSim(const DevSim&) = delete;
    DevSim& operator=(const DevSim&) = delete;

    // The next stdout line; "" after timeoutMs or at its end.
    std::string line(int timeoutMs = 10000);
    // The port of its "listening HOST:PORT" line; 0 without one.
    int port();
    // Its exit status; -1 when it has not ended within timeoutMs.
    int wait(int timeoutMs = 10000);

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string pending_;
};

// A listening socket on 127.0.0.1 with a port of its own.  receiveBuffer:
// the size its connections get (0: the system's).
struct Listener {
    explicit Listener(int backlog = 4, int receiveBuffer = 0);
    ~Listener();
    // The next connection; -1 when none came within timeoutMs.
    int accept(int timeoutMs = 5000) const;
    int fd = -1, port = 0;
};

// The descriptor of this process's socket connected to 127.0.0.1:port: a
// link's own, which it does not show.
int socketConnectedTo(int port);

// Text lines without a command byte of the device ('I', 'S') in them.
std::vector<unsigned char> quietText(std::size_t size);

}  // namespace orv::test
