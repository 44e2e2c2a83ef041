// The companion's files on Linux (POSIX calls).
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>

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

}  // namespace

void guardTemporary(const std::string& path) {
    gTempArmed = 0;
    if (path.empty() || path.size() >= sizeof gTempPath) return;
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

FileSystem::Handle standardOutput() { return 1; }

void setErrnoFrom(SysError) {}

namespace {

int fd(std::intptr_t file) { return static_cast<int>(file); }

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

}  // namespace orv::companion
