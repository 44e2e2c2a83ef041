// The profile store of the program: the platform's own profile functions.
#pragma once
#include "settings/IniStore.h"

namespace orv {

class Win32IniStore : public IniStore {
public:
    std::uint32_t readString(const char* section, const char* key, const char* defaultValue, char* buffer,
                             std::uint32_t size, const char* path) override;
    bool writeString(const char* section, const char* key, const char* value, const char* path) override;
};

}  // namespace orv
