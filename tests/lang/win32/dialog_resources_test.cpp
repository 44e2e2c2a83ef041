// The dialog templates of every language library: the controls the
// program drives, their kinds and places, access letters, and texts that
// fit.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "LanguageLibrary.h"
#include "base/Ids.h"

namespace orv::test {
namespace {

// ------------------------------------------------------------------ dialogs

enum class Kind { Popup, Child };

struct ExpectedControl {
    int id;
    const char* windowClass;  // "" accepts any class
    DWORD styleMask;
    DWORD styleValue;
};

// BS_PUSHBUTTON and BS_DEFPUSHBUTTON differ only in bit 0.
constexpr DWORD kPushMask = 0xE;
constexpr DWORD kTypeMask = 0xF;
constexpr DWORD kComboMask = 0x3;

struct ExpectedDialog {
    int id;
    Kind kind;
    std::vector<ExpectedControl> controls;
};

const std::vector<ExpectedDialog>& expectedDialogs() {
    static const std::vector<ExpectedDialog> dialogs = {
        {IDD_SETTINGS,
         Kind::Popup,
         {{IDC_SETTINGS_TAB, "SysTabControl32", 0, 0},
          {IDOK, "Button", kPushMask, BS_PUSHBUTTON},
          {IDCANCEL, "Button", kPushMask, BS_PUSHBUTTON}}},
        {IDD_LAN_PANEL, Kind::Child, {{IDC_HOST, "Edit", 0, 0}, {IDC_PORT, "Edit", 0, 0}}},
        {IDD_SERIAL_PANEL,
         Kind::Child,
         // Typed port names are allowed: a drop-down with an edit field.
         {{IDC_COM_PORT, "ComboBox", kComboMask, CBS_DROPDOWN}}},
        {IDD_ABOUT, Kind::Popup, {{IDC_ABOUT_TEXT, "Static", 0, 0}, {IDOK, "Button", kPushMask, BS_PUSHBUTTON}}},
        {IDD_CONNECTION_PAGE,
         Kind::Child,
         {{IDC_LINK_KIND, "ComboBox", kComboMask, CBS_DROPDOWNLIST}, {IDC_PANEL_AREA, "", 0, 0}}},
        {IDD_CAPTURE_FILE_PAGE,
         Kind::Child,
         {{IDC_FOLDER_TEXT, "Static", 0, 0},
          {IDC_BROWSE, "Button", kPushMask, BS_PUSHBUTTON},
          {IDC_FILE_NAME, "Edit", 0, 0},
          {IDC_AUTO_NAME, "Button", kTypeMask, BS_AUTOCHECKBOX}}},
        {IDD_DOCUMENTS_PAGE,
         Kind::Child,
         {{IDC_PAPER, "ComboBox", kComboMask, CBS_DROPDOWNLIST},
          {IDC_PAPER_SIZE, "Edit", 0, 0},
          {IDC_CODE_PAGE, "ComboBox", kComboMask, CBS_DROPDOWNLIST},
          {IDC_PRINTER, "ComboBox", kComboMask, CBS_DROPDOWNLIST},
          {IDC_TOP_OF_FORM, "Edit", 0, 0},
          {IDC_PDF_AFTER_CAPTURE, "Button", kTypeMask, BS_AUTOCHECKBOX},
          {IDC_PRINT_AFTER_CAPTURE, "Button", kTypeMask, BS_AUTOCHECKBOX},
          {IDC_PRINT_DESTINATION, "ComboBox", kComboMask, CBS_DROPDOWNLIST}}},
        {IDD_QUERY,
         Kind::Popup,
         {{IDC_QUERY_I, "Button", kPushMask, BS_PUSHBUTTON},
          {IDC_QUERY_S, "Button", kPushMask, BS_PUSHBUTTON},
          {IDC_I_REPLY, "Static", 0, 0},
          {IDC_S_BIT3, "Static", 0, 0},
          {IDC_S_BIT2, "Static", 0, 0},
          {IDC_S_BIT1, "Static", 0, 0},
          {IDC_S_BIT0, "Static", 0, 0},
          {IDCANCEL, "Button", kPushMask, BS_PUSHBUTTON}}},
    };
    return dialogs;
}

bool isUnnamed(int32_t id) { return id == -1 || id == 0xFFFF; }

TEST_P(LanguageLibrary, DialogsHoldExactlyTheControlsTheProgramDrives) {
    ASSERT_NE(library(), nullptr);
    for (const auto& expected : expectedDialogs()) {
        SCOPED_TRACE("dialog " + std::to_string(expected.id));
        DialogTemplate dialog;
        std::string error;
        ASSERT_TRUE(loadDialog(expected.id, &dialog, &error)) << error;

        std::map<int, const DialogItem*> named;
        for (const auto& item : dialog.items) {
            std::string cls = className(item.windowClass);
            if (isUnnamed(item.id)) {
                // Labels and frames only: nothing the user acts on goes unnamed.
                bool label = cls == "Static";
                bool frame = cls == "Button" && (item.style & kTypeMask) == BS_GROUPBOX;
                EXPECT_TRUE(label || frame) << "unnamed " << cls << " control";
                continue;
            }
            EXPECT_TRUE(named.emplace(item.id, &item).second) << "id " << item.id << " twice";
        }
        std::set<int> expectedIds;
        for (const auto& c : expected.controls) {
            expectedIds.insert(c.id);
            auto it = named.find(c.id);
            if (it == named.end()) {
                ADD_FAILURE() << "control " << c.id << " missing";
                continue;
            }
            const auto& item = *it->second;
            // Class names are case-insensitive (the resource compiler may upper-case them).
            if (*c.windowClass)
                EXPECT_EQ(lstrcmpiA(className(item.windowClass).c_str(), c.windowClass), 0)
                    << "control " << c.id << " is a " << className(item.windowClass);
            EXPECT_EQ(item.style & c.styleMask, c.styleValue) << "style of control " << c.id;
            if (c.id != IDC_PANEL_AREA) EXPECT_TRUE(item.style & WS_VISIBLE) << "control " << c.id << " is hidden";
        }
        for (const auto& entry : named)
            EXPECT_EQ(expectedIds.count(entry.first), 1u) << "unexpected control " << entry.first;
    }
}

// The access letter of a label ('&' before it; "&&" is a plain '&'),
// lower case; 0 when it has none.
char accessKey(const std::string& text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] != '&') return static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
        ++i;
    }
    return 0;
}

