#include "settings/win32/Win32IniStore.h"

#include <windows.h>

namespace orv {

std::uint32_t Win32IniStore::readString(const char* section, const char* key, const char* defaultValue, char* buffer,
                                        std::uint32_t size, const char* path) {
    if (!buffer || size == 0) return 0;
    return GetPrivateProfileStringA(section, key, defaultValue, buffer, size, path);
}

bool Win32IniStore::writeString(const char* section, const char* key, const char* value, const char* path) {
    return WritePrivateProfileStringA(section, key, value, path) != FALSE;
}

}  // namespace orv
