#include "settings/SettingsForm.h"

#include <cstdio>
#include <cstring>

#include "base/Text.h"
#include "settings/Profile.h"

namespace orv {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool isComPortText(const char* text) {
    if (!text || std::strncmp(text, "COM", 3) != 0) return false;
    if (text[3] < '0' || text[3] > '9') return false;
    return comPortNumber(text) != 0;  // 0: no port, or one the run record cannot hold
}

bool takeComPortText(const char* text, char (&comPort)[kPathSize]) {
    bool taken = isComPortText(text);
    copyCut(comPort, taken ? text : kDefaultComPort);
    return taken;
}

void comPortForField(const char* stored, char (&shown)[kComPortFieldSize]) {
    if (!isComPortText(stored)) {
        copyCut(shown, kDefaultComPort);
    } else if (std::strlen(stored) < sizeof shown) {
        copyCut(shown, stored);
    } else {
        // Cutting the name could change its number; the number is what counts.
        std::snprintf(shown, sizeof shown, "COM%u", static_cast<unsigned>(comPortNumber(stored)));
    }
}

void takeProfileText(const char* text, char* out, std::size_t size) {
    if (size == 0) return;
    out[0] = '\0';
    if (!text) return;
    // A line break would end the profile line and start another key.
    std::size_t end = std::strcspn(text, "\r\n");
    std::size_t begin = 0;
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    std::size_t n = end - begin;
    if (n > size - 1) n = size - 1;
    std::memcpy(out, text + begin, n);
    out[n] = '\0';
}

void takeFileBaseName(const char* text, char (&baseName)[kPathSize]) {
    takeProfileText(text, baseName, kFileBaseNameMax + 1);
    if (!baseName[0]) copyCut(baseName, kDefaultFileBaseName);
}

void makeCaptureFileName(const char* baseName, char (&fileName)[kPathSize]) {
    copyCut(fileName, kFileBaseNameMax + 1, baseName);
    std::strcat(fileName, kCaptureFileExtension);
}

}  // namespace orv