// The labels of one menu level, each with its access letter.
void menuKeys(HMENU menu, std::map<char, std::vector<std::string>>& keys, std::vector<HMENU>* popups) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[256] = "";
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        if (char key = accessKey(text)) keys[key].push_back(text);
        if (HMENU sub = GetSubMenu(menu, i); sub && popups) popups->push_back(sub);
    }
}

std::string clashes(const std::map<char, std::vector<std::string>>& keys) {
    std::string found;
    for (const auto& [key, labels] : keys) {
        if (labels.size() < 2) continue;
        found += std::string(" '") + key + "':";
        for (const auto& label : labels) found += " \"" + label + "\"";
    }
    return found;
}

TEST_P(LanguageLibrary, AccessLettersAreUniqueInEachMenuAndDialogPage) {
    ASSERT_NE(library(), nullptr);
    HMENU menu = LoadMenuA(library(), MAKEINTRESOURCEA(IDM_MAIN));
    ASSERT_NE(menu, nullptr);
    std::map<char, std::vector<std::string>> bar;
    std::vector<HMENU> popups;
    menuKeys(menu, bar, &popups);
    EXPECT_EQ("", clashes(bar)) << "the menu bar";
    for (HMENU popup : popups) {
        std::map<char, std::vector<std::string>> keys;
        menuKeys(popup, keys, nullptr);
        EXPECT_EQ("", clashes(keys)) << "a menu";
    }
    DestroyMenu(menu);

    // What shows at once: the settings dialog with one page (and panel),
    // the query dialog, the about box.
    const std::vector<std::vector<int>> views = {
        {IDD_SETTINGS, IDD_CONNECTION_PAGE, IDD_SERIAL_PANEL},
        {IDD_SETTINGS, IDD_CONNECTION_PAGE, IDD_LAN_PANEL},
        {IDD_SETTINGS, IDD_CAPTURE_FILE_PAGE},
        {IDD_SETTINGS, IDD_DOCUMENTS_PAGE},
        {IDD_QUERY},
        {IDD_ABOUT},
    };
    for (const auto& view : views) {
        std::map<char, std::vector<std::string>> keys;
        for (int id : view) {
            DialogTemplate dialog;
            std::string error;
            ASSERT_TRUE(loadDialog(id, &dialog, &error)) << id << ": " << error;
            for (const auto& item : dialog.items)
                if (!item.title.isOrdinal)
                    if (char key = accessKey(item.title.name)) keys[key].push_back(item.title.name);
        }
        EXPECT_EQ("", clashes(keys)) << "the view of dialog " << view.back();
    }
}

INT_PTR CALLBACK quietDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// What a control's text needs beyond the control's width, in pixels of
// its own font; 0 when it fits.  Labels wrap, so they also need the
// height their lines take.
int overflow(HWND control, HDC dc) {
    char text[1024];
    if (GetWindowTextA(control, text, sizeof text) <= 0) return 0;
    char cls[32] = "";
    GetClassNameA(control, cls, sizeof cls);
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    RECT box;
    GetClientRect(control, &box);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    const UINT prefix = (style & SS_NOPREFIX) && !lstrcmpiA(cls, "Static") ? DT_NOPREFIX : 0;
    RECT need = {0, 0, box.right, 0};
    int excess = 0;
    if (!lstrcmpiA(cls, "Static")) {
        DrawTextA(dc, text, -1, &need, DT_CALCRECT | DT_WORDBREAK | prefix);
        excess = std::max<int>(need.right - box.right, need.bottom - box.bottom);
    } else if (!lstrcmpiA(cls, "Button")) {
        DrawTextA(dc, text, -1, &need, DT_CALCRECT | DT_SINGLELINE);
        const LONG type = style & BS_TYPEMASK;
        int frame = 8;  // push button edges
        if (type == BS_GROUPBOX) frame = 16;
        if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX) frame = GetSystemMetrics(SM_CXMENUCHECK) + 6;
        excess = need.right + frame - box.right;
    }
    SelectObject(dc, previous);
    return std::max(excess, 0);
}

