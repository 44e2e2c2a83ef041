#include "base/win32/Win32FileSystem.h"

#include <windows.h>

#include <string>

#include "base/win32/Owned.h"

namespace orv {
namespace {

HANDLE toHandle(FileSystem::Handle file) { return reinterpret_cast<HANDLE>(file); }

// A UTF-8 path that is not valid UTF-8 fails rather than naming some other
// file; an ANSI path converts as the system's A calls would convert it.
SysError widen(unsigned codePage, const char* path, std::wstring& wide) {
    const DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
    int n = MultiByteToWideChar(codePage, flags, path, -1, nullptr, 0);
    if (n <= 0) return GetLastError();
    wide.resize(static_cast<std::size_t>(n));
    if (MultiByteToWideChar(codePage, flags, path, -1, &wide[0], n) != n) return GetLastError();
    wide.resize(static_cast<std::size_t>(n - 1));
    return 0;
}

}  // namespace

SysError Win32FileSystem::pathKind(const char* path, PathKind& kind) {
    std::wstring wide;
    if (SysError e = widen(codePage_, path, wide)) return e;
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError();
    kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
    return 0;
}

SysError Win32FileSystem::createFolder(const char* path) {
    std::wstring wide;
    if (SysError e = widen(codePage_, path, wide)) return e;
    return CreateDirectoryW(wide.c_str(), nullptr) ? 0 : GetLastError();
}

SysError Win32FileSystem::findFile(const char* path) {
    std::wstring wide;
    if (SysError e = widen(codePage_, path, wide)) return e;
    WIN32_FIND_DATAW data;
    const FindHandle find(FindFirstFileW(wide.c_str(), &data));
    return find ? 0 : GetLastError();
}

SysError Win32FileSystem::deleteFile(const char* path) {
    std::wstring wide;
    if (SysError e = widen(codePage_, path, wide)) return e;
    return DeleteFileW(wide.c_str()) ? 0 : GetLastError();
}

// Others may read a capture file while it grows (copy it, open it in a
// viewer); nobody else may write to it or delete it.  A file that is to
// replace another is written under a name of its own first and may be
// renamed while open (moveOpenFile): it shares deleting too.
SysError Win32FileSystem::create(const char* path, unsigned long disposition, unsigned long share, Handle& file) {
    std::wstring wide;
    if (SysError e = widen(codePage_, path, wide)) return e;
    HANDLE h = CreateFileW(wide.c_str(), GENERIC_WRITE, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    file = reinterpret_cast<Handle>(h);
    return 0;
}

SysError Win32FileSystem::createNew(const char* path, Handle& file) {
    return create(path, CREATE_NEW, FILE_SHARE_READ, file);
}

SysError Win32FileSystem::createReplacing(const char* path, Handle& file) {
    return create(path, CREATE_ALWAYS, FILE_SHARE_READ | FILE_SHARE_DELETE, file);
}

SysError Win32FileSystem::moveOpenFile(Handle, const char* from, const char* to) {
    std::wstring source, target;
    if (SysError e = widen(codePage_, from, source)) return e;
    if (SysError e = widen(codePage_, to, target)) return e;
    return MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : GetLastError();
}

SysError Win32FileSystem::openReplaceTarget(const char* path, Handle& direct, std::string& target) {
    std::wstring wide;
    if (SysError e = widen(codePage_, path, wide)) return e;
    if (wide.empty() || wide.back() == L'\\' || wide.back() == L'/') return ERROR_DIRECTORY;
    // Opened for writing without truncating: this tells a disk file from
    // NUL, a console or a pipe, and refuses a file that may not be written
    // (read-only, a folder) before anything is made.
    FileHandle file(CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED) {
            const DWORD attributes = GetFileAttributesW(wide.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return ERROR_DIRECTORY;
        }
        if (error != ERROR_FILE_NOT_FOUND) return error;
    } else if (GetFileType(file.get()) != FILE_TYPE_DISK) {
        direct = reinterpret_cast<Handle>(file.release());
        return 0;
    }
    target = path;
    return 0;
}

// Marked for deletion at once: a process that ends before the commit
// (killed, or ended with its session) leaves nothing behind.
SysError Win32FileSystem::createTemporary(const char* path, const char*, Handle& file) {
    std::wstring wide;
    if (SysError e = widen(codePage_, path, wide)) return e;
    FileHandle h(CreateFileW(wide.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) return GetLastError();
    FILE_DISPOSITION_INFO gone{TRUE};
    SetFileInformationByHandle(h.get(), FileDispositionInfo, &gone, sizeof gone);  // else ReplacingFile deletes it
    file = reinterpret_cast<Handle>(h.release());
    return 0;
}

SysError Win32FileSystem::commitTemporary(Handle file, const char* path, const char* target) {
    FileHandle h(toHandle(file));
    std::wstring source, destination;
    if (SysError e = widen(codePage_, path, source)) return e;
    if (SysError e = widen(codePage_, target, destination)) return e;
    // The new bytes reach the disk before they take the old file's place.
    if (!FlushFileBuffers(h.get())) return GetLastError();
    FILE_DISPOSITION_INFO keep{FALSE};
    if (!SetFileInformationByHandle(h.get(), FileDispositionInfo, &keep, sizeof keep)) return GetLastError();
    if (!h.close()) return GetLastError();
    return MoveFileExW(source.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 0
               : GetLastError();
}

SysError Win32FileSystem::openRead(const char* path, Handle& file) {
    std::wstring wide;
    if (SysError e = widen(codePage_, path, wide)) return e;
    HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    file = reinterpret_cast<Handle>(h);
    return 0;
}

SysError Win32FileSystem::read(Handle file, void* data, std::size_t size, std::size_t& got) {
    DWORD n = 0;
    got = 0;
    const DWORD want = static_cast<DWORD>(size < (1u << 30) ? size : (1u << 30));
    if (!ReadFile(toHandle(file), data, want, &n, nullptr)) return GetLastError();
    got = n;
    return 0;
}

SysError Win32FileSystem::write(Handle file, const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    std::size_t limit = 1u << 30;
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(toHandle(file), p, static_cast<DWORD>(size < limit ? size : limit), &written, nullptr)) {
            const DWORD error = GetLastError();
            // Older consoles take at most about 64 KiB per write.
            if (error == ERROR_NOT_ENOUGH_MEMORY && limit > 16384) {
                limit = 16384;
                continue;
            }
            return error;
        }
        if (written == 0) return ERROR_DISK_FULL;
        p += written;
        size -= written;
    }
    return 0;
}

SysError Win32FileSystem::sync(Handle file) { return FlushFileBuffers(toHandle(file)) ? 0 : GetLastError(); }

SysError Win32FileSystem::close(Handle file) { return CloseHandle(toHandle(file)) ? 0 : GetLastError(); }

}  // namespace orv
