// The folders the program derives at start-up.
#pragma once
#include <windows.h>

#include "base/win32/Owned.h"

#include "settings/Profile.h"

namespace orv {

using FolderPathFunction = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);

// SHGetFolderPathA from the first of libraries that offers it; the
// library stays loaded until release().  Libraries without it are freed.
class FolderLookup {
public:
    static constexpr const char* kLibraries[] = {"Shell32.dll", "ShFolder.dll"};

    FolderLookup() : FolderLookup(kLibraries, 2) {}
    FolderLookup(const char* const* libraries, int count);

    FolderPathFunction function() const { return function_; }
    HMODULE library() const { return library_.get(); }
    void release();

private:
    LoadedLibrary library_;
    FolderPathFunction function_ = nullptr;
};

// moduleFolder, profileFolder (Kelmora\Orvantide under the application-data
// folder, both levels created when missing; moduleFolder when that folder
// is unknown) and documentsFolder (the current directory when the lookup
// fails, empty without a lookup function).  The lookup is found at run
// time in "Shell32.dll", else "ShFolder.dll".
void locateFolders(Profile& profile);
// The same with a given lookup function (none: no function available).
void locateFolders(Profile& profile, FolderPathFunction folderPath);

}  // namespace orv
