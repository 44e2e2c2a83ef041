// The simulator as a TCP server.
#include "tools/devsim/Serve.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace orv {
namespace devsim {
namespace {

class LanLink : public Link {
public:
    explicit LanLink(const Options& o) {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_PASSIVE;
        addrinfo* found = nullptr;
        const int gai = getaddrinfo(o.host.c_str(), nullptr, &hints, &found);
        if (gai != 0) throw SystemError("cannot resolve " + o.host + ": " + gai_strerror(gai));
        sockaddr_in addr{};
        std::memcpy(&addr, found->ai_addr, sizeof addr);
        freeaddrinfo(found);
        addr.sin_port = htons(static_cast<std::uint16_t>(o.port));

        listener_.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (listener_.get() < 0) throw SystemError(errorText("socket"));
        const int one = 1;
        setsockopt(listener_.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        // Set before listen, so that accepted connections start with it.
        if (o.receiveBuffer > 0)
            setsockopt(listener_.get(), SOL_SOCKET, SO_RCVBUF, &o.receiveBuffer, sizeof o.receiveBuffer);
        if (::bind(listener_.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
            throw SystemError(errorText("cannot listen on " + o.host + ":" + std::to_string(o.port)));
        if (::listen(listener_.get(), 8) != 0) throw SystemError(errorText("listen"));
        socklen_t len = sizeof addr;
        getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&addr), &len);
        char ip[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &addr.sin_addr, ip, sizeof ip);
        std::printf("listening %s:%u\n", ip, static_cast<unsigned>(ntohs(addr.sin_port)));
        std::fflush(stdout);
    }

    bool awaitPeer() override {
        for (;;) {
            if (!waitReadable(listener_.get())) return false;
            const int conn = ::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (conn < 0) {
                if (errno == EINTR || errno == EAGAIN || errno == ECONNABORTED) continue;
                throw SystemError(errorText("accept"));
            }
            conn_.reset(conn);
            const int one = 1;
            setsockopt(conn, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            return true;
        }
    }

    int fd() const override { return conn_.get(); }

    ssize_t write(const std::uint8_t* p, std::size_t n) override { return ::send(conn_.get(), p, n, MSG_NOSIGNAL); }

    void finish(Session& session, End end) override {
        if (end == End::Done) {
            // A plain close with unread input would reset the connection
            // and could cost the peer data it has not read yet.
            ::shutdown(conn_.get(), SHUT_WR);
            session.drainInput(Clock::now() + std::chrono::seconds(3));
        }
        conn_.reset();
    }

private:
    Fd listener_;
    Fd conn_;
};

}  // namespace

std::unique_ptr<Link> openLan(const Options& o) { return std::make_unique<LanLink>(o); }

}  // namespace devsim
}  // namespace orv
