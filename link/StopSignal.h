// The stop of a link's work: asked from any thread (on Linux also from a
// signal handler), and watched by every wait of a link together with its
// own I/O, so that a stop ends a blocking call at once and never needs a
// handle closed under it.
#pragma once
#include <atomic>
#include <cstdint>

namespace orv {

class StopSignal {
public:
    StopSignal();
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    // Async-signal-safe on POSIX.
    void request();
    // Takes the stop back, for the next run; only while nothing waits on it.
    void clear();
    bool requested() const { return requested_.load(); }
    // Waits up to ms milliseconds (negative: without limit); true once a
    // stop has been asked.
    bool wait(int ms) const;
    // What a platform wait watches with its I/O: the manual-reset event
    // (a HANDLE) on Windows; on POSIX the read end of a pipe, readable
    // once a stop has been asked.
    std::intptr_t waitable() const { return waitable_; }

private:
    std::atomic<bool> requested_{false};
    std::intptr_t waitable_ = -1;
    std::intptr_t writeEnd_ = -1;  // POSIX: the pipe's other end
};

}  // namespace orv
