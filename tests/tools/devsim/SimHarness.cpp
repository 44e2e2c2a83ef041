#include "tests/tools/devsim/SimHarness.h"

#include "tools/devsim/PrinterData.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

extern char** environ;

namespace orv::test {
namespace {

bool parseReport(const std::string& line, Report& r) {
    char tail = 0;
    return std::sscanf(line.c_str(),
                       "sent %llu bytes checksum %8X received %llu bytes data %llu bytes "
                       "data-checksum %8X replies %llu%c",
                       &r.sent, &r.checksum, &r.received, &r.data, &r.dataChecksum, &r.replies, &tail) == 6;
}

}  // namespace

std::string tempPath(const std::string& name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/orv-devsim-" + std::to_string(getpid()) + "-" + name;
}

Sim::Sim(const std::vector<std::string>& args, const char* program) {
    if (!program) program = ORV_DEVSIM_PATH;
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) std::abort();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    spawned_ = posix_spawn(&pid_, program, &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    out_ = out[0];
    err_ = err[0];
}

Sim::~Sim() {
    if (spawned_ && !waited_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    close(out_);
    close(err_);
}

std::string Sim::line(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto nl = pending_.find('\n');
        if (nl != std::string::npos) {
            std::string l = pending_.substr(0, nl);
            pending_.erase(0, nl + 1);
            return l;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        pollfd p = {out_, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) return "";
        char buf[256];
        const ssize_t n = read(out_, buf, sizeof buf);
        if (n <= 0) return "";
        pending_.append(buf, static_cast<std::size_t>(n));
    }
}

int Sim::port() {
    const std::string l = line();
    unsigned a, b, c, d, port = 0;
    if (std::sscanf(l.c_str(), "listening %u.%u.%u.%u:%u", &a, &b, &c, &d, &port) != 5)
        ADD_FAILURE() << "no listening line: " << l << " / " << errors();
    return static_cast<int>(port);
}

Report Sim::report() {
    const std::string l = line();
    Report r;
    EXPECT_TRUE(parseReport(l, r)) << "report line: " << l;
    return r;
}

int Sim::wait(int timeoutMs) {
    // waitpid(-1) would take any child's exit, or its own failure as a 0.
    if (!spawned_) return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            waited_ = true;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        usleep(2000);
    }
    return -1;
}

void Sim::signal(int sig) {
    // kill(-1) would signal every process there is.
    if (spawned_) kill(pid_, sig);
}

std::string Sim::rest() {
    std::string all = pending_;
    pending_.clear();
    char buf[4096];
    pollfd p = {out_, POLLIN, 0};
    while (poll(&p, 1, 5000) > 0) {
        const ssize_t n = read(out_, buf, sizeof buf);
        if (n <= 0) break;
        all.append(buf, static_cast<std::size_t>(n));
    }
    return all;
}

std::string Sim::errors() {
    std::string all;
    char buf[512];
    pollfd p = {err_, POLLIN, 0};
    while (poll(&p, 1, 0) > 0) {
        const ssize_t n = read(err_, buf, sizeof buf);
        if (n <= 0) break;
        all.append(buf, static_cast<std::size_t>(n));
    }
    return all;
}

int connectTo(int port, int receiveBuffer) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (receiveBuffer > 0) setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void sendAll(int fd, const void* p, std::size_t n) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    while (n > 0) {
        const ssize_t w = send(fd, b, n, MSG_NOSIGNAL);
        ASSERT_GT(w, 0);
        b += w;
        n -= static_cast<std::size_t>(w);
    }
}

bool readUntilEof(int fd, Bytes& into, int idleMs) {
    std::uint8_t buf[65536];
    for (;;) {
        pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, idleMs) <= 0) return false;
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) return true;  // EOF, or EIO on a pty whose master has gone
        into.insert(into.end(), buf, buf + n);
    }
}

Bytes generated(std::uint64_t seed, std::size_t n) {
    Bytes v(n);
    devsim::generatePrinterData(seed, 0, v.data(), n);
    return v;
}

std::uint32_t crc(const Bytes& v) { return devsim::crc32Update(0, v.data(), v.size()); }

Bytes readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

::testing::AssertionResult splitReplies(const Bytes& stream, Bytes& data, Bytes& replies) {
    for (std::size_t i = 0; i < stream.size(); ++i) {
        if (stream[i] != 0x07) {
            data.push_back(stream[i]);
            continue;
        }
        if (i + 1 == stream.size()) return ::testing::AssertionFailure() << "stream ends inside a 0x07 sequence";
        const std::uint8_t b = stream[++i];
        if (b == 0x27) {
            data.push_back(0x07);
            data.push_back(0x27);
        } else if (b >= 0x30 && b <= 0x4F) {
            replies.push_back(b);
        } else {
            return ::testing::AssertionFailure() << "0x07 followed by " << int(b) << " at " << i;
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace orv::test
