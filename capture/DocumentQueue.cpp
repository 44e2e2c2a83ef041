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
    add([this, capture, options] {
        Done done{capture, pdfBeside(capture), {}};
        done.outcome = renderFile(fs_, capture, done.target, options);
        if (report_) report_(done);
    });
}

void DocumentQueue::add(Task task) {
    std::lock_guard<std::mutex> lock(mutex_);
    tasks_.push_back(std::move(task));
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    changed_.notify_all();
}

void DocumentQueue::finish() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return tasks_.empty() && !busy_; });
}

void DocumentQueue::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return ending_ || !tasks_.empty(); });
        if (tasks_.empty()) return;  // ending, and nothing left
        const Task task = std::move(tasks_.front());
        tasks_.pop_front();
        busy_ = true;
        lock.unlock();
        try {
            task();
        } catch (...) {
            // Nothing may unwind out of the thread; the capture stays as it
            // is, without what the task was to make.
        }
        lock.lock();
        busy_ = false;
        changed_.notify_all();
    }
}

}  // namespace orv
