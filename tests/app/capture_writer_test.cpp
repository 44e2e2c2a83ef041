// The capture file writer on real files: natively over POSIX, under Wine
// over the Win32 API.  A decorator counts the writes and injects faults.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "base/Ids.h"
#include "app/CaptureWriter.h"
#include "tests/support/TestSupport.h"

namespace orv::test {
namespace {

// Passes everything to the platform's file system, records write sizes,
// and fails the n-th write or the close when asked.
class FaultyFileSystem : public PassThroughFileSystem {
public:
    SysError createFolder(const char* p) override {
        ++foldersCreated;
        return PassThroughFileSystem::createFolder(p);
    }
    SysError write(Handle f, const void* d, std::size_t n) override {
        writes.push_back(n);
        if (failWrite == writes.size()) return syserr::kDiskFull;
        return PassThroughFileSystem::write(f, d, n);
    }
    SysError sync(Handle f) override {
        ++syncs;
        return PassThroughFileSystem::sync(f);
    }
    SysError close(Handle f) override {
        SysError e = PassThroughFileSystem::close(f);
        return failClose ? syserr::kWriteFault : e;
    }

    std::vector<std::size_t> writes;
    int syncs = 0;
    std::size_t failWrite = 0;  // 1-based; 0 = never
    bool failClose = false;
    int foldersCreated = 0;
};

class CaptureWriterTest : public ::testing::Test {
protected:
    CaptureWriterTest() : writer(fs) {
        std::strcpy(settings.captureFolder, dir.path().c_str());
        std::strcpy(settings.captureFileName, "Capturedata.zrd");
    }
    std::string path(const char* name) const { return dir / name; }
    void open() { ASSERT_EQ(0u, writer.openCaptureFile(settings, LocalTime{2026, 12, 7, 6, 3, 0})); }
    void append(const std::vector<std::uint8_t>& bytes, std::size_t chunk) {
        for (std::size_t i = 0; i < bytes.size(); i += chunk) {
            std::size_t n = std::min(chunk, bytes.size() - i);
            ASSERT_EQ(0u, writer.file().append(bytes.data() + i, n, 0));
        }
    }

    TempDir dir;
    FaultyFileSystem fs;
    CaptureWriter writer;
    CaptureFileSettings settings;
    ScriptedMessages messages;
    FixedStrings strings;
};

constexpr std::size_t kBlock = CaptureWriter::kBlockSize;

// ---- contents and block writes ----

TEST_F(CaptureWriterTest, FilesAreByteExactWithOneWritePerFullBlock) {
    struct Case {
        std::size_t size, chunk;
    };
    const Case cases[] = {{0, 1},
                          {1, 1},
                          {kBlock - 1, 4096},
                          {kBlock, kBlock},
                          {kBlock + 1, 80},
                          {kBlock, 81},
                          {3 * kBlock + 7, 1000},
                          {200000, 7},
                          {kBlock * 2, kBlock * 2}};
    int name = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "size " << c.size << " chunk " << c.chunk);
        std::snprintf(settings.captureFileName, sizeof settings.captureFileName, "run%d.zrd", name++);
        fs.writes.clear();
        fs.syncs = 0;
        open();
        auto bytes = patternBytes(c.size, static_cast<std::uint32_t>(c.size));
        append(bytes, c.chunk);
        std::vector<std::size_t> duringRun = fs.writes;
        EXPECT_EQ(0u, writer.closeCaptureFile());
        EXPECT_EQ(bytes, readFile(writer.captureFilePath()));

        std::vector<std::size_t> expected(c.size / kBlock, kBlock);
        EXPECT_EQ(expected, duringRun) << "only whole blocks are written while the run lasts";
        if (c.size % kBlock) expected.push_back(c.size % kBlock);
        EXPECT_EQ(expected, fs.writes);
        // A stop is often the last thing before the PC is switched off.
        EXPECT_EQ(c.size ? 1 : 0, fs.syncs) << "what was written is put on the disk before the close";
    }
}

TEST_F(CaptureWriterTest, CloseWithoutFileSaysSoAndChunksWithoutFileAreIgnored) {
    EXPECT_FALSE(writer.hasFile());
    EXPECT_EQ(0u, writer.closeCaptureFile());
    std::uint8_t byte = 'x';
    EXPECT_EQ(0u, writer.file().append(&byte, 1, 0));
    EXPECT_TRUE(fs.writes.empty());
}

// ---- creation and names ----

TEST_F(CaptureWriterTest, ExistingNameIsRefusedAndLeftUntouched) {
    std::vector<std::uint8_t> old = {'o', 'l', 'd'};
    writeFile(path("Capturedata.zrd"), old);
    SysError r = writer.openCaptureFile(settings, LocalTime{2026, 1, 1, 0, 0, 0});
    EXPECT_EQ(syserr::kFileExists, r);
    EXPECT_FALSE(writer.isFileOpen());
    EXPECT_EQ(old, readFile(path("Capturedata.zrd")));
    EXPECT_EQ(path("Capturedata.zrd"), writer.captureFilePath());
}

