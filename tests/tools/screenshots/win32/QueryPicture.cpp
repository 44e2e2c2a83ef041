#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/win32/CaptureState.h"
#include "app/win32/LinkWorker.h"
#include "base/Text.h"
#include "tests/link/win32/DevSim.h"
#include "tests/link/win32/QueryDialogDriver.h"
#include "tests/support/TestSupport.h"
#include "tests/support/win32/ProgramWindow.h"
#include "tests/support/win32/Win32TestSupport.h"
#include "tests/tools/screenshots/win32/Screenshots.h"

namespace orv::screenshots {
namespace {

using test::field;
using test::lines;
using test::press;

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
                saved = savePicture(dialog, folder, "query-dialog");
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
    test::ProgramWindow program(test::win32BuildFolder(4), 1033, SW_HIDE);  // four below the build tree's top
    if (!program.made()) return 1;
    CaptureState& s = *program.s;
    test::TempDir dir;
    copyCut(s.profile.files.captureFolder, dir.path().c_str());
    s.profile.files.autoNameFiles = 0;
    copyCut(s.profile.files.captureFileName, "query.zrd");
    s.writer.openCaptureFile(s.profile.files, LocalTime{});
    int result = 1;
    {
        test::DevSim sim("--lan 127.0.0.1:0 --hold --i-value 0x0A --s-lines 0x5");
        if (test::openLanTo(sim, s)) {
            if (showAnswersAndSave(s, folder)) result = 0;
            s.worker->stop();
        } else {
            std::fprintf(stderr, "no connection to the simulator\n");
        }
    }
    s.writer.closeCaptureFile();
    return result;
}

}  // namespace orv::screenshots
