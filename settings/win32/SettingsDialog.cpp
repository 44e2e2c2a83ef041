#include "settings/win32/SettingsDialog.h"

#include <commctrl.h>
#include <winspool.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/Ids.h"
#include "base/Text.h"
#include "settings/DocumentForm.h"
#include "settings/SettingsForm.h"
#include "settings/win32/Folders.h"
#include "settings/win32/Win32IniStore.h"

namespace orv {
namespace {

// The dialog keeps its session under this integer atom.
const char* const kSessionProperty = MAKEINTATOM(0x100);
constexpr int kListedPorts = 10;  // COM1 to COM10 in the port list

// One opening of the dialog.  The controls edit `edit`; the run record's
// profile changes only at OK, so Cancel leaves nothing half-changed.
struct SettingsSession {
    SettingsSession(const SettingsDialogSeams& s, Profile& p, std::uint32_t flags)
        : seams(s), profile(p), startFlags(flags) {}
    const SettingsDialogSeams& seams;
    Profile& profile;
    std::uint32_t startFlags;
    Profile edit;
    bool accepted = false;
    HWND dialog = nullptr;
    HWND tab = nullptr;
    HWND connectionPage = nullptr;
    HWND captureFilePage = nullptr;
    HWND documentsPage = nullptr;
    HWND serialPanel = nullptr;
    HWND lanPanel = nullptr;
};

std::string loadText(const SettingsDialogSeams& s, unsigned id, std::size_t maxChars) {
    return s.strings ? s.strings->load(id, maxChars) : std::string();
}

// Pages and panels keep the session in their dialog's user word.
SettingsSession* sessionOf(HWND window) {
    return reinterpret_cast<SettingsSession*>(GetWindowLongPtrA(window, DWLP_USER));
}

SettingsSession* adoptSession(HWND window, LPARAM param) {
    SetWindowLongPtrA(window, DWLP_USER, param);
    return reinterpret_cast<SettingsSession*>(param);
}

HWND createChild(SettingsSession& s, int templateId, HWND parent, DLGPROC procedure) {
    return CreateDialogParamA(s.seams.resources, MAKEINTRESOURCEA(templateId), parent, procedure,
                              reinterpret_cast<LPARAM>(&s));
}

// The text of a control; false, with text untouched, when a damaged
// library left the control out: its setting then stays as it was.
bool readControl(HWND parent, int id, char* text, int size) {
    HWND control = parent ? GetDlgItem(parent, id) : nullptr;
    if (!control) return false;
    GetWindowTextA(control, text, size);
    return true;
}

void placeOn(HWND window, const RECT& area) {
    if (window) MoveWindow(window, area.left, area.top, area.right - area.left, area.bottom - area.top, FALSE);
}

// ------------------------------------------------------------ link panels

void showLinkPanel(SettingsSession& s) {
    bool lan = SendDlgItemMessageA(s.connectionPage, IDC_LINK_KIND, CB_GETCURSEL, 0, 0) == 1;
    if (s.serialPanel) ShowWindow(s.serialPanel, lan ? SW_HIDE : SW_SHOW);
    if (s.lanPanel) ShowWindow(s.lanPanel, lan ? SW_SHOW : SW_HIDE);
    s.edit.connection.method = lan ? 1 : 0;
}

void initSerialPanel(HWND panel, SettingsSession& s) {
    s.serialPanel = panel;
    HWND combo = GetDlgItem(panel, IDC_COM_PORT);
    for (int i = 0; i < kListedPorts; ++i) {
        char item[kComPortFieldSize];
        std::snprintf(item, sizeof item, "COM%d", i + 1);
        SendMessageA(combo, CB_INSERTSTRING, i, reinterpret_cast<LPARAM>(item));
    }
    // What can be typed is what is taken.
    SendMessageA(combo, CB_LIMITTEXT, kComPortFieldSize - 1, 0);
    char shown[kComPortFieldSize];
    comPortForField(s.edit.connection.comPort, shown);
    SetWindowTextA(combo, shown);
}

void serialPanelCommand(HWND panel, SettingsSession& s, int id, int notification) {
    if (id != IDC_COM_PORT) return;
    HWND combo = GetDlgItem(panel, IDC_COM_PORT);
    if (notification == CBN_SELCHANGE) {
        LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
        if (index >= 0 && index < kListedPorts)
            std::snprintf(s.edit.connection.comPort, sizeof s.edit.connection.comPort, "COM%d",
                          static_cast<int>(index) + 1);
    } else if (notification == CBN_KILLFOCUS) {
        char text[kComPortFieldSize] = "";
        GetWindowTextA(combo, text, sizeof text);
        if (!takeComPortText(text, s.edit.connection.comPort)) SetWindowTextA(combo, kDefaultComPort);
    }
}

INT_PTR CALLBACK serialPanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_INITDIALOG) {
            if (SettingsSession* s = adoptSession(panel, lParam)) initSerialPanel(panel, *s);
            return FALSE;
        }
        SettingsSession* s = sessionOf(panel);
        if (s && message == WM_COMMAND) {
            serialPanelCommand(panel, *s, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        }
    } catch (...) {
        // Nothing may unwind through the dialog manager.
    }
    return FALSE;
}

