// The two profile calls the settings need, as an interface: the Win32
// program goes through GetPrivateProfileStringA/WritePrivateProfileStringA,
// the command-line companion and the native tests through IniFile.  Both
// take the file's path with every call, as the platform functions do.
#pragma once
#include <cstdint>

namespace orv {

class IniStore {
public:
    virtual ~IniStore() = default;

    // Copies the value of key in section (or defaultValue when the key or
    // the file is missing) into buffer, cut to size - 1 characters and
    // always terminated.  Returns the number of characters copied: 0 for a
    // present key with an empty value, size - 1 when the value was cut.
    // Values come back trimmed of surrounding blanks.
    virtual std::uint32_t readString(const char* section, const char* key, const char* defaultValue, char* buffer,
                                     std::uint32_t size, const char* path) = 0;

    // Sets key in section to value, creating the file, the section and the
    // key when missing and keeping everything else.  False when the file
    // could not be written.
    virtual bool writeString(const char* section, const char* key, const char* value, const char* path) = 0;
};

}  // namespace orv