TEST(CaptureNames, AreDateAndTimeWithoutPadding) {
    struct Case {
        LocalTime t;
        const char* name;
    };
    const Case cases[] = {
        {{2010, 3, 5, 9, 4, 7}, "201035947.zrd"},
        {{2010, 11, 21, 14, 30, 59}, "20101121143059.zrd"},
        {{2010, 1, 11, 10, 5, 3}, "20101111053.zrd"},
        {{2010, 11, 1, 10, 5, 3}, "20101111053.zrd"},  // another moment, the same name
        {{2026, 12, 31, 23, 59, 59}, "20261231235959.zrd"},
        {{2000, 1, 1, 0, 0, 0}, "200011000.zrd"},
    };
    for (const Case& c : cases) {
        char name[kPathSize];
        makeCaptureName(c.t, name);
        EXPECT_STREQ(c.name, name);
    }
}

TEST_F(CaptureWriterTest, AutoNamedRunsThatCollideLeaveTheFirstFile) {
    settings.autoNameFiles = 1;
    ASSERT_EQ(0u, writer.openCaptureFile(settings, LocalTime{2010, 1, 11, 10, 5, 3}));
    auto first = patternBytes(100);
    append(first, 100);
    ASSERT_EQ(0u, writer.closeCaptureFile());
    EXPECT_STREQ("20101111053.zrd", settings.captureFileName);

    EXPECT_EQ(syserr::kFileExists,
              writer.openCaptureFile(settings, LocalTime{2010, 11, 1, 10, 5, 3}));
    EXPECT_EQ(first, readFile(path("20101111053.zrd")));
}

TEST_F(CaptureWriterTest, NameThatDoesNotFitIsRefusedNotCut) {
    std::string name(kPathSize - 1, 'n');
    std::strcpy(settings.captureFileName, name.c_str() + dir.path().size() + 1);
    std::strcat(settings.captureFileName, "x");
    EXPECT_EQ(syserr::kFilenameTooLong, writer.openCaptureFile(settings, {}));
    EXPECT_FALSE(writer.isFileOpen());
}

// ---- the folder check ----

