// The companion's files on Linux (POSIX calls).
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tools/companion/Companion.h"

namespace orv::companion {
namespace {

// The temporary output file, for the signal handlers: a command stopped
// by Ctrl-C must not leave a half-written file beside its output.
char gTempPath[PATH_MAX + 64];
volatile std::sig_atomic_t gTempArmed = 0;

void removeTempAndStop(int sig) {
    if (gTempArmed) ::unlink(gTempPath);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

void armTempRemoval(const std::string& path) {
    if (path.size() >= sizeof gTempPath) return;
    std::memcpy(gTempPath, path.c_str(), path.size() + 1);
    gTempArmed = 1;
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;  // as nohup left it
        struct sigaction sa {};
        sa.sa_handler = removeTempAndStop;
        sigemptyset(&sa.sa_mask);
        ::sigaction(sig, &sa, nullptr);
    }
}

void disarmTempRemoval() { gTempArmed = 0; }

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
        p = link[0] == '/' ? std::string(link, static_cast<std::size_t>(n))
                           : folder + std::string(link, static_cast<std::size_t>(n));
    }
}

// A new file beside target, created as an ordinary create would (0666 less
// the umask); its name is returned in temp.
int createTemp(const std::string& target, std::string& temp) {
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string base = target.substr(folder.size()).substr(0, 200);  // within NAME_MAX
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp =
            folder + "." + base + "." + std::to_string(::getpid()) + "-" + std::to_string(random() % 1000000) + ".tmp";
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

int fd(std::intptr_t file) { return static_cast<int>(file); }

// The rename lasts once the folder's entry is on the disk too.  Best
// effort: the file is in place by then, and some file systems cannot sync
// a folder at all.
void syncFolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    (void)::fsync(dir);
    ::close(dir);
}

}  // namespace

std::string errorText() { return std::strerror(errno); }

void writeStderr(const std::string& utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    std::fflush(stderr);
}

std::vector<std::string> commandLine(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

InputFile::~InputFile() {
    if (owned_) ::close(fd(file_));
}

bool InputFile::open(const std::string& path) {
    if (path == "-") {
        file_ = 0;
        return true;
    }
    file_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    owned_ = file_ >= 0;
    if (!owned_) return false;
    // A folder opens but cannot be read: say so before any output exists.
    struct stat st;
    if (::fstat(fd(file_), &st) == 0 && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return false;
    }
    return true;
}

bool InputFile::isSameFile(const std::string& path) const {
    struct stat in, out;
    if (::fstat(fd(file_), &in) != 0 || !S_ISREG(in.st_mode)) return false;
    const int found = path.empty() ? ::fstat(1, &out) : ::stat(path.c_str(), &out);
    return found == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino;
}

long long InputFile::readFull(std::uint8_t* dst, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = ::read(fd(file_), dst + got, n - got);
        if (r < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    return static_cast<long long>(got);
}

OutputFile::~OutputFile() {
    if (owned_) ::close(fd(file_));
    if (!temp_.empty()) {
        disarmTempRemoval();
        ::unlink(temp_.c_str());
    }
}

bool OutputFile::open(const std::string& path) {
    if (path.empty()) {
        file_ = 1;
        return true;
    }
    std::string target;
    if (!followLinks(path, target)) return false;
    struct stat st;
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) return false;
    if (exists && !S_ISREG(st.st_mode)) {
        // A device or a FIFO cannot be replaced, only written.
        file_ = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        owned_ = file_ >= 0;
        return owned_;
    }
    // A file that may not be written is not replaced either.
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return false;
    if (target.back() == '/') {
        errno = EISDIR;
        return false;
    }
    file_ = createTemp(target, temp_);
    if (file_ < 0) {
        temp_.clear();
        return false;
    }
    owned_ = true;
    target_ = target;
    armTempRemoval(temp_);
    if (exists) {
        // The replacement keeps the owner (where allowed) and permissions.
        if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) (void)::fchown(fd(file_), st.st_uid, st.st_gid);
        (void)::fchmod(fd(file_), st.st_mode & 0777);
    }
    return true;
}

bool OutputFile::write(const void* data, std::size_t n) {
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t w = ::write(fd(file_), p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

bool OutputFile::close() {
    bool ok = true;
    if (owned_) {
        // A replaced file must not be lost to a crash after the rename: its
        // new bytes reach the disk first.
        if (!temp_.empty()) ok = ::fsync(fd(file_)) == 0;
        if (ok) {
            ok = ::close(fd(file_)) == 0;
        } else {
            const int why = errno;
            ::close(fd(file_));
            errno = why;
        }
        owned_ = false;
    }
    file_ = -1;
    if (!temp_.empty()) {
        if (ok) ok = ::rename(temp_.c_str(), target_.c_str()) == 0;
        if (ok) syncFolderOf(target_);
        const int why = errno;
        disarmTempRemoval();
        if (!ok) ::unlink(temp_.c_str());
        temp_.clear();
        errno = why;
    }
    return ok;
}

}  // namespace orv::companion
