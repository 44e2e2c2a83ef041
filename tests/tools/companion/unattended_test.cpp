// The unattended capture over a scripted link and a clock that only moves
// when the capture waits: files, splits, reconnects and the disk.
#include "tools/companion/Unattended.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "tests/support/TestSupport.h"

namespace orv::test {
namespace {

using companion::CaptureOptions;
using Bytes = std::vector<std::uint8_t>;

// One connection of the script: bytes at times after the open, then its end.
struct Connection {
    bool opens = true;
    std::vector<std::pair<std::uint64_t, Bytes>> chunks;
    std::uint64_t endsAfterMs = 0;  // 0: never ends by itself
};

class ScriptedDevice final : public companion::DeviceLink, public companion::CaptureHost {
public:
    std::deque<Connection> script;
    std::uint64_t now = 0;
    std::vector<std::string> events;
    std::vector<int> pauses;
    std::vector<std::uint64_t> opens;
    std::function<void(std::uint64_t)> onRead;  // looks at the disk while the capture waits

    bool open(std::string& why) override {
        opens.push_back(now);
        if (script.empty()) {
            stop_ = true;  // nothing more to play: the capture is stopped
            why = "no device";
            return false;
        }
        if (!script.front().opens) {
            script.pop_front();
            why = "refused";
            return false;
        }
        openedAt_ = now;
        return true;
    }
    long read(std::uint8_t* buffer, std::size_t size, int ms, std::string& why) override {
        if (onRead) onRead(now);
        Connection& c = script.front();
        const std::uint64_t until = now + static_cast<std::uint64_t>(ms);
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
            why = "peer closed";
            return -1;
        }
        now = until;
        return 0;
    }
    bool write(const std::uint8_t*, std::size_t, int, std::string&) override { return true; }
    bool finishWrites(int, std::string&) override { return true; }
    void close() override { script.pop_front(); }

    std::uint64_t nowMs() override { return now; }
    LocalTime localTime() override {
        const int s = static_cast<int>(now / 1000);
        return {2026, 12, 7, 10 + s / 3600, s / 60 % 60, s % 60};
    }
    bool stopRequested() override { return stop_; }
    void pause(int ms) override {
        pauses.push_back(ms);
        now += static_cast<std::uint64_t>(ms);
    }
    void event(const std::string& line) override { events.push_back(line); }

private:
    bool stop_ = false;
    std::uint64_t openedAt_ = 0;
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

class UnattendedCapture : public ::testing::Test {
protected:
    int run(const CaptureOptions& options) { return companion::runUnattendedCapture(device, device, *fs, options); }
    CaptureOptions in(const std::string& folder) {
        CaptureOptions o;
        o.folder = folder;
        return o;
    }
    Bytes file(const std::string& name) const { return readFile(dir / name); }

    TempDir dir;
    std::unique_ptr<CountingFileSystem> fs = std::make_unique<CountingFileSystem>();
    ScriptedDevice device;
};

TEST_F(UnattendedCapture, PrintJobsWithIdleGapsBecomeOneFileEach) {
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

TEST_F(UnattendedCapture, ReconnectsWithBackoffAndStartsANewFileEachConnection) {
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

TEST_F(UnattendedCapture, OnceEndsWithTheLinkAndFailsWhenItNeverOpens) {
    device.script.push_back({false, {}, 0});
    CaptureOptions options = in(dir.path());
    options.once = true;
    EXPECT_EQ(1, run(options));
    ASSERT_EQ(1u, device.events.size());
    EXPECT_EQ("cannot open the link: refused", device.events[0]);

    device.script.push_back({true, {}, 700});
    EXPECT_EQ(0, run(options));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "a connection that brings nothing leaves no file";
}

TEST_F(UnattendedCapture, BytesReachTheDiskWithinASecondAndNamesAreNeverReused) {
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

TEST_F(UnattendedCapture, AFolderThatCannotBeMadeEndsWithOneLine) {
    writeFile(dir / "plain", {1});
    EXPECT_EQ(1, run(in(dir / "plain" + "/captures")));
    ASSERT_EQ(1u, device.events.size());
    EXPECT_NE(std::string::npos, device.events[0].find("cannot make the folder"));
    EXPECT_TRUE(device.opens.empty());
}

TEST(CaptureFileName, ZeroPaddedSoThatNamesSortByTime) {
    EXPECT_EQ("20260102-030405.zrd", companion::captureFileName({2026, 1, 2, 3, 4, 5}, 1));
    EXPECT_EQ("20261231-235959_3.zrd", companion::captureFileName({2026, 12, 31, 23, 59, 59}, 3));
}

TEST(Backoff, DoublesToThirtySecondsAndStartsOverAfterData) {
    companion::Backoff b;
    std::vector<int> got;
    for (int i = 0; i < 7; ++i) got.push_back(b.next());
    EXPECT_EQ((std::vector<int>{1000, 2000, 4000, 8000, 16000, 30000, 30000}), got);
    b.reset();
    EXPECT_EQ(1000, b.next());
}

}  // namespace
}  // namespace orv::test
