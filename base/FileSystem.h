// The few file-system operations the capture file writer and the document
// writer need, with the platform's (Win32) system error codes as results,
// so that their rules read the same over the Win32 API and over POSIX.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace orv {

using SysError = std::uint32_t;  // 0 = success, else a Win32 system error code

namespace syserr {
constexpr SysError kFileNotFound = 2;
constexpr SysError kPathNotFound = 3;
constexpr SysError kAccessDenied = 5;
constexpr SysError kWriteFault = 29;
constexpr SysError kReadFault = 30;
constexpr SysError kFileExists = 80;
constexpr SysError kNotEnoughMemory = 8;
constexpr SysError kDiskFull = 112;
constexpr SysError kFilenameTooLong = 206;
constexpr SysError kCancelled = 1223;  // the user declined
}  // namespace syserr

enum class PathKind { File, Folder };

class FileSystem {
public:
    using Handle = std::intptr_t;
    static constexpr Handle kNoFile = -1;

    virtual ~FileSystem() = default;
    // Separator that joins a folder and a name.
    virtual char separator() const = 0;
    // 0 with the kind when the path exists; else kFileNotFound when only the
    // last component is missing, kPathNotFound when a folder on the way is.
    virtual SysError pathKind(const char* path, PathKind& kind) = 0;
    virtual SysError createFolder(const char* path) = 0;
    // 0 when a file of that name exists.
    virtual SysError findFile(const char* path) = 0;
    virtual SysError deleteFile(const char* path) = 0;
    // Creates a new file for writing; fails with kFileExists when the name
    // is taken, leaving that file untouched.
    virtual SysError createNew(const char* path, Handle& file) = 0;
    // Creates the file or opens it emptied: the file that is to replace
    // another, under a name of its own until moveOpenFile.
    virtual SysError createReplacing(const char* path, Handle& file) = 0;
    // Gives the open file (made by createReplacing) the name to, replacing
    // a file of that name; from is its name now.
    virtual SysError moveOpenFile(Handle file, const char* from, const char* to) = 0;
    // Opens an existing file for reading; whoever writes it may go on
    // writing (a capture file that grows).
    virtual SysError openRead(const char* path, Handle& file) = 0;
    // Reads up to size bytes; got is 0 at the end of the file.
    virtual SysError read(Handle file, void* data, std::size_t size, std::size_t& got) = 0;
    // Writes all of data or fails (a short write is a failure).
    virtual SysError write(Handle file, const void* data, std::size_t size) = 0;
    // What replacing the file at path takes (ReplacingFile).  A path that
    // is no disk file but a device, a pipe, a FIFO or a console is written
    // as it is: direct receives it, opened.  Otherwise target receives the
    // file to replace (on POSIX a symbolic link's target, so that the link
    // stays), an existing one checked to be writable.
    virtual SysError openReplaceTarget(const char* path, Handle& direct, std::string& target) = 0;
    // Creates path, a new file (kFileExists, nothing opened, when the name
    // is taken) that is to become target's content: it takes target's
    // permissions where the system keeps them, and where the system can,
    // it goes by itself when the process ends before commitTemporary.
    virtual SysError createTemporary(const char* path, const char* target, Handle& file) = 0;
    // Puts file (made by createTemporary under path) on the disk, closes
    // it and gives it target's name, replacing what had it.  On a failure
    // the file is closed and left under path.
    virtual SysError commitTemporary(Handle file, const char* path, const char* target) = 0;
    // Puts what was written on the disk itself, past the system's cache, so
    // that a power cut cannot take it.
    virtual SysError sync(Handle file) = 0;
    virtual SysError close(Handle file) = 0;
};

// Creates path and, first, every missing folder above it.
SysError createFolderPath(FileSystem& fs, const char* path);

}  // namespace orv
