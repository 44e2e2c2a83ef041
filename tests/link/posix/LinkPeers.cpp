#include "tests/link/posix/LinkPeers.h"

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

extern char** environ;

namespace orv::test {

DevSim::DevSim(const std::vector<std::string>& args) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) std::abort();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::vector<std::string> all{ORV_DEVSIM_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    out_ = out[0];
}

DevSim::~DevSim() {
    // kill(-1) would reach every process there is.
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    ::close(out_);
}

std::string DevSim::line(int timeoutMs) {
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
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) return "";
        char buffer[256];
        const ssize_t n = ::read(out_, buffer, sizeof buffer);
        if (n <= 0) return "";
        pending_.append(buffer, static_cast<std::size_t>(n));
    }
}

int DevSim::port() {
    unsigned a, b, c, d, port = 0;
    return std::sscanf(line().c_str(), "listening %u.%u.%u.%u:%u", &a, &b, &c, &d, &port) == 5 ? int(port) : 0;
}

int DevSim::wait(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (pid_ > 0 && std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        ::usleep(5000);
    }
    return -1;
}

Listener::Listener(int backlog, int receiveBuffer) {
    fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    // Set on the listener, so that the handshake already offers this window.
    if (receiveBuffer > 0) ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(fd, backlog) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0)
        port = ntohs(a.sin_port);
}

Listener::~Listener() { ::close(fd); }

int Listener::accept(int timeoutMs) const {
    pollfd p = {fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return -1;
    return ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
}

int socketConnectedTo(int port) {
    for (int fd = 3; fd < 1024; ++fd) {
        sockaddr_in a{};
        socklen_t size = sizeof a;
        if (::getpeername(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0 && a.sin_family == AF_INET &&
            ntohs(a.sin_port) == port)
            return fd;
    }
    return -1;
}

std::vector<unsigned char> quietText(std::size_t size) {
    std::vector<unsigned char> text;
    text.reserve(size);
    for (unsigned n = 0; text.size() < size; ++n) {
        char line[64];
        const int length = std::snprintf(line, sizeof line, "line %08u of the printout, plain text\r\n", n);
        text.insert(text.end(), line, line + length);
    }
    text.resize(size);
    return text;
}

}  // namespace orv::test
