// One end of the device link, whatever carries it (a COM port, a TCP
// connection), as every front end uses it: the window's capture, send and
// query, and the companion's commands.  No window, no console: a link says
// what went wrong in a LinkError and leaves the telling to its user.
//
// The owner opens and closes it.  Between the two, one thread reads and one
// thread writes (the query dialog writes while the capture thread reads).
// Every wait of a link also watches the StopSignal it was made with, so a
// stop ends any call at once.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "link/LinkRules.h"
#include "link/StopSignal.h"

namespace orv {

enum class LinkFailure : std::uint8_t {
    None,
    Lookup,    // the host name was not found
    Connect,   // refused, unreachable, or no answer in time
    Open,      // the device could not be opened
    Settings,  // the port refused its line settings
    Closed,    // the device closed the connection
    Failed,    // a read or a write failed
    Gone,      // the device stopped answering: a pulled adapter, a peer that vanished
    Stalled,   // the device took no byte for the whole stall limit
    Stopped,   // a stop was asked
};

struct LinkError {
    LinkFailure kind = LinkFailure::None;
    long code = 0;     // the system's number: errno, or a Win32 or Winsock error
    std::string text;  // one line: what failed, where and why

    bool failed() const { return kind != LinkFailure::None; }
    void set(LinkFailure k, long c, std::string t) {
        kind = k;
        code = c;
        text = std::move(t);
    }
};

// Line errors the port reported since they were last taken (serial only),
// in the platform's bits as Windows numbers them: 1 receive overflow,
// 2 overrun, 4 parity, 8 framing, 16 break.  readFailure is the system
// error of a read that failed and was taken up again (0: none).
struct LineErrors {
    std::uint32_t mask = 0;
    std::uint32_t overflows = 0, overruns = 0, parity = 0, framing = 0, breaks = 0;
    std::uint32_t readFailure = 0;

    bool any() const { return mask != 0 || readFailure != 0; }
    // Counts one report of mask.
    void add(std::uint32_t bits);
    // "overrun 2, framing 1" for a console.
    std::string describe() const;
};

// The words of the failures that every link tells alike, so that a
// console says the same on every system.
constexpr const char kClosedText[] = "the device closed the connection";
constexpr const char kStoppedText[] = "stopped";
// "the device took no byte for 30 s"
std::string stalledText(int stallMs);
// "the device is gone: why"
std::string goneText(const std::string& why);

namespace lineerr {
constexpr std::uint32_t kOverflow = 0x01, kOverrun = 0x02, kParity = 0x04, kFraming = 0x08, kBreak = 0x10;
}

class DeviceLink {
public:
    virtual ~DeviceLink() = default;
    // Opens the link: the port with its line settings, or the name lookup
    // and a connect that has its time limit.  False with why.
    virtual bool open(LinkError& error) = 0;
    // Waits up to ms for bytes and returns their count; 0 when none came in
    // time or a stop was asked (what is already waiting is still returned
    // after a stop); -1 when the link has ended (error says how).
    virtual long read(std::uint8_t* buffer, std::size_t size, int ms, LinkError& error) = 0;
    // Writes all of data, waiting while the device holds the line back;
    // false when nothing moved for stallMs, the link failed or a stop came.
    virtual bool write(const std::uint8_t* data, std::size_t size, int stallMs, LinkError& error) = 0;
    // After the last write: true once every byte has reached the device
    // (serial: the output queue has run empty; TCP: our side is shut down
    // and the device has closed its side), under the same stall rule.
    virtual bool finishWrites(int stallMs, LinkError& error) = 0;
    virtual void close() = 0;
    // The line errors since the last call.
    virtual LineErrors takeLineErrors() { return {}; }
    // "COM3", "192.168.0.20:10001": where the link goes, for messages.
    virtual const std::string& name() const = 0;
};

// A device on the LAN answers a connect in milliseconds; one that has not
// answered in this long is not there.
constexpr int kConnectLimitMs = 10000;

// The platform's links (link/win32 or link/posix).  device: a path on
// POSIX; "COMn" or "\\.\COMn" on Windows.
std::unique_ptr<DeviceLink> makeSerialLink(const std::string& device, const StopSignal& stop,
                                           const SerialLine& line = kDeviceLine);
struct TcpOptions {
    int connectLimitMs = kConnectLimitMs;
    // Keep-alive timing (tests shorten it).
    int keepAliveIdleS = kKeepAliveIdleS;
    int keepAliveIntervalS = kKeepAliveIntervalS;
    int keepAliveProbes = kKeepAliveProbes;
};
std::unique_ptr<DeviceLink> makeTcpLink(const std::string& host, int port, const StopSignal& stop,
                                        const TcpOptions& options = {});

}  // namespace orv
