// The console's lines of the unattended commands, on any system: each event
// with its local time, and while standard error is a terminal one status
// line, redrawn at most four times a second and cleared before an event.
#pragma once
#include <cstdint>
#include <string>

#include "tools/companion/Unattended.h"

namespace orv::companion {

class ConsoleLines : public CaptureHost {
public:
    explicit ConsoleLines(bool terminal) : terminal_(terminal) {}
    ~ConsoleLines() override { clearStatus(); }
    void event(const std::string& line) override;
    void status(const CaptureStatus& s) override;

private:
    void clearStatus();

    bool terminal_;
    bool shown_ = false;
    std::uint64_t shownAt_ = 0, shownTotal_ = 0;
};

}  // namespace orv::companion
