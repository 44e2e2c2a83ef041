// orvantide send and orvantide query: a stored file to the device, and the
// device's answer to 'I' or 'S'.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "link/ReplyScanner.h"
#include "link/Sender.h"
#include "tools/companion/Companion.h"
#include "tools/companion/Console.h"

namespace orv::companion {
namespace {

constexpr int kDefaultQueryMs = 3000;

const char kSendHelp[] =
    "usage: orvantide send FILE (--lan HOST[:PORT] | --serial DEVICE)\n"
    "Sends FILE to the device in 1024-byte chunks; succeeds only when every\n"
    "byte has left.\n"
    "  --lan HOST[:PORT]   the device on the LAN (port 10001 when none is given)\n"
    "  --serial DEVICE     the device on a serial port (921600 8N1, RTS/CTS)\n"
    "  --help              this text\n";

const char kQueryHelp[] =
    "usage: orvantide query (I|S) (--lan HOST[:PORT] | --serial DEVICE) [--timeout MS]\n"
    "Asks the device and prints its answer: the value (I) as 0x0A, or the four\n"
    "lines (S) as L H L H, line 3 first.\n"
    "  --lan HOST[:PORT]   the device on the LAN (port 10001 when none is given)\n"
    "  --serial DEVICE     the device on a serial port (921600 8N1, RTS/CTS)\n"
    "  --timeout MS        how long to wait for the answer, connecting included\n"
    "                      (default 3000)\n"
    "  --help              this text\n";

int wrongUsage(const char* command, const std::string& what) {
    writeStderr(std::string("orvantide ") + command + ": " + what + " (see orvantide " + command + " --help)\n");
    return kExitUsage;
}

// The link options every device command takes; positional arguments go to
// rest.  Returns 0, kExitOk after --help, or kExitUsage.
struct LinkArguments {
    std::string lan, serial;
    std::vector<std::string> rest;
    std::string timeout;
};

int parseLinkArguments(const char* command, const char* help, bool takesTimeout, int argc, char** argv,
                       LinkArguments& out) {
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help") {
            std::fputs(help, stdout);
            return -1;
        }
        if (a == "--lan" || a == "--serial" || (takesTimeout && a == "--timeout")) {
            if (i + 1 >= argc) return wrongUsage(command, a + " needs a value");
            (a == "--lan" ? out.lan : a == "--serial" ? out.serial : out.timeout) = argv[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            return wrongUsage(command, "unknown option " + a);
        } else {
            out.rest.push_back(a);
        }
    }
    if (out.lan.empty() == out.serial.empty())
        return wrongUsage(command, "give one of --lan HOST[:PORT] and --serial DEVICE");
    return 0;
}

std::unique_ptr<DeviceLink> linkFor(const char* command, const LinkArguments& a, const StopSignal& stop, int& status,
                                    int connectLimitMs = kConnectLimitMs) {
    status = 0;
    if (a.serial.empty()) {
        std::string host;
        int port = 0;
        if (!parseLanTarget(a.lan, host, port)) {
            status = wrongUsage(command, "--lan takes HOST[:PORT], not \"" + a.lan + "\"");
            return nullptr;
        }
        TcpOptions options;
        options.connectLimitMs = connectLimitMs;
        return makeTcpLink(host, port, stop, options);
    }
    return makeSerialLink(a.serial, stop);
}

// The whole of file; false (errno says why) when a read failed or the
// memory ran out.
bool readWhole(InputFile& file, std::vector<std::uint8_t>& data) {
    std::uint8_t block[65536];
    try {
        for (long long n; (n = file.readFull(block, sizeof block)) != 0;) {
            if (n < 0) return false;
            data.insert(data.end(), block, block + n);
        }
    } catch (const std::bad_alloc&) {
        errno = ENOMEM;
        return false;
    }
    return true;
}

// The progress bar of a send on a terminal, at most four times a second.
class ProgressBar final : public SendProgress {
public:
    explicit ProgressBar(std::size_t size) : size_(size) {}
    ~ProgressBar() {
        if (shownAt_ != 0) writeStderr("\n");
    }
    void chunkSent(std::uint64_t offset, std::size_t n) override {
        const std::uint64_t done = offset + n, now = monotonicMs();
        if (now - shownAt_ < 250 && done != size_) return;
        shownAt_ = now;
        const int percent = static_cast<int>(done * 100 / size_);
        char bar[96];
        std::snprintf(bar, sizeof bar, "\r[%-40.*s] %3d%% %llu bytes", percent * 40 / 100,
                      "========================================", percent, static_cast<unsigned long long>(done));
        writeStderr(bar);
    }

private:
    std::size_t size_;
    std::uint64_t shownAt_ = 0;
};

// The answer to one command: the first reply of its kind.
class Answer final : public ReplySink {
public:
    explicit Answer(char command) : command_(command) {}
    void reply(const DeviceReply& r) override {
        if (r.command == command_ && text.empty()) text = replyText(r);
    }
    std::string text;

private:
    char command_;
};

}  // namespace

