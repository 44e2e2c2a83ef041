#include "base/posix/PosixFileSystem.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace orv {

SysError errorFromErrno(int err, const char* path) {
    switch (err) {
    case 0: return 0;
    case ENOENT: {
        // Windows tells a missing last component (2) from a missing folder
        // on the way (3); the folder creation depends on that.
        std::string p(path);
        while (p.size() > 1 && p.back() == '/') p.pop_back();
        std::size_t cut = p.rfind('/');
        if (cut == std::string::npos) return syserr::kFileNotFound;
        std::string parent = cut == 0 ? "/" : p.substr(0, cut);
        struct stat st;
        return ::stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? syserr::kFileNotFound : syserr::kPathNotFound;
    }
    case ENOTDIR: return syserr::kPathNotFound;
    case EEXIST: return syserr::kFileExists;
    case EACCES:
    case EPERM:
    case EROFS: return syserr::kAccessDenied;
    case ENOSPC:
    case EDQUOT: return syserr::kDiskFull;
    case ENAMETOOLONG: return syserr::kFilenameTooLong;
    default: return syserr::kWriteFault;
    }
}

SysError PosixFileSystem::pathKind(const char* path, PathKind& kind) {
    struct stat st;
    if (::stat(path, &st) != 0) return errorFromErrno(errno, path);
    kind = S_ISDIR(st.st_mode) ? PathKind::Folder : PathKind::File;
    return 0;
}

SysError PosixFileSystem::createFolder(const char* path) {
    return ::mkdir(path, 0777) == 0 ? 0 : errorFromErrno(errno, path);
}

SysError PosixFileSystem::findFile(const char* path) {
    struct stat st;
    return ::lstat(path, &st) == 0 ? 0 : errorFromErrno(errno, path);
}

SysError PosixFileSystem::deleteFile(const char* path) { return ::unlink(path) == 0 ? 0 : errorFromErrno(errno, path); }

SysError PosixFileSystem::createNew(const char* path, Handle& file) {
    int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return errorFromErrno(errno, path);
    file = fd;
    return 0;
}

SysError PosixFileSystem::createReplacing(const char* path, Handle& file) {
    int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return errorFromErrno(errno, path);
    file = fd;
    return 0;
}

SysError PosixFileSystem::moveOpenFile(Handle, const char* from, const char* to) {
    return ::rename(from, to) == 0 ? 0 : errorFromErrno(errno, to);
}

SysError PosixFileSystem::openRead(const char* path, Handle& file) {
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errorFromErrno(errno, path);
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return syserr::kAccessDenied;  // as Windows answers for a folder
    }
    file = fd;
    return 0;
}

SysError PosixFileSystem::read(Handle file, void* data, std::size_t size, std::size_t& got) {
    got = 0;
    for (;;) {
        ssize_t n = ::read(static_cast<int>(file), data, size);
        if (n >= 0) {
            got = static_cast<std::size_t>(n);
            return 0;
        }
        if (errno != EINTR) return syserr::kReadFault;
    }
}

SysError PosixFileSystem::write(Handle file, const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(static_cast<int>(file), p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errorFromErrno(errno, "");
        }
        if (n == 0) return syserr::kDiskFull;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

SysError PosixFileSystem::sync(Handle file) {
    return ::fsync(static_cast<int>(file)) == 0 ? 0 : errorFromErrno(errno, "");
}

SysError PosixFileSystem::close(Handle file) {
    return ::close(static_cast<int>(file)) == 0 ? 0 : errorFromErrno(errno, "");
}

}  // namespace orv
