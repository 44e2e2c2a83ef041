// The chunk hand-off with a real capture file: order, counting, notes,
// the reply parser only while the dialog is open, a failed file write told
// once, and (under ThreadSanitizer) a receive thread feeding the grid and
// the counter while another thread reads them.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "base/Ids.h"
#include "link/ChunkHandoff.h"
#include "tests/support/TestSupport.h"

namespace orv::test {
namespace {

class Recorder : public HandoffObserver, public ReplySink, public RepaintSink {
public:
    ReplySink* openQueryDialog() override { return dialogOpen.load() ? this : nullptr; }
    void captureWriteFailed(std::int32_t failure) override { failures.push_back(failure); }
    void showReplyText(int id, const char* text) override { replies.push_back(std::to_string(id) + "=" + text); }
    void repaintCells(const CellRect&) override { ++repaints; }

    std::atomic<bool> dialogOpen{false};
    std::vector<std::int32_t> failures;
    std::vector<std::string> replies;
    int repaints = 0;
};

// Fails every write once armed.
class BrokenDisk : public PassThroughFileSystem {
public:
    SysError write(Handle f, const void* d, std::size_t n) override {
        return broken ? syserr::kDiskFull : PassThroughFileSystem::write(f, d, n);
    }
    SysError sync(Handle f) override {
        ++syncs;
        return broken ? syserr::kWriteFault : PassThroughFileSystem::sync(f);
    }
    bool broken = false;
    int syncs = 0;
};

struct HandoffRun {
    HandoffRun() : writer(disk), handoff(byteCount, writer, *view, parser, recorder, recorder) {
        clearGrid(*view);
        std::strcpy(settings.captureFolder, dir.path().c_str());
        std::strcpy(settings.captureFileName, "run.zrd");
        EXPECT_EQ(0, writer.openCaptureFile(settings, {}));
    }
    void deliver(const std::string& bytes) {
        handoff.deliver(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::string row(int r) {
        char cells[kGridColumns + 1] = {};
        readRow(*view, r, 0, kGridColumns - 1, cells);
        std::string s(cells);
        return s.substr(0, s.find_last_not_of(' ') + 1);
    }

    TempDir dir;
    BrokenDisk disk;
    CaptureWriter writer;
    CaptureFileSettings settings;
    std::atomic<std::uint32_t> byteCount{0};
    std::unique_ptr<ViewBuffer> view = std::make_unique<ViewBuffer>();
    ReplyParser parser;
    Recorder recorder;
    ChunkHandoff handoff;
};

TEST(ChunkHandoff, EveryChunkReachesCounterFileAndGridUnchanged) {
    HandoffRun run;
    run.deliver("AB\r\n");
    run.deliver(
        std::string("\x07\x4A"
                    "C",
                    3));  // a reply is data like any other byte
    EXPECT_EQ(7u, run.byteCount.load());
    EXPECT_EQ("AB", run.row(0));
    EXPECT_EQ(".JC", run.row(1));
    ASSERT_EQ(0, run.writer.closeCaptureFile());
    std::vector<std::uint8_t> expected = {'A', 'B', '\r', '\n', 0x07, 0x4A, 'C'};
    EXPECT_EQ(expected, readFile(run.writer.captureFilePath()));
    EXPECT_TRUE(run.recorder.replies.empty()) << "no dialog, no parsing";
}

TEST(ChunkHandoff, NotesGoToTheViewOnly) {
    HandoffRun run;
    run.deliver("x");
    run.handoff.note("<CE-8>");
    EXPECT_EQ(1u, run.byteCount.load());
    EXPECT_EQ("x<CE-8>", run.row(0));
    ASSERT_EQ(0, run.writer.closeCaptureFile());
    EXPECT_EQ(std::vector<std::uint8_t>{'x'}, readFile(run.writer.captureFilePath()));
}

TEST(ChunkHandoff, RepliesAreParsedOnlyWhileTheDialogIsOpen) {
    HandoffRun run;
    run.deliver(std::string("\x07\x4F", 2));
    run.recorder.dialogOpen = true;
    run.deliver(std::string("\x41\x07\x4A", 3));
    run.deliver(std::string("\x07", 1));
    run.deliver(std::string("\x35", 1));
    const std::vector<std::string> expected = {"1033=0x0A", "1036=L", "1037=H", "1038=L", "1039=H"};
    EXPECT_EQ(expected, run.recorder.replies);
}

TEST(ChunkHandoff, FailedFileWriteIsToldOnceWhileCountingAndShowingGoOn) {
    HandoffRun run;
    run.disk.broken = true;
    std::string chunk(80, 'z');
    for (int i = 0; i < 3000; ++i) run.deliver(chunk);  // about 3.7 blocks
    EXPECT_EQ(1u, run.recorder.failures.size());
    EXPECT_EQ(hresultFromError(syserr::kDiskFull), run.recorder.failures.at(0));
    EXPECT_EQ(3000u * 80u, run.byteCount.load());
    EXPECT_EQ(std::string(128, 'z'), run.row(5));
    EXPECT_LT(run.writer.closeCaptureFile(), 0) << "the stop learns that the file is incomplete";
}

// What a crash would leave: the bytes that reached the file, by its size,
// which can be read while the writer holds it.
std::size_t bytesOnDisk(HandoffRun& run) {
    return static_cast<std::size_t>(std::filesystem::file_size(run.writer.captureFilePath()));
}

TEST(ChunkHandoff, ReceivedBytesReachTheDiskWithinASecondOfTheirArrival) {
    HandoffRun run;
    EXPECT_EQ(kNothingToFlush, run.handoff.keepDurable(5000)) << "nothing received, nothing due";
    run.deliver(std::string(20000, 'a'));
    EXPECT_EQ(kDurableAfterMs, run.handoff.keepDurable(10000));
    run.deliver(std::string(300, 'b'));  // later bytes do not put the first ones off
    EXPECT_EQ(1u, run.handoff.keepDurable(10999));
    EXPECT_EQ(0u, bytesOnDisk(run));
    EXPECT_EQ(kNothingToFlush, run.handoff.keepDurable(11000));
    EXPECT_EQ(20300u, bytesOnDisk(run));
    EXPECT_EQ(1, run.disk.syncs) << "flushed past the system's cache too";
    EXPECT_EQ(kNothingToFlush, run.handoff.keepDurable(20000)) << "nothing new: no write, no sync";
    EXPECT_EQ(1, run.disk.syncs);

    // A full block is written as it fills, and is on the disk a second later.
    run.deliver(std::string(CaptureWriter::kBlockSize, 'c'));
    EXPECT_EQ(20300u + CaptureWriter::kBlockSize, bytesOnDisk(run));
    EXPECT_EQ(kDurableAfterMs, run.handoff.keepDurable(30000));
    EXPECT_EQ(kNothingToFlush, run.handoff.keepDurable(31500));
    EXPECT_EQ(2, run.disk.syncs);
    ASSERT_EQ(0, run.writer.closeCaptureFile());
    EXPECT_EQ(20300u + CaptureWriter::kBlockSize, bytesOnDisk(run));
    EXPECT_TRUE(run.recorder.failures.empty());
}

TEST(ChunkHandoff, FailedFlushIsToldOnceAndTheStopLearnsOfIt) {
    HandoffRun run;
    run.deliver("abc");
    run.handoff.keepDurable(0);
    run.disk.broken = true;
    EXPECT_EQ(kNothingToFlush, run.handoff.keepDurable(1000));
    ASSERT_EQ(1u, run.recorder.failures.size());
    run.deliver("def");
    EXPECT_EQ(kNothingToFlush, run.handoff.keepDurable(5000)) << "the file is closed: nothing is due";
    EXPECT_EQ(1u, run.recorder.failures.size());
    EXPECT_EQ(6u, run.byteCount.load());
    EXPECT_LT(run.writer.closeCaptureFile(), 0);
}

TEST(ChunkHandoff, ReaderThreadSeesConsistentCellsWhileTheReceiverWrites) {
    HandoffRun run;
    std::atomic<bool> done{false};
    std::thread receiver([&] {
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
    receiver.join();
    EXPECT_EQ(4000u * 18u, run.byteCount.load());
    EXPECT_EQ("0123456789abcdef", run.row(3999));
    ASSERT_EQ(0, run.writer.closeCaptureFile());
    EXPECT_EQ(4000u * 18u, readFile(run.writer.captureFilePath()).size());
}

}  // namespace
}  // namespace orv::test
