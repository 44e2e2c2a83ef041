// Print jobs in files rendered as documents: the PDF beside a capture, a
// target replaced only by a complete document, failures that name what
// failed, and the queue that makes the PDFs off the capture's thread.
#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/Text.h"
#include "capture/DocumentQueue.h"
#include "settings/DocumentForm.h"
#include "tests/support/TestSupport.h"

namespace orv::test {
namespace {

const std::string kJob =
    "\x1b@\x1b"
    "EDELIVERY \x07\x4aNOTE 4711\x1b"
    "F\r\nWidget        3 pcs\r\n\x0c";
const std::string kPcl =
    "\x1b"
    "E\x1b&l0O\x1b(s0p10h12v0s0b3THello";

std::set<std::string> names(const TempDir& dir) {
    std::set<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        found.insert(entry.path().filename().string());
    return found;
}

bool isPdf(const std::string& path) {
    const std::string bytes = readText(path);
    return bytes.compare(0, 5, "%PDF-") == 0 && bytes.find("%%EOF") != std::string::npos;
}

TEST(Documents, ExtensionIsReplacedInTheLastComponentOnly) {
    EXPECT_EQ("a/20240101-120000.pdf", withExtension("a/20240101-120000.zrd", ".pdf"));
    EXPECT_EQ("C:\\x.y\\run.pdf", withExtension("C:\\x.y\\run", ".pdf"));
    EXPECT_EQ("run.2024.txt", withExtension("run.2024.zrd", ".txt"));
    EXPECT_EQ("dir/.zrd.pdf", withExtension("dir/.zrd", ".pdf"));
    EXPECT_EQ("a/run.pdf", pdfBeside("a/run.zrd"));
    EXPECT_EQ("a/run.PDF.pdf", pdfBeside("a/run.PDF")) << "never the capture itself";
}

TEST(Documents, OptionsFollowTheSettings) {
    DocumentSettings settings;
    copyCut(settings.paper, "letter");
    settings.codePage = 850;
    settings.printer = PrinterMode::Ibm;
    render::RenderOptions options = documentOptions(settings);
    EXPECT_DOUBLE_EQ(612, options.paper.width);
    EXPECT_DOUBLE_EQ(792, options.paper.height);
    EXPECT_EQ(850, options.codePage);
    EXPECT_EQ(render::Printer::Ibm, options.printer);
    EXPECT_EQ(render::Pins::Nine, options.pins);
    EXPECT_NEAR(render::kDefaultTopOfForm, options.topOfForm, 1e-9);
    settings.printer = PrinterMode::EpsonNinePin;
    EXPECT_EQ(render::Printer::Epson, documentOptions(settings).printer);
    EXPECT_EQ(render::Pins::Nine, documentOptions(settings).pins);
    settings.printer = PrinterMode::Epson;
    EXPECT_EQ(render::Pins::TwentyFour, documentOptions(settings).pins);
    EXPECT_EQ(render::Pins::Auto, documentOptions(DocumentSettings{}).pins) << "the default";
    copyCut(settings.topOfForm, "1in");
    EXPECT_DOUBLE_EQ(72, documentOptions(settings).topOfForm);
    copyCut(settings.paper, "folio");
    copyCut(settings.topOfForm, "1 furlong");
    EXPECT_DOUBLE_EQ(render::Paper{}.width, documentOptions(settings).paper.width) << "A4";
    EXPECT_NEAR(render::kDefaultTopOfForm, documentOptions(settings).topOfForm, 1e-9);
}

// Only what came through the device has its 0x07 sequences decoded: in a
// program's print file a 0x07 is a graphics byte like any other.
TEST(Documents, CaptureFilesAreDecodedAndOtherFilesAreNot) {
    for (const char* name : {"a/20240101-120000.zrd", "RUN.ZRD", "C:\\x\\b.Zrd"})
        EXPECT_EQ(InputKind::Capture, inputKindOf(name)) << name;
    for (const char* name : {"job.prn", "zrd", ".zrd", "a.zrd/job", "a.zrd.txt", "-", ""})
        EXPECT_EQ(InputKind::Raw, inputKindOf(name)) << name;
    // Graphics holding 0x07 0x27, then a letter.
    const std::string bytes(
        "A\x1bK\x02\x00\x07\x27"
        "B\x07\x4a"
        "C",
        11);
    for (InputKind kind : {InputKind::Capture, InputKind::Raw}) {
        PrintJob job(kind);
        job.add(reinterpret_cast<const std::uint8_t*>(bytes.data()), 5);
        job.add(reinterpret_cast<const std::uint8_t*>(bytes.data()) + 5, bytes.size() - 5);
        const std::vector<std::uint8_t>& got = job.finish();
        EXPECT_EQ(kind == InputKind::Raw ? bytes
                                         : std::string("A\x1bK\x02\x00\x07"
                                                       "BC",
                                                       8),
                  std::string(got.begin(), got.end()));
    }
}

TEST(Documents, TheSettingsTakeThePaperTextsTheRendererTakes) {
    for (const char* typed : {"a4", "letter", "210x297mm", "8.5x11in", "1x1in", "100x100in", "25.4x2540mm", "0.5x11in",
                              "8.5x101in", "20x297mm", "a3", "8.5x11", "8.5x11cm", "x11in"}) {
        char paper[kPaperTextSize] = "";
        render::Paper size;
        const bool taken = takePaperText(typed, paper);
        EXPECT_EQ(taken, render::parsePaper(taken ? paper : typed, size)) << typed;
    }
}

class RenderFileTest : public ::testing::Test {
protected:
    TempDir dir;
    std::unique_ptr<FileSystem> fs = makePlatformFileSystem();
    std::string capture = dir / "20240101-120000.zrd";
    std::string pdf = dir / "20240101-120000.pdf";
};

TEST_F(RenderFileTest, PdfOrTextBesideTheCapture) {
    writeText(capture, kJob);
    RenderOutcome outcome = renderFile(*fs, capture, pdf, render::RenderOptions{}, InputKind::Capture);
    EXPECT_TRUE(outcome.ok()) << describeFailure(outcome, capture, pdf);
    EXPECT_TRUE(isPdf(pdf));
    const std::string text = dir / "job.txt";
    EXPECT_TRUE(renderFile(*fs, capture, text, render::RenderOptions{}, InputKind::Capture, DocumentFormat::Text).ok());
    EXPECT_NE(std::string::npos, readText(text).find("DELIVERY NOTE 4711"));
    EXPECT_EQ((std::set<std::string>{"20240101-120000.zrd", "20240101-120000.pdf", "job.txt"}), names(dir));
}

// The platform's disk, full as soon as a document is written.
class FullDisk final : public PassThroughFileSystem {
public:
    SysError write(Handle, const void*, std::size_t) override { return syserr::kDiskFull; }
};

TEST_F(RenderFileTest, FailuresNameWhatFailedAndLeaveTheTargetAsItWas) {
    writeText(pdf, "old");
    writeText(capture, kPcl);
    RenderOutcome outcome = renderFile(*fs, capture, pdf, render::RenderOptions{}, InputKind::Capture);
    EXPECT_EQ(RenderOutcome::Failure::Language, outcome.failure);
    EXPECT_EQ(capture + " is a PCL job; only plain text and ESC/P are rendered",
              describeFailure(outcome, capture, pdf));

    const std::string missing = dir / "missing.zrd";
    outcome = renderFile(*fs, missing, pdf, render::RenderOptions{}, InputKind::Capture);
    EXPECT_EQ("cannot read " + missing + ": no such file", describeFailure(outcome, missing, pdf));

    writeText(capture, kJob);
    FullDisk full;
    outcome = renderFile(full, capture, pdf, render::RenderOptions{}, InputKind::Capture);
    EXPECT_EQ("cannot write " + pdf + ": the disk is full", describeFailure(outcome, capture, pdf));
    const std::string nowhere = (dir / "no") + platformSeparator() + "x.pdf";
    outcome = renderFile(*fs, capture, nowhere, render::RenderOptions{}, InputKind::Capture);
    EXPECT_EQ("cannot write " + nowhere + ": no such folder", describeFailure(outcome, capture, nowhere));

    EXPECT_EQ("old", readText(pdf));
    EXPECT_EQ((std::set<std::string>{"20240101-120000.zrd", "20240101-120000.pdf"}), names(dir))
        << "no temporary file left";
}

// Reads wait at a gate until the test opens it: a render that takes long.
class SlowDisk final : public PassThroughFileSystem {
public:
    SysError openRead(const char* p, Handle& f) override {
        std::unique_lock<std::mutex> lock(mutex);
        opened = true;
        changed.notify_all();
        changed.wait(lock, [this] { return open; });
        return PassThroughFileSystem::openRead(p, f);
    }
    void release() {
        std::lock_guard<std::mutex> lock(mutex);
        open = true;
        changed.notify_all();
    }
    bool waitOpened() {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), [this] { return opened; });
    }
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false, opened = false;
};

