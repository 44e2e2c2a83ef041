// The profile file "zr52profile.ini": its keys, defaults and write-back
// rules, and the copy of the link settings into the run record.
//
// Every read writes a missing value back with its default ("flag" only
// when present and empty), so after the first start the file holds an
// editable set of keys.  A value written back is the value in memory
// whether or not the write succeeded.
#pragma once
#include <cstdint>

#include "settings/IniStore.h"
#include "settings/Settings.h"

namespace orv {

constexpr const char kProfileFileName[] = "zr52profile.ini";
constexpr const char kDefaultComPort[] = "COM1";
constexpr const char kDefaultDataPort[] = "10001";
constexpr const char kDefaultCaptureFileName[] = "Capturedata.zrd";
constexpr int kDataPortSize = 32;  // the run record's port text
constexpr int kHostSize = kProfileValueSize;

// The settings and the folders they are found in.
struct Profile {
    ConnectionSettings connection;
    CaptureFileSettings files;
    DocumentSettings documents;
    char fileBaseName[kPathSize] = "";  // captureFileName less its extension
    char moduleFolder[kPathSize] = "";
    char profileFolder[kPathSize] = "";
    char profilePath[kPathSize] = "";
    char documentsFolder[kPathSize] = "";
};

// profilePath = profileFolder + separator + "zr52profile.ini".  False (and
// profilePath left as it was) when that does not fit.
bool setProfilePath(Profile& profile, char separator = '\\');

// readMethod, readHostAndService, readComPort, readCaptureFileSettings and
// readDocumentSettings on profilePath.  With START_AT_ONCE in startFlags,
// "flag" is forced to "YES".
void loadProfile(Profile& profile, IniStore& store, std::uint32_t startFlags, char separator = '\\');
void readMethod(Profile& profile, IniStore& store);
void readHostAndService(Profile& profile, IniStore& store);
void readComPort(Profile& profile, IniStore& store);
void readCaptureFileSettings(Profile& profile, IniStore& store, std::uint32_t startFlags, char separator = '\\');
// [document]: paper ("a4"), codepage ("437"; a name such as "kamenicky"
// reads too), printer ("auto"), topofform ("8.5mm"), pdf ("NO") and print
// ("NO"), each written back with its default when missing or empty, and
// destination (the printer's name; empty: the system's default printer),
// written back empty when missing.  A value the rules refuse reads as the
// default and stays in the file.
void readDocumentSettings(Profile& profile, IniStore& store);

// The fourteen keys, in the order method, host, dService, com, path,
// filename, flag, paper, codepage, printer, topofform, pdf, print,
// destination; a failed write does not stop the later ones.  True when all
// were written.
bool saveProfile(const Profile& profile, IniStore& store);

// documentsFolder + "Orvantide" + "Buffer", joined like the platform's
// path append (a join that would not fit is left out).
void defaultCaptureFolder(const char* documentsFolder, char (&folder)[kPathSize], char separator = '\\');

// fileName without its extension: the last "." of the last component and
// what follows (a blank or a backslash after the dot means no extension).
void removeExtension(const char* fileName, char (&baseName)[kPathSize]);

// The number after the first three characters of comPort ("COM12" -> 12),
// read like atoi.  0, which names no port, when there is none or it lies
// outside 1..255: a larger number must not wrap into another port.
std::uint8_t comPortNumber(const char* comPort);

// The run record's link fields from the settings: link kind, port number,
// host and data port (cut to fit, always terminated).
void applyLinkSettings(const ConnectionSettings& settings, LinkKind& linkKind, std::uint8_t& portNumber,
                       char (&host)[kHostSize], char (&dataPort)[kDataPortSize]);

}  // namespace orv
