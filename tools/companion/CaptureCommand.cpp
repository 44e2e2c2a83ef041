// orvantide capture: the unattended capture's command line.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "capture/CaptureTargets.h"
#include "capture/DocumentQueue.h"
#include "link/LinkRules.h"
#include "print/Print.h"
#include "tools/companion/Companion.h"
#include "tools/companion/Console.h"

namespace orv::companion {
namespace {

const char kCaptureHelp[] =
    "usage: orvantide capture (--lan HOST[:PORT] | --serial DEVICE) [options]\n"
    "Stores what the device sends, unchanged, in files named by the local time\n"
    "of their first byte (YYYYMMDD-HHMMSS.zrd), and reconnects by itself.\n"
    "  --lan HOST[:PORT]     the device on the LAN (port 10001 when none is given)\n"
    "  --serial DEVICE       the device on a serial port (921600 8N1, RTS/CTS)\n"
    "  -d DIR                the folder of the files (default: the current one)\n"
    "  --split-idle SECONDS  a new file after SECONDS without a byte\n"
    "  --once                no second attempt: ends when the link ends\n"
    "  --for SECONDS         ends after SECONDS\n"
    "  --pdf                 each file gets its PDF beside it (NAME.pdf) once it is closed\n"
    "  --print               each file is printed once it is closed\n"
    "    -P NAME             on this printer (default: the system's default printer)\n"
    "  --pdf and --print render the jobs, the device's 0x07 sequences decoded, with\n"
    "  these (as orvantide render takes them):\n"
    "    --paper SIZE        a4 (default), letter, or WIDTHxHEIGHT in in or mm\n"
    "    --code-page CP      437 (default), or another by number or name: " ORV_CODE_PAGE_LIST
    "\n"
    "    --printer MODE      auto (default), epson, epson9 or ibm\n"
    "    --top-of-form LEN   8.5mm (default), or a length from 0 to 100 mm in mm, in or pt\n"
    "  --help                this text\n";

// A whole number of seconds from 1 to a day.
bool parseSeconds(const char* text, int& seconds) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (!*text || *end || value < 1 || value > 86400) return false;
    seconds = static_cast<int>(value);
    return true;
}

int wrongUsage(const std::string& what) {
    writeStderr("orvantide capture: " + what + " (see orvantide capture --help)\n");
    return kExitUsage;
}

// The console's events, and each closed file queued for its PDF, its
// print or both; what became of them comes back as events of their own.
class EventsWithDocuments final : public CaptureEvents {
public:
    // print: null for no print.
    EventsWithDocuments(Console& console, FileSystem& fs, const render::RenderOptions& options, bool pdf,
                        const print::PrintRequest* print)
        : console_(console),
          fs_(fs),
          options_(options),
          pdf_(pdf),
          print_(print != nullptr),
          request_(print ? *print : print::PrintRequest{}),
          queue_(fs, [this](const DocumentQueue::Done& d) { tell(d); }) {
        request_.options = options;
    }

    void linkOpened() override { console_.linkOpened(); }
    void linkOpenFailed(const LinkError& e) override { console_.linkOpenFailed(e); }
    void linkLost(const LinkError& e) override { console_.linkLost(e); }
    void lineErrors(const LineErrors& e) override { console_.lineErrors(e); }
    void fileStarted(const std::string& path) override { console_.fileStarted(path); }
    void fileClosed(const std::string& path, std::uint64_t bytes) override {
        console_.fileClosed(path, bytes);
        if (pdf_) queue_.add(path, options_);
        if (print_) queue_.add("the print of " + path, [this, path] { printFile(path); });
    }
    void storeFailed(const std::string& why, SysError error) override { console_.storeFailed(why, error); }
    void status(const CaptureStatus& s) override { console_.status(s); }

    // The session ends and the process with it, any moment: what is not
    // made yet is told, so that nobody takes its absence for a failure
    // that went unsaid.
    void sessionEnds() {
        queue_.abandon([this](const std::string& what, bool underWay) {
            console_.event("the session ends: " + what + (underWay ? " may be cut short" : " is not made") +
                           "; the capture is kept");
        });
    }

private:
    void tell(const DocumentQueue::Done& d) {
        if (!d.outcome.ok()) {
            console_.event("no PDF: " + describeFailure(d.outcome, d.source, d.target) + "; the capture is kept");
            return;
        }
        std::string notes = d.outcome.report.printer.describe();
        const std::string skipped = d.outcome.report.describe();
        if (!skipped.empty()) notes += (notes.empty() ? "" : "; ") + skipped;
        console_.event("PDF written: " + d.target + (notes.empty() ? "" : " (" + notes + ")"));
    }

