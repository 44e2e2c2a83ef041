// The capture session over a scripted link and a clock that only moves
// when the session waits: files, splits, reconnects, the disk and the stop.
#include "capture/CaptureSession.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "capture/CaptureTargets.h"
#include "tests/support/TestSupport.h"

namespace orv::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct CaptureOptions {
    std::string folder;
    int splitIdleSeconds = 0;
    bool once = false;
    int forSeconds = 0;
};

// One connection of the script: bytes at times after the open, then its end.
struct Connection {
    bool opens = true;
    std::vector<std::pair<std::uint64_t, Bytes>> chunks;
    std::uint64_t endsAfterMs = 0;  // 0: never ends by itself
    bool breaks = false;            // ends with a reset, not the device's close
};

class ScriptedDevice final : public DeviceLink, public SessionClock, public CaptureEvents {
public:
    std::deque<Connection> script;
    std::uint64_t now = 0;
    std::vector<std::string> events;
    std::vector<int> pauses;
    std::vector<std::uint64_t> opens;
    std::function<void(std::uint64_t)> onRead;  // looks at the disk while the capture waits

    StopSignal stop;
    bool stopOnReceive = false;
    std::string lineErrorsToTell;

    bool open(LinkError& error) override {
        opens.push_back(now);
        if (script.empty()) {
            stop.request();  // nothing more to play: the capture is stopped
            error.set(LinkFailure::Stopped, 0, "no device");
            return false;
        }
        if (!script.front().opens) {
            script.pop_front();
            error.set(LinkFailure::Connect, 111, "refused");
            return false;
        }
        openedAt_ = now;
        return true;
    }
    long read(std::uint8_t* buffer, std::size_t size, int ms, LinkError& error) override {
        if (onRead) onRead(now);
        reads.push_back(ms);
        Connection& c = script.front();
        const std::uint64_t until = now + static_cast<std::uint64_t>(ms < 0 ? 3600000 : ms);
        if (!c.chunks.empty() && openedAt_ + c.chunks.front().first <= until) {
            now = std::max(now, openedAt_ + c.chunks.front().first);
            Bytes& bytes = c.chunks.front().second;
            const std::size_t n = std::min(size, bytes.size());
            std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n), buffer);
            bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
            if (bytes.empty()) c.chunks.erase(c.chunks.begin());
            return static_cast<long>(n);
        }
        if (c.chunks.empty() && c.endsAfterMs != 0 && openedAt_ + c.endsAfterMs <= until) {
            now = std::max(now, openedAt_ + c.endsAfterMs);
            if (c.breaks)
                error.set(LinkFailure::Gone, 104, "the device is gone: reset");
            else
                error.set(LinkFailure::Closed, 0, "peer closed");
            return -1;
        }
        now = until;
        return 0;
    }
    bool write(const std::uint8_t*, std::size_t, int, LinkError&) override { return true; }
    bool finishWrites(int, LinkError&) override { return true; }
    void close() override { script.pop_front(); }
    LineErrors takeLineErrors() override {
        LineErrors e;
        if (!lineErrorsToTell.empty()) e.add(lineerr::kOverrun);
        lineErrorsToTell.clear();
        return e;
    }
    const std::string& name() const override { return name_; }

    std::uint64_t nowMs() override { return now; }
    LocalTime localTime() override {
        const int s = static_cast<int>(now / 1000);
        return {2026, 12, 7, 10 + s / 3600, s / 60 % 60, s % 60};
    }
    bool pause(int ms) override {
        pauses.push_back(ms);
        now += static_cast<std::uint64_t>(ms);
        return stop.requested();
    }

    void linkOpened() override { events.push_back("connected"); }
    void linkOpenFailed(const LinkError& e) override { events.push_back("cannot open the link: " + e.text); }
    void linkLost(const LinkError& e) override { events.push_back("link lost: " + e.text); }
    void lineErrors(const LineErrors& e) override { events.push_back("line errors: " + e.describe()); }
    void fileStarted(const std::string& path) override { events.push_back("file started: " + path); }
    void fileClosed(const std::string& path, std::uint64_t bytes) override {
        events.push_back("file closed: " + path + " (" + std::to_string(bytes) + " bytes)");
    }
    void storeFailed(const std::string& why, SysError) override { events.push_back(why); }
    void received(const std::uint8_t*, std::size_t n) override {
        receivedBytes += n;
        if (stopOnReceive) stop.request();  // the stop comes while a chunk is handled
    }

    std::vector<int> reads;
    std::size_t receivedBytes = 0;