INT_PTR CALLBACK lanPanelProc(HWND panel, UINT message, WPARAM, LPARAM lParam) {
    try {
        if (message == WM_INITDIALOG) {
            if (SettingsSession* s = adoptSession(panel, lParam)) {
                s->lanPanel = panel;
                SetDlgItemTextA(panel, IDC_HOST, s->edit.connection.lanHost);
                SetDlgItemTextA(panel, IDC_PORT, s->edit.connection.dService);
                SendDlgItemMessageA(panel, IDC_HOST, EM_LIMITTEXT, kHostSize - 1, 0);
                // The run record holds the port text in 32 bytes.
                SendDlgItemMessageA(panel, IDC_PORT, EM_LIMITTEXT, kDataPortSize - 1, 0);
            }
            return FALSE;
        }
    } catch (...) {}
    return FALSE;
}

// ------------------------------------------------------------ connection page

void initConnectionPage(HWND page, SettingsSession& s) {
    s.connectionPage = page;
    const unsigned kinds[] = {IDS_LINK_SERIAL, IDS_LINK_LAN};
    for (int i = 0; i < 2; ++i) {
        std::string name = loadText(s.seams, kinds[i], 63);
        SendDlgItemMessageA(page, IDC_LINK_KIND, CB_INSERTSTRING, i, reinterpret_cast<LPARAM>(name.c_str()));
    }
    SendDlgItemMessageA(page, IDC_LINK_KIND, CB_SETCURSEL, s.edit.connection.method == 1 ? 1 : 0, 0);

    createChild(s, IDD_SERIAL_PANEL, page, serialPanelProc);
    createChild(s, IDD_LAN_PANEL, page, lanPanelProc);
    // Both panels cover the placeholder and follow it in the tab order.
    HWND area = GetDlgItem(page, IDC_PANEL_AREA);
    RECT r{};
    if (area) {
        GetClientRect(area, &r);
        MapWindowPoints(area, page, reinterpret_cast<POINT*>(&r), 2);
    }
    for (HWND panel : {s.serialPanel, s.lanPanel}) {
        if (!panel) continue;
        placeOn(panel, r);
        SetWindowPos(panel, area, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    showLinkPanel(s);
}

INT_PTR CALLBACK connectionPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_INITDIALOG) {
            if (SettingsSession* s = adoptSession(page, lParam)) initConnectionPage(page, *s);
            return FALSE;
        }
        SettingsSession* s = sessionOf(page);
        if (!s) return FALSE;
        switch (message) {
        case WM_SHOWWINDOW: showLinkPanel(*s); return FALSE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_LINK_KIND && HIWORD(wParam) == CBN_SELCHANGE) showLinkPanel(*s);
            return TRUE;
        default: return FALSE;
        }
    } catch (...) {
        return FALSE;
    }
}

