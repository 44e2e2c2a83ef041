#include "base/win32/FileIdentity.h"

#include <cstdint>
#include <cstring>

#include "base/win32/Owned.h"

namespace orv {
namespace {

// Who a disk file (not a folder) is: its volume and index.  Wine cannot
// give the volume of a standard handle it made from a Linux descriptor;
// there the index, the times and the size stand in for it.
struct Identity {
    bool known = false;
    bool haveVolume = false;
    DWORD volume = 0;
    std::uint64_t index = 0;
    FILE_BASIC_INFO times{};
    LARGE_INTEGER size{};
};

// FILE_ID_INFO (Windows 8 and Wine), which the headers for Windows 7 lack.
struct FileIdInformation {
    ULONGLONG volume;
    BYTE id[16];
};
constexpr auto kFileIdInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18);

Identity identify(HANDLE h, bool withVolume) {
    Identity who;
    if (h == nullptr || h == INVALID_HANDLE_VALUE || GetFileType(h) != FILE_TYPE_DISK) return who;
    BY_HANDLE_FILE_INFORMATION info;
    if (withVolume && GetFileInformationByHandle(h, &info)) {
        if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return who;
        who.known = who.haveVolume = true;
        who.volume = info.dwVolumeSerialNumber;
        who.index = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
        return who;
    }
    FileIdInformation id;
    FILE_STANDARD_INFO standard;
    if (!GetFileInformationByHandleEx(h, kFileIdInfo, &id, sizeof id) ||
        !GetFileInformationByHandleEx(h, FileBasicInfo, &who.times, sizeof who.times) ||
        !GetFileInformationByHandleEx(h, FileStandardInfo, &standard, sizeof standard) || standard.Directory)
        return who;
    std::memcpy(&who.index, id.id, sizeof who.index);
    who.size = standard.EndOfFile;
    who.known = true;
    return who;
}

}  // namespace

bool isDiskFile(HANDLE file) { return identify(file, true).known; }

bool sameFile(HANDLE a, HANDLE b) {
    const Identity x = identify(a, true), y = identify(b, true);
    if (x.haveVolume && y.haveVolume) return x.index == y.index && x.volume == y.volume;
    if (!x.known || !y.known) return false;
    const Identity p = identify(a, false), q = identify(b, false);
    return p.known && q.known && p.index == q.index && p.size.QuadPart == q.size.QuadPart &&
           std::memcmp(&p.times, &q.times, sizeof p.times) == 0;
}

bool sameFile(const char* a, const char* b) {
    auto open = [](const char* path) {
        return FileHandle(CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    const FileHandle x = open(a), y = open(b);
    return x && y && sameFile(x.get(), y.get());
}

}  // namespace orv
