#include "base/win32/Win32FileSystem.h"

#include <windows.h>

#include <vector>

namespace orv {
namespace {

HANDLE toHandle(FileSystem::Handle file) { return reinterpret_cast<HANDLE>(file); }

}  // namespace

SysError Win32FileSystem::pathKind(const char* path, PathKind& kind) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError();
    kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
    return 0;
}

SysError Win32FileSystem::createFolder(const char* path) {
    return CreateDirectoryA(path, nullptr) ? 0 : GetLastError();
}

SysError Win32FileSystem::findFile(const char* path) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(path, &data);
    if (find == INVALID_HANDLE_VALUE) return GetLastError();
    FindClose(find);
    return 0;
}

SysError Win32FileSystem::deleteFile(const char* path) { return DeleteFileA(path) ? 0 : GetLastError(); }

SysError Win32FileSystem::createNew(const char* path, Handle& file) {
    HANDLE h = CreateFileA(path, GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    file = reinterpret_cast<Handle>(h);
    return 0;
}

SysError Win32FileSystem::createReplacing(const char* path, Handle& file) {
    HANDLE h = CreateFileA(path, GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    file = reinterpret_cast<Handle>(h);
    return 0;
}

SysError Win32FileSystem::moveOpenFile(Handle file, const char*, const char* to) {
    // By the handle, which holds DELETE access: another program's handle
    // without FILE_SHARE_DELETE cannot stop it, and nobody else may rename
    // the file while it is written.
    const int n = MultiByteToWideChar(CP_ACP, 0, to, -1, nullptr, 0);
    if (n <= 0) return GetLastError();
    std::vector<std::uint8_t> buffer(sizeof(FILE_RENAME_INFO) + static_cast<std::size_t>(n) * sizeof(WCHAR));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>((n - 1) * sizeof(WCHAR));
    MultiByteToWideChar(CP_ACP, 0, to, -1, info->FileName, n);
    if (!SetFileInformationByHandle(toHandle(file), FileRenameInfo, info, static_cast<DWORD>(buffer.size())))
        return GetLastError();
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
