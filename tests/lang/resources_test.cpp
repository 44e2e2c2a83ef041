// The resources the program takes on trust: it never checks the result of
// loading a string, the menu or a dialog template from the language
// library, nor the icon, toolbar strip and accelerators of its own file.
// A missing string shows an empty message box, a stray '%' feeds wsprintf
// an argument that is not there, a wrong control id leaves a dialog dead.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "IdLists.h"
#include "ResourceReader.h"
#include "Version.h"
#include "base/Ids.h"

namespace orv::test {
namespace {

std::string besideTest(const char* relative, const char* file) {
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path(self, n);
    path.resize(path.find_last_of("\\/") + 1);
    if (*relative) path += std::string(relative) + "\\";
    return path + file;
}

// Every language library of the build, loaded once each, the way
// Orvantide loads its one.
const int kLanguages[] = {ORV_TEST_LANGUAGES};

std::string languageLibraryPath(int language) {
    char name[MAX_PATH];
    std::snprintf(name, sizeof name, LANGUAGE_LIBRARY_FORMAT, language);
    return besideTest(ORV_TEST_TO_LIBRARY, name);
}

HMODULE languageLibrary(int language) {
    static std::map<int, HMODULE> loaded;
    auto it = loaded.find(language);
    if (it == loaded.end()) it = loaded.emplace(language, LoadLibraryA(languageLibraryPath(language).c_str())).first;
    return it->second;
}

std::string programPath() { return besideTest(ORV_TEST_TO_PROGRAM, PROGRAM_FILE_NAME); }

HMODULE programAsData() {
    static HMODULE module = LoadLibraryExA(programPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return module;
}

// The string as LoadStringA gives it, without any length limit of ours.
bool loadString(HMODULE library, UINT id, std::string* text) {
    std::vector<char> buffer(8192);
    int n = LoadStringA(library, id, buffer.data(), static_cast<int>(buffer.size()));
    if (n <= 0) return false;
    text->assign(buffer.data(), static_cast<size_t>(n));
    return true;
}

// The printf conversions in a text, in order, reduced to '%' and the
// conversion letter ("%s%d"); a '%' without a conversion shows as "%?".
std::string conversions(const std::string& text) {
    std::string found;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') continue;
        size_t j = i + 1;
        while (j < text.size() && std::strchr("-+ #0123456789.lhLI", text[j])) ++j;
        found += '%';
        found += j < text.size() ? text[j] : '?';
        i = j;
    }
    return found;
}

// ------------------------------------------------------------------ strings

struct ExpectedString {
    UINT id;
    const char* placeholders;  // exactly these conversions, in this order
    size_t maxLength;          // the buffer the program loads it into, less the zero
};

// Buffer sizes are the program's: a longer text would be cut.
const ExpectedString kStrings[] = {
    {IDS_FONT_FACE, "", 31},  // LOGFONT face name
    {IDS_ABOUT_TEXT, "", 63},
    {IDS_ABOUT_VERSION, "%s", 63},  // formatted with the version, e.g. "1.1.0"
    {IDS_TIP_OPEN, "", 79},         // tooltip texts: 80-character records
    {IDS_TIP_SAVE_AS, "", 79},
    {IDS_TIP_START, "", 79},
    {IDS_TIP_STOP, "", 79},
    {IDS_TIP_SETTINGS, "", 79},
    {IDS_TIP_VIEW_HEX, "", 79},
    {IDS_TIP_VIEW_FILTERED, "", 79},
    {IDS_TIP_VIEW_TEXT, "", 79},
    {IDS_TIP_SEND_FILE, "", 79},
    {IDS_TIP_CANCEL_SEND, "", 79},
    {IDS_TAB_CONNECTION, "", 63},
    {IDS_TAB_CAPTURE_FILE, "", 63},
    {IDS_LINK_SERIAL, "", 63},
    {IDS_LINK_LAN, "", 63},
    {IDS_SETTINGS_ERROR, "", 31},
    {IDS_BROWSE_TITLE, "", 255},
    {IDS_FOLDER_MISSING, "%s", 255},
    {IDS_STATE_RUNNING, "", 31},
    {IDS_STATE_STARTING, "", 31},
    {IDS_STATE_IDLE, "", 31},
    {IDS_STATE_STOPPING, "", 31},
    {IDS_PORT_PREFIX, "", 9},
    {IDS_FOLDER_CAPTION, "%s", 255},
    {IDS_REPLACE_CAPTION, "", 63},
    {IDS_REPLACE_QUESTION, "", 255},
    {IDS_CLOSE_IDLE, "", 1023},
    {IDS_CLOSE_FAILED, "", 1023},
    {IDS_FAILURE_CAPTION, "", 31},
    {IDS_QUESTION_CAPTION, "", 31},
    {IDS_SAVE_FAILED, "", 1023},
    {IDS_LINK_CAPTION, "", 31},
    {IDS_LINK_FAILED_ALT, "%d", 1023},
    {IDS_CLOSE_RUNNING, "", 1023},
    {IDS_LINK_FAILED, "%u", 1023},
    {IDS_HOST_MISSING, "", 1023},
    {IDS_PORT_INVALID, "", 1023},
    {IDS_LAN_SEND_FAILED, "%d", 1023},
    {IDS_LAN_SEND_CAPTION, "", 63},
    {IDS_SAVE_TITLE, "", 1023},
    {IDS_SEND_FAILED, "", 1023},
    {IDS_CANCEL_SEND, "", 1023},
};

const ExpectedString* expectedString(UINT id) {
    for (const auto& s : kStrings)
        if (s.id == id) return &s;
    return nullptr;
}

// Each check below runs over every language library of the build, so a
// new language cannot ship with a gap.
class LanguageLibrary : public ::testing::TestWithParam<int> {
protected:
    HMODULE library() const { return languageLibrary(GetParam()); }
    std::string libraryPath() const { return languageLibraryPath(GetParam()); }
    bool loadString(UINT id, std::string* text) const { return orv::test::loadString(library(), id, text); }
    bool loadDialog(int id, DialogTemplate* dialog, std::string* error) const;
};

INSTANTIATE_TEST_SUITE_P(Every, LanguageLibrary, ::testing::ValuesIn(kLanguages),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param); });