TEST_F(CaptureWriterTest, ExistingFolderPassesWithoutQuestion) {
    EXPECT_EQ(0u, writer.checkCaptureFolder(settings, messages, strings, nullptr));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(CaptureWriterTest, FolderThatIsAFileIsRefusedWithoutQuestion) {
    writeFile(path("plain"), {1});
    std::strcpy(settings.captureFolder, path("plain").c_str());
    EXPECT_EQ(syserr::kFileExists, writer.checkCaptureFolder(settings, messages, strings, nullptr));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(CaptureWriterTest, MissingFolderThreeLevelsDeepIsCreatedAfterOk) {
    std::string deep = dir / "one";
    deep = deep + platformSeparator() + "two" + platformSeparator() + "three";
    std::strcpy(settings.captureFolder, deep.c_str());
    messages.answer(box::kAnswerOk);
    EXPECT_EQ(0u, writer.checkCaptureFolder(settings, messages, strings, nullptr));
    EXPECT_TRUE(isFolder(deep));
    EXPECT_EQ(3, fs.foldersCreated);

    ASSERT_EQ(1u, messages.shown.size());
    EXPECT_EQ("Capture file folder", messages.shown[0].caption);
    EXPECT_EQ("The folder " + deep + " does not exist. Create it?", messages.shown[0].text);
    EXPECT_EQ(box::kOkCancel | box::kIconWarning, messages.shown[0].type);
}

TEST_F(CaptureWriterTest, MissingFolderIsLeftAloneAfterCancel) {
    std::string deep = dir / "one";
    deep = deep + platformSeparator() + "two";
    std::strcpy(settings.captureFolder, deep.c_str());
    messages.answer(box::kAnswerCancel);
    EXPECT_EQ(syserr::kCancelled, writer.checkCaptureFolder(settings, messages, strings, nullptr));
    EXPECT_FALSE(pathExists(dir / "one"));
    EXPECT_EQ(0, fs.foldersCreated);
}

TEST_F(CaptureWriterTest, FolderBelowAFileFailsInsteadOfLooping) {
    writeFile(path("plain"), {1});
    std::string below = path("plain") + platformSeparator() + "a" + platformSeparator() + "b";
    EXPECT_NE(0u, createFolderPath(fs, below.c_str()));
#ifdef _WIN32
    // A drive that does not exist: every level is "path not found".
    EXPECT_NE(0u, createFolderPath(fs, "Q:\\orv\\x\\y"));
#endif
}

TEST_F(CaptureWriterTest, FolderMessageTextsAreCutAndTakeNoForeignPlaceholders) {
    strings.texts[IDS_FOLDER_MISSING] = "%d %n %s %s";  // only the first %s is expanded
    std::string deep = dir / "missing";
    std::strcpy(settings.captureFolder, deep.c_str());
    messages.answer(box::kAnswerCancel);
    writer.checkCaptureFolder(settings, messages, strings, nullptr);
    ASSERT_EQ(1u, messages.shown.size());
    EXPECT_EQ("%d %n " + deep + " %s", messages.shown[0].text);
}

// ---- replacing a fixed-name file ----

TEST_F(CaptureWriterTest, ReplaceQuestionOnlyWhenTheFileExists) {
    EXPECT_EQ(0u, writer.confirmReplaceCaptureFile(settings, messages, strings, nullptr));
    EXPECT_TRUE(messages.shown.empty());

    writeFile(path("Capturedata.zrd"), {9, 9});
    messages.answer(box::kAnswerNo);
    EXPECT_EQ(syserr::kCancelled, writer.confirmReplaceCaptureFile(settings, messages, strings, nullptr));
    EXPECT_TRUE(pathExists(path("Capturedata.zrd")));
    ASSERT_EQ(1u, messages.shown.size());
    EXPECT_EQ("Replace", messages.shown[0].caption);
    EXPECT_EQ(box::kYesNo | box::kIconQuestion, messages.shown[0].type);
}

TEST_F(CaptureWriterTest, AReplacedFileGivesWayOnlyOnceTheRunHasStarted) {
    const std::vector<std::uint8_t> old = {9, 9};
    writeFile(path("Capturedata.zrd"), old);
    messages.answer(box::kAnswerYes);
    ASSERT_EQ(0u, writer.confirmReplaceCaptureFile(settings, messages, strings, nullptr));
    open();
    // The link did not open: the old file is as it was, the new one gone.
    writer.discardCaptureFile();
    EXPECT_EQ(old, readFile(path("Capturedata.zrd")));
    EXPECT_FALSE(pathExists(path("Capturedata.zrd.new")));
    // The answer holds for that one start: the next one may not replace.
    EXPECT_NE(0, writer.openCaptureFile(settings, LocalTime{}));

    messages.answer(box::kAnswerYes);
    ASSERT_EQ(0u, writer.confirmReplaceCaptureFile(settings, messages, strings, nullptr));
    open();
    auto bytes = patternBytes(1000);
    append(bytes, 100);
    EXPECT_EQ(old, readFile(path("Capturedata.zrd"))) << "untouched until the link is open";
    ASSERT_EQ(0u, writer.captureStarted());
    append(bytes, 100);
    EXPECT_EQ(0u, writer.closeCaptureFile());
    bytes.insert(bytes.end(), bytes.begin(), bytes.end());
    EXPECT_EQ(bytes, readFile(path("Capturedata.zrd")));
    EXPECT_FALSE(pathExists(path("Capturedata.zrd.new")));
    EXPECT_STREQ(path("Capturedata.zrd").c_str(), writer.captureFilePath());
}

// ---- failures ----

TEST_F(CaptureWriterTest, FailedBlockWriteIsReportedOnceAndKeepsWhatWasStored) {
    open();
    fs.failWrite = 2;  // the second block
    auto bytes = patternBytes(5 * kBlock);
    int failures = 0;
    SysError failure = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 1000) {
        SysError r = writer.file().append(bytes.data() + i, std::min<std::size_t>(1000, bytes.size() - i), 0);
        if (r != 0) {
            ++failures;
            failure = r;
        }
    }
    EXPECT_EQ(1, failures);
    EXPECT_EQ(syserr::kDiskFull, failure);
    EXPECT_FALSE(writer.isFileOpen());
    EXPECT_EQ(bytes.size() - kBlock, writer.bytesLost());

    // The stop still learns that the file is incomplete, and the file keeps
    // the block that reached it.
    EXPECT_EQ(failure, writer.closeCaptureFile());
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + kBlock), readFile(writer.captureFilePath()));

    // The next run starts clean.
    std::strcpy(settings.captureFileName, "next.zrd");
    fs.failWrite = 0;
    open();
    EXPECT_EQ(0u, writer.bytesLost());
    EXPECT_EQ(0u, writer.closeCaptureFile());
}

TEST_F(CaptureWriterTest, FailedLastWriteKeepsTheFileAndReturnsTheFailure) {
    open();
    auto bytes = patternBytes(kBlock + 300);
    append(bytes, 100);
    fs.failWrite = 2;  // the staged rest, written at close
    EXPECT_EQ(syserr::kDiskFull, writer.closeCaptureFile());
    EXPECT_FALSE(writer.isFileOpen());
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + kBlock), readFile(path("Capturedata.zrd")));
    EXPECT_EQ(300u, writer.bytesLost());
}

TEST_F(CaptureWriterTest, FailedCloseKeepsTheFileAndReturnsTheFailure) {
    open();
    auto bytes = patternBytes(1000);
    append(bytes, 1000);
    fs.failClose = true;
    EXPECT_EQ(syserr::kWriteFault, writer.closeCaptureFile());
    EXPECT_EQ(bytes, readFile(path("Capturedata.zrd")));
}

}  // namespace
}  // namespace orv::test
