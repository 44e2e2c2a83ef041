#include "base/FileSystem.h"

#include <cstring>
#include <string>

#include "base/Path.h"

namespace orv {
namespace {

// The path less its last component ("" when there is none to remove).
std::string parentOf(const char* path) {
    std::string p(path);
    while (!p.empty() && isPathSeparator(p.back())) p.pop_back();
    std::size_t cut = p.find_last_of("\\/");
    if (cut == std::string::npos) return std::string();
    p.resize(cut);
    return p;
}

}  // namespace

SysError createFolderPath(FileSystem& fs, const char* path) {
    PathKind kind;
    SysError error = fs.pathKind(path, kind);
    if (error == 0) return 0;
    if (error == syserr::kPathNotFound) {
        // A folder above is missing: make it first.  A path that cannot be
        // shortened any more is a real failure, not a reason to recurse.
        std::string parent = parentOf(path);
        if (parent.empty() || parent.size() >= std::strlen(path)) return error;
        if (SysError above = createFolderPath(fs, parent.c_str())) return above;
    } else if (error != syserr::kFileNotFound) {
        return error;
    }
    return fs.createFolder(path);
}

}  // namespace orv
