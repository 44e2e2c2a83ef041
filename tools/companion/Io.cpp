#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
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
    if (!owned_)
        return false;
    // A folder opens but cannot be read: say so before any output exists.
    struct stat st;
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return false;
    }
    return true;
}

bool InputFile::isSameFile(const std::string& path) const {
    struct stat in, out;
    if (::fstat(fd_, &in) != 0 || !S_ISREG(in.st_mode))
        return false;
    const int found = path.empty() ? ::fstat(1, &out) : ::stat(path.c_str(), &out);
    return found == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino;
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

namespace orv::companion {

struct OverlappedWriter::State {
    OutputFile& out;
    std::unique_ptr<char[]> blocks[2];
    std::mutex lock;
    std::condition_variable changed;
    char* pending = nullptr;  // handed over, not yet written
    std::size_t pendingSize = 0;
    bool closing = false;
    int error = 0;  // errno of the first failed write
    std::thread writer;

    State(OutputFile& o, std::size_t blockSize) : out(o) {
        blocks[0].reset(new char[blockSize]);
        blocks[1].reset(new char[blockSize]);
        writer = std::thread([this] { run(); });
    }

    void run() {
        std::unique_lock<std::mutex> guard(lock);
        for (;;) {
            changed.wait(guard, [this] { return pending != nullptr || closing; });
            if (!pending)
                return;
            char* data = pending;
            const std::size_t size = pendingSize;
            guard.unlock();
            const bool ok = error == 0 && out.write(data, size);
            const int why = errno;
            guard.lock();
            if (!ok && error == 0)
                error = why ? why : EIO;
            pending = nullptr;
            changed.notify_all();
        }
    }

    // Waits until the writer has taken the last block off its hands.
    bool drain(std::unique_lock<std::mutex>& guard) {
        changed.wait(guard, [this] { return pending == nullptr; });
        if (error)
            errno = error;
        return error == 0;
    }
};

OverlappedWriter::OverlappedWriter(OutputFile& out, std::size_t blockSize)
    : state_(new State(out, blockSize)), fill_(state_->blocks[0].get()) {}

OverlappedWriter::~OverlappedWriter() {
    {
        std::lock_guard<std::mutex> guard(state_->lock);
        state_->closing = true;
    }
    state_->changed.notify_all();
    state_->writer.join();
}

bool OverlappedWriter::submit(std::size_t n) {
    std::unique_lock<std::mutex> guard(state_->lock);
    if (!state_->drain(guard))
        return false;
    state_->pending = fill_;
    state_->pendingSize = n;
    state_->changed.notify_all();
    fill_ = fill_ == state_->blocks[0].get() ? state_->blocks[1].get() : state_->blocks[0].get();
    return true;
}

bool OverlappedWriter::finish() {
    std::unique_lock<std::mutex> guard(state_->lock);
    return state_->drain(guard);
}

}  // namespace orv::companion
