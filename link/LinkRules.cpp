#include "link/LinkRules.h"

#include <cstdlib>

namespace orv {

int parseDataPort(const char* text) {
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\f' || *p == '\v') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    long value = 0;
    bool digits = false;
    for (; *p >= '0' && *p <= '9'; ++p) {
        digits = true;
        if (value <= 65535) value = value * 10 + (*p - '0');  // stop growing once out of range
    }
    if (!digits || negative || value > 65535) return 0;
    return static_cast<int>(value);
}

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

std::uint32_t LineWatch::nextPause() {
    const std::uint32_t pause = pause_;
    pause_ = pause_ * 2 > kLongestPauseMs ? kLongestPauseMs : pause_ * 2;
    return pause;
}

bool LineWatch::failed(std::uint64_t nowMs) {
    if (!failing_) {
        failing_ = true;
        failingSince_ = nowMs;
        failures_ = 0;
    }
    ++failures_;
    return failures_ >= kPortGoneAfterTries && nowMs - failingSince_ >= kPortGoneAfterMs;
}

DeviceControl deviceControlFor(const SerialLine& line) {
    bool dsrDtr = line.flowControl & 0x1;
    bool ctsRts = line.flowControl & 0x2;
    bool xonXoff = line.flowControl & 0x4;
    DeviceControl d{};
    d.baudRate = line.baudRate;
    d.byteSize = line.byteSize;
    d.parity = line.parity;
    d.stopBits = line.stopBits;
    d.binary = true;
    d.checkParity = false;
    d.outxDsrFlow = dsrDtr;
    d.dtrControl = dsrDtr ? 2 : 1;
    d.outxCtsFlow = ctsRts;
    d.rtsControl = ctsRts ? 2 : 1;
    d.outX = d.inX = xonXoff;
    d.xonLim = d.xoffLim = 100;
    d.xonChar = 0x11;
    d.xoffChar = 0x13;
    d.dsrSensitivity = d.txContinueOnXoff = d.replaceErrors = d.stripNulls = d.abortOnError = false;
    d.errorChar = d.eofChar = d.evtChar = 0;
    return d;
}

HandDrivenLines handDrivenLines(std::uint8_t flowControl) {
    return {(flowControl & 0x1) == 0, (flowControl & 0x2) == 0};
}

SerialTimeouts serialTimeoutsFor(std::uint32_t baudRate) {
    SerialTimeouts t{};
    t.readInterval = 0xFFFFFFFFu;
    t.readMultiplier = 0;
    t.readConstant = 1000;
    t.writeMultiplier = baudRate ? 1843200u / baudRate : 0;
    t.writeConstant = 0;
    return t;
}

}  // namespace orv
