// The file system of the capture and document writers over POSIX calls, for the command-line
// companion and the native tests.  errno values become the Win32 codes the
// writer's rules speak.
#pragma once
#include "base/FileSystem.h"

namespace orv {

class PosixFileSystem : public FileSystem {
public:
    char separator() const override { return '/'; }
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
};

// Win32 system error code for an errno value of an operation on path.
SysError errorFromErrno(int err, const char* path);

}  // namespace orv
