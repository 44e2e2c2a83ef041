#include "app/win32/LinkWorker.h"

#include "capture/CaptureSession.h"
#include "capture/CaptureTargets.h"
#include "link/LinkRules.h"
#include "view/win32/ViewWindow.h"

namespace orv {

// The link with the query's writes fenced off from its close: the capture
// thread closes it when the session ends, while the user-interface thread
// may be writing a command byte.  A write is short (kCommandStallMs) and
// ends at once on the stop, so the close never waits long.
class LinkWorker::GuardedLink final : public DeviceLink {
public:
    explicit GuardedLink(std::unique_ptr<DeviceLink> link) : link_(std::move(link)) {}

    bool open(LinkError& error) override {
        const bool opened = link_->open(error);
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = opened;
        return opened;
    }
    long read(std::uint8_t* buffer, std::size_t size, int ms, LinkError& error) override {
        return link_->read(buffer, size, ms, error);
    }
    bool write(const std::uint8_t* data, std::size_t size, int stallMs, LinkError& error) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!open_) {
            error.set(LinkFailure::Closed, 0, "the link is closed");
            return false;
        }
        return link_->write(data, size, stallMs, error);
    }
    bool finishWrites(int stallMs, LinkError& error) override { return link_->finishWrites(stallMs, error); }
    void close() override {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = false;
        link_->close();
    }
    LineErrors takeLineErrors() override { return link_->takeLineErrors(); }
    const std::string& name() const override { return link_->name(); }

private:
    std::unique_ptr<DeviceLink> link_;
    std::mutex mutex_;
    bool open_ = false;
};

// What a capture session tells the window, besides the view's part.
class LinkWorker::CaptureEventsToWindow final : public ViewHandoff {
public:
    explicit CaptureEventsToWindow(LinkWorker& worker) : ViewHandoff(worker.state_), worker_(worker) {}

    void linkOpened() override { worker_.post(UM_LINK_OPENED, 0); }
    void linkOpenFailed(const LinkError& error) override {
        {
            std::lock_guard<std::mutex> lock(worker_.resultMutex_);
            worker_.openError_ = error;
        }
        worker_.post(UM_LINK_OPEN_FAILED, 0);
    }
    void linkLost(const LinkError&) override {
        if (worker_.stop_.requested()) return;  // the user's own stop
        if (HWND dialog = worker_.state_.queryDialog.load()) PostMessageA(dialog, UM_END_QUERY, 0, 0);
        worker_.post(UM_LINK_ERROR, LINK_ERROR_RECEIVE);
    }
    void storeFailed(const std::string&, SysError) override { worker_.post(UM_CAPTURE_WRITE_FAILED, 0); }

private:
    LinkWorker& worker_;
};

class LinkWorker::SendEventsToWindow final : public SendProgress {
public:
    explicit SendEventsToWindow(LinkWorker& worker) : worker_(worker) {}
    void linkOpened() override {
        worker_.post(UM_LINK_OPENED, 0);
        if (worker_.progress_) worker_.progress_->linkOpened();
    }
    void chunkSent(std::uint64_t offset, std::size_t size) override {
        if (worker_.progress_) worker_.progress_->chunkSent(offset, size);
    }

private:
    LinkWorker& worker_;
};

namespace {

std::uint32_t nextWorkerId() {
    static std::atomic<std::uint32_t> last{0};
    std::uint32_t id = ++last;
    return id != 0 ? id : ++last;
}

}  // namespace

ReplySink* ViewHandoff::openQueryDialog() {
    replies_.dialog = s_.queryDialog.load();
    return replies_.dialog ? &replies_ : nullptr;
}

void ViewHandoff::DialogReplies::reply(const DeviceReply& r) {
    PostMessageA(dialog, UM_QUERY_REPLY, static_cast<WPARAM>(r.command), r.bits);
}

void ViewHandoff::repaintCells(const CellRect& cells) { repaintViewCells(s_.view, cells); }

void tellLinkFailure(CaptureState& s, HWND owner, const LinkError& error, bool lan) {
    switch (error.kind) {
    case LinkFailure::Lookup:
    case LinkFailure::Connect:
    case LinkFailure::Settings:
        tellUser(s, owner, IDS_LINK_CAPTION, IDS_LINK_FAILED, error.code, MB_ICONWARNING);
        break;
    case LinkFailure::Open:
        // A port that is not there is told by the caller alone.
        if (lan) s.messages->show(owner, "Create socket failed.", "Error", MB_OK);
        break;
    default: break;
    }
}

