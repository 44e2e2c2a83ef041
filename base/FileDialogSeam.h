// The one seam through which the program asks the user for a file or a
// folder.  The Win32 build answers with the common dialogs and the shell's
// folder browser; tests answer themselves.
#pragma once
#include <cstddef>

namespace orv {

// One filter pair of a file dialog, e.g. "zrd files(*.zrd)", "*.zrd", and
// the extension given to a name typed without one.
struct FileFilter {
    const char* description;
    const char* pattern;
    const char* defaultExtension;
};

class FileDialogSeam {
public:
    virtual ~FileDialogSeam() = default;
    // path holds the initial file name and receives the chosen one (at most
    // size bytes with the terminating zero).  True when a file was chosen.
    virtual bool chooseOpenFile(void* owner, char* path, std::size_t size, const FileFilter& filter) = 0;
    // The save dialog asks before an existing file is replaced.
    virtual bool chooseSaveFile(void* owner, char* path, std::size_t size, const FileFilter& filter,
                                const char* title) = 0;
    // path holds the folder the browser opens on and receives the chosen one.
    virtual bool browseForFolder(void* owner, const char* title, char* path, std::size_t size) = 0;
};

}  // namespace orv
