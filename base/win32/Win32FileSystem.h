// The file system of the capture and document writers over the Win32 API.
#pragma once
#include "base/FileSystem.h"

namespace orv {

// Paths come in as char strings of one code page and go to the system as
// UTF-16, so a name outside the ANSI code page reaches the disk intact.
class Win32FileSystem : public FileSystem {
public:
    static constexpr unsigned kAnsi = 0;      // CP_ACP: the window's paths
    static constexpr unsigned kUtf8 = 65001;  // CP_UTF8: the companion's

    explicit Win32FileSystem(unsigned codePage = kAnsi) : codePage_(codePage) {}

    char separator() const override { return '\\'; }
    SysError pathKind(const char* path, PathKind& kind) override;
    SysError createFolder(const char* path) override;
    SysError findFile(const char* path) override;
    SysError deleteFile(const char* path) override;
    SysError createNew(const char* path, Handle& file) override;
    SysError createReplacing(const char* path, Handle& file) override;
    SysError moveOpenFile(Handle file, const char* from, const char* to) override;
    SysError openReplaceTarget(const char* path, Handle& direct, std::string& target) override;
    SysError createTemporary(const char* path, const char* target, Handle& file) override;
    SysError commitTemporary(Handle file, const char* path, const char* target) override;
    SysError openRead(const char* path, Handle& file) override;
    SysError read(Handle file, void* data, std::size_t size, std::size_t& got) override;
    SysError write(Handle file, const void* data, std::size_t size) override;
    SysError sync(Handle file) override;
    SysError close(Handle file) override;

private:
    SysError create(const char* path, unsigned long disposition, unsigned long share, Handle& file);

    unsigned codePage_;
};

}  // namespace orv
