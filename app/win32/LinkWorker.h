// The window's link worker: a capture session or a send, on a thread of its
// own, over the link the settings choose.  The thread never waits for the
// user-interface thread: it posts what happens to the main window (the
// UM_ messages, with the worker's number) and the answers to the open
// query dialog, and it writes the grid, the count and the capture file,
// which are its own while it runs.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/win32/CaptureState.h"
#include "app/ChunkHandoff.h"
#include "link/DeviceLink.h"
#include "link/Sender.h"

namespace orv {

// Which link a run opens.
struct LinkPlan {
    bool lan = false;
    std::string device;  // serial: "\\.\COMn"
    std::string host;    // LAN
    int port = 0;
};

// The view's part of a capture, on the capture thread: the hand-off to the
// counter and the grid, repaints of the changed cells, and the answers
// posted to the open query dialog.
class ViewHandoff : public ChunkHandoff, private RepaintSink {
public:
    explicit ViewHandoff(CaptureState& state) : ChunkHandoff(state.byteCount, state.view.grid, *this), s_(state) {}

private:
    // Posted, not set: the dialog belongs to the user-interface thread,
    // which may be waiting for this thread to end.
    class DialogReplies final : public ReplySink {
    public:
        void reply(const DeviceReply& r) override;
        HWND dialog = nullptr;
    };
    ReplySink* openQueryDialog() override;
    void repaintCells(const CellRect& cells) override;

    CaptureState& s_;
    DialogReplies replies_;
};

// The run's link from the settings: the serial port, or the LAN host and
// port.  False (with the settings message shown) when the LAN settings
// name no host or no port that can be reached.
bool planLink(CaptureState& state, HWND owner, LinkPlan& plan);
// The link's own message for a failure to open it, where it has one.
void tellLinkFailure(CaptureState& state, HWND owner, const LinkError& error, bool lan);

class LinkWorker {
public:
    LinkWorker(CaptureState& state, const LinkPlan& plan);
    ~LinkWorker();
    LinkWorker(const LinkWorker&) = delete;
    LinkWorker& operator=(const LinkWorker&) = delete;

    // The capture session into the run's capture file (open already): posts
    // UM_LINK_OPENED or UM_LINK_OPEN_FAILED, later UM_LINK_ERROR when the
    // link is lost and UM_CAPTURE_WRITE_FAILED when the file loses bytes.
    bool startCapture();
    // A send of data: UM_LINK_OPENED, then UM_SEND_ENDED (after
    // UM_LINK_ERROR LINK_ERROR_SEND when the data did not all arrive).
    bool startSend(std::vector<std::uint8_t> data, SendProgress* progress);
    // Asks the thread to end (a capture still stores what is waiting) and
    // returns at once.
    void requestStop() { stop_.request(); }
    bool stopRequested() const { return stop_.requested(); }
    // Asks and waits for the thread to end.  The thread never waits for the
    // user-interface thread, so this ends.
    void stop();

    // The query's command bytes over the open capture link, from the
    // user-interface thread while the capture thread reads.
    bool writeCommand(const std::uint8_t* bytes, std::size_t size, LinkError& error);

    // The thread has done its work (its last message may still be queued).
    bool finished() const { return finished_.load(); }
    std::uint32_t id() const { return id_; }
    bool isLan() const { return plan_.lan; }
    // Set by the thread before it posts the message that names them.
    LinkError openError() const;
    SendResult sendResult() const;

private:
    class GuardedLink;
    class CaptureEventsToWindow;
    class SendEventsToWindow;
    bool start(void (LinkWorker::*body)());
    void runCapture();
    void runSend();
    void post(UINT message, WPARAM wParam);

    CaptureState& state_;
    const LinkPlan plan_;
    const std::uint32_t id_;
    StopSignal stop_;
    std::unique_ptr<GuardedLink> link_;
    std::thread thread_;
    std::vector<std::uint8_t> sendData_;
    SendProgress* progress_ = nullptr;
    bool sending_ = false;
    std::atomic<bool> finished_{false};
    mutable std::mutex resultMutex_;
    LinkError openError_;
    SendResult sendResult_;
};

// The worker's number in a message; 0 is no worker's.
inline bool fromWorker(const CaptureState& state, LPARAM id) {
    return id != 0 && state.worker && static_cast<std::uint32_t>(id) == state.worker->id();
}

}  // namespace orv
