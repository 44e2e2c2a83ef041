// The window's printing against a private CUPS server, through Wine's
// winspool (tests/print/window_print_test.sh starts the server before this
// program, as Wine needs): File > Print through the Print dialog and
// Ctrl+P, page ranges, copies and the document's paper, a printer that
// refuses the job, a cancel, the print after each capture, and the
// settings' printer list.  The queues' files are read back with poppler.
//
// Where Wine differs from Windows, named here as in the code: Wine's
// PrintDlgExW shows PrintDlgW's dialog (no Current Page, no property
// sheet), writes the From and To fields back only into a page range given
// to it, and tells neither the choice of All or Pages; StartDoc's number
// is Wine's own, not the CUPS job's.
#include "app/win32/PrintCommands.h"

#include <dlgs.h>

#include <string>
#include <vector>

#include "base/Text.h"
#include "tests/app/win32/MainWindowFixture.h"
#include "tests/link/win32/DevSim.h"
#include "tests/settings/win32/SettingsDialogDriver.h"

namespace orv::test {
namespace {

const std::string kCupsDir = [] {
    char dir[MAX_PATH] = "";
    GetEnvironmentVariableA("CUPS_DIR", dir, sizeof dir);
    return std::string(dir);
}();

// Runs a command of the Linux host through its shell and waits until it
// has ended (Wine's handle of a Unix program is signalled at once).
bool onHost(const std::string& command) {
    static int serial = 0;
    const std::string done =
        kCupsDir + "/done-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
    std::string line = "Z:\\bin\\sh -c \"" + command + "; touch " + done + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return waitUntil([&] { return pathExists("Z:" + done); }, 30000, 20);
}

// A job's output in a queue: the PDF that the queue's backend wrote.
struct Output {
    std::string unixPath;
    // What tool says of the file (then the rest of its arguments).
    std::string run(const std::string& tool, const std::string& arguments, const std::string& after = "") const {
        const std::string out = unixPath + "." + tool + ".txt";
        onHost(tool + " " + arguments + " " + unixPath + after + " > " + out + " 2>&1");
        return readText("Z:" + out);
    }
    int pages() const {
        const std::string info = run("pdfinfo", "");
        const std::size_t at = info.find("Pages:");
        return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
    }
    std::string size(int page) const {  // "595 x 842" in whole points
        const std::string info = run("pdfinfo", "-f " + std::to_string(page) + " -l " + std::to_string(page));
        const std::size_t at = info.find("size:");
        if (at == std::string::npos) return info;
        double w = 0, h = 0;
        std::sscanf(info.c_str() + at + 5, "%lf x %lf", &w, &h);
        return std::to_string(int(w + 0.5)) + " x " + std::to_string(int(h + 0.5));
    }
    std::string text(int page) const {
        return run("pdftotext", "-layout -f " + std::to_string(page) + " -l " + std::to_string(page), " -");
    }
};

// The queue's job files, oldest first.
std::vector<std::string> jobsOf(const std::string& queue) {
    std::vector<std::string> jobs;
    WIN32_FIND_DATAA found{};
    const std::string folder = "Z:" + kCupsDir + "/out/" + queue;
    HANDLE search = FindFirstFileA((folder + "\\job-*.out").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return jobs;
    do jobs.push_back(kCupsDir + "/out/" + queue + "/" + found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return jobs;
}

// Each page its number in a heading.
std::string numberedJob(int pages) {
    std::string job = "\x1b@";
    for (int p = 1; p <= pages; ++p) job += "HEADING OF PAGE " + std::to_string(p) + "\r\nline two\r\n\x0c";
    return job;
}

// Acts in the Print dialog from inside its modal loop: a thread timer
// finds the dialog, then hands it to the script once.
class PrintDialogScript {
public:
    using Script = std::function<void(HWND dialog)>;
    explicit PrintDialogScript(Script script) {
        active = this;
        script_ = std::move(script);
        timer_ = SetTimer(nullptr, 0, 100, onTimer);
    }
    ~PrintDialogScript() {
        KillTimer(nullptr, timer_);
        active = nullptr;
    }
    bool ran = false;
    std::string title;

private:
    static BOOL CALLBACK find(HWND window, LPARAM found) {
        char cls[16] = "";
        GetClassNameA(window, cls, sizeof cls);
        if (std::string(cls) != "#32770" || !IsWindowVisible(window) || !GetDlgItem(window, cmb4)) return TRUE;
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    static void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD) {
        PrintDialogScript* self = active;
        if (!self || self->ran) return;
        HWND dialog = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), find, reinterpret_cast<LPARAM>(&dialog));
        if (!dialog) return;
        self->ran = true;
        self->title = windowText(dialog);
        self->script_(dialog);
    }
    static PrintDialogScript* active;
    Script script_;
    UINT_PTR timer_ = 0;
};
PrintDialogScript* PrintDialogScript::active = nullptr;

void choosePrinter(HWND dialog, const char* name) {
    HWND list = GetDlgItem(dialog, cmb4);
    SendMessageA(list, CB_SETCURSEL, SendMessageA(list, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(name)), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(cmb4, CBN_SELCHANGE), LPARAM(list));
}
void choosePages(HWND dialog, int first, int last) {
    SendMessageA(GetDlgItem(dialog, rad3), BM_CLICK, 0, 0);
    SetDlgItemTextA(dialog, edt1, std::to_string(first).c_str());
    SetDlgItemTextA(dialog, edt2, std::to_string(last).c_str());
}
void print(HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDOK, 0); }

class WindowPrintTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        ASSERT_FALSE(kCupsDir.empty()) << "run by window_print_test.sh, which starts the CUPS server";
        create();
    }
    void open(const std::string& job) {
        writeText(dir / "job.zrd", job);
        dialogs.choose(dir / "job.zrd");
        command(CMD_OPEN_FILE);
    }
    // The Print command with script in its dialog, until the print has ended.
    void printWith(const PrintDialogScript::Script& script) {
        PrintDialogScript dialog(script);
        command(CMD_PRINT);
        EXPECT_TRUE(dialog.ran) << "no Print dialog";
        EXPECT_TRUE(pumpUntil([&] { return !printing(*s); }, 120000)) << "the print never ended";
    }
    // The queue's next job, once its file is complete.
    Output next(const std::string& queue) {
        const std::size_t before = jobsOf(queue).size();
        EXPECT_TRUE(pumpUntil([&] { return jobsOf(queue).size() > before; }, 60000)) << "nothing printed on " << queue;
        const std::vector<std::string> jobs = jobsOf(queue);
        return Output{jobs.empty() ? std::string() : jobs.back()};
    }
    std::size_t jobs(const std::string& queue) { return jobsOf(queue).size(); }
};

