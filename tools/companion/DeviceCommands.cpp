// orvantide send and orvantide query: a stored file to the device, and the
// device's answer to 'I' or 'S'.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/companion/Companion.h"
#include "tools/companion/DeviceLinks.h"
#include "tools/companion/Query.h"

namespace orv::companion {
namespace {

// The window program's limits: a chunk of a send, and how long the device
// may take no byte before the send fails.
constexpr std::size_t kSendChunk = 1024;
constexpr int kSendStallMs = 30000;
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
    std::fprintf(stderr, "orvantide %s: %s (see orvantide %s --help)\n", command, what.c_str(), command);
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

std::unique_ptr<DeviceLink> linkFor(const char* command, const LinkArguments& a, int& status) {
    status = 0;
    if (a.serial.empty()) {
        std::string host;
        int port = 0;
        if (!parseLanTarget(a.lan, host, port)) {
            status = wrongUsage(command, "--lan takes HOST[:PORT], not \"" + a.lan + "\"");
            return nullptr;
        }
        return makeLanLink(host, port);
    }
    return makeSerialLink(a.serial);
}

std::uint64_t nowMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

int runSend(int argc, char** argv) {
    LinkArguments a;
    if (int r = parseLinkArguments("send", kSendHelp, false, argc, argv, a); r != 0) return r < 0 ? kExitOk : r;
    if (a.rest.size() != 1) return wrongUsage("send", "give one FILE");
    int status = 0;
    std::unique_ptr<DeviceLink> link = linkFor("send", a, status);
    if (!link) return status;
    InputFile file;
    if (!file.open(a.rest[0])) return fail(a.rest[0] + ": " + errorText());
    std::vector<std::uint8_t> data;
    std::uint8_t block[65536];
    for (long long n; (n = file.readFull(block, sizeof block)) > 0;) data.insert(data.end(), block, block + n);
    std::unique_ptr<CaptureHost> console = makeConsoleHost();  // the stop on Ctrl+C
    std::string why;
    if (!link->open(why)) return fail("cannot open the link: " + why);
    const bool terminal = stderrIsTerminal();
    std::uint64_t shownAt = 0;
    for (std::size_t at = 0; at < data.size(); at += kSendChunk) {
        const std::size_t n = std::min(kSendChunk, data.size() - at);
        if (console->stopRequested()) return fail("stopped after " + std::to_string(at) + " bytes");
        if (!link->write(data.data() + at, n, kSendStallMs, why))
            return fail("the send failed after " + std::to_string(at) + " bytes: " + why);
        if (terminal && (nowMs() - shownAt >= 250 || at + n == data.size())) {
            shownAt = nowMs();
            const int percent = static_cast<int>((at + n) * 100 / data.size());
            std::fprintf(stderr, "\r[%-40.*s] %3d%% %zu bytes", percent * 40 / 100,
                         "========================================", percent, at + n);
            std::fflush(stderr);
        }
    }
    if (terminal && !data.empty()) std::fputc('\n', stderr);
    if (!link->finishWrites(kSendStallMs, why)) return fail("the data did not all leave: " + why);
    link->close();
    return kExitOk;
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
    int status = 0;
    std::unique_ptr<DeviceLink> link = linkFor("query", a, status);
    if (!link) return status;
    std::unique_ptr<CaptureHost> console = makeConsoleHost();
    const std::uint64_t endAt = nowMs() + static_cast<std::uint64_t>(timeoutMs);
    link->setConnectLimit(timeoutMs);
    std::string why;
    if (!link->open(why)) return fail("cannot open the link: " + why);
    const char command = a.rest[0][0];
    const std::uint8_t byte = static_cast<std::uint8_t>(command);
    if (!link->write(&byte, 1, timeoutMs, why)) return fail("cannot send the question: " + why);
    ReplyScanner scanner(command);
    std::uint8_t buffer[4096];
    for (std::uint64_t now = nowMs(); now < endAt && !console->stopRequested(); now = nowMs()) {
        const long n =
            link->read(buffer, sizeof buffer, static_cast<int>(std::min<std::uint64_t>(endAt - now, 200)), why);
        if (n < 0) return fail("no answer: " + why);
        if (n > 0 && scanner.scan(buffer, static_cast<std::size_t>(n))) {
            std::printf("%s\n", scanner.text().c_str());
            link->close();
            return kExitOk;
        }
    }
    return fail(std::string("no answer to ") + command + " within " + std::to_string(timeoutMs) + " ms");
}

}  // namespace orv::companion
