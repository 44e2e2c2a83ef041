#include "tools/companion/Console.h"

#include <cstdio>

#include "base/Clock.h"
#include "tools/companion/Companion.h"

namespace orv::companion {
namespace {

constexpr std::uint64_t kStatusEveryMs = 250;

}  // namespace

void ConsoleLines::event(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    clearStatus();
    const LocalTime t = localTimeNow();
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d ", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    writeStderr(stamp + line + "\n");
}

void ConsoleLines::status(const CaptureStatus& s) {
    if (!terminal_) return;
    std::lock_guard<std::mutex> lock(mutex_);
    const std::uint64_t now = monotonicMs();
    if (shown_ && now - shownAt_ < kStatusEveryMs) return;
    const double seconds = shown_ ? double(now - shownAt_) / 1000.0 : 0.0;
    const double rate = seconds > 0 ? double(s.totalBytes - shownTotal_) / seconds / 1000.0 : 0.0;
    char line[512];
    std::snprintf(line, sizeof line, "%s %llu B | total %llu B | %.1f kB/s | %s",
                  s.file.empty() ? "(no file)" : s.file.c_str(), static_cast<unsigned long long>(s.fileBytes),
                  static_cast<unsigned long long>(s.totalBytes), rate, s.connected ? "connected" : "waiting");
    char shown[96];
    std::snprintf(shown, sizeof shown, "\r%-79.79s", line);
    writeStderr(shown);
    shown_ = true;
    shownAt_ = now;
    shownTotal_ = s.totalBytes;
}

void ConsoleLines::clearStatus() {
    if (!shown_) return;
    writeStderr("\r" + std::string(79, ' ') + "\r");
    shown_ = false;
}

}  // namespace orv::companion
