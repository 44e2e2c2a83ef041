#include "app/win32/Win32Seams.h"

#include <commdlg.h>
#include <shlobj.h>

#include <cstring>
#include <vector>

namespace orv {

std::string LibraryStrings::load(unsigned id, std::size_t maxChars) const {
    std::vector<char> buffer(maxChars + 1, '\0');
    int n = LoadStringA(library_, id, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), n > 0 ? static_cast<std::size_t>(n) : 0);
}

namespace {

// "desc\0pattern\0\0", the form the common dialogs take.
std::vector<char> filterText(const FileFilter& filter) {
    std::vector<char> text(filter.description, filter.description + std::strlen(filter.description));
    text.push_back('\0');
    text.insert(text.end(), filter.pattern, filter.pattern + std::strlen(filter.pattern));
    text.push_back('\0');
    text.push_back('\0');
    return text;
}

OPENFILENAMEA fileDialogRequest(void* owner, char* path, std::size_t size, const std::vector<char>& filter,
                                const FileFilter& kinds, char (&title)[64]) {
    OPENFILENAMEA request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = static_cast<HWND>(owner);
    request.lpstrFilter = filter.data();
    request.lpstrFile = path;
    request.nMaxFile = static_cast<DWORD>(size);
    request.lpstrFileTitle = title;
    request.nMaxFileTitle = sizeof title;
    request.lpstrDefExt = kinds.defaultExtension;
    return request;
}

int CALLBACK openOnFolder(HWND browser, UINT message, LPARAM, LPARAM folder) {
    if (message == BFFM_INITIALIZED) SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, folder);
    return 0;
}

}  // namespace

bool CommonFileDialogs::chooseOpenFile(void* owner, char* path, std::size_t size, const FileFilter& filter) {
    std::vector<char> filters = filterText(filter);
    char title[64] = "";
    OPENFILENAMEA request = fileDialogRequest(owner, path, size, filters, filter, title);
    request.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&request)) return false;
    if (owner) InvalidateRect(static_cast<HWND>(owner), nullptr, TRUE);
    return true;
}

bool CommonFileDialogs::chooseSaveFile(void* owner, char* path, std::size_t size, const FileFilter& filter,
                                       const char* title) {
    std::vector<char> filters = filterText(filter);
    char fileTitle[64] = "";
    OPENFILENAMEA request = fileDialogRequest(owner, path, size, filters, filter, fileTitle);
    request.lpstrTitle = title;
    request.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    if (!GetSaveFileNameA(&request)) return false;
    if (owner) InvalidateRect(static_cast<HWND>(owner), nullptr, TRUE);
    return true;
}

bool CommonFileDialogs::browseForFolder(void* owner, const char* title, char* path, std::size_t size) {
    char chosen[MAX_PATH];
    std::strncpy(chosen, path, sizeof chosen - 1);
    chosen[sizeof chosen - 1] = '\0';
    BROWSEINFOA request{};
    request.hwndOwner = static_cast<HWND>(owner);
    request.pszDisplayName = chosen;
    request.lpszTitle = title;
    request.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    request.lpfn = openOnFolder;
    request.lParam = reinterpret_cast<LPARAM>(chosen);
    // The new dialog style needs COM on this thread.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    PIDLIST_ABSOLUTE item = SHBrowseForFolderA(&request);
    bool named = item && SHGetPathFromIDListA(item, chosen) != FALSE;
    if (item) CoTaskMemFree(item);
    if (SUCCEEDED(com)) CoUninitialize();
    if (!named || size == 0) return false;
    std::strncpy(path, chosen, size - 1);
    path[size - 1] = '\0';
    return true;
}

}  // namespace orv
