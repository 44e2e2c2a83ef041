// How the settings dialog turns what the user typed into settings: the
// COM port text, the host and port texts and the capture file's base
// name.  Portable: the dialog reads its controls, these rules decide.
#pragma once
#include <cstddef>

#include "settings/Settings.h"

namespace orv {

// The port field holds at most 15 characters.
constexpr int kComPortFieldSize = 16;
constexpr const char kDefaultFileBaseName[] = "Capturedata";
constexpr const char kCaptureFileExtension[] = ".zrd";
// The longest base name that still leaves room for ".zrd" in a path buffer.
constexpr int kFileBaseNameMax = kPathSize - 1 - 4;

// "COM" (upper case), a decimal digit right after it, and a number from
// 1 to 255: the ports the run record's one-byte port number can name.
// What follows the number is kept as typed.
bool isComPortText(const char* text);

// comPort = text when it is a port text, else "COM1".  False when text
// was refused.
bool takeComPortText(const char* text, char (&comPort)[kPathSize]);

// What the port field starts with for a stored port name: the name when
// it is a port text that fits the field, "COM<n>" when it names port n
// but is too long, else "COM1".
void comPortForField(const char* stored, char (&shown)[kComPortFieldSize]);

// A host or port text as it goes into the profile: up to the first line
// break, without surrounding blanks (the profile gives values back
// trimmed, so that is what the next start would see anyway), cut to size.
void takeProfileText(const char* text, char* out, std::size_t size);
template <std::size_t N>
void takeProfileText(const char* text, char (&out)[N]) {
    takeProfileText(text, out, N);
}

// The capture file's base name from what was typed: as takeProfileText,
// cut to kFileBaseNameMax characters; nothing left becomes "Capturedata".
void takeFileBaseName(const char* text, char (&baseName)[kPathSize]);

// baseName + ".zrd"; the base is cut so that the extension always fits.
void makeCaptureFileName(const char* baseName, char (&fileName)[kPathSize]);

}  // namespace orv
