// The device simulator as a child process, and what its tests need to
// talk to it and to check what it sent.
#pragma once

#include <gtest/gtest.h>

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orv::test {

using Bytes = std::vector<std::uint8_t>;

// The report line the simulator prints after each connection.
struct Report {
    unsigned long long sent = 0, received = 0, data = 0, replies = 0;
    unsigned checksum = 0, dataChecksum = 0;
};

// A path in the temporary folder, unique to this test process.
std::string tempPath(const std::string& name);

// One run of the simulator with its stdout and stderr on pipes.
class Sim {
public:
    // program: another program to start instead of the simulator.
    explicit Sim(const std::vector<std::string>& args, const char* program = nullptr);
    ~Sim();
    Sim(const Sim&) = delete;
    Sim& operator=(const Sim&) = delete;

    // The next stdout line, or "" after the timeout or at the end.
    std::string line(int timeoutMs = 5000);
    // Port from the "listening 127.0.0.1:PORT" line.
    int port();
    Report report();
    // Exit status, or -1 when it does not end within the timeout.
    int wait(int timeoutMs = 5000);
    void signal(int sig);
    // Everything still to come on stdout, up to its end.
    std::string rest();
    std::string errors();
    bool spawned() const { return spawned_; }

private:
    pid_t pid_ = -1;
    bool spawned_ = false;
    bool waited_ = false;
    int out_ = -1, err_ = -1;
    std::string pending_;
};

int connectTo(int port, int receiveBuffer = 0);
void sendAll(int fd, const void* p, std::size_t n);
// Reads until EOF (true) or until nothing came for idleMs (false).
bool readUntilEof(int fd, Bytes& into, int idleMs = 5000);
Bytes generated(std::uint64_t seed, std::size_t n);
std::uint32_t crc(const Bytes& v);
Bytes readFile(const std::string& path);
// Splits a received stream into the data (with its 0x07 0x27 pairs) and
// the reply bytes; fails on a 0x07 sequence that is neither.
::testing::AssertionResult splitReplies(const Bytes& stream, Bytes& data, Bytes& replies);

}  // namespace orv::test