TEST_P(LanguageLibrary, LoadsAsTheProgramLoadsIt) {
    ASSERT_NE(library(), nullptr) << libraryPath() << " error " << GetLastError();
    // Its resources are tagged with the language its name promises.
    const WORD language = static_cast<WORD>(GetParam());
    EXPECT_NE(FindResourceExA(library(), RT_MENU, MAKEINTRESOURCEA(IDM_MAIN), language), nullptr);
    EXPECT_NE(FindResourceExA(library(), RT_DIALOG, MAKEINTRESOURCEA(IDD_SETTINGS), language), nullptr);
}

TEST_P(LanguageLibrary, IsResourceOnly) {
    PeSummary pe;
    std::string error;
    ASSERT_TRUE(readPeSummary(libraryPath(), &pe, &error)) << error;
    EXPECT_EQ(pe.entryPoint, 0u) << "a language library runs no code";
    EXPECT_TRUE(pe.importedDlls.empty()) << "imports " << pe.importedDlls.size() << " DLLs, first "
                                         << (pe.importedDlls.empty() ? "" : pe.importedDlls[0]);
}

TEST(StringExpectations, CoverEveryStringId) {
    // A string added to Ids.h needs its line in kStrings (and its text).
#define ORV_CHECK_LISTED(name) EXPECT_NE(expectedString(name), nullptr) << #name " is not in kStrings";
    ORV_ALL_STRING_IDS(ORV_CHECK_LISTED)
#undef ORV_CHECK_LISTED
}

