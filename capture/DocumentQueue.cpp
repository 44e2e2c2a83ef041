#include "capture/DocumentQueue.h"

namespace orv {

DocumentQueue::~DocumentQueue() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void DocumentQueue::add(const std::string& capture, const render::RenderOptions& options) {
    add("the PDF of " + capture, [this, capture, options] {
        Done done{capture, pdfBeside(capture), {}};
        done.outcome = renderFile(fs_, capture, done.target, options, InputKind::Capture);
        if (report_) report_(done);
    });
}

void DocumentQueue::add(std::string what, Task task) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (abandoned_) return;
    pieces_.push_back(Piece{std::move(what), std::move(task)});
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    changed_.notify_all();
}

void DocumentQueue::finish() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return pieces_.empty() && !busy_; });
}

void DocumentQueue::abandon(const std::function<void(const std::string&, bool)>& told) {
    std::deque<Piece> dropped;
    std::string current;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        abandoned_ = true;
        dropped.swap(pieces_);
        if (busy_) current = current_;
    }
    changed_.notify_all();
    if (!current.empty()) told(current, true);
    for (const Piece& piece : dropped) told(piece.what, false);
}

void DocumentQueue::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return ending_ || !pieces_.empty(); });
        if (pieces_.empty()) return;  // ending, and nothing left
        const Piece piece = std::move(pieces_.front());
        pieces_.pop_front();
        busy_ = true;
        current_ = piece.what;
        lock.unlock();
        try {
            piece.task();
        } catch (...) {
            // Nothing may unwind out of the thread; the capture stays as it
            // is, without what the task was to make.
        }
        lock.lock();
        busy_ = false;
        current_.clear();
        changed_.notify_all();
    }
}

}  // namespace orv