    // On the queue's thread.  A print that fails is told and the capture
    // kept; the next file is printed afresh, whatever became of this one.
    void printFile(const std::string& path) {
        const print::PrintOutcome outcome = print::printFile(fs_, path, InputKind::Capture, request_);
        if (outcome.ok())
            console_.event("printed: " + print::describePrinted(outcome, path));
        else
            console_.event("not printed: " + print::describeNotPrinted(outcome, path) + "; the capture is kept");
    }

    Console& console_;
    FileSystem& fs_;
    const render::RenderOptions options_;
    const bool pdf_, print_;
    print::PrintRequest request_;
    DocumentQueue queue_;  // last: its thread ends before the rest goes
};

}  // namespace

int runCapture(int argc, char** argv) {
    std::string folder = ".", lan, serial;
    int splitIdleSeconds = 0, forSeconds = 0;
    bool once = false, pdf = false, print = false, documentOptionGiven = false;
    render::RenderOptions documentOptions;
    print::PrintRequest printRequest;
    bool printerGiven = false;
    std::string wrong;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--help") {
            std::fputs(kCaptureHelp, stdout);
            return kExitOk;
        } else if (a == "--once") {
            once = true;
        } else if (a == "--pdf") {
            pdf = true;
        } else if (a == "--print") {
            print = true;
        } else if (a == "-P") {
            if (!hasValue || argv[i + 1][0] == '\0') return wrongUsage("-P needs a printer's name");
            printRequest.printer = argv[++i];
            printerGiven = true;
        } else if (isDocumentOption(a)) {
            if (!hasValue) return wrongUsage(a + " needs a value");
            if (!takeDocumentOption(a, argv[++i], documentOptions, wrong)) return wrongUsage(wrong);
            documentOptionGiven = true;
        } else if (a == "--lan" || a == "--serial" || a == "-d" || a == "--split-idle" || a == "--for") {
            if (!hasValue) return wrongUsage(a + " needs a value");
            const char* value = argv[++i];
            if (a == "--lan") {
                lan = value;
            } else if (a == "--serial") {
                serial = value;
            } else if (a == "-d") {
                folder = value;
            } else if (a == "--split-idle" ? !parseSeconds(value, splitIdleSeconds)
                                           : !parseSeconds(value, forSeconds)) {
                return wrongUsage(a + " takes whole seconds from 1 to 86400, not \"" + value + "\"");
            }
        } else {
            return wrongUsage("unknown option " + a);
        }
    }
    if (lan.empty() == serial.empty()) return wrongUsage("give one of --lan HOST[:PORT] and --serial DEVICE");
    if (folder.empty()) return wrongUsage("-d needs a folder");
    if (documentOptionGiven && !pdf && !print)
        return wrongUsage("--paper, --code-page, --printer and --top-of-form go with --pdf or --print");
    if (printerGiven && !print) return wrongUsage("-P goes with --print");
    std::string host;
    int port = 0;
    if (!lan.empty() && !parseLanTarget(lan, host, port))
        return wrongUsage("--lan takes HOST[:PORT], not \"" + lan + "\"");

    std::unique_ptr<Console> console = makeConsole();
    std::unique_ptr<FileSystem> fs = makeFileSystem();
    if (createFolderPath(*fs, folder.c_str()) != 0) {
        console->event("cannot make the folder " + folder);
        return kExitFailure;
    }
    const StopSignal& stop = console->stop();
    std::unique_ptr<DeviceLink> link = lan.empty() ? makeSerialLink(serial, stop) : makeTcpLink(host, port, stop);
    SystemClock clock(stop);
    TimeNamedFiles files(*fs, folder, splitIdleSeconds, clock);
    SessionOptions options;
    options.reconnect = !once;
    options.forMs = std::uint64_t(forSeconds) * 1000;
    std::unique_ptr<EventsWithDocuments> documents;
    if (pdf || print)
        documents =
            std::make_unique<EventsWithDocuments>(*console, *fs, documentOptions, pdf, print ? &printRequest : nullptr);
    CaptureEvents& events = documents ? static_cast<CaptureEvents&>(*documents) : *console;
    const SessionEnd end = CaptureSession(*link, files, events, clock, stop, options).run();
    // The capture files are closed and told; a log-off or a shutdown may
    // end the process once it knows, so that comes before the documents.
    if (console->sessionEnding() && documents) documents->sessionEnds();
    console->filesClosed();
    documents.reset();  // the PDFs and prints still queued are made before the command ends
    return endedInOrder(end) ? kExitOk : kExitFailure;
}

}  // namespace orv::companion
