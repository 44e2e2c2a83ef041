#include "tools/devsim/Options.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace orv {
namespace devsim {

const char kHelp[] =
    "Usage: orvantide-devsim (--lan [HOST:]PORT | --pty LINK) [options]\n"
    "Plays the capture device: streams data to the peer and answers its\n"
    "command bytes in band.\n"
    "\n"
    "Link (exactly one):\n"
    "  --lan [HOST:]PORT   TCP server on HOST (default 127.0.0.1); PORT 0 picks a\n"
    "                      free port. Prints \"listening HOST:PORT\" once listening.\n"
    "  --pty LINK          creates a pseudo-terminal (raw, 921600 8N1) and makes\n"
    "                      LINK a symbolic link to its slave; prints\n"
    "                      \"pty /dev/pts/N\". A connection lasts from the peer's\n"
    "                      open of the slave to its last close.\n"
    "\n"
    "Data (a file or generated; without any nothing is sent):\n"
    "  --file F            streams the bytes of file F\n"
    "  --generate BYTES    streams BYTES of generated printer output (text lines\n"
    "                      with CR LF, form feeds, ESC sequences, binary runs, data\n"
    "                      byte 0x07 escaped as 0x07 0x27)\n"
    "  --escp              ESC/P print jobs as dot-matrix applications send\n"
    "                      them, four kinds in turn: a delivery note and an\n"
    "                      invoice (a bold double-width heading, a condensed table\n"
    "                      in code page 437 line drawing, German letters in code\n"
    "                      page 437 and through ESC R 2), a 9-pin printer's\n"
    "                      protocol (ESC 3 36, 9-dot ESC ^ bars) and a Czech\n"
    "                      balance sheet in code page 852 (ESC ( t, ESC G), each\n"
    "                      with a form feed at the end. Alone: one whole job\n"
    "                      (the next one of the series for each of --jobs); with\n"
    "                      --generate BYTES: BYTES of jobs one after another\n"
    "  --seed N            seed of the generated data (default 1)\n"
    "  --hold              sends no data at all (replies still go out)\n"
    "\n"
    "Pacing and connection:\n"
    "  --rate BYTES_PER_SEC  data rate; 0 or absent: as fast as the link takes it\n"
    "  --chunk N           bytes per data write (default 65536)\n"
    "  --delay-start MS    waits MS milliseconds after the connection starts\n"
    "                      before the first data byte (default 0)\n"
    "  --jobs N            sends the data N times in one connection, as N print\n"
    "                      jobs (default 1)\n"
    "  --job-gap MS        silence before each job after the first (default 1000)\n"
    "  --close-when-done   closes the connection once the data is out (TCP: after\n"
    "                      a shutdown, waits up to 3 s for the peer to close; pty:\n"
    "                      waits up to 3 s for the peer to read everything)\n"
    "                      Otherwise the connection stays open, idle, until the\n"
    "                      peer closes it or a signal ends the program.\n"
    "  --connections N     serves N connections one after another, then exits;\n"
    "                      0 serves until a signal (default 1). Each connection\n"
    "                      gets the whole data from its start.\n"
    "\n"
    "Replies and recording:\n"
    "  --i-value V         'I' (0x49) received is answered 0x07, 0x40+V (V 0..15,\n"
    "                      default 0x0A)\n"
    "  --s-lines BITS      'S' (0x53) received is answered 0x07, 0x30+BITS (BITS\n"
    "                      0..15, default 0x5)\n"
    "  --no-replies        answers nothing (every received byte is data)\n"
    "  --record FILE       writes every received byte to FILE\n"
    "  --reply-gap MS      writes each reply's two bytes MS milliseconds apart, so\n"
    "                      that the peer reads them separately (nothing else goes\n"
    "                      out in between)\n"
    "\n"
    "Reading (to play a slow or stuck device; default: reads at once):\n"
    "  --read-rate BYTES_PER_SEC  reads the peer's bytes at most this fast\n"
    "  --stall-after BYTES  stops reading once BYTES have been received, for\n"
    "                      --stall-ms, then reads on (once per connection)\n"
    "  --stall-ms MS       length of that stall (default 3000)\n"
    "  --receive-buffer BYTES  socket receive buffer of each TCP connection\n"
    "                      (small values make a slow reader felt sooner)\n"
    "  --help              this text\n"
    "\n"
    "Replies go out between data writes as soon as the command byte is read,\n"
    "never between the two bytes of a 0x07 sequence of the data.\n"
    "Numbers are decimal or 0x-hex; sizes may end in k, M or G (x1024).\n"
    "\n"
    "Output (stdout, one line each, flushed):\n"
    "  listening HOST:PORT\n"
    "  pty /dev/pts/N\n"
    "  and after every connection (or once with zeros when none was served):\n"
    "  sent N bytes checksum XXXXXXXX received M bytes data D bytes "
    "data-checksum YYYYYYYY replies R\n"
    "    N: bytes sent (data and replies), XXXXXXXX: their CRC-32 (as zip, 8\n"
    "    upper-case hex digits) in the order they went out; M: bytes received;\n"
    "    D and YYYYYYYY: count and CRC-32 of the data bytes alone; R: replies.\n"
    "Exit status: 0 success (also when the peer closes or on SIGTERM/SIGINT),\n"
    "1 failure (a message on stderr), 2 wrong usage.\n";

std::uint64_t parseNumber(const std::string& option, const std::string& text, bool sizeSuffix, std::uint64_t max) {
    const char* s = text.c_str();
    int base = 10;
    if (text.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s += 2;
    }
    if (!*s ||
        !(base == 16 ? std::isxdigit(static_cast<unsigned char>(*s)) : std::isdigit(static_cast<unsigned char>(*s))))
        throw UsageError(option + ": not a number: " + text);
    errno = 0;
    char* end = nullptr;
    std::uint64_t v = std::strtoull(s, &end, base);
    if (errno == ERANGE) throw UsageError(option + ": too large: " + text);
    std::uint64_t scale = 1;
    if (sizeSuffix && *end) {
        switch (*end) {
        case 'k':
        case 'K': scale = 1024ull; break;
        case 'm':
        case 'M': scale = 1024ull * 1024; break;
        case 'g':
        case 'G': scale = 1024ull * 1024 * 1024; break;
        default: break;
        }
        if (scale != 1) ++end;
    }
    if (*end) throw UsageError(option + ": not a number: " + text);
    if (v > max / scale) throw UsageError(option + ": too large: " + text);
    return v * scale;
}

Options parseOptions(int argc, char** argv, bool& help) {
    Options o;
    bool haveFile = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw UsageError(a + " needs a value");
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            help = true;
            return o;
        } else if (a == "--lan" || a == "--pty") {
            if (o.link != Options::Link::None) throw UsageError("only one of --lan and --pty");
            if (a == "--pty") {
                o.link = Options::Link::Pty;
                o.ptyLink = value();
                if (o.ptyLink.empty()) throw UsageError("--pty needs a path");
            } else {
                o.link = Options::Link::Lan;
                const std::string v = value();
                const auto colon = v.rfind(':');
                std::string portText = v;
                if (colon != std::string::npos) {
                    o.host = v.substr(0, colon);
                    portText = v.substr(colon + 1);
                    if (o.host.empty()) throw UsageError("--lan: empty host");
                }
                o.port = static_cast<unsigned>(parseNumber("--lan", portText, false, 65535));
            }
        } else if (a == "--file") {
            o.file = value();
            haveFile = true;
        } else if (a == "--generate") {
            o.generate = true;
            o.generateBytes = parseNumber(a, value(), true, UINT64_MAX);
        } else if (a == "--escp") {
            o.escp = true;
        } else if (a == "--seed") {
            o.seed = parseNumber(a, value(), false, UINT64_MAX);
        } else if (a == "--hold") {
            o.hold = true;
        } else if (a == "--rate") {
            o.rate = parseNumber(a, value(), true, 1ull << 40);
        } else if (a == "--chunk") {
            o.chunk = static_cast<std::size_t>(parseNumber(a, value(), true, 64ull << 20));
            if (o.chunk == 0) throw UsageError("--chunk must be at least 1");
        } else if (a == "--delay-start") {
            o.delayStartMs = static_cast<unsigned>(parseNumber(a, value(), false, 24u * 3600 * 1000));
        } else if (a == "--jobs") {
            o.jobs = static_cast<unsigned>(parseNumber(a, value(), false, 1000000));
            if (o.jobs == 0) throw UsageError("--jobs must be at least 1");
        } else if (a == "--job-gap") {
            o.jobGapMs = static_cast<unsigned>(parseNumber(a, value(), false, 24u * 3600 * 1000));
        } else if (a == "--close-when-done") {
            o.closeWhenDone = true;
        } else if (a == "--connections") {
            o.connections = static_cast<unsigned>(parseNumber(a, value(), false, 1000000));
        } else if (a == "--i-value") {
            o.iValue = static_cast<unsigned>(parseNumber(a, value(), false, 15));
        } else if (a == "--s-lines") {
            o.sLines = static_cast<unsigned>(parseNumber(a, value(), false, 15));
        } else if (a == "--no-replies") {
            o.replies = false;
        } else if (a == "--record") {
            o.record = value();
        } else if (a == "--reply-gap") {
            o.replyGapMs = static_cast<unsigned>(parseNumber(a, value(), false, 60000));
        } else if (a == "--read-rate") {
            o.readRate = parseNumber(a, value(), true, 1ull << 40);
        } else if (a == "--stall-after") {
            o.stall = true;
            o.stallAfter = parseNumber(a, value(), true, UINT64_MAX);
        } else if (a == "--stall-ms") {
            o.stallMs = static_cast<unsigned>(parseNumber(a, value(), false, 24u * 3600 * 1000));
        } else if (a == "--receive-buffer") {
            o.receiveBuffer = static_cast<int>(parseNumber(a, value(), true, 64ull << 20));
        } else {
            throw UsageError("unknown option: " + a);
        }
    }
    if (o.link == Options::Link::None) throw UsageError("one of --lan or --pty is needed");
    if (haveFile && o.generate) throw UsageError("only one of --file and --generate");
    if (haveFile && o.escp) throw UsageError("only one of --file and --escp");
    if (haveFile && o.file.empty()) throw UsageError("--file needs a path");
    return o;
}

}  // namespace devsim
}  // namespace orv
