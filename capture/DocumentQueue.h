// Work on closed capture files, one piece after another on a thread of
// the queue's own: a capture closes its files on the thread that reads the
// device, and rendering a big job there, or waiting for a printer, would
// hold up the reading.  Its own work is the PDF beside a capture
// (pdfBeside: NAME.pdf), the device's 0x07 sequences decoded whatever the
// file's name; a front end queues other work (a print) as tasks.
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
    // Told on the queue's thread after each PDF.
    using Report = std::function<void(const Done&)>;
    // Runs on the queue's thread; what it throws is dropped.
    using Task = std::function<void()>;

    DocumentQueue(FileSystem& fs, Report report) : fs_(fs), report_(std::move(report)) {}
    // Does what is still queued, then ends the thread.
    ~DocumentQueue();
    DocumentQueue(const DocumentQueue&) = delete;
    DocumentQueue& operator=(const DocumentQueue&) = delete;

    // Queues the capture file; its PDF is made with options.
    void add(const std::string& capture, const render::RenderOptions& options);
    // Queues a task, in turn with the PDFs; what names it for abandon()
    // ("the print of X").
    void add(std::string what, Task task);
    // Waits until everything queued so far is done.
    void finish();
    // The process may end any moment now (a session that ends): drops what
    // has not begun and names each piece to told, the piece under way
    // first (with underWay set: it goes on, but may be cut short; a file
    // it writes then goes with the process).  Queues nothing afterwards.
    void abandon(const std::function<void(const std::string& what, bool underWay)>& told);

private:
    struct Piece {
        std::string what;
        Task task;
    };
    void run();

    FileSystem& fs_;
    Report report_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Piece> pieces_;
    std::string current_;  // what the piece under way is; empty: none
    bool abandoned_ = false;
    bool busy_ = false;
    bool ending_ = false;
    std::thread thread_;  // started with the first task
};

}  // namespace orv
