// The Win32 answers to the seams: MessageBoxA, LoadStringA on the
// language library, the common file dialogs and the folder browser.
#pragma once
#include <windows.h>

#include "base/FileDialogSeam.h"
#include "base/MessageSeam.h"

namespace orv {

class MessageBoxSeam : public MessageSeam {
public:
    int show(void* owner, const char* text, const char* caption, unsigned type) override {
        return MessageBoxA(static_cast<HWND>(owner), text, caption, type);
    }
};

class LibraryStrings : public StringTable {
public:
    // Reads through the given handle, which start-up fills in once the
    // language library is loaded.
    explicit LibraryStrings(const HMODULE& library) : library_(library) {}
    std::string load(unsigned id, std::size_t maxChars) const override;

private:
    const HMODULE& library_;
};

class CommonFileDialogs : public FileDialogSeam {
public:
    bool chooseOpenFile(void* owner, char* path, std::size_t size, const FileFilter& filter) override;
    bool chooseSaveFile(void* owner, char* path, std::size_t size, const FileFilter& filter,
                        const char* title) override;
    bool browseForFolder(void* owner, const char* title, char* path, std::size_t size) override;
};

}  // namespace orv