TEST_P(LanguageLibrary, EveryStringExistsWithItsPlaceholdersAndFitsItsBuffer) {
    ASSERT_NE(library(), nullptr);
    for (const auto& expected : kStrings) {
        SCOPED_TRACE("string " + std::to_string(expected.id));
        std::string text;
        if (!loadString(expected.id, &text)) {
            ADD_FAILURE() << "missing";
            continue;
        }
        EXPECT_EQ(conversions(text), expected.placeholders) << '"' << text << '"';
        EXPECT_LE(text.size(), expected.maxLength) << '"' << text << '"';
        EXPECT_EQ(text.find_first_not_of(" \t\r\n"), 0u) << "leading white space";
    }
}

TEST_P(LanguageLibrary, PortPrefixIsTheSerialDeviceFamily) {
    // The serial link opens "\\.\" + prefix + number; the settings list "COM%d".
    std::string text;
    ASSERT_TRUE(loadString(IDS_PORT_PREFIX, &text));
    EXPECT_EQ(text, "COM");
}

TEST_P(LanguageLibrary, FolderMessageFitsWithTheLongestPath) {
    // Caption: 855 with string 102 in a 256-byte buffer; text: 202 with a
    // folder of up to 259 characters in a 516-byte buffer.
    std::string caption, tab, text;
    ASSERT_TRUE(loadString(IDS_FOLDER_CAPTION, &caption));
    ASSERT_TRUE(loadString(IDS_TAB_CAPTURE_FILE, &tab));
    ASSERT_TRUE(loadString(IDS_FOLDER_MISSING, &text));
    char buffer[1200];
    int n = std::snprintf(buffer, sizeof buffer, caption.c_str(), tab.c_str());
    EXPECT_LE(n, 255);
    EXPECT_NE(std::string(buffer).find(tab), std::string::npos);
    std::string folder(259, 'x');
    n = std::snprintf(buffer, sizeof buffer, text.c_str(), folder.c_str());
    EXPECT_LE(n, 515);
    EXPECT_NE(std::string(buffer).find(folder), std::string::npos);
}

int CALLBACK notePitch(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM found) {
    *reinterpret_cast<int*>(found) = font->lfPitchAndFamily & 0x3;
    return 0;
}

TEST_P(LanguageLibrary, FontFaceIsAFixedPitchFace) {
    // The view lays text out in a grid of equal cells.  An installed face
    // must be fixed-pitch; a face missing here (Wine has no core fonts) must
    // be one that every Windows has, fixed-pitch.
    std::string face;
    ASSERT_TRUE(loadString(IDS_FONT_FACE, &face));
    LOGFONTA query{};
    query.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(query.lfFaceName, face.c_str(), LF_FACESIZE);
    int pitch = -1;
    HDC dc = CreateCompatibleDC(nullptr);
    EnumFontFamiliesExA(dc, &query, notePitch, reinterpret_cast<LPARAM>(&pitch), 0);
    DeleteDC(dc);
    if (pitch >= 0) {
        EXPECT_EQ(pitch, FIXED_PITCH) << face;
    } else {
        const std::set<std::string> windowsFixedFaces = {"Courier New", "Lucida Console", "Consolas"};
        EXPECT_EQ(windowsFixedFaces.count(face), 1u) << face << " is neither installed nor a Windows face";
    }
}

// --------------------------------------------------------------------- menu

void collectMenu(HMENU menu, std::vector<UINT>* ids, std::vector<std::string>* problems, int depth) {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[256] = "";
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text;
        if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info)) {
            problems->push_back("item " + std::to_string(i) + " unreadable");
            continue;
        }
        if (info.fType & MFT_SEPARATOR) continue;
        if (text[0] == '\0') problems->push_back("item without text, id " + std::to_string(info.wID));
        if (info.hSubMenu) {
            if (depth > 4)
                problems->push_back("menu nested too deep");
            else
                collectMenu(info.hSubMenu, ids, problems, depth + 1);
        } else {
            ids->push_back(info.wID);
        }
    }
}

