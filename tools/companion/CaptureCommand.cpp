// orvantide capture: the unattended capture's command line.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/companion/Companion.h"
#include "tools/companion/DeviceLinks.h"

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
    std::fprintf(stderr, "orvantide capture: %s (see orvantide capture --help)\n", what.c_str());
    return kExitUsage;
}

}  // namespace

bool parseLanTarget(const std::string& text, std::string& host, int& port) {
    const std::size_t colon = text.rfind(':');
    host = text.substr(0, colon);
    port = kDefaultLanPort;
    if (colon != std::string::npos) {
        const std::string digits = text.substr(colon + 1);
        char* end = nullptr;
        const long value = std::strtol(digits.c_str(), &end, 10);
        if (digits.empty() || *end || value < 1 || value > 65535) return false;
        port = static_cast<int>(value);
    }
    return !host.empty();
}

int runCapture(int argc, char** argv) {
    CaptureOptions options;
    std::string lan, serial;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--help") {
            std::fputs(kCaptureHelp, stdout);
            return kExitOk;
        } else if (a == "--once") {
            options.once = true;
        } else if (a == "--lan" || a == "--serial" || a == "-d" || a == "--split-idle" || a == "--for") {
            if (!hasValue) return wrongUsage(a + " needs a value");
            const char* value = argv[++i];
            if (a == "--lan") {
                lan = value;
            } else if (a == "--serial") {
                serial = value;
            } else if (a == "-d") {
                options.folder = value;
            } else if (a == "--split-idle" ? !parseSeconds(value, options.splitIdleSeconds)
                                           : !parseSeconds(value, options.forSeconds)) {
                return wrongUsage(a + " takes whole seconds from 1 to 86400, not \"" + value + "\"");
            }
        } else {
            return wrongUsage("unknown option " + a);
        }
    }
    if (lan.empty() == serial.empty()) return wrongUsage("give one of --lan HOST[:PORT] and --serial DEVICE");
    if (options.folder.empty()) return wrongUsage("-d needs a folder");
    std::unique_ptr<DeviceLink> link;
    if (!lan.empty()) {
        std::string host;
        int port = 0;
        if (!parseLanTarget(lan, host, port)) return wrongUsage("--lan takes HOST[:PORT], not \"" + lan + "\"");
        link = makeLanLink(host, port);
    } else {
        link = makeSerialLink(serial);
    }
    std::unique_ptr<CaptureHost> host = makeConsoleHost();
    std::unique_ptr<FileSystem> fs = makeFileSystem();
    return runUnattendedCapture(*link, *host, *fs, options);
}

}  // namespace orv::companion
