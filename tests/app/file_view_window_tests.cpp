// The stored-file views through the real main window, created hidden in
// this process: its commands reach the views, and the status bar, the
// menu and the toolbar follow.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app/win32/Startup.h"
#include "app/win32/Win32Seams.h"
#include "capture/win32/FileViews.h"
#include "tests/support/TestSupport.h"

namespace orv {
namespace {

class FileViewWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        library = LoadLibraryA((test::win32BuildFolder() + "\\Orvantide1033.dll").c_str());
        ASSERT_NE(nullptr, library);
        s->resourceLibrary = library;
        s->messages = &messages;
        s->strings = &strings;
        s->fileDialogs = &dialogs;
        HINSTANCE instance = GetModuleHandleA(nullptr);
        s->appInstance = instance;
        registerMainClass(instance);
        ASSERT_NE(nullptr, createMainWindow(*s, instance, SW_HIDE));
    }
    void TearDown() override {
        if (IsWindow(s->mainWindow)) DestroyWindow(s->mainWindow);
        if (library) FreeLibrary(library);
    }
    void command(unsigned id) { SendMessageA(s->mainWindow, WM_COMMAND, id, 0); }
    std::string statusText(int part) {
        char text[256] = "";
        SendMessageA(s->statusWindow, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(text));
        return text;
    }
    bool menuEnabled(unsigned id) {
        UINT state = GetMenuState(GetMenu(s->mainWindow), id, MF_BYCOMMAND);
        return state != UINT(-1) && !(state & (MF_GRAYED | MF_DISABLED));
    }
    bool buttonEnabled(unsigned id) {
        LRESULT state = SendMessageA(s->toolbarWindow, TB_GETSTATE, id, 0);
        return state != -1 && (state & TBSTATE_ENABLED) && !(state & TBSTATE_INDETERMINATE);
    }

    std::unique_ptr<CaptureState> s = std::make_unique<CaptureState>();
    HMODULE library = nullptr;
    LibraryStrings strings{library};
    test::ScriptedMessages messages{box::kAnswerOk};
    test::ScriptedFileDialogs dialogs;
    test::TempDir dir;
};

TEST_F(FileViewWindowTest, OpenedFileEnablesTheViewsAndShowsItsCount) {
    std::string path = dir / "three.zrd";
    test::writeFile(path, test::patternBytes(3 << 20));
    ASSERT_FALSE(menuEnabled(CMD_VIEW_HEX)) << "no file yet";
    dialogs.choose(path);
    command(CMD_OPEN_FILE);
    EXPECT_EQ(path, s->writer.captureFilePath());
    EXPECT_EQ("1048576", statusText(1));
    for (unsigned id : {CMD_SAVE_AS, CMD_VIEW_HEX, CMD_VIEW_FILTERED}) {
        EXPECT_TRUE(menuEnabled(id)) << id;
        EXPECT_TRUE(buttonEnabled(id)) << id;
    }
    EXPECT_FALSE(buttonEnabled(CMD_VIEW_TEXT)) << "the text view is what shows";
}

TEST_F(FileViewWindowTest, HexViewAndBackToText) {
    std::string path = dir / "hundred.zrd";
    test::writeFile(path, test::patternBytes(100));
    dialogs.choose(path);
    command(CMD_OPEN_FILE);

    command(CMD_VIEW_HEX);
    EXPECT_EQ(VIEW_HEX, s->viewMode);
    EXPECT_EQ(7, s->view.lineCount.load());
    EXPECT_EQ(567u, s->loadedSize);
    EXPECT_TRUE(buttonEnabled(CMD_VIEW_TEXT)) << "the way back from the hex view";
    std::string saved = dir / "hundred.txt";
    dialogs.choose(saved);
    command(CMD_SAVE_AS);
    EXPECT_EQ(567u, test::readFile(saved).size());

    command(CMD_VIEW_TEXT);
    EXPECT_EQ(VIEW_TEXT, s->viewMode);
    EXPECT_EQ(nullptr, s->loadedData);
    EXPECT_EQ(100u, s->byteCount.load());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FileViewWindowTest, HexViewBeforeAnyFileTellsTheEmptyPath) {
    command(CMD_VIEW_HEX);
    ASSERT_EQ(1u, messages.shown.size());
    EXPECT_EQ("Can't open data file.\n  ", messages.shown[0].text);
    EXPECT_EQ(VIEW_TEXT, s->viewMode);
}

}  // namespace
}  // namespace orv
