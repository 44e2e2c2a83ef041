#include "tests/settings/win32/SettingsDialogDriver.h"

#include <commctrl.h>

#include <vector>

#include "base/Text.h"
#include "settings/win32/SettingsDialog.h"
#include "tests/support/win32/Win32TestSupport.h"

namespace orv::test {
namespace {

bool isDialog(HWND window) { return window && className(window) == "#32770"; }

std::vector<HWND> childDialogs(HWND parent) {
    std::vector<HWND> found;
    for (HWND w = GetWindow(parent, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (isDialog(w)) found.push_back(w);
    return found;
}

}  // namespace

SettingsWindows::SettingsWindows(HWND d) : dialog(d) {
    tab = GetDlgItem(d, IDC_SETTINGS_TAB);
    for (HWND page : childDialogs(d))
        (GetDlgItem(page, IDC_LINK_KIND) ? connectionPage
         : GetDlgItem(page, IDC_PAPER)   ? documentsPage
                                         : captureFilePage) = page;
    if (connectionPage)
        for (HWND panel : childDialogs(connectionPage))
            (GetDlgItem(panel, IDC_COM_PORT) ? serialPanel : lanPanel) = panel;
}

HWND SettingsWindows::control(int id) const {
    for (HWND parent : {dialog, connectionPage, captureFilePage, documentsPage, serialPanel, lanPanel})
        if (HWND c = parent ? GetDlgItem(parent, id) : nullptr) return c;
    return nullptr;
}

std::string SettingsWindows::text(int id) const { return windowText(control(id)); }

void SettingsWindows::clickTab(int index) const {
    RECT r{};
    SendMessageA(tab, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(tab, WM_LBUTTONUP, 0, at);
}

void SettingsWindows::pick(int id, int index) const {
    HWND combo = control(id);
    SendMessageA(combo, CB_SETCURSEL, index, 0);
    SendMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

void SettingsWindows::type(int id, const std::string& text) const {
    HWND c = control(id);
    SetFocus(c);
    SetWindowTextA(c, text.c_str());
}

void SettingsWindows::pressEnter() const {
    MSG key{GetFocus(), WM_KEYDOWN, VK_RETURN, 0x001C0001, GetTickCount(), {}};
    IsDialogMessageA(dialog, &key);
}

SettingsDialogHarness* SettingsDialogHarness::active = nullptr;

SettingsDialogHarness::SettingsDialogHarness(int language, const std::string& buildFolder) {
    library = LoadLibraryA((buildFolder + "\\Orvantide" + std::to_string(language) + ".dll").c_str());
    owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 40, 40, nullptr, nullptr, GetModuleHandleA(nullptr),
                            nullptr);
    copyCut(profile.profilePath, ini.c_str());
    copyCut(profile.documentsFolder, docs.c_str());
    CreateDirectoryA(docs.c_str(), nullptr);
}

SettingsDialogHarness::~SettingsDialogHarness() {
    if (owner) DestroyWindow(owner);
    if (library) FreeLibrary(library);
}

void SettingsDialogHarness::seed(const std::string& connection, const std::string& buffer,
                                 const std::string& document) {
    writeText(ini, "[connection]\r\n" + connection + "[buffer]\r\n" + buffer + "[document]\r\n" + document);
}

bool SettingsDialogHarness::run(Script script) {
    scriptRan = false;
    pending = std::move(script);
    active = this;
    UINT_PTR timer = SetTimer(nullptr, 0, 10, onTimer);
    editSettings(SettingsDialogSeams{owner, library, &strings, &messages, &dialogs}, profile, startFlags);
    KillTimer(nullptr, timer);
    active = nullptr;
    return scriptRan;
}

BOOL CALLBACK SettingsDialogHarness::findDialog(HWND window, LPARAM found) {
    if (isDialog(window) && GetWindow(window, GW_OWNER) == active->owner) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// Fires until the dialog is on the screen (the modal loop shows it once
// its queue first runs empty), then runs the script once.
void CALLBACK SettingsDialogHarness::onTimer(HWND, UINT, UINT_PTR id, DWORD) {
    SettingsDialogHarness* self = active;
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

}  // namespace orv::test
