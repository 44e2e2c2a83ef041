// orvantide capture: the unattended capture's command line.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "capture/CaptureTargets.h"
#include "link/LinkRules.h"
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

}  // namespace

int runCapture(int argc, char** argv) {
    std::string folder = ".", lan, serial;
    int splitIdleSeconds = 0, forSeconds = 0;
    bool once = false;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--help") {
            std::fputs(kCaptureHelp, stdout);
            return kExitOk;
        } else if (a == "--once") {
            once = true;
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
    const SessionEnd end = CaptureSession(*link, files, *console, clock, stop, options).run();
    return end == SessionEnd::OpenFailed || end == SessionEnd::StoreFailed ? kExitFailure : kExitOk;
}

}  // namespace orv::companion
