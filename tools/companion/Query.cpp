#include "tools/companion/Query.h"

#include <cstdio>

namespace orv::companion {

bool ReplyScanner::scan(const std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size && text_.empty(); ++i) {
        const std::uint8_t b = data[i];
        if (!afterEscape_) {
            afterEscape_ = b == 0x07;
            continue;
        }
        afterEscape_ = false;
        if (command_ == 'I' && b >= 0x40 && b <= 0x4F) {
            char value[8];
            std::snprintf(value, sizeof value, "0x%02X", b - 0x40);
            text_ = value;
        } else if (command_ == 'S' && b >= 0x30 && b <= 0x3F) {
            for (int bit = 3; bit >= 0; --bit) {
                text_ += (b >> bit) & 1 ? 'H' : 'L';
                if (bit > 0) text_ += ' ';
            }
        }
    }
    return !text_.empty();
}

}  // namespace orv::companion
