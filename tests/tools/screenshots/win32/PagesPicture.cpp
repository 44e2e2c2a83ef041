#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "app/win32/CaptureState.h"
#include "app/win32/Startup.h"
#include "app/win32/Win32Seams.h"
#include "base/Text.h"
#include "tests/support/TestSupport.h"
#include "tests/support/win32/Win32TestSupport.h"
#include "tests/tools/screenshots/win32/Screenshots.h"
#include "tools/devsim/EscpJobs.h"

namespace orv::screenshots {
namespace {

// Saves the main window as it is on the screen to folder/name.png.
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
        test::pumpFor(250);
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

}  // namespace

int takePagesPictures(const std::string& folder, int language) {
    auto s = std::make_unique<CaptureState>();
    char name[32];
    std::snprintf(name, sizeof name, "\\Orvantide%04d.dll", language);
    HMODULE library = LoadLibraryA((test::win32BuildFolder(4) + name).c_str());  // four below the build tree's top
    if (!library) {
        std::fprintf(stderr, "no language library beside the program\n");
        return 1;
    }
    LibraryStrings strings{library};
    test::ScriptedMessages messages{box::kAnswerOk};
    test::ScriptedFileDialogs dialogs;
    s->resourceLibrary = library;
    s->messages = &messages;
    s->strings = &strings;
    s->fileDialogs = &dialogs;
    s->appInstance = GetModuleHandleA(nullptr);
    s->languageId = std::uint16_t(language);
    registerMainClass(s->appInstance);
    int result = 1;
    if (createMainWindow(*s, s->appInstance, SW_SHOWNORMAL)) {
        SetWindowPos(s->mainWindow, nullptr, 20, 20, 760, 620, SWP_NOZORDER);
        test::TempDir dir;
        const std::string job = dir / "Capturedata.zrd";
        test::writeText(job, devsim::deviceEscaped(devsim::escpJob(1, 1)));
        dialogs.choose(job);
        SendMessageA(s->mainWindow, WM_COMMAND, CMD_OPEN_FILE, 0);
        const std::string suffix = language == 1033 ? "" : "-de";
        test::pumpFor(1500);  // Wine puts a window's painting on the screen lazily
        bool saved = savePicture(s->mainWindow, folder, "view-text" + suffix);
        SendMessageA(s->mainWindow, WM_COMMAND, CMD_VIEW_PAGES, 0);
        test::pumpUntil([&] { return pagePosition(s->pages).counted && s->pages.feed && s->pages.feed->page(0); },
                        20000);
        test::pumpFor(1500);
        saved = savePicture(s->mainWindow, folder, "view-pages" + suffix) && saved;
        if (saved) result = 0;
        DestroyWindow(s->mainWindow);
        test::pumpMessages();
    } else {
        std::fprintf(stderr, "no main window\n");
    }
    FreeLibrary(library);
    return result;
}

}  // namespace orv::screenshots
