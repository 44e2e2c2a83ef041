// The settings command on the real templates and texts of the English
// language library, driven the way a user drives it: the dialog's windows
// as the user finds them, and a script run inside the dialog's modal loop
// (clicks, focus changes, the Enter key).  The profile lives in a
// temporary folder.  No gtest: the screenshot tool drives the dialog too.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "app/win32/Win32Seams.h"
#include "base/Ids.h"
#include "settings/win32/SettingsDialog.h"
#include "tests/support/TestSupport.h"

namespace orv::test {

// The dialog's windows as the user finds them: pages are the dialog's
// child dialogs, panels the connection page's.
struct SettingsWindows {
    HWND dialog = nullptr;
    HWND tab = nullptr;
    HWND connectionPage = nullptr;
    HWND captureFilePage = nullptr;
    HWND documentsPage = nullptr;
    HWND serialPanel = nullptr;
    HWND lanPanel = nullptr;

    explicit SettingsWindows(HWND d);
    // A control of the dialog, a page or a panel.
    HWND control(int id) const;
    std::string text(int id) const;

    // ---- what the user does ----
    void clickTab(int index) const;
    void click(int id) const { SendMessageA(control(id), BM_CLICK, 0, 0); }
    // Picks a list item: the combo box tells its parent as it does for a
    // mouse pick.
    void pick(int id, int index) const;
    // Focuses the field and replaces its text.
    void type(int id, const std::string& text) const;
    // Moves the focus to the OK button, so that the field it left is told.
    void leave() const { SetFocus(GetDlgItem(dialog, IDOK)); }
    // The Enter key as the modal loop hands it over: the focus stays where
    // it is and the default button answers.
    void pressEnter() const;
    void ok() const { click(IDOK); }
    void cancel() const { click(IDCANCEL); }
    // EndDialog hides the dialog at once; a refused OK leaves it shown.
    bool ended() const { return !IsWindowVisible(dialog); }
};

using Script = std::function<void(SettingsWindows&)>;

// What the settings dialog is given: the language library, scripted
// messages and file dialogs, a hidden owner window, and the profile and
// the documents folder in a temporary folder.
class SettingsDialogHarness {
public:
    // The language library is taken from buildFolder (default: the top of
    // the Win32 build tree, seen from a test program).
    explicit SettingsDialogHarness(int language = 1033, const std::string& buildFolder = win32BuildFolder());
    ~SettingsDialogHarness();
    SettingsDialogHarness(const SettingsDialogHarness&) = delete;
    SettingsDialogHarness& operator=(const SettingsDialogHarness&) = delete;

    // The profile as edited by hand: the lines under [connection], [buffer]
    // and [document].
    void seed(const std::string& connection, const std::string& buffer, const std::string& document = "");
    // Runs the settings command with script acting inside its modal loop.
    // False when no dialog came up.  Whatever the script leaves open is
    // cancelled afterwards, so a failed expectation cannot hang the run.
    bool run(Script script);

    TempDir dir;
    std::string ini = dir / "zr52profile.ini";
    std::string docs = dir / "Docs";
    Profile profile;
    std::uint32_t startFlags = 0;  // as the command line left them
    HMODULE library = nullptr;
    HWND owner = nullptr;
    LibraryStrings strings{library};
    ScriptedMessages messages{box::kAnswerOk};
    ScriptedFileDialogs dialogs;

private:
    static BOOL CALLBACK findDialog(HWND window, LPARAM found);
    static void CALLBACK onTimer(HWND, UINT, UINT_PTR id, DWORD);
    static SettingsDialogHarness* active;
    Script pending;
    bool scriptRan = false;
};

}  // namespace orv::test