TEST_P(LanguageLibrary, MenuOffersEveryCommandButTheTextView) {
    ASSERT_NE(library(), nullptr);
    HMENU menu = LoadMenuA(library(), MAKEINTRESOURCEA(IDM_MAIN));
    ASSERT_NE(menu, nullptr);
    std::vector<UINT> ids;
    std::vector<std::string> problems;
    collectMenu(menu, &ids, &problems, 0);
    DestroyMenu(menu);
    for (const auto& p : problems) ADD_FAILURE() << p;

    std::multiset<UINT> found(ids.begin(), ids.end());
    // The text view is reached only from the toolbar's view group.
    std::set<UINT> expected;
#define ORV_EXPECT_COMMAND(name) \
    if (name != CMD_VIEW_TEXT) expected.insert(name);
    ORV_ALL_COMMAND_IDS(ORV_EXPECT_COMMAND)
#undef ORV_EXPECT_COMMAND
    ASSERT_EQ(expected.size(), 12u) << "the command list of Ids.h changed";
    for (UINT id : expected) EXPECT_EQ(found.count(id), 1u) << "command " << id;
    EXPECT_EQ(found.count(CMD_VIEW_TEXT), 0u);
    for (UINT id : found) EXPECT_EQ(expected.count(id), 1u) << "unknown command " << id << " on the menu";
}

TEST_P(LanguageLibrary, MenuShowsTheCaptureShortcuts) {
    HMENU menu = LoadMenuA(library(), MAKEINTRESOURCEA(IDM_MAIN));
    ASSERT_NE(menu, nullptr);
    char start[128] = "", stop[128] = "";
    GetMenuStringA(menu, CMD_START, start, sizeof start, MF_BYCOMMAND);
    GetMenuStringA(menu, CMD_STOP, stop, sizeof stop, MF_BYCOMMAND);
    DestroyMenu(menu);
    // The key names are the translator's ("Shift", "Umschalt"), the keys are not.
    auto shortcut = [](const std::string& item) {
        size_t tab = item.find('\t');
        return tab == std::string::npos ? std::string() : item.substr(tab + 1);
    };
    EXPECT_GT(shortcut(start).size(), 3u) << start;
    EXPECT_GT(shortcut(stop).size(), 3u) << stop;
    EXPECT_EQ(shortcut(start).substr(shortcut(start).find('+') + 1), "F5") << start;
    EXPECT_EQ(shortcut(stop).substr(shortcut(stop).find('+') + 1), "F6") << stop;
}

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

bool LanguageLibrary::loadDialog(int id, DialogTemplate* dialog, std::string* error) const {
    auto bytes = resourceBytes(library(), RT_DIALOG, MAKEINTRESOURCEA(id));
    if (bytes.empty()) return *error = "missing", false;
    return parseDialogEx(bytes.data(), bytes.size(), dialog, error);
}

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

TEST_P(LanguageLibrary, RunStatesFitTheirStatusBarPart) {
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

// ------------------------------------------------------ version information

struct FileVersion {
    DWORD high = 0, low = 0;  // the numbers of FILEVERSION
    std::map<std::string, std::string> strings;
};

bool readFileVersion(const std::string& path, FileVersion* out) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (!size) return false;
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed) return false;
    out->high = fixed->dwFileVersionMS;
    out->low = fixed->dwFileVersionLS;
    WORD* translation = nullptr;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
        length < 4)
        return false;
    for (const char* name : {"ProductName", "ProductVersion", "FileVersion", "LegalCopyright", "OriginalFilename"}) {
        char query[128];
        std::snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\%s", translation[0], translation[1], name);
        char* value = nullptr;
        if (VerQueryValueA(block.data(), query, reinterpret_cast<void**>(&value), &length) && value)
            out->strings[name] = value;
    }
    return true;
}