// ------------------------------------------------------------ capture file page

void browseCaptureFolder(HWND page, SettingsSession& s) {
    const SettingsDialogSeams& seams = s.seams;
    if (!seams.fileDialogs) return;
    // The browser opens on the current folder, relative ones made full.
    char folder[kPathSize] = "";
    DWORD n = GetFullPathNameA(s.edit.files.captureFolder, sizeof folder, folder, nullptr);
    if (n == 0 || n >= sizeof folder) copyCut(folder, s.edit.files.captureFolder);
    std::string title = loadText(seams, IDS_BROWSE_TITLE, 255);
    if (!seams.fileDialogs->browseForFolder(page, title.c_str(), folder, sizeof folder)) return;
    copyCut(s.edit.files.captureFolder, folder);
    SetDlgItemTextA(page, IDC_FOLDER_TEXT, s.edit.files.captureFolder);
}

// An emptied name shows "Capturedata" again as soon as the field is left.
void takeFileNameField(HWND page, SettingsSession& s) {
    char text[kPathSize] = "";
    if (!readControl(page, IDC_FILE_NAME, text, sizeof text)) return;
    takeFileBaseName(text, s.edit.fileBaseName);
    if (std::string(text) != s.edit.fileBaseName) SetDlgItemTextA(page, IDC_FILE_NAME, s.edit.fileBaseName);
}

void initCaptureFilePage(HWND page, SettingsSession& s) {
    s.captureFilePage = page;
    SetDlgItemTextA(page, IDC_FOLDER_TEXT, s.edit.files.captureFolder);
    SendDlgItemMessageA(page, IDC_FOLDER_TEXT, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                        TRUE);
    SetDlgItemTextA(page, IDC_FILE_NAME, s.edit.fileBaseName);
    // Room for ".zrd" behind the longest name.
    SendDlgItemMessageA(page, IDC_FILE_NAME, EM_LIMITTEXT, kFileBaseNameMax, 0);
    CheckDlgButton(page, IDC_AUTO_NAME, s.edit.files.autoNameFiles == 1 ? BST_CHECKED : BST_UNCHECKED);
}

INT_PTR CALLBACK captureFilePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_INITDIALOG) {
            if (SettingsSession* s = adoptSession(page, lParam)) initCaptureFilePage(page, *s);
            return FALSE;
        }
        SettingsSession* s = sessionOf(page);
        if (!s || message != WM_COMMAND) return FALSE;
        int id = LOWORD(wParam);
        int notification = HIWORD(wParam);
        if (id == IDC_BROWSE && notification == BN_CLICKED) {
            browseCaptureFolder(page, *s);
        } else if (id == IDC_FILE_NAME && notification == EN_KILLFOCUS) {
            takeFileNameField(page, *s);
        } else if (id == IDC_AUTO_NAME) {
            s->edit.files.autoNameFiles = IsDlgButtonChecked(page, IDC_AUTO_NAME) == BST_CHECKED ? 1 : 0;
        }
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

// ------------------------------------------------------------ documents page

// The paper list's items; a custom size is typed into the field beside it.
enum PaperItem { kPaperA4, kPaperLetter, kPaperCustom };

void fillList(HWND page, int id, SettingsSession& s, unsigned firstText, int count, int selected) {
    for (int i = 0; i < count; ++i) {
        std::string text = loadText(s.seams, firstText + static_cast<unsigned>(i), 63);
        SendDlgItemMessageA(page, id, CB_INSERTSTRING, i, reinterpret_cast<LPARAM>(text.c_str()));
    }
    SendDlgItemMessageA(page, id, CB_SETCURSEL, selected, 0);
}

