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
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_.push_back(Job{capture, options});
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    changed_.notify_all();
}

void DocumentQueue::finish() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return jobs_.empty() && !busy_; });
}

void DocumentQueue::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return ending_ || !jobs_.empty(); });
        if (jobs_.empty()) return;  // ending, and nothing left
        const Job job = jobs_.front();
        jobs_.pop_front();
        busy_ = true;
        lock.unlock();
        Done done{job.capture, pdfBeside(job.capture), {}};
        try {
            done.outcome = renderFile(fs_, job.capture, done.target, job.options, InputKind::Capture);
            if (report_) report_(done);
        } catch (...) {
            // Nothing may unwind out of the thread; the file stays without
            // its PDF.
        }
        lock.lock();
        busy_ = false;
        changed_.notify_all();
    }
}

}  // namespace orv