TEST_F(RenderFileTest, QueueRendersAndRunsTasksOffTheCallersThreadAndFinishesWhatIsQueued) {
    const std::string pcl = dir / "pcl.zrd";
    const std::string second = dir / "second.zrd";
    writeText(capture, kJob);
    writeText(pcl, kPcl);
    writeText(second, kJob);
    SlowDisk disk;
    std::mutex mutex;
    std::vector<DocumentQueue::Done> done;
    std::set<std::thread::id> threads;
    std::vector<std::size_t> tasks;  // the PDFs done when each task ran
    {
        DocumentQueue queue(disk, [&](const DocumentQueue::Done& d) {
            std::lock_guard<std::mutex> lock(mutex);
            done.push_back(d);
            threads.insert(std::this_thread::get_id());
        });
        queue.add(capture, render::RenderOptions{});
        ASSERT_TRUE(disk.waitOpened());
        queue.add(pcl, render::RenderOptions{});              // returns while the first is still being read
        queue.add("a throw", [] { throw std::runtime_error("lost"); });  // dropped; the queue goes on
        queue.add("a task", [&] {
            std::lock_guard<std::mutex> lock(mutex);
            tasks.push_back(done.size());
            threads.insert(std::this_thread::get_id());
        });
        {
            std::lock_guard<std::mutex> lock(mutex);
            EXPECT_TRUE(done.empty());
        }
        disk.release();
        queue.finish();
        EXPECT_EQ(2u, done.size()) << "finish waits for what was queued";
        EXPECT_EQ(std::vector<std::size_t>{2}, tasks) << "in turn with the PDFs";
        queue.add(second, render::RenderOptions{});
    }  // and the end, for what is queued then
    ASSERT_EQ(3u, done.size());
    EXPECT_EQ(pdf, done[0].target);
    EXPECT_TRUE(done[0].outcome.ok());
    EXPECT_EQ(RenderOutcome::Failure::Language, done[1].outcome.failure);
    EXPECT_TRUE(done[2].outcome.ok());
    EXPECT_TRUE(isPdf(pdf));
    EXPECT_TRUE(isPdf(dir / "second.pdf"));
    EXPECT_FALSE(pathExists(dir / "pcl.pdf"));
    EXPECT_EQ(0u, threads.count(std::this_thread::get_id()));
}

TEST_F(RenderFileTest, AnAbandonedQueueTellsWhatItWillNotMakeAndMakesNothingMore) {
    writeText(capture, kJob);
    SlowDisk disk;
    std::vector<std::string> told;
    int made = 0;
    {
        DocumentQueue queue(disk, [&](const DocumentQueue::Done&) { ++made; });
        queue.add(capture, render::RenderOptions{});
        ASSERT_TRUE(disk.waitOpened());
        queue.add("the print of " + capture, [&] { ++made; });
        queue.abandon([&](const std::string& what, bool underWay) {
            told.push_back((underWay ? "under way: " : "dropped: ") + what);
        });
        queue.add(capture, render::RenderOptions{});  // after the end: nothing
        disk.release();
    }
    EXPECT_EQ((std::vector<std::string>{"under way: the PDF of " + capture, "dropped: the print of " + capture}),
              told);
    EXPECT_EQ(1, made) << "the piece under way goes on; nothing else is made";
}

}  // namespace
}  // namespace orv::test
