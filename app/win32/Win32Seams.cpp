#include "app/win32/Win32Seams.h"

#include <vector>

namespace orv {

std::string LibraryStrings::load(unsigned id, std::size_t maxChars) const {
    std::vector<char> buffer(maxChars + 1, '\0');
    int n = LoadStringA(library_, id, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), n > 0 ? static_cast<std::size_t>(n) : 0);
}

}  // namespace orv
