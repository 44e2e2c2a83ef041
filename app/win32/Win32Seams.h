// The Win32 answers to the message and string seams: MessageBoxA and
// LoadStringA on the language library.
#pragma once
#include <windows.h>

#include "app/MessageSeam.h"

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

}  // namespace orv
