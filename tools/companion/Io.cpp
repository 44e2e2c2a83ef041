#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "tools/companion/Companion.h"

namespace orv::companion {

std::string errorText() { return std::strerror(errno); }

InputFile::~InputFile() {
    if (owned_)
        ::close(fd_);
}

bool InputFile::open(const std::string& path) {
    if (path == "-") {
        fd_ = 0;
        return true;
    }
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    owned_ = fd_ >= 0;
    return owned_;
}

long long InputFile::readFull(std::uint8_t* dst, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = ::read(fd_, dst + got, n - got);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (r == 0)
            break;
        got += static_cast<std::size_t>(r);
    }
    return static_cast<long long>(got);
}

OutputFile::~OutputFile() { close(); }

bool OutputFile::open(const std::string& path) {
    if (path.empty()) {
        fd_ = 1;
        return true;
    }
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    owned_ = fd_ >= 0;
    return owned_;
}

bool OutputFile::write(const void* data, std::size_t n) {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t w = ::write(fd_, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

bool OutputFile::close() {
    bool ok = true;
    if (owned_) {
        ok = ::close(fd_) == 0;
        owned_ = false;
    }
    fd_ = -1;
    return ok;
}

}  // namespace orv::companion