TEST_F(WindowPrintTest, PrintThroughTheDialogPutsEveryPageOnThePrinterChosen) {
    open(numberedJob(3));
    EXPECT_TRUE(menuEnabled(CMD_PRINT));
    EXPECT_FALSE(menuEnabled(CMD_CANCEL_PRINT));
    const std::size_t before = jobs("orvother");
    bool toFile = true;
    printWith([&](HWND dialog) {
        toFile = IsWindowVisible(GetDlgItem(dialog, chx1));
        choosePrinter(dialog, "orvother");
        print(dialog);
    });
    EXPECT_FALSE(toFile) << "no print to a file: StartDoc would need its name";
    EXPECT_TRUE(messages.shown.empty()) << messages.shown[0].text;
    EXPECT_EQ(formatWithText(formatWithNumber(text(IDS_PRINTED), 3), "orvother"), statusText(3));
    const Output out = next("orvother");
    EXPECT_EQ(before + 1, jobs("orvother"));
    ASSERT_EQ(3, out.pages());
    EXPECT_EQ("595 x 842", out.size(1)) << "A4, the document's paper";
    for (int page = 1; page <= 3; ++page)
        EXPECT_NE(std::string::npos, out.text(page).find("HEADING OF PAGE " + std::to_string(page))) << out.text(page);
    EXPECT_TRUE(menuEnabled(CMD_PRINT)) << "again once it is done";
}

