#include "link/DeviceLink.h"

namespace orv {

std::string stalledText(int stallMs) {
    if (stallMs % 1000 == 0) return "the device took no byte for " + std::to_string(stallMs / 1000) + " s";
    return "the device took no byte for " + std::to_string(stallMs) + " ms";
}

std::string goneText(const std::string& why) {
    return why.empty() ? "the device is gone" : "the device is gone: " + why;
}

void LineErrors::add(std::uint32_t bits) {
    mask |= bits;
    overflows += (bits & lineerr::kOverflow) != 0;
    overruns += (bits & lineerr::kOverrun) != 0;
    parity += (bits & lineerr::kParity) != 0;
    framing += (bits & lineerr::kFraming) != 0;
    breaks += (bits & lineerr::kBreak) != 0;
}

std::string LineErrors::describe() const {
    std::string text;
    auto item = [&](const char* what, std::uint32_t n) {
        if (n == 0) return;
        if (!text.empty()) text += ", ";
        text += what;
        text += " " + std::to_string(n);
    };
    item("receive overflow", overflows);
    item("overrun", overruns);
    item("parity", parity);
    item("framing", framing);
    item("break", breaks);
    if (readFailure != 0) {
        if (!text.empty()) text += ", ";
        text += "read failed (error " + std::to_string(readFailure) + ")";
    }
    return text;
}

}  // namespace orv