TEST_P(LanguageLibrary, TextsFitTheirControls) {
    // A label cut off is a gap as real as a missing string.
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
    HWND parent = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    for (const auto& expected : expectedDialogs()) {
        HWND dialog = CreateDialogParamA(library(), MAKEINTRESOURCEA(expected.id), parent, quietDialog, 0);
        if (!dialog) {
            ADD_FAILURE() << "dialog " << expected.id << " does not open";
            continue;
        }
        HDC dc = GetDC(dialog);
        for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
            char text[256] = "";
            GetWindowTextA(control, text, sizeof text);
            EXPECT_EQ(overflow(control, dc), 0) << "dialog " << expected.id << ": \"" << text << "\" is cut off";
        }
        ReleaseDC(dialog, dc);
        DestroyWindow(dialog);
    }
    DestroyWindow(parent);
}

TEST_P(LanguageLibrary, RunStatesAndPagePositionsFitTheirStatusBarParts) {
    // Part 0 of the status bar ends 100 pixels from the left.
    HWND parent = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
    HWND status = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD, 0, 0, 0, 0, parent, nullptr, nullptr, nullptr);
    ASSERT_NE(status, nullptr);
    HDC dc = GetDC(status);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(status, WM_GETFONT, 0, 0)));
    for (UINT id : {IDS_STATE_RUNNING, IDS_STATE_STARTING, IDS_STATE_IDLE, IDS_STATE_STOPPING}) {
        std::string text;
        ASSERT_TRUE(loadString(id, &text)) << id;
        SIZE size{};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        EXPECT_LE(size.cx, 92) << '"' << text << "\" is cut off";
    }
    // Part 2 (from 250 to 400) says where the page view stands, for jobs
    // of up to 9999 pages.
    for (UINT id : {IDS_PAGE_POSITION, IDS_PAGE_COUNTING, IDS_PAGES_NONE}) {
        std::string text;
        ASSERT_TRUE(loadString(id, &text)) << id;
        for (std::size_t at; (at = text.find("%u")) != std::string::npos;) text.replace(at, 2, "9999");
        SIZE size{};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        EXPECT_LE(size.cx, 142) << '"' << text << "\" is cut off";
    }
    SelectObject(dc, previous);
    ReleaseDC(status, dc);
    DestroyWindow(parent);
}

TEST_P(LanguageLibrary, DialogsAreModalPopupsOrBorderlessChildPages) {
    for (const auto& expected : expectedDialogs()) {
        SCOPED_TRACE("dialog " + std::to_string(expected.id));
        DialogTemplate dialog;
        std::string error;
        ASSERT_TRUE(loadDialog(expected.id, &dialog, &error)) << error;
        if (expected.kind == Kind::Popup) {
            EXPECT_EQ(dialog.style & (WS_POPUP | WS_CAPTION), DWORD(WS_POPUP | WS_CAPTION));
            EXPECT_EQ(dialog.style & WS_CHILD, 0u);
            EXPECT_FALSE(dialog.title.empty());
        } else {
            // Pages and panels sit inside the tab control and the placeholder.
            EXPECT_EQ(dialog.style & (WS_CHILD | DS_CONTROL), DWORD(WS_CHILD | DS_CONTROL));
            EXPECT_EQ(dialog.style & (WS_POPUP | WS_CAPTION | WS_BORDER | WS_THICKFRAME), 0u);
        }
        EXPECT_EQ(dialog.typeface, "MS Shell Dlg");
        EXPECT_EQ(dialog.pointSize, 8);
    }
}

TEST_P(LanguageLibrary, DialogControlsLieInsideTheirDialog) {
    for (const auto& expected : expectedDialogs()) {
        SCOPED_TRACE("dialog " + std::to_string(expected.id));
        DialogTemplate dialog;
        std::string error;
        ASSERT_TRUE(loadDialog(expected.id, &dialog, &error)) << error;
        for (const auto& item : dialog.items) {
            // A combo box's height includes its drop-down list.
            int height = className(item.windowClass) == "ComboBox" ? 12 : item.cy;
            EXPECT_GE(item.x, 0) << "control " << item.id;
            EXPECT_GE(item.y, 0) << "control " << item.id;
            EXPECT_LE(item.x + item.cx, dialog.cx) << "control " << item.id;
            EXPECT_LE(item.y + height, dialog.cy) << "control " << item.id;
        }
    }
}

}  // namespace
}  // namespace orv::test
