// The profile store over a plain file on disk, for the command-line
// companion and the native tests.  It reads and writes the way the
// platform's profile functions do for what the settings use: section and
// key names match regardless of case, values are trimmed of surrounding
// blanks (and of one pair of enclosing quotes), and a write touches only
// its own line, creating the file, the section or the key when missing.
#pragma once
#include "settings/IniStore.h"

namespace orv {

class IniFile : public IniStore {
public:
    std::uint32_t readString(const char* section, const char* key, const char* defaultValue, char* buffer,
                             std::uint32_t size, const char* path) override;
    bool writeString(const char* section, const char* key, const char* value, const char* path) override;
};

}  // namespace orv