// The one version of the build, in every file that ships.
void expectTheBuildsVersion(const std::string& path, const char* fileName) {
    SCOPED_TRACE(path);
    FileVersion version;
    ASSERT_TRUE(readFileVersion(path, &version)) << "no version information";
    EXPECT_EQ(version.high, DWORD(MAKELONG(ORV_VERSION_MINOR, ORV_VERSION_MAJOR)));
    EXPECT_EQ(version.low, DWORD(MAKELONG(0, ORV_VERSION_PATCH)));
    EXPECT_EQ(version.strings["ProductName"], ORV_PRODUCT_NAME);
    EXPECT_EQ(version.strings["ProductVersion"], ORV_VERSION);
    EXPECT_EQ(version.strings["FileVersion"], ORV_VERSION);
    EXPECT_EQ(version.strings["OriginalFilename"], fileName);
    EXPECT_NE(version.strings["LegalCopyright"].find("Copyright"), std::string::npos);
}

TEST_P(LanguageLibrary, CarriesTheBuildsVersion) {
    char name[MAX_PATH];
    std::snprintf(name, sizeof name, LANGUAGE_LIBRARY_FORMAT, GetParam());
    expectTheBuildsVersion(libraryPath(), name);
}

TEST(ProgramResources, ProgramAndCompanionCarryTheBuildsVersion) {
    expectTheBuildsVersion(programPath(), PROGRAM_FILE_NAME);
    expectTheBuildsVersion(besideTest(ORV_TEST_TO_PROGRAM, "orvantide-cli.exe"), "orvantide-cli.exe");
}

// ---------------------------------------------------- the program's own file

TEST(ProgramResources, IconGroupHasSmallMediumAndLargeImages) {
    ASSERT_NE(programAsData(), nullptr) << programPath() << " error " << GetLastError();
    auto group = resourceBytes(programAsData(), RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_APP));
    ASSERT_FALSE(group.empty());
    std::vector<IconGroupEntry> entries;
    std::string error;
    ASSERT_TRUE(parseIconGroup(group.data(), group.size(), &entries, &error)) << error;
    std::set<int> sizes;
    for (const auto& e : entries) {
        EXPECT_EQ(e.width, e.height);
        sizes.insert(e.width);
        auto image = resourceBytes(programAsData(), RT_ICON, MAKEINTRESOURCEA(e.iconId));
        EXPECT_EQ(image.size(), e.bytes) << "icon image " << e.iconId;
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 32, 48}));

    // Each size must also be a usable icon, as the window class and the
    // task bar ask for it.
    for (int size : {16, 32, 48}) {
        int id = LookupIconIdFromDirectoryEx(group.data(), TRUE, size, size, LR_DEFAULTCOLOR);
        ASSERT_NE(id, 0) << size;
        auto image = resourceBytes(programAsData(), RT_ICON, MAKEINTRESOURCEA(id));
        ASSERT_FALSE(image.empty());
        HICON icon = CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE, 0x00030000, size,
                                              size, LR_DEFAULTCOLOR);
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bm{};
        GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, size);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        if (info.hbmMask) DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

