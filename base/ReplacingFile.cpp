#include "base/ReplacingFile.h"

#include <cerrno>
#include <cstdio>
#include <random>

#include "base/Path.h"

namespace orv {
namespace {

// Names tried before giving up: each is taken only by a file that exists
// already, which a name drawn at random almost never meets twice.
constexpr int kNameAttempts = 100;

// "~orv" and 8 random hex digits: short, so that the name fits wherever
// the target's does (a window's paths are held to MAX_PATH).
std::string temporaryName(const std::string& target) {
    thread_local std::mt19937 random{std::random_device{}()};
    std::size_t cut = target.size();
    while (cut > 0 && !isPathSeparator(target[cut - 1]) && target[cut - 1] != ':') --cut;
    char name[24];
    std::snprintf(name, sizeof name, "~orv%08lx.tmp", static_cast<unsigned long>(random() & 0xFFFFFFFFul));
    return target.substr(0, cut) + name;
}

// Runs cleanup without losing the errno of the failure it follows: the
// companion names that failure in its own words.
template <typename Cleanup>
void keepingErrno(Cleanup cleanup) {
    const int saved = errno;
    cleanup();
    errno = saved;
}

}  // namespace

SysError ReplacingFile::open(const std::string& path) {
    abandon();
    FileSystem::Handle direct = FileSystem::kNoFile;
    std::string target;
    if (SysError error = fs_.openReplaceTarget(path.c_str(), direct, target)) return error;
    if (direct != FileSystem::kNoFile) {
        file_ = direct;
        return 0;
    }
    SysError error = syserr::kFileExists;
    for (int attempt = 0; attempt < kNameAttempts && error == syserr::kFileExists; ++attempt) {
        temp_ = temporaryName(target);
        error = fs_.createTemporary(temp_.c_str(), target.c_str(), file_);
    }
    if (error != 0) {
        file_ = FileSystem::kNoFile;
        temp_.clear();
        return error;
    }
    target_ = target;
    return 0;
}

SysError ReplacingFile::write(const void* data, std::size_t size) {
    if (!isOpen()) return syserr::kWriteFault;
    return size == 0 ? 0 : fs_.write(file_, data, size);
}

SysError ReplacingFile::commit() {
    if (!isOpen()) return syserr::kWriteFault;
    const FileSystem::Handle file = file_;
    file_ = FileSystem::kNoFile;
    if (temp_.empty()) return fs_.close(file);
    const SysError error = fs_.commitTemporary(file, temp_.c_str(), target_.c_str());
    if (error != 0) keepingErrno([&] { fs_.deleteFile(temp_.c_str()); });
    temp_.clear();
    return error;
}

void ReplacingFile::abandon() {
    keepingErrno([&] {
        if (isOpen()) fs_.close(file_);
        file_ = FileSystem::kNoFile;
        if (!temp_.empty()) fs_.deleteFile(temp_.c_str());
        temp_.clear();
    });
}

SysError replaceContent(FileSystem& fs, const std::string& path, const void* data, std::size_t size) {
    ReplacingFile file(fs);
    if (SysError error = file.open(path)) return error;
    if (SysError error = file.write(data, size)) return error;
    return file.commit();
}

}  // namespace orv