TEST_F(WindowPrintTest, PageRangeAndCollatedCopies) {
    open(numberedJob(5));
    printWith([](HWND dialog) {
        choosePrinter(dialog, "orvpdf");
        choosePages(dialog, 2, 3);
        SetDlgItemTextA(dialog, edt3, "2");
        print(dialog);
    });
    const Output out = next("orvpdf");
    ASSERT_EQ(4, out.pages()) << "pages 2 and 3, twice";
    const char* expected[] = {"PAGE 2", "PAGE 3", "PAGE 2", "PAGE 3"};
    for (int page = 1; page <= 4; ++page)
        EXPECT_NE(std::string::npos, out.text(page).find(expected[page - 1])) << page << ": " << out.text(page);
}

TEST_F(WindowPrintTest, CtrlPOpensTheDialogAndTheJobsPaperIsAskedFor) {
    // The program's own table: the test program carries none of its own.
    HMODULE exe = LoadLibraryExA((win32BuildFolder() + "\\Orvantide.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, exe);
    s->accelerators = LoadAcceleratorsA(exe, MAKEINTRESOURCEA(IDA_MAIN));
    FreeLibrary(exe);
    copyCut(s->profile.documents.paper, "letter");
    open(numberedJob(1));
    PrintDialogScript dialog([](HWND d) { print(d); });
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    PostMessageA(s->view.window, WM_KEYDOWN, 'P', 1);
    pump();
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    ASSERT_TRUE(dialog.ran) << "Ctrl+P is the Print command";
    ASSERT_TRUE(pumpUntil([&] { return !printing(*s); }, 120000));
    const Output out = next("orvpdf");  // the default printer
    EXPECT_EQ("612 x 792", out.size(1)) << "Letter asked for in the job's settings";
    EXPECT_NE(std::string::npos, out.text(1).find("HEADING OF PAGE 1"));
}

TEST_F(WindowPrintTest, APrinterThatRefusesIsToldOnceWithItsName) {
    ASSERT_TRUE(onHost("cupsreject orvother"));
    open(numberedJob(2));
    printWith([](HWND dialog) {
        choosePrinter(dialog, "orvother");
        print(dialog);
    });
    ASSERT_TRUE(onHost("cupsaccept orvother"));
    ASSERT_EQ(1u, messages.shown.size());
    // Wine's EndDoc fails without an error that speaks of printing: the
    // name alone.
    EXPECT_EQ(formatWithText(text(IDS_PRINT_REFUSED), "orvother"), messages.shown[0].text);
    EXPECT_EQ(text(IDS_FAILURE_CAPTION), messages.shown[0].caption);
    EXPECT_EQ(" ", statusText(3));
}

TEST_F(WindowPrintTest, CancelGivesTheJobUpAndTheWindowStaysUsable) {
    open(numberedJob(3000));
    const std::size_t before = jobs("orvpdf");
    {
        PrintDialogScript dialog([](HWND d) { print(d); });
        command(CMD_PRINT);
        ASSERT_TRUE(dialog.ran);
    }
    ASSERT_TRUE(printing(*s));
    EXPECT_FALSE(menuEnabled(CMD_PRINT)) << "one print at a time";
    EXPECT_TRUE(menuEnabled(CMD_CANCEL_PRINT));
    command(CMD_VIEW_PAGES);  // the window answers meanwhile
    EXPECT_TRUE(pagesShown(s->pages));
    command(CMD_CANCEL_PRINT);
    ASSERT_TRUE(pumpUntil([&] { return !printing(*s); }, 120000));
    EXPECT_EQ(text(IDS_PRINT_CANCELLED), statusText(3));
    EXPECT_TRUE(messages.shown.empty());
    pumpFor(3000);  // what a job given up might still send has had its time
    EXPECT_EQ(before, jobs("orvpdf")) << "AbortDoc: nothing printed";
}

TEST_F(WindowPrintTest, EachCaptureIsPrintedWhenItEndsAndAFailureIsToldOnce) {
    s->profile.documents.printAfterCapture = 1;
    auto capture = [&](const char* name) {
        DevSim sim("--lan 127.0.0.1:0 --escp --close-when-done");
        const int port = sim.port();
        if (!port) return false;
        useLan(port, name);
        command(CMD_START);
        return pumpUntil([&] { return s->runState == RunState::Idle && shown("Failed to receive data."); }, 30000);
    };
    copyCut(s->profile.documents.destination, "nosuch");
    ASSERT_TRUE(capture("first.zrd"));
    const std::string told = formatWithText(text(IDS_CAPTURE_NOT_PRINTED), dir / "first.zrd") + "\n\n" +
                             formatWithText(text(IDS_PRINT_NO_PRINTER), "nosuch");
    ASSERT_TRUE(pumpUntil([&] { return shown(told); }, 60000));
    EXPECT_FALSE(readText(dir / "first.zrd").empty()) << "the capture is kept";

    copyCut(s->profile.documents.destination, "orvother");
    const std::size_t before = jobs("orvother");
    messages.shown.clear();
    ASSERT_TRUE(capture("second.zrd"));
    const Output out = next("orvother");
    EXPECT_EQ(before + 1, jobs("orvother"));
    EXPECT_GE(out.pages(), 1);
    EXPECT_FALSE(out.text(1).empty());
    pumpFor(500);
    ASSERT_EQ(1u, messages.shown.size()) << "the link lost, and nothing else";
}

TEST(WindowPrintSettings, ThePrinterListHoldsTheDefaultFirstThenEachQueue) {
    SettingsDialogHarness harness;
    harness.seed("", "", "print=YES\r\ndestination=orvother\r\n");
    std::vector<std::string> items;
    std::string chosen;
    ASSERT_TRUE(harness.run([&](SettingsWindows& w) {
        w.clickTab(2);
        HWND list = w.control(IDC_PRINT_DESTINATION);
        for (int i = 0; i < SendMessageA(list, CB_GETCOUNT, 0, 0); ++i) {
            char item[256] = "";
            SendMessageA(list, CB_GETLBTEXT, i, LPARAM(item));
            items.push_back(item);
        }
        chosen = windowText(list);
        w.cancel();
    }));
    const std::vector<std::string> expected = {
        formatWithText(harness.strings.load(IDS_DEFAULT_PRINTER_IS, 63), "orvpdf"), "orvpdf", "orvother"};
    EXPECT_EQ(expected, items);
    EXPECT_EQ("orvother", chosen);
}

TEST(WindowPrintSelection, TheDialogsAnswerAsPages) {
    // Windows tells the choice in Flags; Wine only the range it was given.
    PRINTPAGERANGE ranges[3] = {{2, 3}, {9, 7}, {40, 50}};
    PRINTDLGEXW dialog{};
    dialog.lpPageRanges = ranges;
    dialog.nMaxPageRanges = 3;
    dialog.nCopies = 2;
    struct Case {
        DWORD flags, count;
        std::size_t current;
        bool wine;
        std::vector<std::pair<std::size_t, std::size_t>> expected;
        bool any;
    } cases[] = {
        {0, 0, 0, false, {}, true},                          // All
        {PD_PAGENUMS, 3, 0, false, {{2, 3}, {7, 9}}, true},  // beyond the job's 10 pages: left out
        {PD_PAGENUMS, 1, 4, false, {{2, 3}}, true},
        {PD_CURRENTPAGE, 3, 4, false, {{4, 4}}, true},  // the page view's page
        {PD_CURRENTPAGE, 0, 0, false, {}, true},        // no page view: every page
        {PD_COLLATE, 1, 0, true, {{2, 3}}, true},       // Wine: the range it wrote back
        {0, 0, 0, true, {}, true},
        {PD_PAGENUMS, 0, 0, false, {}, false},  // asked for pages, none given
    };
    for (const Case& c : cases) {
        dialog.Flags = c.flags;
        dialog.nPageRanges = c.count;
        if (c.count == 3) ranges[2] = PRINTPAGERANGE{40, 50};
        bool any = !c.any;
        const print::PageSelection chosen = printSelection(dialog, c.current, 10, c.wine, any);
        EXPECT_EQ(c.expected, chosen.ranges) << c.flags << " " << c.count;
        EXPECT_EQ(c.any, any) << c.flags << " " << c.count;
        EXPECT_EQ(2, chosen.copies);
        EXPECT_EQ((c.flags & PD_COLLATE) != 0, chosen.collate);
    }
    dialog.Flags = PD_PAGENUMS;
    dialog.nPageRanges = 1;
    ranges[0] = PRINTPAGERANGE{40, 50};
    bool any = true;
    printSelection(dialog, 0, 10, false, any);
    EXPECT_FALSE(any) << "only pages the job has not";
}

}  // namespace
}  // namespace orv::test
