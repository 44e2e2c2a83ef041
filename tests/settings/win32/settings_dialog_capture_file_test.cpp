// The settings dialog's capture file page: the file name and its fallback,
// automatic names, and the folder browser.
#include "tests/settings/win32/SettingsDialogFixture.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "settings/SettingsForm.h"

namespace orv::test {
namespace {

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
    EXPECT_EQ(1, profile.files.autoNameFiles);
    EXPECT_STREQ("Capturedata", profile.fileBaseName);

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
    EXPECT_STREQ("data.bin.zrd", profile.files.captureFileName);
    EXPECT_EQ(0, profile.files.autoNameFiles);
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
        w.click(IDC_BROWSE);  // nothing queued: the browser is cancelled
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
    EXPECT_EQ(chosen, profile.files.captureFolder);
}

}  // namespace
}  // namespace orv::test
