// The companion's files on Windows: CreateFileW, ReadFile and WriteFile on
// the UTF-8 names that commandLine() made from the wide command line.  The
// standard handles are used as they are: no text-mode translation.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "base/win32/FileIdentity.h"
#include "base/win32/Owned.h"
#include "tools/companion/Companion.h"

namespace orv::companion {
namespace {

// A system error that has no errno counterpart travels in errno as this
// base plus its code (the writer thread hands errno on), so that
// errorText() can still name it.
constexpr int kSystemErrorBase = 0x10000;

void setError(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: errno = ENOENT; break;
    case ERROR_ACCESS_DENIED: errno = EACCES; break;
    case ERROR_DIRECTORY: errno = EISDIR; break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: errno = EEXIST; break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: errno = ENOSPC; break;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA: errno = EPIPE; break;
    case ERROR_FILENAME_EXCED_RANGE: errno = ENAMETOOLONG; break;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: errno = ENOMEM; break;
    case ERROR_INVALID_HANDLE: errno = EBADF; break;
    case ERROR_WRITE_PROTECT: errno = EROFS; break;
    default: errno = kSystemErrorBase + static_cast<int>(code & 0xFFFF); break;
    }
}

std::wstring wide(const std::string& s) {
    if (s.empty()) return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

std::string utf8(const std::wstring& w) {
    if (w.empty()) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

HANDLE handle(std::intptr_t file) { return reinterpret_cast<HANDLE>(file); }
std::intptr_t file(HANDLE h) { return reinterpret_cast<std::intptr_t>(h); }

bool isFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A failed open, as errno: a folder is refused as "access denied", which
// says less than Linux's "is a directory".
void setOpenError(const std::wstring& path) {
    const DWORD code = GetLastError();
    if (code == ERROR_ACCESS_DENIED && isFolder(path))
        errno = EISDIR;
    else
        setError(code);
}

// "\\.\pipe\x" and the like: opening one only to look at it would take a
// pipe's connection.
bool isDevicePath(const std::string& path) {
    return path.size() >= 4 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/') &&
           (path[2] == '.' || path[2] == '?') && (path[3] == '\\' || path[3] == '/');
}

}  // namespace

std::string errorText() {
    const int e = errno;
    switch (e) {  // Linux's words, so that the messages read the same
    case ENOENT: return "No such file or directory";
    case EACCES: return "Permission denied";
    case EISDIR: return "Is a directory";
    case EEXIST: return "File exists";
    case ENOSPC: return "No space left on device";
    case EPIPE: return "Broken pipe";
    case ENAMETOOLONG: return "File name too long";
    case ENOMEM: return "Cannot allocate memory";
    case EBADF: return "Bad file descriptor";
    case EROFS: return "Read-only file system";
    case EIO: return "Input/output error";
    default: break;
    }
    if (e < kSystemErrorBase) return std::strerror(e);
    const DWORD code = static_cast<DWORD>(e - kSystemErrorBase);
    wchar_t text[512];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                             sizeof text / sizeof text[0], nullptr);
    while (n > 0 && (text[n - 1] == L'\r' || text[n - 1] == L'\n' || text[n - 1] == L' ' || text[n - 1] == L'.')) --n;
    if (n == 0) return "system error " + std::to_string(code);
    return utf8(std::wstring(text, n));
}

void writeStderr(const std::string& utf8) {
    std::fflush(stderr);  // what the C stream holds goes first
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(err, &mode)) {
        std::fwrite(utf8.data(), 1, utf8.size(), stderr);
        std::fflush(stderr);
        return;
    }
    // A console shows UTF-16 whatever its code page.
    const std::wstring text = wide(utf8);
    for (std::size_t done = 0; done < text.size();) {
        DWORD n = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 8192));
        if (!WriteConsoleW(err, text.data() + done, chunk, &n, nullptr) || n == 0) break;
        done += n;
    }
}

std::vector<std::string> commandLine(int argc, char** argv) {
    // The commands write through the standard handles; the C streams carry
    // only the messages, which end in LF as on Linux.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    int n = 0;
    LPWSTR* wideArgs = CommandLineToArgvW(GetCommandLineW(), &n);
    if (!wideArgs) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> args;
    for (int i = 0; i < n; ++i) args.push_back(utf8(wideArgs[i]));
    LocalFree(wideArgs);
    return args;
}

InputFile::~InputFile() {
    if (owned_) CloseHandle(handle(file_));
}

bool InputFile::open(const std::string& path) {
    if (path == "-") {
        file_ = file(GetStdHandle(STD_INPUT_HANDLE));
        return true;
    }
    const std::wstring name = wide(path);
    HANDLE h = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        setOpenError(name);
        return false;
    }
    file_ = file(h);
    owned_ = true;
    return true;
}

bool InputFile::isSameFile(const std::string& path) const {
    if (!isDiskFile(handle(file_))) return false;
    if (path.empty()) return sameFile(handle(file_), GetStdHandle(STD_OUTPUT_HANDLE));
    if (isDevicePath(path)) return false;
    const FileHandle other(CreateFileW(wide(path).c_str(), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    return other && sameFile(handle(file_), other.get());
}

long long InputFile::readFull(std::uint8_t* dst, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(n - got, 1u << 30));
        DWORD r = 0;
        if (!ReadFile(handle(file_), dst + got, chunk, &r, nullptr)) {
            const DWORD code = GetLastError();
            if (code == ERROR_BROKEN_PIPE || code == ERROR_HANDLE_EOF) break;  // the writing end closed: the end
            setError(code);
            return -1;
        }
        if (r == 0) break;
        got += r;
    }
    return static_cast<long long>(got);
}

FileSystem::Handle standardOutput() { return file(GetStdHandle(STD_OUTPUT_HANDLE)); }

void setErrnoFrom(SysError error) {
    if (error != 0) setError(error);
}

void guardTemporary(const std::string&) {}

}  // namespace orv::companion
