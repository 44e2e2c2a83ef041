#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/support/TestSupport.h"
#include "tests/support/win32/ProgramWindow.h"
#include "tests/support/win32/Win32TestSupport.h"
#include "tests/tools/screenshots/win32/Screenshots.h"
#include "tools/devsim/EscpJobs.h"

namespace orv::screenshots {

int takePagesPictures(const std::string& folder, int language) {
    test::ProgramWindow program(test::win32BuildFolder(4), language, SW_SHOWNORMAL);  // four below the top
    if (!program.made()) return 1;
    CaptureState& s = *program.s;
    SetWindowPos(s.mainWindow, nullptr, 20, 20, 760, 620, SWP_NOZORDER);
    test::TempDir dir;
    const std::string job = dir / "Capturedata.zrd";
    test::writeText(job, devsim::deviceEscaped(devsim::escpJob(1, 1)));
    program.dialogs.choose(job);
    program.command(CMD_OPEN_FILE);
    const std::string suffix = language == 1033 ? "" : "-de";
    test::pumpFor(1500);  // Wine puts a window's painting on the screen lazily
    bool saved = savePicture(s.mainWindow, folder, "view-text" + suffix);
    program.command(CMD_VIEW_PAGES);
    test::pumpUntil([&] { return pagePosition(s.pages).counted && s.pages.feed && s.pages.feed->page(0); }, 20000);
    test::pumpFor(1500);
    saved = savePicture(s.mainWindow, folder, "view-pages" + suffix) && saved;
    return saved ? 0 : 1;
}

}  // namespace orv::screenshots
