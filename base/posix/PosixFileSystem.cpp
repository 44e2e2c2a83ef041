#include "base/posix/PosixFileSystem.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
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

namespace {

// path with the symbolic links of its last component followed: replacing
// the file a link names keeps the link, as writing through it did.
bool followLinks(const std::string& path, std::string& target) {
    std::string p = path;
    for (int hops = 0;; ++hops) {
        struct stat st;
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            target = p;
            return true;  // a missing file is created; other errors come at the open
        }
        if (hops == 40) {
            errno = ELOOP;
            return false;
        }
        char link[PATH_MAX];
        const ssize_t n = ::readlink(p.c_str(), link, sizeof link);
        if (n < 0) return false;
        if (static_cast<std::size_t>(n) == sizeof link) {
            errno = ENAMETOOLONG;
            return false;
        }
        const std::size_t slash = p.rfind('/');
        const std::string folder = slash == std::string::npos ? "" : p.substr(0, slash + 1);
        const std::string to(link, static_cast<std::size_t>(n));
        p = link[0] == '/' ? to : folder + to;
    }
}

// A rename lasts once the folder's entry is on the disk too.  Best effort:
// the file is in place by then, and some file systems cannot sync a
// folder at all.
void syncFolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    (void)::fsync(dir);
    ::close(dir);
}

}  // namespace

SysError PosixFileSystem::openReplaceTarget(const char* path, Handle& direct, std::string& target) {
    std::string resolved;
    if (!followLinks(path, resolved)) return errorFromErrno(errno, path);
    struct stat st;
    const bool exists = ::stat(resolved.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) return errorFromErrno(errno, path);
    if (exists && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return syserr::kAccessDenied;
    }
    if (exists && !S_ISREG(st.st_mode)) {
        // A device or a FIFO cannot be replaced, only written.
        const int fd = ::open(resolved.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0) return errorFromErrno(errno, path);
        direct = fd;
        return 0;
    }
    // A file that may not be written is not replaced either.
    if (exists && ::faccessat(AT_FDCWD, resolved.c_str(), W_OK, AT_EACCESS) != 0) return errorFromErrno(errno, path);
    if (resolved.empty() || resolved.back() == '/') {
        errno = EISDIR;
        return syserr::kAccessDenied;
    }
    target = resolved;
    return 0;
}

// Created as an ordinary create would (0666 less the umask); a file it is
// to replace lends it its owner (where allowed) and permissions.
SysError PosixFileSystem::createTemporary(const char* path, const char* target, Handle& file) {
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return errorFromErrno(errno, path);
    struct stat st;
    if (::stat(target, &st) == 0) {
        if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) (void)::fchown(fd, st.st_uid, st.st_gid);
        (void)::fchmod(fd, st.st_mode & 0777);
    }
    file = fd;
    return 0;
}

SysError PosixFileSystem::commitTemporary(Handle file, const char* path, const char* target) {
    const int fd = static_cast<int>(file);
    // The new bytes reach the disk before they take the old file's place.
    if (::fsync(fd) != 0) {
        const int why = errno;
        ::close(fd);
        return errorFromErrno(errno = why, path);
    }
    if (::close(fd) != 0) return errorFromErrno(errno, path);
    if (::rename(path, target) != 0) return errorFromErrno(errno, target);
    syncFolderOf(target);
    return 0;
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
