#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "app/win32/CaptureState.h"
#include "app/win32/LinkWorker.h"
#include "app/win32/Startup.h"
#include "app/win32/Win32Seams.h"
#include "base/Text.h"
#include "tests/link/win32/DevSim.h"
#include "tests/link/win32/QueryDialogDriver.h"
#include "tests/support/TestSupport.h"
#include "tests/support/win32/Win32TestSupport.h"
#include "tests/tools/screenshots/win32/Screenshots.h"

namespace orv::screenshots {
namespace {

using test::field;
using test::lines;
using test::press;

// Saves the dialog as it is on the screen to folder/query-dialog.png.
bool savePicture(HWND dialog, const std::string& folder) {
    const std::string picture = "Z:" + folder + "/query-dialog.png";
    DeleteFileA(picture.c_str());
    const RECT r = test::screenRect(dialog);
    char command[1024];
    std::snprintf(command, sizeof command,
                  "Z:\\bin\\sh -c \"/usr/bin/import -window root -crop %ldx%ld+%ld+%ld +repage '%s/query-dialog.png'\"",
                  r.right - r.left, r.bottom - r.top, r.left, r.top, folder.c_str());
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
    std::printf("screenshot: %s/query-dialog.png\n", folder.c_str());
    return true;
}

// 'I', then 'S' twice, as in the query suite; the picture once the last
// answers have had time to reach the screen.
bool showAnswersAndSave(CaptureState& s, const std::string& folder) {
    int stage = 0;
    DWORD shownAt = 0;
    bool saved = false;
    const test::QueryDialogRun run = test::runQueryDialogScript(
        s,
        [&](HWND dialog) {
            switch (stage) {
            case 0:
                press(dialog, IDC_QUERY_I);
                ++stage;
                return false;
            case 1:
                if (field(dialog, IDC_I_REPLY).empty()) return false;
                press(dialog, IDC_QUERY_S);
                ++stage;
                return false;
            case 2:
            case 3:
                if (lines(dialog).find('-') != std::string::npos) return false;
                if (stage == 2) press(dialog, IDC_QUERY_S);
                shownAt = GetTickCount();
                ++stage;
                return false;
            default:
                // Wine puts a window's painting on the screen lazily.
                if (GetTickCount() - shownAt < 3000) return false;
                saved = savePicture(dialog, folder);
                return true;
            }
        },
        60000);
    if (!run.endedByScript) std::fprintf(stderr, "the dialog never showed the answers\n");
    return saved && run.endedByScript;
}

}  // namespace

int takeQueryPicture(const std::string& folder) {
    // The real main window, hidden, owns the dialog and tells it the replies.
    auto s = std::make_unique<CaptureState>();
    HMODULE library =
        LoadLibraryA((test::win32BuildFolder(4) + "\\Orvantide1033.dll").c_str());  // four below the build tree's top
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
    registerMainClass(s->appInstance);
    int result = 1;
    if (createMainWindow(*s, s->appInstance, SW_HIDE)) {
        test::TempDir dir;
        copyCut(s->profile.files.captureFolder, dir.path().c_str());
        s->profile.files.autoNameFiles = 0;
        copyCut(s->profile.files.captureFileName, "query.zrd");
        s->writer.openCaptureFile(s->profile.files, LocalTime{});
        {
            test::DevSim sim("--lan 127.0.0.1:0 --hold --i-value 0x0A --s-lines 0x5");
            if (test::openLanTo(sim, *s)) {
                if (showAnswersAndSave(*s, folder)) result = 0;
                s->worker->stop();
            } else {
                std::fprintf(stderr, "no connection to the simulator\n");
            }
        }
        s->writer.closeCaptureFile();
        DestroyWindow(s->mainWindow);
        test::pumpMessages();
    } else {
        std::fprintf(stderr, "no main window\n");
    }
    FreeLibrary(library);
    return result;
}

}  // namespace orv::screenshots
