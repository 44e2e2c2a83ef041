// The rules of the two links that need no device: the port number of the
// LAN link and the line settings of the serial link.
#pragma once
#include <cstdint>

namespace orv {

// The TCP port at the start of text (leading blanks and one sign allowed,
// digits up to the first other character).  0 when there are no digits, or
// the number is 0, negative or above 65535: no such port can be reached,
// and a larger number must not wrap into another port.
int parseDataPort(const char* text);

// The serial line as the device control block gets it.
struct SerialLine {
    std::uint32_t baudRate;
    std::uint8_t byteSize, parity, stopBits;
    std::uint8_t flowControl;  // bit 0 DSR/DTR, bit 1 CTS/RTS, bit 2 XON/XOFF
};

struct DeviceControl {
    std::uint32_t baudRate;
    std::uint8_t byteSize, parity, stopBits;
    bool binary, checkParity;
    bool outxDsrFlow, outxCtsFlow, outX, inX;
    std::uint8_t dtrControl, rtsControl;  // 1 enable, 2 handshake
    std::uint16_t xonLim, xoffLim;
    char xonChar, xoffChar;
};

DeviceControl deviceControlFor(const SerialLine& line);

struct SerialTimeouts {
    std::uint32_t readInterval, readMultiplier, readConstant;
    std::uint32_t writeMultiplier, writeConstant;
};

// Reads return what is queued, waiting at most a second for a first byte;
// writes may take twice the time a byte needs on the line (ms per byte).
SerialTimeouts serialTimeoutsFor(std::uint32_t baudRate);

}  // namespace orv