int runSend(int argc, char** argv) {
    LinkArguments a;
    if (int r = parseLinkArguments("send", kSendHelp, false, argc, argv, a); r != 0) return r < 0 ? kExitOk : r;
    if (a.rest.size() != 1) return wrongUsage("send", "give one FILE");
    // The whole file is read before the link opens: a file that cannot be
    // read whole is not the job, and no byte of it goes out.
    const std::string& path = a.rest[0];
    InputFile file;
    if (!file.open(path)) return fail(path + ": " + errorText());
    std::vector<std::uint8_t> data;
    if (!readWhole(file, data)) return fail("cannot read " + path + ": " + errorText() + "; nothing was sent");
    std::unique_ptr<Console> console = makeConsole();  // the stop on Ctrl+C
    int status = 0;
    std::unique_ptr<DeviceLink> link = linkFor("send", a, console->stop(), status);
    if (!link) return status;
    std::unique_ptr<ProgressBar> bar;
    if (stderrIsTerminal() && !data.empty()) bar = std::make_unique<ProgressBar>(data.size());
    const SendResult sent = sendToDevice(*link, data.data(), data.size(), console->stop(), bar.get());
    bar.reset();
    switch (sent.stage) {
    case SendResult::Stage::Done: return kExitOk;
    case SendResult::Stage::Open: return fail("cannot open the link: " + sent.error.text);
    case SendResult::Stage::Data:
        if (sent.error.kind == LinkFailure::Stopped)
            return fail("stopped after " + std::to_string(sent.sent) + " bytes");
        return fail("the send failed after " + std::to_string(sent.sent) + " bytes: " + sent.error.text);
    case SendResult::Stage::Finish: break;
    }
    return fail("the data did not all reach the device: " + sent.error.text);
}

int runQuery(int argc, char** argv) {
    LinkArguments a;
    if (int r = parseLinkArguments("query", kQueryHelp, true, argc, argv, a); r != 0) return r < 0 ? kExitOk : r;
    if (a.rest.size() != 1 || (a.rest[0] != "I" && a.rest[0] != "S")) return wrongUsage("query", "ask I or S");
    int timeoutMs = kDefaultQueryMs;
    if (!a.timeout.empty()) {
        char* end = nullptr;
        const long value = std::strtol(a.timeout.c_str(), &end, 10);
        if (*end || value < 1 || value > 3600000)
            return wrongUsage("query", "--timeout takes milliseconds from 1 to 3600000, not \"" + a.timeout + "\"");
        timeoutMs = static_cast<int>(value);
    }
    std::unique_ptr<Console> console = makeConsole();
    const StopSignal& stop = console->stop();
    int status = 0;
    std::unique_ptr<DeviceLink> link = linkFor("query", a, stop, status, timeoutMs);
    if (!link) return status;
    const std::uint64_t endAt = monotonicMs() + static_cast<std::uint64_t>(timeoutMs);
    LinkError error;
    if (!link->open(error)) return fail("cannot open the link: " + error.text);
    const char command = a.rest[0][0];
    const std::uint8_t byte = static_cast<std::uint8_t>(command);
    if (!link->write(&byte, 1, timeoutMs, error)) return fail("cannot send the question: " + error.text);
    ReplyScanner scanner;
    Answer answer(command);
    std::uint8_t buffer[4096];
    for (std::uint64_t now = monotonicMs(); now < endAt && !stop.requested(); now = monotonicMs()) {
        const long n = link->read(buffer, sizeof buffer, static_cast<int>(endAt - now), error);
        if (n < 0) return fail("no answer: " + error.text);
        if (n > 0) scanner.scan(buffer, static_cast<std::size_t>(n), answer);
        if (!answer.text.empty()) {
            std::printf("%s\n", answer.text.c_str());
            return kExitOk;
        }
    }
    return fail(std::string("no answer to ") + command + " within " + std::to_string(timeoutMs) + " ms");
}

}  // namespace orv::companion