TEST(ProgramResources, ToolbarStripHasTenDistinctSixteenColourImages) {
    ASSERT_NE(programAsData(), nullptr);
    auto bytes = resourceBytes(programAsData(), RT_BITMAP, MAKEINTRESOURCEA(IDB_TOOLBAR));
    ASSERT_GE(bytes.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER h;
    std::memcpy(&h, bytes.data(), sizeof h);
    ASSERT_EQ(h.biWidth, 224);
    ASSERT_EQ(std::abs(h.biHeight), 15);
    ASSERT_EQ(h.biBitCount, 4);
    ASSERT_EQ(h.biCompression, DWORD(BI_RGB));
    size_t colours = h.biClrUsed ? h.biClrUsed : 16;
    size_t stride = (224 * 4 + 31) / 32 * 4;
    ASSERT_GE(bytes.size(), h.biSize + colours * 4 + stride * 15);
    const RGBQUAD* palette = reinterpret_cast<const RGBQUAD*>(bytes.data() + h.biSize);
    const unsigned char* bits = bytes.data() + h.biSize + colours * 4;

    // The toolbar masks out light grey: that is the background.
    int background = -1;
    for (size_t i = 0; i < colours; ++i)
        if (palette[i].rgbRed == 192 && palette[i].rgbGreen == 192 && palette[i].rgbBlue == 192)
            background = static_cast<int>(i);
    ASSERT_GE(background, 0) << "no light grey in the palette";
    auto pixel = [&](int x, int y) {
        int row = h.biHeight > 0 ? 14 - y : y;
        unsigned char b = bits[row * stride + x / 2];
        return x % 2 ? b & 0x0F : b >> 4;
    };
    std::vector<std::vector<int>> images;
    for (int slot = 0; slot < TOOLBAR_IMAGES; ++slot) {
        std::vector<int> image;
        int drawn = 0;
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 16; ++x) {
                int p = pixel(slot * 16 + x, y);
                image.push_back(p);
                drawn += p != background;
            }
        EXPECT_GE(drawn, 30) << "image " << slot << " is (nearly) empty";
        for (size_t other = 0; other < images.size(); ++other)
            EXPECT_NE(images[other], image) << "images " << other << " and " << slot << " are the same";
        images.push_back(image);
    }
}

TEST(ProgramResources, AcceleratorsStartAndStopWithShiftF5AndShiftF6) {
    ASSERT_NE(programAsData(), nullptr);
    auto bytes = resourceBytes(programAsData(), RT_ACCELERATOR, MAKEINTRESOURCEA(IDA_MAIN));
    ASSERT_FALSE(bytes.empty());
    std::vector<Accelerator> table;
    std::string error;
    ASSERT_TRUE(parseAccelerators(bytes.data(), bytes.size(), &table, &error)) << error;
    ASSERT_EQ(table.size(), 2u);
    const uint16_t flags = FVIRTKEY | FSHIFT | FNOINVERT;
    std::map<uint16_t, Accelerator> byCommand;
    for (const auto& a : table) byCommand[a.command] = a;
    ASSERT_EQ(byCommand.count(CMD_START), 1u);
    ASSERT_EQ(byCommand.count(CMD_STOP), 1u);
    EXPECT_EQ(byCommand[CMD_START].key, VK_F5);
    EXPECT_EQ(byCommand[CMD_START].flags, flags);
    EXPECT_EQ(byCommand[CMD_STOP].key, VK_F6);
    EXPECT_EQ(byCommand[CMD_STOP].flags, flags);
}

TEST(ProgramResources, ManifestAsksForCommonControlsSixWithoutElevation) {
    ASSERT_NE(programAsData(), nullptr);
    auto bytes = resourceBytes(programAsData(), MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1));
    ASSERT_FALSE(bytes.empty());
    std::string xml(bytes.begin(), bytes.end());
    size_t name = xml.find("name=\"Microsoft.Windows.Common-Controls\"");
    ASSERT_NE(name, std::string::npos);
    size_t start = xml.rfind('<', name), end = xml.find('>', name);
    std::string identity = xml.substr(start, end - start);
    EXPECT_NE(identity.find("version=\"6.0.0.0\""), std::string::npos) << identity;
#ifdef _WIN64
    const std::string processor = "processorArchitecture=\"amd64\"";
#else
    const std::string processor = "processorArchitecture=\"x86\"";
#endif
    EXPECT_NE(identity.find(processor), std::string::npos) << identity;
    EXPECT_NE(xml.find("name=\"Kelmora.Orvantide\" version=\"" ORV_VERSION ".0\" " + processor), std::string::npos);
    EXPECT_NE(xml.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(xml.find("uiAccess=\"false\""), std::string::npos);
}

}  // namespace
}  // namespace orv::test
