// Orvantide.exe as a user starts it: one window, a second start that only
// brings the first to the front, and a clean end through the close box.
#include <windows.h>
#include <gtest/gtest.h>
#include <psapi.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/win32/Startup.h"
#include "base/Ids.h"
#include "tests/app/win32/ProgramRunner.h"
#include "tests/support/TestSupport.h"

namespace orv::test {
namespace {

TEST(Startup, ShowsItsWindowWithMenuAndEndsCleanlyAfterTheCloseQuestion) {
    Program program;
    ASSERT_TRUE(program.start());
    HWND main = waitForWindow(program.pi.dwProcessId, MAIN_CLASS_NAME);
    ASSERT_NE(nullptr, main);
    char title[64] = "";
    GetWindowTextA(main, title, sizeof title);
    EXPECT_STREQ(MAIN_TITLE, title);
    EXPECT_NE(nullptr, GetMenu(main));

    PostMessageA(main, WM_CLOSE, 0, 0);
    HWND question = waitForWindow(program.pi.dwProcessId, "#32770");
    ASSERT_NE(nullptr, question) << "closing asks first";
    EXPECT_EQ(STILL_ACTIVE, program.waitExit(300)) << "nothing ends before the answer";
    PostMessageA(question, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(0u, program.waitExit(15000));
}

TEST(Startup, CancelInTheCloseQuestionKeepsTheWindow) {
    Program program;
    ASSERT_TRUE(program.start());
    HWND main = waitForWindow(program.pi.dwProcessId, MAIN_CLASS_NAME);
    ASSERT_NE(nullptr, main);
    PostMessageA(main, WM_COMMAND, CMD_EXIT, 0);  // the menu's Exit asks the same question
    HWND question = waitForWindow(program.pi.dwProcessId, "#32770");
    ASSERT_NE(nullptr, question);
    PostMessageA(question, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(STILL_ACTIVE, program.waitExit(500));
    EXPECT_TRUE(IsWindow(main));
}

TEST(Startup, SecondStartEndsAtOnceAndKeepsTheFirst) {
    Program first;
    ASSERT_TRUE(first.start());
    ASSERT_NE(nullptr, waitForWindow(first.pi.dwProcessId, MAIN_CLASS_NAME));
    Program second;
    ASSERT_TRUE(second.start(" -r"));
    EXPECT_EQ(0u, second.waitExit(15000));
    EXPECT_EQ(STILL_ACTIVE, first.waitExit(0));
}

TEST(Startup, TwoStartsAtOnceGiveOneWindow) {
    Program first, second;
    ASSERT_TRUE(first.start());
    ASSERT_TRUE(second.start());
    // One of them ends by itself; the other runs on with its window.
    DWORD ended = WAIT_TIMEOUT;
    for (int i = 0; i < 300 && ended == WAIT_TIMEOUT; ++i) {
        if (first.waitExit(0) == 0) ended = 1;
        if (second.waitExit(0) == 0) ended = 2;
        Sleep(50);
    }
    ASSERT_NE(WAIT_TIMEOUT, ended) << "both run";
    Program& running = ended == 1 ? second : first;
    EXPECT_EQ(STILL_ACTIVE, running.waitExit(0));
    EXPECT_NE(nullptr, waitForWindow(running.pi.dwProcessId, MAIN_CLASS_NAME));
}

TEST(Startup, SecondStartRestoresAMinimisedFirst) {
    Program first;
    ASSERT_TRUE(first.start());
    HWND main = waitForWindow(first.pi.dwProcessId, MAIN_CLASS_NAME);
    ASSERT_NE(nullptr, main);
    ShowWindow(main, SW_MINIMIZE);
    for (int i = 0; i < 100 && !IsIconic(main); ++i) Sleep(20);
    ASSERT_TRUE(IsIconic(main));
    Program second;
    ASSERT_TRUE(second.start());
    EXPECT_EQ(0u, second.waitExit(15000));
    for (int i = 0; i < 100 && IsIconic(main); ++i) Sleep(20);
    EXPECT_FALSE(IsIconic(main)) << "the running one is restored";
}

// The language library is looked for beside the program: copies of the
// English one stand in for other languages.
class LanguageLibraryTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (const std::string& copy : copies) DeleteFileA(copy.c_str());
    }
    // The library built for one language, beside the test as another's.
    void placeAs(int language, int built = 1033) {
        char exe[MAX_PATH];
        GetModuleFileNameA(nullptr, exe, sizeof exe);
        std::string folder(exe, std::strrchr(exe, '\\'));
        std::string copy = folder + "\\Orvantide" + std::to_string(language) + ".dll";
        std::string original = win32BuildFolder() + "\\Orvantide" + std::to_string(built) + ".dll";
        ASSERT_TRUE(CopyFileA(original.c_str(), copy.c_str(), FALSE));
        copies.push_back(copy);
    }
    CaptureState state;
    std::vector<std::string> copies;
};

// The file a library loaded as data was mapped from.
std::string mappedFile(HMODULE library) {
    char name[MAX_PATH] = "";
    void* base = reinterpret_cast<void*>(reinterpret_cast<ULONG_PTR>(library) & ~ULONG_PTR(3));
    K32GetMappedFileNameA(GetCurrentProcess(), base, name, sizeof name);
    return name;
}

TEST_F(LanguageLibraryTest, TheUsersLanguageWhenItsLibraryIsThere) {
    placeAs(1041);
    placeAs(1033);
    state.languageId = 1041;
    const LoadedLibrary library = loadResourceLibrary(state);
    ASSERT_TRUE(library);
    EXPECT_EQ(1041, state.languageId);
    EXPECT_NE(std::string::npos, mappedFile(state.resourceLibrary).find("Orvantide1041.dll"))
        << mappedFile(state.resourceLibrary);
}

TEST_F(LanguageLibraryTest, OnlyBesideTheProgramAndOnlyAsResources) {
    placeAs(1033);
    // A library of the user's language planted in the current folder is
    // never looked at.
    TempDir elsewhere;
    std::string planted = elsewhere / "Orvantide1041.dll";
    ASSERT_TRUE(CopyFileA((win32BuildFolder() + "\\Orvantide1033.dll").c_str(), planted.c_str(), FALSE));
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    SetCurrentDirectoryA(elsewhere.path().c_str());
    state.languageId = 1041;
    LoadedLibrary loaded = loadResourceLibrary(state);
    SetCurrentDirectoryA(previous);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(1033, state.languageId);
    EXPECT_EQ(nullptr, GetModuleHandleA("Orvantide1041.dll"));
    // Loaded as data: not a module whose code could run.
    EXPECT_EQ(nullptr, GetModuleHandleA("Orvantide1033.dll"));
    EXPECT_NE(nullptr, FindResourceA(state.resourceLibrary, MAKEINTRESOURCEA(IDM_MAIN), RT_MENU));
    loaded.reset();
    DeleteFileA(planted.c_str());
}

// The first popup's title: which language the menu speaks.
std::string firstMenuTitle(HMODULE library) {
    HMENU menu = LoadMenuA(library, MAKEINTRESOURCEA(IDM_MAIN));
    char text[64] = "";
    if (menu) GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
    if (menu) DestroyMenu(menu);
    return text;
}

TEST_F(LanguageLibraryTest, GermanForAGermanUserEnglishForAFrenchOne) {
    placeAs(1031, 1031);
    placeAs(1033);
    state.languageId = 1031;
    LoadedLibrary library = loadResourceLibrary(state);
    ASSERT_TRUE(library);
    EXPECT_EQ(1031, state.languageId);
    EXPECT_EQ("&Datei", firstMenuTitle(state.resourceLibrary));

    state.languageId = 1036;
    library = loadResourceLibrary(state);
    ASSERT_TRUE(library);
    EXPECT_EQ(1033, state.languageId);
    EXPECT_EQ("&File", firstMenuTitle(state.resourceLibrary));
}

TEST_F(LanguageLibraryTest, EnglishWhenTheUsersLanguageHasNone) {
    placeAs(1033);
    state.languageId = 1041;
    const LoadedLibrary library = loadResourceLibrary(state);
    ASSERT_TRUE(library);
    EXPECT_EQ(1033, state.languageId);
    EXPECT_NE(nullptr, FindResourceA(state.resourceLibrary, MAKEINTRESOURCEA(IDM_MAIN), RT_MENU));
}

}  // namespace
}  // namespace orv::test