private:
    std::uint64_t openedAt_ = 0;
    std::string name_ = "scripted";
};

// The platform's files, counting the bytes written and the syncs: what has
// reached the disk, without reading a file the capture holds open.
class CountingFileSystem final : public PassThroughFileSystem {
public:
    SysError write(Handle f, const void* d, std::size_t n) override {
        written += n;
        return PassThroughFileSystem::write(f, d, n);
    }
    SysError sync(Handle f) override {
        syncedBytes = written;
        return PassThroughFileSystem::sync(f);
    }

    std::size_t written = 0, syncedBytes = 0;
};

class CaptureSessionTest : public ::testing::Test {
protected:
    // As the companion runs it: exit status 0, or 1 when the link never
    // opened or broke (once) or a file failed.
    int run(const CaptureOptions& options) {
        if (createFolderPath(*fs, options.folder.c_str()) != 0) {
            device.events.push_back("cannot make the folder " + options.folder);
            return 1;
        }
        TimeNamedFiles files(*fs, options.folder, options.splitIdleSeconds, device);
        SessionOptions o;
        o.reconnect = !options.once;
        o.forMs = std::uint64_t(options.forSeconds) * 1000;
        end = CaptureSession(device, files, device, device, device.stop, o).run();
        return endedInOrder(end) ? 0 : 1;
    }
    CaptureOptions in(const std::string& folder) {
        CaptureOptions o;
        o.folder = folder;
        return o;
    }
    Bytes file(const std::string& name) const { return readFile(dir / name); }

    SessionEnd end = SessionEnd::Stopped;
    TempDir dir;
    std::unique_ptr<CountingFileSystem> fs = std::make_unique<CountingFileSystem>();
    ScriptedDevice device;
};

TEST_F(CaptureSessionTest, PrintJobsWithIdleGapsBecomeOneFileEach) {
    const Bytes a = patternBytes(70000, 1), b = patternBytes(10, 2), c = patternBytes(3000, 3);
    device.script.push_back({true, {{0, a}, {9000, b}, {20000, c}}, 30000});
    CaptureOptions options = in(dir.path());
    options.splitIdleSeconds = 5;
    options.once = true;
    EXPECT_EQ(0, run(options));
    EXPECT_EQ(a, file("20261207-100000.zrd"));
    EXPECT_EQ(b, file("20261207-100009.zrd"));
    EXPECT_EQ(c, file("20261207-100020.zrd"));
    EXPECT_EQ(1u, device.opens.size()) << "once: no second attempt";
    EXPECT_EQ("file closed: " + (dir / "20261207-100009.zrd") + " (10 bytes)", device.events.at(4));
}

TEST_F(CaptureSessionTest, ReconnectsWithBackoffAndStartsANewFileEachConnection) {
    device.script.push_back({false, {}, 0});
    device.script.push_back({false, {}, 0});
    device.script.push_back({true, {{0, {1, 2, 3}}}, 500});
    device.script.push_back({false, {}, 0});
    device.script.push_back({true, {{0, {4, 5}}}, 100});
    EXPECT_EQ(0, run(in(dir.path())));
    // Refused twice (1 s, 2 s), data came (back to 1 s), refused (2 s).
    EXPECT_EQ((std::vector<int>{1000, 2000, 1000, 2000, 1000}), device.pauses);
    EXPECT_EQ(Bytes({1, 2, 3}), file("20261207-100003.zrd"));
    EXPECT_EQ(Bytes({4, 5}), file("20261207-100006.zrd"));
}

TEST_F(CaptureSessionTest, OnceEndsWithTheLinkAndFailsWhenItNeverOpens) {
    device.script.push_back({false, {}, 0});
    CaptureOptions options = in(dir.path());
    options.once = true;
    EXPECT_EQ(1, run(options));
    ASSERT_EQ(1u, device.events.size());
    EXPECT_EQ("cannot open the link: refused", device.events[0]);

    device.script.push_back({true, {}, 700});
    EXPECT_EQ(0, run(options)) << "the device closed the connection in order";
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "a connection that brings nothing leaves no file";

    device.events.clear();
    device.script.push_back({true, {{0, {9}}}, 700, true});
    EXPECT_EQ(1, run(options)) << "a link that broke is a failure for a script";
    EXPECT_EQ(SessionEnd::LinkLost, end);
    EXPECT_EQ("link lost: the device is gone: reset", device.events.at(2));
}

