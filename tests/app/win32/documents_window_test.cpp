// Documents through the real main window: File > Export as PDF of the file
// in the view with its failures told in the language library's words, and
// the PDF that a capture gets beside it when its run stops.
#include <string>

#include "base/Text.h"
#include "tests/app/win32/MainWindowFixture.h"
#include "tests/link/win32/DevSim.h"

namespace orv::test {
namespace {

const std::string kJob = "\x1b@DELIVERY NOTE 4711\r\nWidget        3 pcs\r\n\x0c";
const std::string kPcl =
    "\x1b"
    "E\x1b&l0O\x1b(s0p10h12v0s0b3THello";

bool isPdf(const std::string& path) { return readText(path).compare(0, 5, "%PDF-") == 0; }

class DocumentWindowTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        create();
    }
    void open(const std::string& path) {
        dialogs.choose(path);
        command(CMD_OPEN_FILE);
    }
    std::string told(unsigned textId, const std::string& subject) const {
        return formatWithText(text(textId), subject);
    }
};

TEST_F(DocumentWindowTest, ExportWritesThePdfChosenInTheSaveDialog) {
    EXPECT_FALSE(menuEnabled(CMD_EXPORT_PDF)) << "no file yet";
    const std::string capture = dir / "job.zrd";
    writeText(capture, kJob);
    open(capture);
    EXPECT_TRUE(menuEnabled(CMD_EXPORT_PDF));
    const std::string pdf = dir / "Exported.pdf";
    writeText(pdf, "old");
    command(CMD_EXPORT_PDF);  // cancelled: nothing happens
    EXPECT_EQ("old", readText(pdf));
    dialogs.choose(pdf);
    command(CMD_EXPORT_PDF);
    ASSERT_EQ(3u, dialogs.asked.size());
    const auto& asked = dialogs.asked[2];
    EXPECT_EQ("save", asked.kind);
    EXPECT_EQ(dir / "job.pdf", asked.initialPath) << "the file's name with .pdf";
    EXPECT_EQ("*.pdf", asked.filterPattern);
    EXPECT_EQ(text(IDS_EXPORT_TITLE), asked.title);
    EXPECT_TRUE(isPdf(pdf));
    EXPECT_TRUE(messages.shown.empty());
}

// The printer units the auto mode chose stand in the status bar.
TEST_F(DocumentWindowTest, ExportTellsThePrinterUnitsItChose) {
    const std::string nine = dir / "pins.prn";
    writeText(nine,
              "\x1b"
              "3$line\r\nline\r\n\x0c");
    open(nine);
    dialogs.choose(dir / "pins.pdf");
    command(CMD_EXPORT_PDF);
    EXPECT_TRUE(isPdf(dir / "pins.pdf"));
    EXPECT_EQ(told(IDS_PINS_NINE, "ESC 3 36 at 0"), statusText(4));
    const std::string plain = dir / "job.zrd";
    writeText(plain, kJob);
    open(plain);
    dialogs.choose(dir / "job.pdf");
    command(CMD_EXPORT_PDF);
    EXPECT_EQ("", statusText(4)) << "nothing to choose in a job without spacings";
}

TEST_F(DocumentWindowTest, ExportFailuresAreToldAndLeaveTheTargetAlone) {
    const std::string capture = dir / "pcl.zrd", pdf = dir / "kept.pdf";
    writeText(capture, kPcl);
    writeText(pdf, "old");
    open(capture);
    dialogs.choose(pdf);
    command(CMD_EXPORT_PDF);
    DeleteFileA(capture.c_str());
    dialogs.choose(pdf);
    command(CMD_EXPORT_PDF);
    writeText(capture, kJob);
    const std::string nowhere = dir / "missing\\out.pdf";
    dialogs.choose(nowhere);
    command(CMD_EXPORT_PDF);
    const std::string itself = dir / "PCL.ZRD";  // the capture, spelt otherwise
    dialogs.choose(itself);
    command(CMD_EXPORT_PDF);
    ASSERT_EQ(4u, messages.shown.size());
    EXPECT_EQ(told(IDS_RENDER_LANGUAGE, "PCL"), messages.shown[0].text);
    EXPECT_EQ(text(IDS_FAILURE_CAPTION), messages.shown[0].caption);
    EXPECT_EQ(told(IDS_RENDER_READ_FAILED, capture), messages.shown[1].text);
    EXPECT_EQ(told(IDS_RENDER_WRITE_FAILED, nowhere), messages.shown[2].text);
    EXPECT_EQ(told(IDS_RENDER_SAME_FILE, itself), messages.shown[3].text);
    EXPECT_EQ("old", readText(pdf));
    EXPECT_EQ(kJob, readText(capture));
}

class CapturePdfTest : public DocumentWindowTest {
protected:
    // Captures what the simulator sends until it closes, with the PDF
    // after each capture asked for.
    bool capture(DevSim& sim) {
        const int port = sim.port();
        if (!port) return false;
        useLan(port);
        s->profile.documents.pdfAfterCapture = 1;
        command(CMD_START);
        // The simulator closes once its data is out: the run stops itself
        // and says so.
        return pumpUntil([&] { return s->runState == RunState::Idle && shown("Failed to receive data."); }, 30000);
    }
};

TEST_F(CapturePdfTest, RunThatStopsGetsItsPdfBesideTheCaptureFile) {
    DevSim sim("--lan 127.0.0.1:0 --escp --close-when-done");
    ASSERT_TRUE(capture(sim));
    ASSERT_TRUE(pumpUntil([&] { return isPdf(dir / "run.pdf"); }, 20000));
    ASSERT_EQ(1u, messages.shown.size()) << "the link lost, and nothing else";
    EXPECT_EQ("Failed to receive data.", messages.shown[0].text);
}

TEST_F(CapturePdfTest, JobThatIsNotRenderedIsToldAndItsCaptureKept) {
    // The simulator reads Linux paths.
    const std::string job = "/tmp/orv-job-" + std::to_string(GetCurrentProcessId()) + ".ps";
    writeText("Z:" + job, "%!PS-Adobe-3.0\n");
    DevSim sim("--lan 127.0.0.1:0 --file " + job + " --close-when-done");
    const bool captured = capture(sim);
    DeleteFileA(("Z:" + job).c_str());
    ASSERT_TRUE(captured);
    const std::string told = formatWithText(text(IDS_RENDER_LANGUAGE), "PostScript");
    ASSERT_TRUE(pumpUntil([&] { return shown(told); }, 20000));
    EXPECT_EQ("%!PS-Adobe-3.0\n", readText(dir / "run.zrd"));
    EXPECT_FALSE(pathExists(dir / "run.pdf"));
}

}  // namespace
}  // namespace orv::test
