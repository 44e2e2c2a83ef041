// The settings dialog as a whole: what it shows on opening, where its
// pages and panels lie, and that Cancel, a profile that cannot be written
// and an open link leave the settings as they were.
#include "tests/settings/win32/SettingsDialogFixture.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "base/Text.h"
#include "tests/support/win32/Win32TestSupport.h"

namespace orv::test {
namespace {

std::string listItem(HWND combo, int index) {
    char text[256] = "";
    SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

bool contains(const RECT& outer, const RECT& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

TEST_F(SettingsDialogTest, OpeningShowsTheProfileAsEditedByHand) {
    startUp();
    const ConnectionSettings connection = profile.connection;
    // Edited while the program runs.
    seed("method=lan\r\nhost=10.1.2.3\r\ndService=2001\r\ncom=COM7\r\n",
         "path=" + docs + "\\Runs\r\nfilename=data.bin.zrd\r\nflag=YES\r\n",
         "paper=letter\r\ncodepage=850\r\nprinter=epson\r\ntopofform=0\r\npdf=YES\r\nprint=NO\r\ndestination=\r\n");
    std::string before = readText(ini);
    ASSERT_TRUE(run([&](SettingsWindows& w) {
        ASSERT_TRUE(w.connectionPage && w.captureFilePage && w.documentsPage && w.serialPanel && w.lanPanel);
        EXPECT_EQ(3, SendMessageA(w.tab, TCM_GETITEMCOUNT, 0, 0));
        const unsigned titles[] = {IDS_TAB_CONNECTION, IDS_TAB_CAPTURE_FILE, IDS_TAB_DOCUMENTS};
        for (int i = 0; i < 3; ++i) {
            char title[64] = "";
            TCITEMA item{};
            item.mask = TCIF_TEXT;
            item.pszText = title;
            item.cchTextMax = sizeof title;
            SendMessageA(w.tab, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
            EXPECT_EQ(strings.load(titles[i], 63), title);
            EXPECT_NE(std::string(), title);
        }
        EXPECT_TRUE(IsWindowVisible(w.connectionPage));
        EXPECT_FALSE(IsWindowVisible(w.captureFilePage));
        EXPECT_FALSE(IsWindowVisible(w.documentsPage));

        HWND kind = w.control(IDC_LINK_KIND);
        ASSERT_EQ(2, SendMessageA(kind, CB_GETCOUNT, 0, 0));
        EXPECT_EQ(strings.load(IDS_LINK_SERIAL, 63), listItem(kind, 0));
        EXPECT_EQ(strings.load(IDS_LINK_LAN, 63), listItem(kind, 1));
        EXPECT_EQ(1, SendMessageA(kind, CB_GETCURSEL, 0, 0));
        EXPECT_TRUE(IsWindowVisible(w.lanPanel));
        EXPECT_FALSE(IsWindowVisible(w.serialPanel));
        EXPECT_EQ("10.1.2.3", w.text(IDC_HOST));
        EXPECT_EQ("2001", w.text(IDC_PORT));

        HWND port = w.control(IDC_COM_PORT);
        EXPECT_EQ("COM7", windowText(port));
        ASSERT_EQ(10, SendMessageA(port, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < 10; ++i) EXPECT_EQ("COM" + std::to_string(i + 1), listItem(port, i));

        EXPECT_EQ(docs + "\\Runs", w.text(IDC_FOLDER_TEXT));
        EXPECT_EQ("data.bin", w.text(IDC_FILE_NAME));
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(w.captureFilePage, IDC_AUTO_NAME));
        w.cancel();
    }));
    EXPECT_EQ(before, readText(ini)) << "opening and cancelling writes nothing";
    EXPECT_EQ(connection.method, profile.connection.method);
    EXPECT_STREQ(connection.comPort, profile.connection.comPort);
    EXPECT_TRUE(IsWindowEnabled(owner)) << "the owner is usable again";
}

TEST_F(SettingsDialogTest, PagesAndPanelsLieOnTheirAreasAndFollowTheTabs) {
    ASSERT_TRUE(run([&](SettingsWindows& w) {
        ASSERT_TRUE(w.connectionPage && w.captureFilePage && w.documentsPage && w.serialPanel && w.lanPanel);
        // The tab control's display area, in screen coordinates.
        RECT area{};
        GetClientRect(w.tab, &area);
        SendMessageA(w.tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
        MapWindowPoints(w.tab, nullptr, reinterpret_cast<POINT*>(&area), 2);
        RECT placeholder = screenRect(GetDlgItem(w.connectionPage, IDC_PANEL_AREA));
        for (HWND page : {w.connectionPage, w.captureFilePage, w.documentsPage}) {
            RECT placed = screenRect(page);
            EXPECT_TRUE(EqualRect(&area, &placed)) << "page covers the display area";
            // Every control of the page can be seen whole.
            for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                EXPECT_TRUE(contains(screenRect(page), screenRect(c))) << GetDlgCtrlID(c);
        }
        for (HWND panel : {w.serialPanel, w.lanPanel}) {
            RECT placed = screenRect(panel);
            EXPECT_TRUE(EqualRect(&placeholder, &placed));
            for (HWND c = GetWindow(panel, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
                EXPECT_TRUE(contains(screenRect(panel), screenRect(c))) << GetDlgCtrlID(c);
        }
        RECT kind = screenRect(w.control(IDC_LINK_KIND));
        RECT overlap{};
        EXPECT_FALSE(IntersectRect(&overlap, &kind, &placeholder)) << "the panels leave the link kind free";

        w.clickTab(1);
        EXPECT_EQ(1, SendMessageA(w.tab, TCM_GETCURSEL, 0, 0));
        EXPECT_FALSE(IsWindowVisible(w.connectionPage));
        EXPECT_TRUE(IsWindowVisible(w.captureFilePage));
        EXPECT_TRUE(IsChild(w.captureFilePage, GetFocus())) << "the shown page has the focus";
        w.clickTab(2);
        EXPECT_FALSE(IsWindowVisible(w.captureFilePage));
        EXPECT_TRUE(IsWindowVisible(w.documentsPage));
        EXPECT_TRUE(IsChild(w.documentsPage, GetFocus()));
        w.clickTab(0);
        EXPECT_TRUE(IsWindowVisible(w.connectionPage));
        EXPECT_FALSE(IsWindowVisible(w.documentsPage));
        EXPECT_TRUE(IsChild(w.connectionPage, GetFocus()));
        w.cancel();
    }));
}

TEST_F(SettingsDialogTest, CancelSavesNothingAndLeavesTheSettingsAsRead) {
    seed("method=serial\r\nhost=10.0.0.9\r\ndService=10001\r\ncom=COM6\r\n",
         "path=" + docs + "\r\nfilename=run.zrd\r\nflag=NO\r\n");
    startUp();
    std::string before = readText(ini);
    Profile read = profile;
    ASSERT_TRUE(run([&](SettingsWindows& w) {
        w.pick(IDC_LINK_KIND, 1);
        w.type(IDC_HOST, "other.host");
        w.type(IDC_PORT, "9");
        w.pick(IDC_LINK_KIND, 0);
        w.type(IDC_COM_PORT, "COM9");
        w.leave();
        w.clickTab(1);
        dialogs.choose(dir / "Elsewhere");
        w.click(IDC_BROWSE);
        w.type(IDC_FILE_NAME, "changed");
        w.leave();
        w.click(IDC_AUTO_NAME);
        w.cancel();
        EXPECT_TRUE(w.ended());
    }));
    EXPECT_EQ(before, readText(ini));
    EXPECT_STREQ("10.0.0.9", profile.connection.lanHost);
    EXPECT_STREQ("10001", profile.connection.dService);
    // What the next capture run reads is still what the profile holds.
    EXPECT_EQ(read.connection.method, profile.connection.method);
    EXPECT_STREQ(read.connection.comPort, profile.connection.comPort);
    EXPECT_STREQ(read.files.captureFolder, profile.files.captureFolder);
    EXPECT_STREQ(read.files.captureFileName, profile.files.captureFileName);
    EXPECT_STREQ(read.fileBaseName, profile.fileBaseName);
    EXPECT_EQ(read.files.autoNameFiles, profile.files.autoNameFiles);
}

TEST_F(SettingsDialogTest, ProfileThatCannotBeWrittenIsToldAndTheSettingsStillHold) {
    std::string unwritable = dir / "missing\\zr52profile.ini";
    copyCut(profile.profilePath, unwritable.c_str());
    ASSERT_TRUE(run([&](SettingsWindows& w) {
        SetFocus(w.control(IDC_COM_PORT));
        w.pick(IDC_COM_PORT, 4);
        w.ok();
        EXPECT_TRUE(w.ended());
    }));
    ASSERT_EQ(1u, messages.shown.size());
    EXPECT_EQ("Settings failed!", messages.shown[0].text);
    EXPECT_EQ(MAIN_TITLE, messages.shown[0].caption);
    EXPECT_EQ(unsigned(MB_OK | MB_ICONWARNING), messages.shown[0].type);
    EXPECT_STREQ("COM5", profile.connection.comPort) << "the settings hold for this run";
    EXPECT_FALSE(pathExists(unwritable));
}

// Pictures of the dialog for the documentation, taken by
// tools/screenshots/settings.sh, which sets ORV_SCREENSHOT_DIR (a Windows
// path) and answers each "<name>.rect" that this case writes there with
// "<name>.done" once it has taken the picture.  Without it: skipped.
bool pumpUntilFileExists(const std::string& path, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!pathExists(path)) {
        if (GetTickCount() - start > timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return true;
}

}  // namespace
}  // namespace orv::test