LRESULT selectedItem(HWND page, int id) { return page ? SendDlgItemMessageA(page, id, CB_GETCURSEL, 0, 0) : -1; }

// The size field takes input only while the custom size is chosen.
void enablePaperSize(HWND page) {
    EnableWindow(GetDlgItem(page, IDC_PAPER_SIZE), selectedItem(page, IDC_PAPER) == kPaperCustom);
}

// The printers Windows knows, local and connected, by name in the ANSI
// code page as the profile keeps them; Windows' default printer first.
std::vector<std::string> installedPrinters(std::string& defaultPrinter) {
    char name[kPrinterNameSize] = "";
    DWORD size = sizeof name;
    defaultPrinter = GetDefaultPrinterA(name, &size) ? name : "";
    std::vector<std::string> names;
    if (!defaultPrinter.empty()) names.push_back(defaultPrinter);
    DWORD needed = 0, count = 0;
    const DWORD kinds = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    EnumPrintersA(kinds, nullptr, 4, nullptr, 0, &needed, &count);
    std::vector<BYTE> list(needed);
    if (needed == 0 || !EnumPrintersA(kinds, nullptr, 4, list.data(), needed, &needed, &count)) return names;
    const auto* printers = reinterpret_cast<const PRINTER_INFO_4A*>(list.data());
    for (DWORD i = 0; i < count; ++i)
        if (printers[i].pPrinterName && printers[i].pPrinterName != defaultPrinter)
            names.push_back(printers[i].pPrinterName);
    return names;
}

