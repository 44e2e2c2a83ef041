#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/settings/win32/SettingsDialogDriver.h"
#include "tests/support/win32/Win32TestSupport.h"
#include "tests/tools/screenshots/win32/Screenshots.h"

namespace orv::screenshots {

using test::SettingsDialogHarness;
using test::SettingsWindows;

// This program's folder lies four below the top of the build tree.
constexpr int kDepth = 4;

int takeSettingsPictures(const std::string& folder, int language) {
    SettingsDialogHarness harness(language, test::win32BuildFolder(kDepth));
    if (!harness.library || !harness.owner) {
        std::fprintf(stderr, "no language library beside the program\n");
        return 1;
    }
    harness.seed("method=serial\r\nhost=192.168.0.50\r\ndService=10001\r\ncom=COM3\r\n",
                 "path=C:\\users\\Public\\Documents\\Orvantide\\Buffer\r\nfilename=Capturedata.zrd\r\nflag=NO\r\n",
                 "paper=a4\r\ncodepage=850\r\nprinter=epson\r\npdf=YES\r\nprint=YES\r\ndestination=\r\n");
    int taken = 0;
    const bool ran = harness.run([&](SettingsWindows& w) {
        SetWindowPos(w.dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetForegroundWindow(w.dialog);
        // The rectangle file is renamed into place, so that it is never
        // read half written.
        auto hold = [&](const std::string& name) {
            RedrawWindow(w.dialog, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
            const RECT r = test::screenRect(w.dialog);
            const std::string base = folder + "\\" + name;
            test::writeText(base + ".tmp", std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) +
                                               "+" + std::to_string(r.left) + "+" + std::to_string(r.top) + "\n");
            MoveFileA((base + ".tmp").c_str(), (base + ".rect").c_str());
            if (test::pumpUntil([&] { return test::pathExists(base + ".done"); }, 60000))
                ++taken;
            else
                std::fprintf(stderr, "no picture of %s\n", name.c_str());
        };
        hold("settings-link");
        w.pick(IDC_LINK_KIND, 1);
        hold("settings-link-lan");
        w.pick(IDC_LINK_KIND, 0);
        w.clickTab(1);
        hold("settings-files");
        w.clickTab(2);
        hold("settings-documents");
        w.cancel();
    });
    return ran && taken == 4 ? 0 : 1;
}

}  // namespace orv::screenshots
