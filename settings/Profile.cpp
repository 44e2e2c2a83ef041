#include "settings/Profile.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "base/Ids.h"
#include "base/Path.h"
#include "base/Text.h"
#include "settings/DocumentForm.h"

namespace orv {
namespace {

constexpr const char kConnection[] = "connection";
constexpr const char kBuffer[] = "buffer";
constexpr const char kDocument[] = "document";

bool isAtoiBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

bool setProfilePath(Profile& profile, char separator) {
    return joinPath(profile.profileFolder, kProfileFileName, separator, profile.profilePath);
}

void readMethod(Profile& profile, IniStore& store) {
    char value[kProfileValueSize];
    if (store.readString(kConnection, "method", "", value, sizeof value, profile.profilePath) == 0) {
        store.writeString(kConnection, "method", "serial", profile.profilePath);
        copyCut(value, "serial");
    }
    // Exactly "lan": "LAN" or anything else means the serial link.
    profile.connection.method = std::strcmp(value, "lan") == 0 ? 1 : 0;
}

void readHostAndService(Profile& profile, IniStore& store) {
    ConnectionSettings& c = profile.connection;
    char value[kProfileValueSize];
    // A missing key reads as the one-character default "0", so it is
    // written back empty like any other one-character host.
    if (store.readString(kConnection, "host", "0", value, sizeof value, profile.profilePath) == 1) {
        value[0] = '\0';
        store.writeString(kConnection, "host", "", profile.profilePath);
    }
    copyCut(c.lanHost, value);

    if (store.readString(kConnection, "dService", "", value, sizeof value, profile.profilePath) == 0) {
        store.writeString(kConnection, "dService", kDefaultDataPort, profile.profilePath);
        copyCut(value, kDefaultDataPort);
    }
    copyCut(c.dService, value);
}

void readComPort(Profile& profile, IniStore& store) {
    char value[kProfileValueSize];
    if (store.readString(kConnection, "com", "", value, sizeof value, profile.profilePath) == 0) {
        store.writeString(kConnection, "com", kDefaultComPort, profile.profilePath);
        copyCut(value, kDefaultComPort);
    }
    // The whole field is replaced (COM3 after COM12 is COM3); an overlong
    // value is cut to the field.
    copyCut(profile.connection.comPort, value);
}

void readCaptureFileSettings(Profile& profile, IniStore& store, std::uint32_t startFlags, char separator) {
    CaptureFileSettings& f = profile.files;
    const char* path = profile.profilePath;

    if (store.readString(kBuffer, "path", "", f.captureFolder, sizeof f.captureFolder, path) == 0) {
        defaultCaptureFolder(profile.documentsFolder, f.captureFolder, separator);
        store.writeString(kBuffer, "path", f.captureFolder, path);
    }

    if (store.readString(kBuffer, "filename", "", f.captureFileName, sizeof f.captureFileName, path) == 0) {
        copyCut(f.captureFileName, kDefaultCaptureFileName);
        store.writeString(kBuffer, "filename", f.captureFileName, path);
    }
    removeExtension(f.captureFileName, profile.fileBaseName);

    if (startFlags & START_AT_ONCE) {
        store.writeString(kBuffer, "flag", "YES", path);
        f.autoNameFiles = 1;
        return;
    }
    char value[kProfileValueSize];
    // A missing key reads as "NO" and stays missing; only an empty one is
    // written back.
    if (store.readString(kBuffer, "flag", "NO", value, sizeof value, path) == 0) {
        store.writeString(kBuffer, "flag", "NO", path);
        copyCut(value, "NO");
    }
    f.autoNameFiles = std::strcmp(value, "YES") == 0 ? 1 : 0;
}

namespace {

// The value of a [document] key; a missing or empty one is written back
// as fallback and read as it.
std::string readDocumentKey(IniStore& store, const char* key, const char* fallback, const char* path) {
    char value[kProfileValueSize];
    if (store.readString(kDocument, key, "", value, sizeof value, path) == 0) {
        store.writeString(kDocument, key, fallback, path);
        copyCut(value, fallback);
    }
    return value;
}

}  // namespace

void readDocumentSettings(Profile& profile, IniStore& store) {
    DocumentSettings& d = profile.documents;
    const char* path = profile.profilePath;
    d = DocumentSettings{};
    takePaperText(readDocumentKey(store, "paper", d.paper, path).c_str(), d.paper);

    takeCodePageText(readDocumentKey(store, "codepage", "437", path).c_str(), d.codePage);
    takePrinterName(readDocumentKey(store, "printer", printerName(d.printer), path).c_str(), d.printer);
    takeTopOfFormText(readDocumentKey(store, "topofform", d.topOfForm, path).c_str(), d.topOfForm);
    d.pdfAfterCapture = readDocumentKey(store, "pdf", "NO", path) == "YES" ? 1 : 0;
    d.printAfterCapture = readDocumentKey(store, "print", "NO", path) == "YES" ? 1 : 0;
    // Empty is the default printer: only a missing key is written back.  A
    // comma stands for missing, as no printer's name holds one.
    if (store.readString(kDocument, "destination", ",", d.destination, sizeof d.destination, path) == 1 &&
        d.destination[0] == ',') {
        store.writeString(kDocument, "destination", "", path);
        d.destination[0] = '\0';
    }
}

void loadProfile(Profile& profile, IniStore& store, std::uint32_t startFlags, char separator) {
    readMethod(profile, store);
    readHostAndService(profile, store);
    readComPort(profile, store);
    readCaptureFileSettings(profile, store, startFlags, separator);
    readDocumentSettings(profile, store);
}

bool saveProfile(const Profile& profile, IniStore& store) {
    const ConnectionSettings& c = profile.connection;
    const CaptureFileSettings& f = profile.files;
    const char* path = profile.profilePath;
    bool ok = true;
    ok &= store.writeString(kConnection, "method", c.method == 1 ? "lan" : "serial", path);
    ok &= store.writeString(kConnection, "host", c.lanHost, path);
    ok &= store.writeString(kConnection, "dService", c.dService, path);
    ok &= store.writeString(kConnection, "com", c.comPort, path);
    ok &= store.writeString(kBuffer, "path", f.captureFolder, path);
    ok &= store.writeString(kBuffer, "filename", f.captureFileName, path);
    ok &= store.writeString(kBuffer, "flag", f.autoNameFiles ? "YES" : "NO", path);
    const DocumentSettings& d = profile.documents;
    ok &= store.writeString(kDocument, "paper", d.paper, path);
    ok &= store.writeString(kDocument, "codepage", std::to_string(d.codePage).c_str(), path);
    ok &= store.writeString(kDocument, "printer", printerName(d.printer), path);
    ok &= store.writeString(kDocument, "topofform", d.topOfForm, path);
    ok &= store.writeString(kDocument, "pdf", d.pdfAfterCapture ? "YES" : "NO", path);
    ok &= store.writeString(kDocument, "print", d.printAfterCapture ? "YES" : "NO", path);
    ok &= store.writeString(kDocument, "destination", d.destination, path);
    return ok;
}

void defaultCaptureFolder(const char* documentsFolder, char (&folder)[kPathSize], char separator) {
    copyCut(folder, documentsFolder);
    char joined[kPathSize];
    if (joinPath(folder, "Orvantide", separator, joined)) copyCut(folder, joined);
    if (joinPath(folder, "Buffer", separator, joined)) copyCut(folder, joined);
}

void removeExtension(const char* fileName, char (&baseName)[kPathSize]) {
    copyCut(baseName, fileName);
    char* dot = nullptr;
    for (char* p = baseName; *p; ++p) {
        if (*p == '\\' || *p == ' ')
            dot = nullptr;
        else if (*p == '.')
            dot = p;
    }
    if (dot) *dot = '\0';
}

std::uint8_t comPortNumber(const char* comPort) {
    if (!comPort || std::strlen(comPort) < 3) return 0;
    const char* p = comPort + 3;
    while (isAtoiBlank(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        if (value <= 255) value = value * 10 + (*p - '0');  // saturates past the range
    if (negative || value < 1 || value > 255) return 0;
    return static_cast<std::uint8_t>(value);
}

void applyLinkSettings(const ConnectionSettings& settings, LinkKind& linkKind, std::uint8_t& portNumber,
                       char (&host)[kHostSize], char (&dataPort)[kDataPortSize]) {
    linkKind = static_cast<LinkKind>(settings.method);
    portNumber = comPortNumber(settings.comPort);
    copyCut(host, settings.lanHost);
    copyCut(dataPort, settings.dService);
}

}  // namespace orv
