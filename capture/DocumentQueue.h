// Capture files rendered to the PDF beside them (pdfBeside: NAME.pdf), the
// device's 0x07 sequences decoded whatever their names, one after another on a thread of the queue's own: a capture
// closes its files on the thread that reads the device, and rendering a big job there would hold up the reading.
#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "capture/Documents.h"

namespace orv {

class DocumentQueue {
public:
    struct Done {
        std::string source, target;
        RenderOutcome outcome;
    };
    // Told on the queue's thread after each file.
    using Report = std::function<void(const Done&)>;

    DocumentQueue(FileSystem& fs, Report report) : fs_(fs), report_(std::move(report)) {}
    // Renders what is still queued, then ends the thread.
    ~DocumentQueue();
    DocumentQueue(const DocumentQueue&) = delete;
    DocumentQueue& operator=(const DocumentQueue&) = delete;

    // Queues the capture file; its PDF is made with options.
    void add(const std::string& capture, const render::RenderOptions& options);
    // Waits until every file queued so far is done.
    void finish();

private:
    struct Job {
        std::string capture;
        render::RenderOptions options;
    };
    void run();

    FileSystem& fs_;
    Report report_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> jobs_;
    bool busy_ = false;
    bool ending_ = false;
    std::thread thread_;  // started with the first file
};

}  // namespace orv
