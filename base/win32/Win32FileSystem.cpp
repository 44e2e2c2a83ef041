#include "base/win32/Win32FileSystem.h"

#include <windows.h>

#include <string>

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
    HANDLE find = FindFirstFileW(wide.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return GetLastError();
    FindClose(find);
    return 0;
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
    DWORD written = 0;
    if (!WriteFile(toHandle(file), data, static_cast<DWORD>(size), &written, nullptr)) return GetLastError();
    return written == size ? 0 : static_cast<SysError>(ERROR_DISK_FULL);
}

SysError Win32FileSystem::sync(Handle file) { return FlushFileBuffers(toHandle(file)) ? 0 : GetLastError(); }

SysError Win32FileSystem::close(Handle file) { return CloseHandle(toHandle(file)) ? 0 : GetLastError(); }

}  // namespace orv
