#include "base/Path.h"

#include <cstring>
#include <string>

namespace orv {

bool joinPath(const char* folder, const char* name, char separator, char (&out)[kPathSize]) {
    std::string joined(folder);
    while (*name && isPathSeparator(*name)) ++name;
    if (!joined.empty() && !isPathSeparator(joined.back()) && *name) joined += separator;
    joined += name;
    if (joined.size() >= sizeof out) return false;
    std::memcpy(out, joined.c_str(), joined.size() + 1);
    return true;
}

}  // namespace orv
