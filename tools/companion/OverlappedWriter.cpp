// The writer thread of the file commands: portable, std::thread only.
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "tools/companion/Companion.h"

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
            if (!pending) return;
            char* data = pending;
            const std::size_t size = pendingSize;
            guard.unlock();
            const bool ok = error == 0 && out.write(data, size);
            const int why = errno;
            guard.lock();
            if (!ok && error == 0) error = why ? why : EIO;
            pending = nullptr;
            changed.notify_all();
        }
    }

    // Waits until the writer has taken the last block off its hands.
    bool drain(std::unique_lock<std::mutex>& guard) {
        changed.wait(guard, [this] { return pending == nullptr; });
        if (error) errno = error;
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
    if (!state_->drain(guard)) return false;
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