// The printer list: first whatever printer is Windows' default when a
// capture ends (destination ""), then each printer by name.  A printer of
// the profile that is not there now stays in the list, chosen, so that
// the setting is not lost unseen.
void fillPrinterList(HWND page, SettingsSession& s, const char* destination) {
    std::string defaultPrinter;
    std::vector<std::string> names = installedPrinters(defaultPrinter);
    const std::string first = defaultPrinter.empty()
                                  ? loadText(s.seams, IDS_DEFAULT_PRINTER, 63)
                                  : formatWithText(loadText(s.seams, IDS_DEFAULT_PRINTER_IS, 63), defaultPrinter);
    if (*destination && std::find(names.begin(), names.end(), destination) == names.end()) names.push_back(destination);
    SendDlgItemMessageA(page, IDC_PRINT_DESTINATION, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(first.c_str()));
    int chosen = 0;
    for (const std::string& name : names) {
        const LRESULT item =
            SendDlgItemMessageA(page, IDC_PRINT_DESTINATION, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        if (name == destination) chosen = int(item);
    }
    SendDlgItemMessageA(page, IDC_PRINT_DESTINATION, CB_SETCURSEL, chosen, 0);
}

// The printer list matters only while the print after a capture is on.
void enablePrinterList(HWND page) {
    EnableWindow(GetDlgItem(page, IDC_PRINT_DESTINATION),
                 IsDlgButtonChecked(page, IDC_PRINT_AFTER_CAPTURE) == BST_CHECKED);
}

void initDocumentsPage(HWND page, SettingsSession& s) {
    s.documentsPage = page;
    const DocumentSettings& d = s.edit.documents;
    const std::string paper = d.paper;
    const int paperItem = paper == "a4" ? kPaperA4 : paper == "letter" ? kPaperLetter : kPaperCustom;
    fillList(page, IDC_PAPER, s, IDS_PAPER_A4, 3, paperItem);
    SetDlgItemTextA(page, IDC_PAPER_SIZE, paperItem == kPaperCustom ? d.paper : "");
    SendDlgItemMessageA(page, IDC_PAPER_SIZE, EM_LIMITTEXT, kPaperTextSize - 1, 0);
    fillList(page, IDC_CODE_PAGE, s, IDS_CODE_PAGE_437, kDocumentCodePageCount,
             listItemOf(kDocumentCodePages, d.codePage));
    fillList(page, IDC_PRINTER, s, IDS_PRINTER_AUTO, kPrinterModeCount, listItemOf(kPrinterModes, d.printer));
    SetDlgItemTextA(page, IDC_TOP_OF_FORM, d.topOfForm);
    SendDlgItemMessageA(page, IDC_TOP_OF_FORM, EM_LIMITTEXT, kLengthTextSize - 1, 0);
    CheckDlgButton(page, IDC_PDF_AFTER_CAPTURE, d.pdfAfterCapture ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(page, IDC_PRINT_AFTER_CAPTURE, d.printAfterCapture ? BST_CHECKED : BST_UNCHECKED);
    fillPrinterList(page, s, d.destination);
    enablePaperSize(page);
    enablePrinterList(page);
}

INT_PTR CALLBACK documentsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_INITDIALOG) {
            if (SettingsSession* s = adoptSession(page, lParam)) initDocumentsPage(page, *s);
            return FALSE;
        }
        if (message != WM_COMMAND || !sessionOf(page)) return FALSE;
        if (LOWORD(wParam) == IDC_PAPER && HIWORD(wParam) == CBN_SELCHANGE) {
            enablePaperSize(page);
            if (selectedItem(page, IDC_PAPER) == kPaperCustom) SetFocus(GetDlgItem(page, IDC_PAPER_SIZE));
        } else if (LOWORD(wParam) == IDC_PRINT_AFTER_CAPTURE) {
            enablePrinterList(page);
        }
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

// ------------------------------------------------------------ the dialog

void showSettingsPage(SettingsSession& s, LRESULT index) {
    HWND pages[] = {s.connectionPage, s.captureFilePage, s.documentsPage};
    for (HWND p : pages)
        if (p) ShowWindow(p, SW_HIDE);
    HWND page = index >= 0 && index < 3 ? pages[index] : nullptr;
    if (!page) return;
    ShowWindow(page, SW_SHOW);
    SetFocus(page);
}

void initSettingsDialog(HWND dialog, SettingsSession& s) {
    s.dialog = dialog;
    // The profile as it is on disk, edited by hand perhaps; the run's own
    // settings change only at OK.
    Win32IniStore store;
    s.edit = s.profile;
    loadProfile(s.edit, store, s.startFlags);

    s.tab = GetDlgItem(dialog, IDC_SETTINGS_TAB);
    const unsigned titles[] = {IDS_TAB_CONNECTION, IDS_TAB_CAPTURE_FILE, IDS_TAB_DOCUMENTS};
    for (int i = 0; i < 3; ++i) {
        std::string title = loadText(s.seams, titles[i], 63);
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = title.data();
        SendMessageA(s.tab, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }

    createChild(s, IDD_CONNECTION_PAGE, dialog, connectionPageProc);
    createChild(s, IDD_CAPTURE_FILE_PAGE, dialog, captureFilePageProc);
    createChild(s, IDD_DOCUMENTS_PAGE, dialog, documentsPageProc);
    RECT area{};
    if (s.tab) {
        GetClientRect(s.tab, &area);
        SendMessageA(s.tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
        MapWindowPoints(s.tab, dialog, reinterpret_cast<POINT*>(&area), 2);
    }
    // Above the tab control, which clips its painting to what they leave.
    for (HWND page : {s.connectionPage, s.captureFilePage, s.documentsPage}) {
        if (!page) continue;
        placeOn(page, area);
        SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    showSettingsPage(s, 0);
}

// A field the rules refuse: the message, then its page and the field.
void refuseField(HWND dialog, SettingsSession& s, unsigned captionId, unsigned textId, int pageIndex, HWND field) {
    const SettingsDialogSeams& seams = s.seams;
    std::string caption = loadText(seams, captionId, 63);
    std::string text = loadText(seams, textId, 1023);
    if (seams.messages) seams.messages->show(dialog, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
    if (s.tab) SendMessageA(s.tab, TCM_SETCURSEL, pageIndex, 0);
    showSettingsPage(s, pageIndex);
    if (field) SetFocus(field);
}

// LAN chosen without a host: the message, then the field to fill in.
void refuseMissingHost(HWND dialog, SettingsSession& s) {
    refuseField(dialog, s, IDS_SETTINGS_ERROR, IDS_HOST_MISSING, 0,
                s.lanPanel ? GetDlgItem(s.lanPanel, IDC_HOST) : nullptr);
}

// A documents page field the rules refuse.
bool refuseDocumentsField(HWND dialog, SettingsSession& s, unsigned textId, int field) {
    refuseField(dialog, s, IDS_DOCUMENT_SETTINGS, textId, 2, GetDlgItem(s.documentsPage, field));
    return false;
}

// The documents page's fields into the edit; false, with the message shown
// and the field focused, for a custom paper size or a top of form the
// rules refuse.
bool takeDocumentsPage(HWND dialog, SettingsSession& s) {
    HWND page = s.documentsPage;
    if (!page) return true;
    DocumentSettings& d = s.edit.documents;
    const LRESULT paper = selectedItem(page, IDC_PAPER);
    char text[kPaperTextSize] = "";
    if (paper == kPaperA4 || paper == kPaperLetter) {
        copyCut(d.paper, paper == kPaperA4 ? "a4" : "letter");
    } else if (paper == kPaperCustom && readControl(page, IDC_PAPER_SIZE, text, sizeof text) &&
               !takePaperText(text, d.paper)) {
        return refuseDocumentsField(dialog, s, IDS_PAPER_INVALID, IDC_PAPER_SIZE);
    }
    char topOfForm[kLengthTextSize] = "";
    if (readControl(page, IDC_TOP_OF_FORM, topOfForm, sizeof topOfForm) && !takeTopOfFormText(topOfForm, d.topOfForm))
        return refuseDocumentsField(dialog, s, IDS_TOP_OF_FORM_INVALID, IDC_TOP_OF_FORM);
    const LRESULT codePage = selectedItem(page, IDC_CODE_PAGE);
    if (codePage >= 0 && codePage < kDocumentCodePageCount) d.codePage = kDocumentCodePages[codePage];
    const LRESULT printer = selectedItem(page, IDC_PRINTER);
    if (printer >= 0 && printer < kPrinterModeCount) d.printer = kPrinterModes[printer];
    if (GetDlgItem(page, IDC_PDF_AFTER_CAPTURE))
        d.pdfAfterCapture = IsDlgButtonChecked(page, IDC_PDF_AFTER_CAPTURE) == BST_CHECKED ? 1 : 0;
    if (GetDlgItem(page, IDC_PRINT_AFTER_CAPTURE))
        d.printAfterCapture = IsDlgButtonChecked(page, IDC_PRINT_AFTER_CAPTURE) == BST_CHECKED ? 1 : 0;
    // Item 0: the default printer, whichever it is then.
    const LRESULT destination = selectedItem(page, IDC_PRINT_DESTINATION);
    if (destination == 0) {
        d.destination[0] = '\0';
    } else if (destination > 0) {
        char name[kPrinterNameSize] = "";
        if (SendDlgItemMessageA(page, IDC_PRINT_DESTINATION, CB_GETLBTEXTLEN, destination, 0) < LRESULT(sizeof name) &&
            SendDlgItemMessageA(page, IDC_PRINT_DESTINATION, CB_GETLBTEXT, destination,
                                reinterpret_cast<LPARAM>(name)) > 0)
            copyCut(d.destination, name);
    }
    return true;
}

// OK: validate, take every control, save, copy into the run record.
void applySettingsDialog(HWND dialog) {
    auto* s = static_cast<SettingsSession*>(GetPropA(dialog, kSessionProperty));
    if (!s) return;
    const SettingsDialogSeams& seams = s->seams;
    Profile& e = s->edit;
    char text[kProfileValueSize];

    LRESULT kind = SendDlgItemMessageA(s->connectionPage, IDC_LINK_KIND, CB_GETCURSEL, 0, 0);
    std::int32_t method = kind == 0 || kind == 1 ? static_cast<std::int32_t>(kind) : e.connection.method;
    char host[kHostSize];
    copyCut(host, e.connection.lanHost);
    if (readControl(s->lanPanel, IDC_HOST, text, sizeof text)) takeProfileText(text, host);
    if (method == 1 && !host[0]) {
        refuseMissingHost(dialog, *s);
        return;
    }
    if (!takeDocumentsPage(dialog, *s)) return;

    // Every field is taken whatever the link kind: both links keep theirs.
    // The fields are read here rather than trusted to their focus-loss
    // handlers, which do not run when OK comes from the Enter key.
    e.connection.method = method;
    if (readControl(s->serialPanel, IDC_COM_PORT, text, kComPortFieldSize)) takeComPortText(text, e.connection.comPort);
    copyCut(e.connection.lanHost, host);
    if (readControl(s->lanPanel, IDC_PORT, text, sizeof text)) takeProfileText(text, e.connection.dService);
    if (readControl(s->captureFilePage, IDC_FILE_NAME, text, kPathSize)) takeFileBaseName(text, e.fileBaseName);
    makeCaptureFileName(e.fileBaseName, e.files.captureFileName);
    if (s->captureFilePage && GetDlgItem(s->captureFilePage, IDC_AUTO_NAME))
        e.files.autoNameFiles = IsDlgButtonChecked(s->captureFilePage, IDC_AUTO_NAME) == BST_CHECKED ? 1 : 0;

    Profile& p = s->profile;
    p.connection = e.connection;
    p.files = e.files;
    p.documents = e.documents;
    copyCut(p.fileBaseName, e.fileBaseName);
    Win32IniStore store;
    bool saved = saveProfile(p, store);
    // The settings hold for this run either way, but the next start would
    // silently find the old ones.
    if (!saved && seams.messages) seams.messages->show(dialog, "Settings failed!", MAIN_TITLE, MB_OK | MB_ICONWARNING);
    s->accepted = true;
    EndDialog(dialog, 0);
}

INT_PTR CALLBACK settingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        switch (message) {
        case WM_INITDIALOG:
            SetPropA(dialog, kSessionProperty, reinterpret_cast<HANDLE>(lParam));
            if (lParam) initSettingsDialog(dialog, *reinterpret_cast<SettingsSession*>(lParam));
            return FALSE;  // the focus is set
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<const NMHDR*>(lParam);
            auto* s = static_cast<SettingsSession*>(GetPropA(dialog, kSessionProperty));
            if (!s || !header || header->idFrom != IDC_SETTINGS_TAB || header->code != TCN_SELCHANGE) return FALSE;
            showSettingsPage(*s, SendMessageA(s->tab, TCM_GETCURSEL, 0, 0));
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 1);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                applySettingsDialog(dialog);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, 0);
                return TRUE;
            }
            return FALSE;
        case WM_DESTROY: RemovePropA(dialog, kSessionProperty); return FALSE;
        default: return FALSE;
        }
    } catch (...) {
        return FALSE;
    }
}

}  // namespace

bool editSettings(const SettingsDialogSeams& seams, Profile& profile, std::uint32_t startFlags) {
    // The tab control's class must exist before the template is created.
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TAB_CLASSES};
    InitCommonControlsEx(&classes);
    SettingsSession session(seams, profile, startFlags);
    DialogBoxParamA(seams.resources, MAKEINTRESOURCEA(IDD_SETTINGS), seams.owner, settingsDialogProc,
                    reinterpret_cast<LPARAM>(&session));
    return session.accepted;
}

}  // namespace orv
