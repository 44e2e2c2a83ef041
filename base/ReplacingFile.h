// The one way a file is replaced by new content: the PDF of a capture,
// Save As, Export as PDF, and the companion's -o.  The content is written
// beside the target under a name of its own, made exclusively (a name
// that exists is never emptied: the next one is tried), put on the disk,
// and only then given the target's name.  Any failure, or an end without
// commit(), leaves the target as it was and no file beside it.  A target
// that is no disk file (a device, a pipe, a FIFO, a console) is written
// as it is.
#pragma once
#include <cstddef>
#include <string>

#include "base/FileSystem.h"

namespace orv {

class ReplacingFile {
public:
    explicit ReplacingFile(FileSystem& fs) : fs_(fs) {}
    ~ReplacingFile() { abandon(); }
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    SysError open(const std::string& path);
    SysError write(const void* data, std::size_t size);
    // Puts the content in place; the file is closed either way, and on a
    // failure the temporary file is gone.
    SysError commit();
    // Closes without replacing anything; the temporary file goes.
    void abandon();

    bool isOpen() const { return file_ != FileSystem::kNoFile; }
    // The name written under until commit(); empty for a direct target.
    const std::string& temporary() const { return temp_; }

private:
    FileSystem& fs_;
    FileSystem::Handle file_ = FileSystem::kNoFile;
    std::string temp_;
    std::string target_;
};

// size bytes of data as the whole content of path, through a ReplacingFile.
SysError replaceContent(FileSystem& fs, const std::string& path, const void* data, std::size_t size);

}  // namespace orv
