// The settings command on the real templates and texts of the English
// language library: editSettings opens the modal dialog, and a script run
// inside its modal loop acts on the controls the way a user does (clicks,
// focus changes, the Enter key).  The profile lives in a temporary folder.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/Text.h"
#include "app/win32/Win32Seams.h"
#include "settings/SettingsForm.h"
#include "settings/win32/Folders.h"
#include "settings/win32/SettingsDialog.h"
#include "settings/win32/Win32IniStore.h"
#include "tests/settings/IniTestFiles.h"
#include "tests/support/TestSupport.h"

namespace orv::test {
namespace {


std::string textOf(HWND window) {
    char text[2048] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string className(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

bool isDialog(HWND window) { return window && className(window) == "#32770"; }

std::vector<HWND> childDialogs(HWND parent) {
    std::vector<HWND> found;
    for (HWND w = GetWindow(parent, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (isDialog(w)) found.push_back(w);
    return found;
}

std::string listItem(HWND combo, int index) {
    char text[256] = "";
    SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

RECT screenRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

bool contains(const RECT& outer, const RECT& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// The dialog's windows as the user finds them: pages are the dialog's
// child dialogs, panels the connection page's.
struct SettingsWindows {
    HWND dialog = nullptr;
    HWND tab = nullptr;
    HWND connectionPage = nullptr;
    HWND captureFilePage = nullptr;
    HWND serialPanel = nullptr;
    HWND lanPanel = nullptr;

    explicit SettingsWindows(HWND d) : dialog(d) {
        tab = GetDlgItem(d, IDC_SETTINGS_TAB);
        for (HWND page : childDialogs(d))
            (GetDlgItem(page, IDC_LINK_KIND) ? connectionPage : captureFilePage) = page;
        if (connectionPage)
            for (HWND panel : childDialogs(connectionPage))
                (GetDlgItem(panel, IDC_COM_PORT) ? serialPanel : lanPanel) = panel;
    }
    // A control of the dialog, a page or a panel.
    HWND control(int id) const {
        for (HWND parent : {dialog, connectionPage, captureFilePage, serialPanel, lanPanel})
            if (HWND c = parent ? GetDlgItem(parent, id) : nullptr) return c;
        return nullptr;
    }
    std::string text(int id) const { return textOf(control(id)); }

    // ---- what the user does ----
    void clickTab(int index) const {
        RECT r{};
        SendMessageA(tab, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
        LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageA(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(tab, WM_LBUTTONUP, 0, at);
    }
    void click(int id) const { SendMessageA(control(id), BM_CLICK, 0, 0); }
    // Picks a list item: the combo box tells its parent as it does for a
    // mouse pick.
    void pick(int id, int index) const {
        HWND combo = control(id);
        SendMessageA(combo, CB_SETCURSEL, index, 0);
        SendMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
    }
    // Focuses the field and replaces its text.
    void type(int id, const std::string& text) const {
        HWND c = control(id);
        SetFocus(c);
        SetWindowTextA(c, text.c_str());
    }
    // Moves the focus to the OK button, so that the field it left is told.
    void leave() const { SetFocus(GetDlgItem(dialog, IDOK)); }
    // The Enter key as the modal loop hands it over: the focus stays where
    // it is and the default button answers.
    void pressEnter() const {
        MSG key{GetFocus(), WM_KEYDOWN, VK_RETURN, 0x001C0001, GetTickCount(), {}};
        IsDialogMessageA(dialog, &key);
    }
    void ok() const { click(IDOK); }
    void cancel() const { click(IDCANCEL); }
    // EndDialog hides the dialog at once; a refused OK leaves it shown.
    bool ended() const { return !IsWindowVisible(dialog); }
};

using Script = std::function<void(SettingsWindows&)>;

class SettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        library = LoadLibraryA((win32BuildFolder() + "\\Orvantide1033.dll").c_str());
        ASSERT_NE(nullptr, library);
        owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 40, 40, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, owner);
        s->resourceLibrary = library;
        s->mainWindow = owner;
        s->messages = &messages;
        s->strings = &strings;
        s->fileDialogs = &dialogs;
        copyCut(s->profile.profilePath, ini.c_str());
        copyCut(s->profile.documentsFolder, docs.c_str());
        CreateDirectoryA(docs.c_str(), nullptr);
    }
    void TearDown() override {
        if (owner) DestroyWindow(owner);
        if (library) FreeLibrary(library);
    }

    // The program as start-up leaves it: the profile read and its link
    // settings in the run record.
    void startUp() {
        setCaptureStateDefaults(*s);
        Win32IniStore store;
        loadProfile(s->profile, store, 0);
        applyToCaptureState(*s, s->profile.connection);
    }
    void seed(const std::string& connection, const std::string& buffer) {
        writeText(ini, "[connection]\r\n" + connection + "[buffer]\r\n" + buffer);
    }
    std::map<std::string, std::string> stored() { return iniEntries(ini); }

    // Runs the settings command with script acting inside its modal loop.
    // False when no dialog came up.  Whatever the script leaves open is
    // cancelled afterwards, so a failed expectation cannot hang the test.
    bool run(Script script) {
        scriptRan = false;
        pending = std::move(script);
        active = this;
        UINT_PTR timer = SetTimer(nullptr, 0, 10, onTimer);
        editSettings(*s);
        KillTimer(nullptr, timer);
        active = nullptr;
        return scriptRan;
    }

    static BOOL CALLBACK findDialog(HWND window, LPARAM found) {
        auto* self = active;
        if (isDialog(window) && GetWindow(window, GW_OWNER) == self->owner) {
            *reinterpret_cast<HWND*>(found) = window;
            return FALSE;
        }
        return TRUE;
    }
    // Fires until the dialog is on the screen (the modal loop shows it
    // once its queue first runs empty), then runs the script once.
    static void CALLBACK onTimer(HWND, UINT, UINT_PTR id, DWORD) {
        SettingsDialogTest* self = active;
        if (!self || self->scriptRan) return;
        HWND dialog = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), findDialog, reinterpret_cast<LPARAM>(&dialog));
        if (!dialog || !IsWindowVisible(dialog)) return;
        KillTimer(nullptr, id);
        self->scriptRan = true;
        SettingsWindows windows(dialog);
        self->pending(windows);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }

    static SettingsDialogTest* active;
    TempDir dir;
    std::string ini = dir / "zr52profile.ini";
    std::string docs = dir / "Docs";
    std::unique_ptr<CaptureState> s = std::make_unique<CaptureState>();
    HMODULE library = nullptr;
    HWND owner = nullptr;
    LibraryStrings strings{library};
    ScriptedMessages messages{box::kAnswerOk};
    ScriptedFileDialogs dialogs;
    Script pending;
    bool scriptRan = false;
};

SettingsDialogTest* SettingsDialogTest::active = nullptr;

TEST_F(SettingsDialogTest, OpeningShowsTheProfileAsEditedByHand) {
    startUp();
    std::int32_t linkKind = s->linkKind;
    std::uint8_t portNumber = s->portNumber;
    // Edited while the program runs.
    seed("method=lan\r\nhost=10.1.2.3\r\ndService=2001\r\ncom=COM7\r\n",
         "path=" + docs + "\\Runs\r\nfilename=data.bin.zrd\r\nflag=YES\r\n");
    std::string before = readText(ini);
    ASSERT_TRUE(run([&](SettingsWindows& w) {
        ASSERT_TRUE(w.connectionPage && w.captureFilePage && w.serialPanel && w.lanPanel);
        EXPECT_EQ(2, SendMessageA(w.tab, TCM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < 2; ++i) {
            char title[64] = "";
            TCITEMA item{};
            item.mask = TCIF_TEXT;
            item.pszText = title;
            item.cchTextMax = sizeof title;
            SendMessageA(w.tab, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
            EXPECT_EQ(strings.load(i == 0 ? IDS_TAB_CONNECTION : IDS_TAB_CAPTURE_FILE, 63), title);
            EXPECT_NE(std::string(), title);
        }
        EXPECT_TRUE(IsWindowVisible(w.connectionPage));
        EXPECT_FALSE(IsWindowVisible(w.captureFilePage));

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
        EXPECT_EQ("COM7", textOf(port));
        ASSERT_EQ(10, SendMessageA(port, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < 10; ++i) EXPECT_EQ("COM" + std::to_string(i + 1), listItem(port, i));

        EXPECT_EQ(docs + "\\Runs", w.text(IDC_FOLDER_TEXT));
        EXPECT_EQ("data.bin", w.text(IDC_FILE_NAME));
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(w.captureFilePage, IDC_AUTO_NAME));
        w.cancel();
    }));
    EXPECT_EQ(before, readText(ini)) << "opening and cancelling writes nothing";
    EXPECT_EQ(linkKind, s->linkKind);
    EXPECT_EQ(portNumber, s->portNumber);
    EXPECT_TRUE(IsWindowEnabled(owner)) << "the owner is usable again";
}

TEST_F(SettingsDialogTest, PagesAndPanelsLieOnTheirAreasAndFollowTheTabs) {
    ASSERT_TRUE(run([&](SettingsWindows& w) {
        ASSERT_TRUE(w.connectionPage && w.captureFilePage && w.serialPanel && w.lanPanel);
        // The tab control's display area, in screen coordinates.
        RECT area{};
        GetClientRect(w.tab, &area);
        SendMessageA(w.tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
        MapWindowPoints(w.tab, nullptr, reinterpret_cast<POINT*>(&area), 2);
        RECT placeholder = screenRect(GetDlgItem(w.connectionPage, IDC_PANEL_AREA));
        for (HWND page : {w.connectionPage, w.captureFilePage}) {
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
        w.clickTab(0);
        EXPECT_TRUE(IsWindowVisible(w.connectionPage));
        EXPECT_FALSE(IsWindowVisible(w.captureFilePage));
        EXPECT_TRUE(IsChild(w.connectionPage, GetFocus()));
        w.cancel();
    }));
}

TEST_F(SettingsDialogTest, ComPortIsTakenFromTheListOrTypedAndInvalidTextsBecomeCom1) {
    struct Case {
        const char* what;
        int listIndex;        // -1: typed instead
        const char* typed;
        const char* taken;
    };
    const Case cases[] = {
        {"tenth list item", 9, "", "COM10"},
        {"first list item", 0, "", "COM1"},
        {"typed COM12", -1, "COM12", "COM12"},
        {"typed COM255", -1, "COM255", "COM255"},
        {"lower case", -1, "com5", "COM1"},
        {"port 0", -1, "COM0", "COM1"},
        {"beyond 255", -1, "COM300", "COM1"},
        {"no number", -1, "COM", "COM1"},
        {"another device", -1, "LPT2", "COM1"},
    };
    for (const Case& c : cases) {
        // Leaving the field shows the rule at once; OK by the Enter key,
        // with the focus still in the field, takes the same.
        for (bool leaveFirst : {true, false}) {
            SCOPED_TRACE(std::string(c.what) + (leaveFirst ? ", field left" : ", Enter in the field"));
            seed("method=serial\r\ncom=COM4\r\n", "");
            ASSERT_TRUE(run([&](SettingsWindows& w) {
                if (c.listIndex >= 0) {
                    SetFocus(w.control(IDC_COM_PORT));
                    w.pick(IDC_COM_PORT, c.listIndex);
                } else {
                    w.type(IDC_COM_PORT, c.typed);
                }
                if (leaveFirst) {
                    w.leave();
                    EXPECT_EQ(c.taken, w.text(IDC_COM_PORT)) << "shown once the field is left";
                    w.ok();
                } else {
                    w.pressEnter();
                }
                EXPECT_TRUE(w.ended());
            }));
            EXPECT_EQ(c.taken, stored()["connection/com"]);
            EXPECT_STREQ(c.taken, s->profile.connection.comPort);
            EXPECT_EQ(comPortNumber(c.taken), s->portNumber);
            EXPECT_NE(0, s->portNumber);
        }
    }
}

TEST_F(SettingsDialogTest, StoredPortNameThatNamesNoPortOpensAsCom1) {
    struct Case {
        const char* stored;
        const char* shown;
    };
    const Case cases[] = {{"COM", "COM1"}, {"COM0", "COM1"}, {"COM300", "COM1"},
                          {"COM9", "COM9"}, {"COM000000000000012", "COM12"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        seed(std::string("com=") + c.stored + "\r\n", "");
        ASSERT_TRUE(run([&](SettingsWindows& w) {
            EXPECT_EQ(c.shown, w.text(IDC_COM_PORT));
            w.cancel();
        }));
    }
}

TEST_F(SettingsDialogTest, LanWithoutHostIsRefusedUntilAHostIsGiven) {
    seed("method=serial\r\nhost=\r\ndService=10001\r\ncom=COM2\r\n", "");
    ASSERT_NE("", strings.load(IDS_HOST_MISSING, 1024)) << "the library has the text";
    ASSERT_NE("", strings.load(IDS_SETTINGS_ERROR, 63));
    std::string before;
    ASSERT_TRUE(run([&](SettingsWindows& w) {
        before = readText(ini);
        w.pick(IDC_LINK_KIND, 1);
        for (const char* host : {"", "   "}) {
            SCOPED_TRACE(std::string("host \"") + host + "\"");
            messages.shown.clear();
            w.type(IDC_HOST, host);
            w.clickTab(1);   // OK pressed from the other page
            w.ok();
            ASSERT_EQ(1u, messages.shown.size());
            EXPECT_EQ(strings.load(IDS_HOST_MISSING, 1024), messages.shown[0].text);
            EXPECT_EQ(strings.load(IDS_SETTINGS_ERROR, 63), messages.shown[0].caption);
            EXPECT_EQ(unsigned(MB_OK | MB_ICONERROR), messages.shown[0].type);
            EXPECT_FALSE(w.ended()) << "the dialog stays open";
            EXPECT_EQ(before, readText(ini)) << "nothing saved";
            EXPECT_TRUE(IsWindowVisible(w.connectionPage)) << "back where the host goes";
            EXPECT_EQ(w.control(IDC_HOST), GetFocus());
            EXPECT_EQ(0, SendMessageA(w.tab, TCM_GETCURSEL, 0, 0));
        }
        EXPECT_EQ(1, SendMessageA(w.control(IDC_LINK_KIND), CB_GETCURSEL, 0, 0)) << "values kept";
        messages.shown.clear();
        w.type(IDC_HOST, " 192.168.1.50 ");
        w.type(IDC_PORT, "");
        w.ok();
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_TRUE(w.ended());
    }));
    auto entries = stored();
    EXPECT_EQ("lan", entries["connection/method"]);
    EXPECT_EQ("192.168.1.50", entries["connection/host"]);
    EXPECT_EQ("", entries["connection/dService"]) << "an empty port is accepted";
    EXPECT_EQ(1, s->linkKind);
    EXPECT_STREQ("192.168.1.50", s->host);
    EXPECT_STREQ("", s->dataPort);
    // The next read of the profile gives the empty port its default.
    Profile next = s->profile;
    Win32IniStore store;
    loadProfile(next, store, 0);
    EXPECT_STREQ("10001", next.connection.dService);
    EXPECT_STREQ("192.168.1.50", next.connection.lanHost);
}

TEST_F(SettingsDialogTest, BothPanelsKeepTheirValuesAndOkSavesBoth) {
    seed("method=serial\r\ncom=COM1\r\n", "");
    ASSERT_TRUE(run([&](SettingsWindows& w) {
        w.pick(IDC_LINK_KIND, 1);
        EXPECT_TRUE(IsWindowVisible(w.lanPanel)) << "the other panel at once";
        EXPECT_FALSE(IsWindowVisible(w.serialPanel));
        w.type(IDC_HOST, "device.local");
        w.type(IDC_PORT, "4001");
        w.pick(IDC_LINK_KIND, 0);
        EXPECT_TRUE(IsWindowVisible(w.serialPanel));
        EXPECT_FALSE(IsWindowVisible(w.lanPanel));
        EXPECT_EQ("device.local", w.text(IDC_HOST));
        SetFocus(w.control(IDC_COM_PORT));
        w.pick(IDC_COM_PORT, 2);
        w.ok();
        EXPECT_TRUE(w.ended());
    }));
    auto entries = stored();
    EXPECT_EQ("serial", entries["connection/method"]);
    EXPECT_EQ("COM3", entries["connection/com"]);
    EXPECT_EQ("device.local", entries["connection/host"]);
    EXPECT_EQ("4001", entries["connection/dService"]);
    EXPECT_EQ(0, s->linkKind);
    EXPECT_EQ(3, s->portNumber);
    EXPECT_STREQ("device.local", s->host);
    EXPECT_STREQ("4001", s->dataPort);
    // The port field takes no more than the run record holds.
    ASSERT_TRUE(run([&](SettingsWindows& w) {
        EXPECT_EQ(kDataPortSize - 1, SendMessageA(w.control(IDC_PORT), EM_GETLIMITTEXT, 0, 0));
        w.cancel();
    }));
}

TEST_F(SettingsDialogTest, FileNameFallsBackToCapturedataAndKeepsItsDots) {
    seed("", "filename=old.zrd\r\nflag=NO\r\n");
    ASSERT_TRUE(run([&](SettingsWindows& w) {
        w.clickTab(1);
        EXPECT_EQ("old", w.text(IDC_FILE_NAME));
        EXPECT_EQ(kFileBaseNameMax, SendMessageA(w.control(IDC_FILE_NAME), EM_GETLIMITTEXT, 0, 0));
        w.type(IDC_FILE_NAME, "");
        w.leave();
        EXPECT_EQ("Capturedata", w.text(IDC_FILE_NAME)) << "shown again once the field is left";
        w.click(IDC_AUTO_NAME);
        w.ok();
    }));
    EXPECT_EQ("Capturedata.zrd", stored()["buffer/filename"]);
    EXPECT_EQ("YES", stored()["buffer/flag"]);
    EXPECT_EQ(1, s->profile.files.autoNameFiles);
    EXPECT_STREQ("Capturedata", s->profile.fileBaseName);

    // A name typed and confirmed with Enter at once is not lost.
    ASSERT_TRUE(run([&](SettingsWindows& w) {
        w.clickTab(1);
        w.type(IDC_FILE_NAME, "data.bin");
        w.click(IDC_AUTO_NAME);
        SetFocus(w.control(IDC_FILE_NAME));
        w.pressEnter();
        EXPECT_TRUE(w.ended());
    }));
    EXPECT_EQ("data.bin.zrd", stored()["buffer/filename"]);
    EXPECT_EQ("NO", stored()["buffer/flag"]);
    EXPECT_STREQ("data.bin.zrd", s->profile.files.captureFileName);
    EXPECT_EQ(0, s->profile.files.autoNameFiles);
    ASSERT_TRUE(run([&](SettingsWindows& w) {
        EXPECT_EQ("data.bin", w.text(IDC_FILE_NAME)) << "the next opening";
        w.cancel();
    }));

    // A name set longer than the field allows still leaves room for ".zrd".
    ASSERT_TRUE(run([&](SettingsWindows& w) {
        SetWindowTextA(w.control(IDC_FILE_NAME), std::string(300, 'n').c_str());
        w.ok();
    }));
    EXPECT_EQ(std::string(kFileBaseNameMax, 'n') + ".zrd", stored()["buffer/filename"]);
}

TEST_F(SettingsDialogTest, FolderBrowserOpensOnTheFolderAndOnlyAChoiceChangesIt) {
    std::string folder = dir / "Captures";
    seed("", "path=" + docs + "\\..\\Captures\r\n");
    std::string chosen = dir / "Chosen";
    ASSERT_TRUE(run([&](SettingsWindows& w) {
        w.clickTab(1);
        std::string shown = w.text(IDC_FOLDER_TEXT);
        w.click(IDC_BROWSE);   // nothing queued: the browser is cancelled
        ASSERT_EQ(1u, dialogs.asked.size());
        EXPECT_EQ("folder", dialogs.asked[0].kind);
        EXPECT_EQ(folder, dialogs.asked[0].initialPath) << "the full form of the folder";
        EXPECT_EQ(strings.load(IDS_BROWSE_TITLE, 255), dialogs.asked[0].title);
        EXPECT_EQ(shown, w.text(IDC_FOLDER_TEXT)) << "cancelled: unchanged";

        dialogs.choose(chosen);
        w.click(IDC_BROWSE);
        EXPECT_EQ(chosen, w.text(IDC_FOLDER_TEXT)) << "shown at once";
        w.ok();
    }));
    EXPECT_EQ(chosen, stored()["buffer/path"]);
    EXPECT_EQ(chosen, s->profile.files.captureFolder);
}

TEST_F(SettingsDialogTest, CancelSavesNothingAndLeavesTheSettingsAsRead) {
    seed("method=serial\r\nhost=10.0.0.9\r\ndService=10001\r\ncom=COM6\r\n",
         "path=" + docs + "\r\nfilename=run.zrd\r\nflag=NO\r\n");
    startUp();
    std::string before = readText(ini);
    Profile read = s->profile;
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
    EXPECT_EQ(0, s->linkKind);
    EXPECT_EQ(6, s->portNumber);
    EXPECT_STREQ("10.0.0.9", s->host);
    EXPECT_STREQ("10001", s->dataPort);
    // What the next capture run reads is still what the profile holds.
    EXPECT_EQ(read.connection.method, s->profile.connection.method);
    EXPECT_STREQ(read.connection.comPort, s->profile.connection.comPort);
    EXPECT_STREQ(read.files.captureFolder, s->profile.files.captureFolder);
    EXPECT_STREQ(read.files.captureFileName, s->profile.files.captureFileName);
    EXPECT_STREQ(read.fileBaseName, s->profile.fileBaseName);
    EXPECT_EQ(read.files.autoNameFiles, s->profile.files.autoNameFiles);
}

TEST_F(SettingsDialogTest, ProfileThatCannotBeWrittenIsToldAndTheSettingsStillHold) {
    std::string unwritable = dir / "missing\\zr52profile.ini";
    copyCut(s->profile.profilePath, unwritable.c_str());
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
    EXPECT_EQ(5, s->portNumber);
    EXPECT_FALSE(pathExists(unwritable));
}

TEST_F(SettingsDialogTest, NothingOpensWhileALinkIsOpen) {
    s->isOpen.store(1);
    EXPECT_FALSE(run([&](SettingsWindows& w) { w.ok(); }));
    EXPECT_FALSE(pathExists(ini)) << "the profile was not even read";
    s->isOpen.store(0);
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

TEST_F(SettingsDialogTest, ScreenshotsOfBothPages) {
    char out[MAX_PATH] = "";
    if (!GetEnvironmentVariableA("ORV_SCREENSHOT_DIR", out, sizeof out)) GTEST_SKIP();
    seed("method=serial\r\nhost=192.168.0.50\r\ndService=10001\r\ncom=COM3\r\n",
         "path=C:\\users\\Public\\Documents\\Orvantide\\Buffer\r\nfilename=Capturedata.zrd\r\nflag=NO\r\n");
    ASSERT_TRUE(run([&](SettingsWindows& w) {
        SetWindowPos(w.dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetForegroundWindow(w.dialog);
        auto hold = [&](const std::string& name) {
            RedrawWindow(w.dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
            RECT r = screenRect(w.dialog);
            std::string base = std::string(out) + "\\" + name;
            std::string rect = std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) +
                               "+" + std::to_string(r.left) + "+" + std::to_string(r.top) + "\n";
            writeText(base + ".tmp", rect);
            MoveFileA((base + ".tmp").c_str(), (base + ".rect").c_str());
            EXPECT_TRUE(pumpUntilFileExists(base + ".done", 60000)) << name;
        };
        hold("settings-link");
        w.pick(IDC_LINK_KIND, 1);
        hold("settings-link-lan");
        w.pick(IDC_LINK_KIND, 0);
        w.clickTab(1);
        hold("settings-files");
        w.cancel();
    }));
}

}  // namespace
}  // namespace orv::test