TEST_F(CaptureSessionTest, BytesReachTheDiskWithinASecondAndNamesAreNeverReused) {
    std::uint64_t checkedAt = 0;
    device.onRead = [&](std::uint64_t now) {
        if (now >= 1000 && checkedAt == 0) {
            checkedAt = now;
            EXPECT_EQ(2u, fs->syncedBytes) << "on the disk at " << now << " ms";
        }
    };
    writeFile(dir / "20261207-100000.zrd", {7});  // an earlier capture of the same second
    device.script.push_back({true, {{0, {9, 9}}}, 3000});
    EXPECT_EQ(0, run(in(dir.path())));
    EXPECT_EQ(Bytes({7}), file("20261207-100000.zrd"));
    EXPECT_EQ(Bytes({9, 9}), file("20261207-100000_2.zrd"));
    EXPECT_GE(checkedAt, 1000u);
    EXPECT_LT(checkedAt, 1300u) << "the capture looked at the disk late";
}

TEST_F(CaptureSessionTest, AFolderThatCannotBeMadeEndsWithOneLine) {
    writeFile(dir / "plain", {1});
    EXPECT_EQ(1, run(in(dir / "plain" + "/captures")));
    ASSERT_EQ(1u, device.events.size());
    EXPECT_NE(std::string::npos, device.events[0].find("cannot make the folder"));
    EXPECT_TRUE(device.opens.empty());
}

TEST_F(CaptureSessionTest, AStopStoresWhatIsAlreadyWaitingAndEndsTheFile) {
    // The stop comes while the first chunk is handled; the second is
    // waiting by then and still counts.
    device.script.push_back({true, {{0, {1}}, {0, {2, 3}}}, 0});
    device.stopOnReceive = true;
    EXPECT_EQ(0, run(in(dir.path())));
    EXPECT_EQ(SessionEnd::Stopped, end);
    EXPECT_EQ(Bytes({1, 2, 3}), file("20261207-100000.zrd"));
    EXPECT_EQ(3u, device.receivedBytes);
}

TEST_F(CaptureSessionTest, TheWindowsRunEndsWithItsLinkAndKeepsItsOneFileOpen) {
    CaptureFile one(*fs);
    ASSERT_EQ(0u, one.create(dir / "run.zrd"));
    SingleFileTarget target(one);
    device.script.push_back({true, {{0, {5, 6}}, {100, {7}}}, 200});
    device.lineErrorsToTell = "overrun";
    EXPECT_EQ(SessionEnd::DeviceClosed, CaptureSession(device, target, device, device, device.stop).run());
    EXPECT_EQ(1u, device.opens.size()) << "no reconnect";
    EXPECT_TRUE(one.isOpen()) << "the window closes its file itself";
    EXPECT_EQ(3u, fs->syncedBytes) << "on the disk when the session ends";
    EXPECT_EQ(0u, one.close());
    EXPECT_EQ(Bytes({5, 6, 7}), file("run.zrd"));
    EXPECT_EQ((std::vector<std::string>{"connected", "line errors: overrun 1", "link lost: peer closed"}),
              device.events);
}

TEST_F(CaptureSessionTest, AQuietLineIsReadWithoutSpinning) {
    device.script.push_back({true, {}, 5000});
    device.script.front().chunks.push_back({0, {1}});
    CaptureOptions options = in(dir.path());
    options.once = true;
    EXPECT_EQ(0, run(options));
    // After the byte: the disk at 1 s, then a read a second until the end.
    EXPECT_LE(device.reads.size(), 8u) << "a quiet line is waited on, not polled";
}

TEST(CaptureFileName, ZeroPaddedSoThatNamesSortByTime) {
    EXPECT_EQ("20260102-030405.zrd", timeNamedCaptureFile({2026, 1, 2, 3, 4, 5}, 1));
    EXPECT_EQ("20261231-235959_3.zrd", timeNamedCaptureFile({2026, 12, 31, 23, 59, 59}, 3));
}

TEST(Backoff, DoublesToThirtySecondsAndStartsOverAfterData) {
    Backoff b;
    std::vector<int> got;
    for (int i = 0; i < 7; ++i) got.push_back(b.next());
    EXPECT_EQ((std::vector<int>{1000, 2000, 4000, 8000, 16000, 30000, 30000}), got);
    b.reset();
    EXPECT_EQ(1000, b.next());
}

}  // namespace
}  // namespace orv::test