bool planLink(CaptureState& s, HWND owner, LinkPlan& plan) {
    LinkKind kind;
    std::uint8_t portNumber = 0;
    char host[kHostSize], dataPort[kDataPortSize];
    applyLinkSettings(s.profile.connection, kind, portNumber, host, dataPort);
    plan = LinkPlan{};
    if (kind == LinkKind::Serial) {
        // "\\.\COMn" reaches ports above COM9 too; port 0 names no port, and
        // its open fails as a missing port does.
        const std::string prefix = s.strings->load(IDS_PORT_PREFIX, 9);
        plan.device = "\\\\.\\" + prefix + std::to_string(portNumber);
        return true;
    }
    plan.lan = true;
    plan.host = host;
    plan.port = parseDataPort(dataPort);
    if (plan.host.empty() || plan.port == 0) {
        tellUser(s, owner, IDS_SETTINGS_ERROR, plan.host.empty() ? IDS_HOST_MISSING : IDS_PORT_INVALID, MB_ICONWARNING);
        return false;
    }
    return true;
}

LinkWorker::LinkWorker(CaptureState& state, const LinkPlan& plan) : state_(state), plan_(plan), id_(nextWorkerId()) {
    std::unique_ptr<DeviceLink> link =
        plan.lan ? makeTcpLink(plan.host, plan.port, stop_) : makeSerialLink(plan.device, stop_, kDeviceLine);
    link_ = std::make_unique<GuardedLink>(std::move(link));
}

LinkWorker::~LinkWorker() { stop(); }

void WorkerEnd::operator()(LinkWorker* worker) const { delete worker; }

void LinkWorker::post(UINT message, WPARAM wParam) {
    PostMessageA(state_.mainWindow, message, wParam, static_cast<LPARAM>(id_));
}

bool LinkWorker::start(void (LinkWorker::*body)()) {
    try {
        thread_ = std::thread([this, body] {
            try {
                (this->*body)();
            } catch (...) {
                // Nothing may unwind out of the thread: the run ends as one
                // whose link broke.
                post(UM_LINK_ERROR, sending_ ? LINK_ERROR_SEND : LINK_ERROR_RECEIVE);
                if (sending_) post(UM_SEND_ENDED, 0);
            }
            finished_.store(true);
        });
        return true;
    } catch (...) {
        return false;
    }
}

bool LinkWorker::startCapture() { return start(&LinkWorker::runCapture); }

bool LinkWorker::startSend(std::vector<std::uint8_t> data, SendProgress* progress) {
    sendData_ = std::move(data);
    progress_ = progress;
    sending_ = true;
    return start(&LinkWorker::runSend);
}

void LinkWorker::stop() {
    stop_.request();
    if (thread_.joinable()) thread_.join();
}

void LinkWorker::runCapture() {
    SystemClock clock(stop_);
    SingleFileTarget target(state_.writer.file());
    CaptureEventsToWindow events(*this);
    CaptureSession(*link_, target, events, clock, stop_).run();
}

void LinkWorker::runSend() {
    SendEventsToWindow events(*this);
    const SendResult result = sendToDevice(*link_, sendData_.data(), sendData_.size(), stop_, &events);
    sendData_.clear();
    sendData_.shrink_to_fit();
    {
        std::lock_guard<std::mutex> lock(resultMutex_);
        sendResult_ = result;
    }
    if (!result.ok() && result.stage != SendResult::Stage::Open && result.error.kind != LinkFailure::Stopped)
        post(UM_LINK_ERROR, LINK_ERROR_SEND);
    post(UM_SEND_ENDED, 0);
}

bool LinkWorker::writeCommand(const std::uint8_t* bytes, std::size_t size, LinkError& error) {
    return link_->write(bytes, size, kCommandStallMs, error);
}

LinkError LinkWorker::openError() const {
    std::lock_guard<std::mutex> lock(resultMutex_);
    return openError_;
}

SendResult LinkWorker::sendResult() const {
    std::lock_guard<std::mutex> lock(resultMutex_);
    return sendResult_;
}

}  // namespace orv
