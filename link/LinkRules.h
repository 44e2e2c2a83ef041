// The rules of the two links that need no device: the LAN link's target
// and keep-alive, and the serial link's line settings and pacing.
#pragma once
#include <cstdint>
#include <string>

namespace orv {

// The TCP port at the start of text (leading blanks and one sign allowed,
// digits up to the first other character).  0 when there are no digits, or
// the number is 0, negative or above 65535: no such port can be reached,
// and a larger number must not wrap into another port.
int parseDataPort(const char* text);

constexpr int kDefaultLanPort = 10001;
// "HOST[:PORT]" of the command line: false when the host is empty or the
// port is not 1..65535.  PORT defaults to kDefaultLanPort.
bool parseLanTarget(const std::string& text, std::string& host, int& port);

// TCP keep-alive on every connection: a capture only reads, so without
// probes a device that lost its power (its connection ends without a word
// on the wire) would never be noticed.  After kKeepAliveIdleS of silence a
// probe goes every kKeepAliveIntervalS; kKeepAliveProbes unanswered ones
// end the connection: about 30 s from the last byte.  A probe is a few
// bytes every 2 s on a quiet line.
constexpr int kKeepAliveIdleS = 10;
constexpr int kKeepAliveIntervalS = 2;
constexpr int kKeepAliveProbes = 10;

// The serial line as the device control block gets it.
struct SerialLine {
    std::uint32_t baudRate;
    std::uint8_t byteSize, parity, stopBits;
    std::uint8_t flowControl;  // bit 0 DSR/DTR, bit 1 CTS/RTS, bit 2 XON/XOFF
};

// The device's line: 921600 baud, 8 data bits, no parity, one stop bit,
// CTS/RTS handshake.
constexpr SerialLine kDeviceLine{921600, 8, 0, 0, 2};

struct DeviceControl {
    std::uint32_t baudRate;
    std::uint8_t byteSize, parity, stopBits;
    bool binary, checkParity;
    bool outxDsrFlow, outxCtsFlow, outX, inX;
    std::uint8_t dtrControl, rtsControl;  // 1 enable, 2 handshake
    std::uint16_t xonLim, xoffLim;
    char xonChar, xoffChar;
    // Set whatever the port held before: a driver keeps what the last
    // program left, and any of these loses or stops data.
    bool dsrSensitivity;  // bytes dropped while DSR is low
    bool txContinueOnXoff;
    bool replaceErrors;  // bytes with a parity error replaced by errorChar
    bool stripNulls;     // 0x00 bytes dropped
    bool abortOnError;   // reads and writes stopped after a line error
    char errorChar, eofChar, evtChar;
};

DeviceControl deviceControlFor(const SerialLine& line);

// The modem lines that the program raises and drops itself: those that no
// handshake drives (for a line under handshake that is an error).
struct HandDrivenLines {
    bool dtr, rts;
};
HandDrivenLines handDrivenLines(std::uint8_t flowControl);

struct SerialTimeouts {
    std::uint32_t readInterval, readMultiplier, readConstant;
    std::uint32_t writeMultiplier, writeConstant;
};

// Reads return what is queued, waiting at most a second for a first byte;
// writes may take twice the time a byte needs on the line (ms per byte).
SerialTimeouts serialTimeoutsFor(std::uint32_t baudRate);

// How a serial receive loop paces itself and when it gives a port up.
//
// Some drivers (Wine's on a pseudo-terminal among them) end a comm-event
// wait with no event again and again while the line is quiet.  The pause
// after such an empty turn doubles from the shortest to the longest while
// the line stays quiet, and the first byte brings it back to the shortest:
// a quiet line costs little, and no byte waits longer than the longest
// pause.  A port that keeps failing (it stopped answering, as a USB adapter
// that was pulled out does) is gone once it has failed for kPortGoneAfterMs
// and at least kPortGoneAfterTries turns in a row.
class LineWatch {
public:
    static constexpr std::uint32_t kShortestPauseMs = 5;
    static constexpr std::uint32_t kLongestPauseMs = 100;
    static constexpr std::uint32_t kPortGoneAfterMs = 1000;
    static constexpr int kPortGoneAfterTries = 3;

    // A turn that brought bytes: full speed again.
    void received() {
        pause_ = kShortestPauseMs;
        failing_ = false;
    }
    // A turn in which the port answered but nothing came: the pause to take.
    std::uint32_t quiet() {
        failing_ = false;
        return nextPause();
    }
    // A turn in which the port failed.  True once the failures have lasted
    // long enough to call the port gone; else the caller pauses for pause().
    bool failed(std::uint64_t nowMs);
    std::uint32_t nextPause();

private:
    std::uint32_t pause_ = kShortestPauseMs;
    bool failing_ = false;
    std::uint64_t failingSince_ = 0;
    int failures_ = 0;
};

}  // namespace orv
