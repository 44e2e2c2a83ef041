// The window's chunk hand-off: counting, the grid, notes, replies only
// while the dialog is open, and (under ThreadSanitizer) a capture thread
// feeding the grid and the counter while another thread reads them.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/ChunkHandoff.h"

namespace orv::test {
namespace {

class Recorder final : public ChunkHandoff, public ReplySink, public RepaintSink {
public:
    explicit Recorder(std::atomic<std::uint32_t>& count, ViewBuffer& view) : ChunkHandoff(count, view, *this) {}
    ReplySink* openQueryDialog() override { return dialogOpen.load() ? static_cast<ReplySink*>(this) : nullptr; }
    void reply(const DeviceReply& r) override { replies.push_back(std::string(1, r.command) + "=" + replyText(r)); }
    void repaintCells(const CellRect&) override { ++repaints; }

    std::atomic<bool> dialogOpen{false};
    std::vector<std::string> replies;
    int repaints = 0;
};

struct HandoffRun {
    HandoffRun() { clearGrid(*view); }
    void deliver(const std::string& bytes) {
        handoff.received(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::string row(int r) {
        char cells[kGridColumns + 1] = {};
        readRow(*view, r, 0, kGridColumns - 1, cells);
        std::string s(cells);
        return s.substr(0, s.find_last_not_of(' ') + 1);
    }

    std::atomic<std::uint32_t> byteCount{0};
    std::unique_ptr<ViewBuffer> view = std::make_unique<ViewBuffer>();
    Recorder handoff{byteCount, *view};
};

TEST(ChunkHandoff, EveryChunkReachesCounterAndGridUnchanged) {
    HandoffRun run;
    run.deliver("AB\r\n");
    run.deliver(
        std::string("\x07\x4A"
                    "C",
                    3));  // a reply is data like any other byte
    EXPECT_EQ(7u, run.byteCount.load());
    EXPECT_EQ("AB", run.row(0));
    EXPECT_EQ(".JC", run.row(1));
    EXPECT_GT(run.handoff.repaints, 0);
    EXPECT_TRUE(run.handoff.replies.empty()) << "no dialog, no answers";
}

TEST(ChunkHandoff, LineErrorsAreNotesInTheViewOnly) {
    HandoffRun run;
    run.deliver("x");
    LineErrors errors;
    errors.add(lineerr::kFraming);
    errors.readFailure = 995;
    run.handoff.lineErrors(errors);
    EXPECT_EQ(1u, run.byteCount.load());
    EXPECT_EQ("x<CE-995><CE-8>", run.row(0));
}

TEST(ChunkHandoff, RepliesAreToldOnlyWhileTheDialogIsOpen) {
    HandoffRun run;
    run.deliver(std::string("\x07\x4F\x07", 3));
    run.handoff.dialogOpen = true;
    run.deliver(std::string("\x27\x41\x07\x4A", 4));  // the open pair of before is data, not a reply
    run.deliver(std::string("\x07", 1));
    run.deliver(std::string("\x35", 1));
    const std::vector<std::string> expected = {"I=0x0A", "S=L H L H"};
    EXPECT_EQ(expected, run.handoff.replies);
}

TEST(ChunkHandoff, ReaderThreadSeesConsistentCellsWhileTheCaptureWrites) {
    HandoffRun run;
    std::atomic<bool> done{false};
    std::thread capture([&] {
        std::string line = "0123456789abcdef\r\n";
        for (int i = 0; i < 4000; ++i) run.deliver(line);
        done = true;
    });
    // The painter's side: counter and cells read while they are written.
    std::uint32_t last = 0;
    while (!done.load()) {
        std::uint32_t now = run.byteCount.load(std::memory_order_relaxed);
        EXPECT_GE(now, last);
        last = now;
        char cells[16];
        readRow(*run.view, 100, 0, 15, cells);
        for (char c : cells) EXPECT_TRUE(c == ' ' || (c >= '0' && c <= 'f'));
    }
    capture.join();
    EXPECT_EQ(4000u * 18u, run.byteCount.load());
    EXPECT_EQ("0123456789abcdef", run.row(3999));
}

}  // namespace
}  // namespace orv::test
