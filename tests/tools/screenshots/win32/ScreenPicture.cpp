#include <windows.h>

#include <cstdio>

#include "tests/support/win32/Win32TestSupport.h"
#include "tests/tools/screenshots/win32/Screenshots.h"

namespace orv::screenshots {

bool savePicture(HWND window, const std::string& folder, const std::string& name) {
    const std::string picture = "Z:" + folder + "/" + name + ".png";
    DeleteFileA(picture.c_str());
    const RECT r = test::screenRect(window);
    char command[1024];
    std::snprintf(command, sizeof command,
                  "Z:\\bin\\sh -c \"/usr/bin/import -window root -crop %ldx%ld+%ld+%ld +repage '%s/%s.png'\"",
                  r.right - r.left, r.bottom - r.top, r.left, r.top, folder.c_str(), name.c_str());
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "cannot run: %s\n", command);
        return false;
    }
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    // Wine does not wait for a Unix program through its handle: wait for
    // the picture to be written out.
    auto size = [&] {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        return GetFileAttributesExA(picture.c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow : 0ul;
    };
    unsigned long last = 0;
    for (int waited = 0; waited < 30000; waited += 250) {
        Sleep(250);
        if (size() > 0 && size() == last) break;
        last = size();
    }
    if (size() == 0) {
        std::fprintf(stderr, "no picture from: %s\n", command);
        return false;
    }
    std::printf("screenshot: %s/%s.png\n", folder.c_str(), name.c_str());
    return true;
}

}  // namespace orv::screenshots
