#include "settings/win32/Folders.h"

#include <shlwapi.h>

#include <utility>

#include "base/FileSystem.h"
#include "base/Path.h"
#include "base/Text.h"
#include "base/win32/Win32FileSystem.h"

namespace orv {
namespace {

constexpr int kFolderAppData = 26;  // CSIDL_APPDATA
constexpr int kFolderPersonal = 5;  // CSIDL_PERSONAL

}  // namespace

FolderLookup::FolderLookup(const char* const* libraries, int count) {
    for (int i = 0; i < count && !function_; ++i) {
        LoadedLibrary library(LoadLibraryA(libraries[i]));
        if (!library) continue;
        auto found = reinterpret_cast<FolderPathFunction>(
            reinterpret_cast<void*>(GetProcAddress(library.get(), "SHGetFolderPathA")));
        if (!found) continue;
        library_ = std::move(library);
        function_ = found;
    }
}

void FolderLookup::release() {
    function_ = nullptr;
    library_.reset();
}

void locateFolders(Profile& profile) {
    FolderLookup lookup;
    locateFolders(profile, lookup.function());
}

void locateFolders(Profile& profile, FolderPathFunction folderPath) {
    char module[kPathSize] = "";
    GetModuleFileNameA(nullptr, module, sizeof module);
    module[sizeof module - 1] = '\0';  // a cut name is not terminated on older systems
    PathRemoveFileSpecA(module);
    copyCut(profile.moduleFolder, module);

    char appData[kPathSize] = "";
    char kelmora[kPathSize];
    char folder[kPathSize];
    // Without the lookup function the application-data folder is unknown:
    // the profile is kept next to the program, as when the lookup fails.
    if (folderPath && folderPath(nullptr, kFolderAppData, nullptr, 0, appData) == S_OK &&
        (appData[kPathSize - 1] = '\0', joinPath(appData, "Kelmora", '\\', kelmora)) &&
        joinPath(kelmora, "Orvantide", '\\', folder)) {
        copyCut(profile.profileFolder, folder);
        Win32FileSystem fs;
        createFolderPath(fs, profile.profileFolder);  // a failure shows as failed profile writes
    } else {
        copyCut(profile.profileFolder, profile.moduleFolder);
    }

    profile.documentsFolder[0] = '\0';
    if (!folderPath) return;
    char documents[kPathSize] = "";
    if (folderPath(nullptr, kFolderPersonal, nullptr, 0, documents) == S_OK) {
        documents[kPathSize - 1] = '\0';
        copyCut(profile.documentsFolder, documents);
    } else {
        DWORD n = GetCurrentDirectoryA(sizeof documents, documents);
        if (n > 0 && n < sizeof documents) copyCut(profile.documentsFolder, documents);
    }
}

}  // namespace orv
