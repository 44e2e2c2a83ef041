// The capture file by the clock: whole blocks at once, every byte in the
// file within a second, on the disk after a quiet second or at the close,
// and what a failed write costs.
#include "capture/CaptureFile.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/TestSupport.h"

namespace orv::test {
namespace {

class WatchedDisk final : public PassThroughFileSystem {
public:
    SysError write(Handle f, const void* d, std::size_t n) override {
        writes.push_back(n);
        if (failWrite == writes.size()) return syserr::kDiskFull;
        written += n;
        return PassThroughFileSystem::write(f, d, n);
    }
    SysError sync(Handle f) override {
        synced = written;
        ++syncs;
        return PassThroughFileSystem::sync(f);
    }
    std::vector<std::size_t> writes;
    std::size_t written = 0, synced = 0, failWrite = 0;
    int syncs = 0;
};

constexpr std::size_t kBlock = CaptureFile::kBlockSize;

class CaptureFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(0u, file.create(dir / "run.zrd")); }
    void append(std::size_t n, std::uint64_t at) {
        const auto bytes = patternBytes(n, static_cast<std::uint32_t>(at + 1));
        sent.insert(sent.end(), bytes.begin(), bytes.end());
        EXPECT_EQ(0u, file.append(bytes.data(), n, at));
    }

    TempDir dir;
    WatchedDisk disk;
    CaptureFile file{disk};
    std::vector<std::uint8_t> sent;
};

TEST_F(CaptureFileTest, WholeBlocksGoAtOnceTheRestAtTheClose) {
    append(kBlock - 10, 0);
    EXPECT_TRUE(disk.writes.empty());
    append(10, 0);
    EXPECT_EQ(std::vector<std::size_t>{kBlock}, disk.writes) << "a chunk that fills the block exactly";
    append(1, 0);
    EXPECT_EQ(0u, file.close());
    EXPECT_EQ((std::vector<std::size_t>{kBlock, 1}), disk.writes);
    EXPECT_EQ(1, disk.syncs) << "a stop is often the last thing before the PC is switched off";
    EXPECT_EQ(sent, readFile(dir / "run.zrd"));
}

TEST_F(CaptureFileTest, AQuietLineIsOnTheDiskWithinASecond) {
    append(100, 0);
    EXPECT_EQ(1000, file.msUntilDue(0));
    EXPECT_EQ(0u, file.keepDurable(999));
    EXPECT_EQ(0u, disk.synced);
    EXPECT_EQ(0u, file.keepDurable(1000));
    EXPECT_EQ(100u, disk.synced);
    EXPECT_EQ(-1, file.msUntilDue(1000)) << "nothing waits";
}

TEST_F(CaptureFileTest, AStreamIsWrittenEverySecondAndSyncedLessOften) {
    // A byte every 100 ms for 25 s, the clock moved as a session moves it.
    std::uint64_t now = 0;
    for (; now < 25000; now += 100) {
        append(500, now);
        EXPECT_EQ(0u, file.keepDurable(now));
        EXPECT_LE(sent.size() - disk.written, 500u * 11) << "bytes in memory only for longer than a second at " << now;
    }
    EXPECT_LE(disk.syncs, 3) << "a sync stops the receiving side: not every second while data comes";
    EXPECT_GE(disk.syncs, 2) << "nor never";
    EXPECT_EQ(0u, file.keepDurable(now + 1000));
    EXPECT_EQ(disk.written, disk.synced) << "the quiet second after the stream";
}

TEST_F(CaptureFileTest, AFailedWriteIsToldOnceAndTheFileKeepsWhatReachedIt) {
    disk.failWrite = 2;
    const auto bytes = patternBytes(3 * kBlock);
    int told = 0;
    for (std::size_t at = 0; at < bytes.size(); at += 1000)
        told += file.append(bytes.data() + at, std::min<std::size_t>(1000, bytes.size() - at), 0) != 0;
    EXPECT_EQ(1, told);
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(bytes.size() - kBlock, file.bytesLost());
    EXPECT_EQ(syserr::kDiskFull, file.close()) << "the close still learns that the file is short";
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + kBlock), readFile(dir / "run.zrd"));
}

}  // namespace
}  // namespace orv::test
