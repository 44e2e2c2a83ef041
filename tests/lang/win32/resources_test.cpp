// The resources the program takes on trust: it never checks the result of
// loading a string, the menu or a dialog template from the language
// library, nor the icon, toolbar strip and accelerators of its own file.
// A missing string shows an empty message box, a stray '%' feeds wsprintf
// an argument that is not there, a wrong control id leaves a dialog dead.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "IdLists.h"
#include "LanguageLibrary.h"
#include "base/Ids.h"

namespace orv::test {
namespace {

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
    {IDS_TAB_DOCUMENTS, "", 63},
    {IDS_PAPER_A4, "", 63},  // list items
    {IDS_PAPER_LETTER, "", 63},
    {IDS_PAPER_CUSTOM, "", 63},
    {IDS_CODE_PAGE_437, "", 63},
    {IDS_CODE_PAGE_850, "", 63},
    {IDS_CODE_PAGE_852, "", 63},
    {IDS_CODE_PAGE_858, "", 63},
    {IDS_CODE_PAGE_865, "", 63},
    {IDS_CODE_PAGE_866, "", 63},
    {IDS_CODE_PAGE_1252, "", 63},
    {IDS_CODE_PAGE_895, "", 63},
    {IDS_CODE_PAGE_667, "", 63},
    {IDS_CODE_PAGE_737, "", 63},
    {IDS_CODE_PAGE_775, "", 63},
    {IDS_CODE_PAGE_857, "", 63},
    {IDS_CODE_PAGE_860, "", 63},
    {IDS_CODE_PAGE_861, "", 63},
    {IDS_CODE_PAGE_862, "", 63},
    {IDS_CODE_PAGE_863, "", 63},
    {IDS_CODE_PAGE_869, "", 63},
    {IDS_CODE_PAGE_28591, "", 63},
    {IDS_CODE_PAGE_28592, "", 63},
    {IDS_CODE_PAGE_28605, "", 63},
    {IDS_PRINTER_AUTO, "", 63},
    {IDS_PRINTER_EPSON, "", 63},
    {IDS_PRINTER_EPSON9, "", 63},
    {IDS_PRINTER_IBM, "", 63},
    {IDS_DOCUMENT_SETTINGS, "", 31},
    {IDS_PAPER_INVALID, "", 1023},
    {IDS_TOP_OF_FORM_INVALID, "", 1023},
    {IDS_PINS_NINE, "%s", 255},  // status bar, formatted with the command that told
    {IDS_PINS_TWENTY_FOUR, "%s", 255},
    {IDS_PINS_UNTOLD, "", 255},
    {IDS_DEFAULT_PRINTER, "", 63},  // the printer list's first item
    {IDS_DEFAULT_PRINTER_IS, "%s", 63},
    {IDS_SETTINGS_ERROR, "", 31},
    {IDS_BROWSE_TITLE, "", 255},
    {IDS_FOLDER_MISSING, "%s", 255},
    {IDS_STATE_RUNNING, "", 31},
    {IDS_STATE_STARTING, "", 31},
    {IDS_STATE_IDLE, "", 31},
    {IDS_STATE_STOPPING, "", 31},
    {IDS_PAGE_POSITION, "%u%u", 63},  // status bar part 2: the page, then the pages
    {IDS_PAGE_COUNTING, "%u%u", 63},
    {IDS_PAGES_NONE, "", 63},
    {IDS_PRINTING, "%s%u", 255},  // status bar part 3: the printer, then the pages
    {IDS_PRINTED, "%s%u", 255},
    {IDS_PRINT_CANCELLING, "", 255},
    {IDS_PRINT_CANCELLED, "", 255},
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
    {IDS_EXPORT_TITLE, "", 1023},
    {IDS_RENDER_READ_FAILED, "%s", 1023},
    {IDS_RENDER_LANGUAGE, "%s", 1023},
    {IDS_RENDER_WRITE_FAILED, "%s", 1023},
    {IDS_RENDER_TOO_LARGE, "%s", 1023},
    {IDS_RENDER_SAME_FILE, "%s", 1023},
    {IDS_PRINT_NO_PRINTER, "%s", 1023},
    {IDS_PRINT_UNREACHABLE, "%s", 1023},
    {IDS_PRINT_REFUSED, "%s", 1023},
    {IDS_PRINT_NO_DEFAULT, "", 1023},
    {IDS_PRINT_LANGUAGE, "%s", 1023},
    {IDS_PRINT_EMPTY, "", 1023},
    {IDS_CAPTURE_NOT_PRINTED, "%s", 1023},
    {IDS_PAGES_LANGUAGE, "%s", 1023},
};

const ExpectedString* expectedString(UINT id) {
    for (const auto& s : kStrings)
        if (s.id == id) return &s;
    return nullptr;
}

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
    ASSERT_EQ(expected.size(), 16u) << "the command list of Ids.h changed";
    for (UINT id : expected) EXPECT_EQ(found.count(id), 1u) << "command " << id;
    EXPECT_EQ(found.count(CMD_VIEW_TEXT), 0u);
    for (UINT id : found) EXPECT_EQ(expected.count(id), 1u) << "unknown command " << id << " on the menu";
}

TEST_P(LanguageLibrary, MenuShowsTheCaptureShortcuts) {
    HMENU menu = LoadMenuA(library(), MAKEINTRESOURCEA(IDM_MAIN));
    ASSERT_NE(menu, nullptr);
    char start[128] = "", stop[128] = "", print[128] = "";
    GetMenuStringA(menu, CMD_START, start, sizeof start, MF_BYCOMMAND);
    GetMenuStringA(menu, CMD_STOP, stop, sizeof stop, MF_BYCOMMAND);
    GetMenuStringA(menu, CMD_PRINT, print, sizeof print, MF_BYCOMMAND);
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
    EXPECT_GT(shortcut(print).size(), 3u) << print;  // "Ctrl+P", "Strg+P"
    EXPECT_EQ(shortcut(print).substr(shortcut(print).find('+') + 1), "P") << print;
}

}  // namespace
}  // namespace orv::test
