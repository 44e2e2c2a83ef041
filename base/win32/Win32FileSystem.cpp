#include "base/win32/Win32FileSystem.h"

#include <windows.h>

#include <algorithm>

#include <string>
#include <vector>

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
// viewer); nobody else may write to it, rename or delete it.  DELETE access
// is our own, for the rename of a file that replaces another
// (moveOpenFile).
SysError Win32FileSystem::create(const char* path, unsigned long disposition, Handle& file) {
    std::wstring wide;
    if (SysError e = widen(codePage_, path, wide)) return e;
    HANDLE h =
        CreateFileW(wide.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                    nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    file = reinterpret_cast<Handle>(h);
    return 0;
}

SysError Win32FileSystem::createNew(const char* path, Handle& file) { return create(path, CREATE_NEW, file); }

SysError Win32FileSystem::createReplacing(const char* path, Handle& file) { return create(path, CREATE_ALWAYS, file); }

SysError Win32FileSystem::moveOpenFile(Handle file, const char*, const char* to) {
    std::wstring wide;
    if (SysError e = widen(codePage_, to, wide)) return e;
    std::vector<std::uint8_t> buffer(sizeof(FILE_RENAME_INFO) + (wide.size() + 1) * sizeof(WCHAR));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(wide.size() * sizeof(WCHAR));
    std::copy(wide.begin(), wide.end(), info->FileName);
    info->FileName[wide.size()] = L'\0';
    return SetFileInformationByHandle(toHandle(file), FileRenameInfo, info, static_cast<DWORD>(buffer.size()))
               ? 0
               : GetLastError();
}

SysError Win32FileSystem::write(Handle file, const void* data, std::size_t size) {
    DWORD written = 0;
    if (!WriteFile(toHandle(file), data, static_cast<DWORD>(size), &written, nullptr)) return GetLastError();
    return written == size ? 0 : static_cast<SysError>(ERROR_DISK_FULL);
}

SysError Win32FileSystem::sync(Handle file) { return FlushFileBuffers(toHandle(file)) ? 0 : GetLastError(); }

SysError Win32FileSystem::close(Handle file) { return CloseHandle(toHandle(file)) ? 0 : GetLastError(); }

}  // namespace orv
