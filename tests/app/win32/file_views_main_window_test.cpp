// The stored-file views through the real main window, created hidden in
// this process: its commands reach the views, and the status bar, the
// menu and the toolbar follow.
#include "tests/app/win32/MainWindowFixture.h"

#include <string>

#include "app/win32/FileViews.h"

namespace orv::test {
namespace {

class FileViewWindowTest : public MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        create();
    }
};

TEST_F(FileViewWindowTest, OpenedFileEnablesTheViewsAndShowsItsCount) {
    std::string path = dir / "three.zrd";
    writeFile(path, patternBytes(3 << 20));
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
    writeFile(path, patternBytes(100));
    dialogs.choose(path);
    command(CMD_OPEN_FILE);

    command(CMD_VIEW_HEX);
    EXPECT_EQ(VIEW_HEX, s->view.mode);
    EXPECT_EQ(7, s->view.grid.lineCount.load());
    EXPECT_EQ(567u, s->view.loadedSize);
    EXPECT_TRUE(buttonEnabled(CMD_VIEW_TEXT)) << "the way back from the hex view";
    std::string saved = dir / "hundred.txt";
    dialogs.choose(saved);
    command(CMD_SAVE_AS);
    EXPECT_EQ(567u, readFile(saved).size());

    command(CMD_VIEW_TEXT);
    EXPECT_EQ(VIEW_TEXT, s->view.mode);
    EXPECT_EQ(nullptr, s->view.loadedData);
    EXPECT_EQ(100u, s->byteCount.load());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FileViewWindowTest, HexViewBeforeAnyFileTellsTheEmptyPath) {
    command(CMD_VIEW_HEX);
    ASSERT_EQ(1u, messages.shown.size());
    EXPECT_EQ("Can't open data file.\n  ", messages.shown[0].text);
    EXPECT_EQ(VIEW_TEXT, s->view.mode);
}

}  // namespace
}  // namespace orv::test
