// The companion's output: a replaced file, or standard output.
#include "tools/companion/Companion.h"
#include "tools/companion/Console.h"

namespace orv::companion {

OutputFile::OutputFile() : fs_(makeFileSystem()) {}

OutputFile::~OutputFile() {
    if (!file_) return;
    file_->abandon();
    guardTemporary(std::string());
}

bool OutputFile::open(const std::string& path) {
    if (path.empty()) return true;
    file_ = std::make_unique<ReplacingFile>(*fs_);
    if (const SysError error = file_->open(path)) {
        setErrnoFrom(error);
        return false;
    }
    guardTemporary(file_->temporary());
    return true;
}

bool OutputFile::write(const void* data, std::size_t n) {
    const SysError error = file_ ? file_->write(data, n) : fs_->write(standardOutput(), data, n);
    setErrnoFrom(error);
    return error == 0;
}

bool OutputFile::close() {
    if (!file_) return true;
    const SysError error = file_->commit();
    guardTemporary(std::string());
    setErrnoFrom(error);
    return error == 0;
}

}  // namespace orv::companion
