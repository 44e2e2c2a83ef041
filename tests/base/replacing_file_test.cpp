// The one file replacer on the platform's real disk (POSIX natively, Win32
// under Wine): exclusive temporary names, and what a failure leaves.
#include "base/ReplacingFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "tests/support/TestSupport.h"

namespace orv {
namespace {

using test::PassThroughFileSystem;
using test::readText;
using test::TempDir;
using test::writeText;

std::set<std::string> names(const std::string& dir) {
    std::set<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) found.insert(entry.path().filename().string());
    return found;
}

// Someone else takes each of the first `taken` temporary names just before
// the writer asks for it: a race the writer must lose without harm.
class CrowdedFolder final : public PassThroughFileSystem {
public:
    SysError createTemporary(const char* p, const char* t, Handle& f) override {
        if (taken > 0) {
            --taken;
            writeText(p, "someone else's");
            others.insert(p);
        }
        return PassThroughFileSystem::createTemporary(p, t, f);
    }
    int taken = 0;
    std::set<std::string> others;
};

TEST(ReplacingFile, ANameThatIsTakenIsNeverEmptiedAndTheNextIsTried) {
    TempDir dir;
    const std::string target = dir / "out.pdf";
    writeText(target, "old");
    CrowdedFolder fs;
    fs.taken = 3;
    ASSERT_EQ(0u, replaceContent(fs, target, "new", 3));
    EXPECT_EQ("new", readText(target));
    ASSERT_EQ(3u, fs.others.size());
    for (const std::string& other : fs.others) EXPECT_EQ("someone else's", readText(other)) << other;
    EXPECT_EQ(4u, names(dir.path()).size()) << "the target and the three others' files, nothing of ours";

    // Every name taken: the replace fails and touches nothing.
    fs.taken = 1000;
    fs.others.clear();
    EXPECT_EQ(syserr::kFileExists, replaceContent(fs, target, "newer", 5));
    EXPECT_EQ("new", readText(target));
    for (const std::string& other : fs.others) EXPECT_EQ("someone else's", readText(other));
}

class BrokenDisk final : public PassThroughFileSystem {
public:
    SysError write(Handle f, const void* d, std::size_t n) override {
        return failWrites ? syserr::kDiskFull : PassThroughFileSystem::write(f, d, n);
    }
    SysError commitTemporary(Handle f, const char* p, const char* t) override {
        const SysError error = PassThroughFileSystem::commitTemporary(f, p, t);
        return failCommit ? syserr::kAccessDenied : error;  // as a rename refused after a good write
    }
    bool failWrites = false, failCommit = false;
};

TEST(ReplacingFile, FailuresAndAbandonsLeaveTheTargetAndNoTemporaryFile) {
    TempDir dir;
    const std::string target = dir / "saved.zrd";
    writeText(target, "old");
    BrokenDisk fs;
    fs.failWrites = true;
    EXPECT_EQ(syserr::kDiskFull, replaceContent(fs, target, "new", 3));
    fs.failWrites = false;
    {
        ReplacingFile file(fs);
        ASSERT_EQ(0u, file.open(target));
        ASSERT_EQ(0u, file.write("half", 4));
        EXPECT_TRUE(test::pathExists(file.temporary()));
    }  // ended without commit
    EXPECT_EQ("old", readText(target));
    EXPECT_EQ(std::set<std::string>{"saved.zrd"}, names(dir.path()));

    // A folder in the way, a missing folder: refused before anything is made.
    std::filesystem::create_directory(dir / "folder");
    EXPECT_NE(0u, replaceContent(fs, dir / "folder", "x", 1));
    EXPECT_EQ(syserr::kPathNotFound, replaceContent(fs, (dir / "none") + test::platformSeparator() + "x", "x", 1));
    EXPECT_EQ((std::set<std::string>{"saved.zrd", "folder"}), names(dir.path()));
}

}  // namespace
}  // namespace orv
