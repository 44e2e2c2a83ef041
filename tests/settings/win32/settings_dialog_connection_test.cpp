// The settings dialog's connection page: the COM port taken from the list
// or typed, the LAN host that must be given, and both panels' values.
#include "tests/settings/win32/SettingsDialogFixture.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "settings/SettingsForm.h"

namespace orv::test {
namespace {

TEST_F(SettingsDialogTest, ComPortIsTakenFromTheListOrTypedAndInvalidTextsBecomeCom1) {
    struct Case {
        const char* what;
        int listIndex;  // -1: typed instead
        const char* typed;
        const char* taken;
    };
    const Case cases[] = {
        {"tenth list item", 9, "", "COM10"},    {"first list item", 0, "", "COM1"},
        {"typed COM12", -1, "COM12", "COM12"},  {"typed COM255", -1, "COM255", "COM255"},
        {"lower case", -1, "com5", "COM1"},     {"port 0", -1, "COM0", "COM1"},
        {"beyond 255", -1, "COM300", "COM1"},   {"no number", -1, "COM", "COM1"},
        {"another device", -1, "LPT2", "COM1"},
    };
    for (const Case& c : cases) {
        // Leaving the field shows the rule at once; OK by the Enter key,
        // with the focus still in the field, takes the same.
        for (bool leaveFirst : {true, false}) {
            SCOPED_TRACE(std::string(c.what) + (leaveFirst ? ", field left" : ", Enter in the field"));
            seed("method=serial\r\ncom=COM4\r\n", "");
            ASSERT_TRUE(run([&](SettingsWindows& w) {
                if (c.listIndex >= 0) {
                    SetFocus(w.control(IDC_COM_PORT));
                    w.pick(IDC_COM_PORT, c.listIndex);
                } else {
                    w.type(IDC_COM_PORT, c.typed);
                }
                if (leaveFirst) {
                    w.leave();
                    EXPECT_EQ(c.taken, w.text(IDC_COM_PORT)) << "shown once the field is left";
                    w.ok();
                } else {
                    w.pressEnter();
                }
                EXPECT_TRUE(w.ended());
            }));
            EXPECT_EQ(c.taken, stored()["connection/com"]);
            EXPECT_STREQ(c.taken, profile.connection.comPort);
            EXPECT_NE(0, comPortNumber(profile.connection.comPort));
        }
    }
}

TEST_F(SettingsDialogTest, StoredPortNameThatNamesNoPortOpensAsCom1) {
    struct Case {
        const char* stored;
        const char* shown;
    };
    const Case cases[] = {
        {"COM", "COM1"}, {"COM0", "COM1"}, {"COM300", "COM1"}, {"COM9", "COM9"}, {"COM000000000000012", "COM12"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        seed(std::string("com=") + c.stored + "\r\n", "");
        ASSERT_TRUE(run([&](SettingsWindows& w) {
            EXPECT_EQ(c.shown, w.text(IDC_COM_PORT));
            w.cancel();
        }));
    }
}

TEST_F(SettingsDialogTest, LanWithoutHostIsRefusedUntilAHostIsGiven) {
    seed("method=serial\r\nhost=\r\ndService=10001\r\ncom=COM2\r\n", "");
    ASSERT_NE("", strings.load(IDS_HOST_MISSING, 1024)) << "the library has the text";
    ASSERT_NE("", strings.load(IDS_SETTINGS_ERROR, 63));
    std::string before;
    ASSERT_TRUE(run([&](SettingsWindows& w) {
        before = readText(ini);
        w.pick(IDC_LINK_KIND, 1);
        for (const char* host : {"", "   "}) {
            SCOPED_TRACE(std::string("host \"") + host + "\"");
            messages.shown.clear();
            w.type(IDC_HOST, host);
            w.clickTab(1);  // OK pressed from the other page
            w.ok();
            ASSERT_EQ(1u, messages.shown.size());
            EXPECT_EQ(strings.load(IDS_HOST_MISSING, 1024), messages.shown[0].text);
            EXPECT_EQ(strings.load(IDS_SETTINGS_ERROR, 63), messages.shown[0].caption);
            EXPECT_EQ(unsigned(MB_OK | MB_ICONERROR), messages.shown[0].type);
            EXPECT_FALSE(w.ended()) << "the dialog stays open";
            EXPECT_EQ(before, readText(ini)) << "nothing saved";
            EXPECT_TRUE(IsWindowVisible(w.connectionPage)) << "back where the host goes";
            EXPECT_EQ(w.control(IDC_HOST), GetFocus());
            EXPECT_EQ(0, SendMessageA(w.tab, TCM_GETCURSEL, 0, 0));
        }
        EXPECT_EQ(1, SendMessageA(w.control(IDC_LINK_KIND), CB_GETCURSEL, 0, 0)) << "values kept";
        messages.shown.clear();
        w.type(IDC_HOST, " 192.168.1.50 ");
        w.type(IDC_PORT, "");
        w.ok();
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_TRUE(w.ended());
    }));
    auto entries = stored();
    EXPECT_EQ("lan", entries["connection/method"]);
    EXPECT_EQ("192.168.1.50", entries["connection/host"]);
    EXPECT_EQ("", entries["connection/dService"]) << "an empty port is accepted";
    EXPECT_EQ(1, profile.connection.method);
    EXPECT_STREQ("192.168.1.50", profile.connection.lanHost);
    EXPECT_STREQ("", profile.connection.dService);
    // The next read of the profile gives the empty port its default.
    Profile next = profile;
    Win32IniStore store;
    loadProfile(next, store, 0);
    EXPECT_STREQ("10001", next.connection.dService);
    EXPECT_STREQ("192.168.1.50", next.connection.lanHost);
}

TEST_F(SettingsDialogTest, BothPanelsKeepTheirValuesAndOkSavesBoth) {
    seed("method=serial\r\ncom=COM1\r\n", "");
    ASSERT_TRUE(run([&](SettingsWindows& w) {
        w.pick(IDC_LINK_KIND, 1);
        EXPECT_TRUE(IsWindowVisible(w.lanPanel)) << "the other panel at once";
        EXPECT_FALSE(IsWindowVisible(w.serialPanel));
        w.type(IDC_HOST, "device.local");
        w.type(IDC_PORT, "4001");
        w.pick(IDC_LINK_KIND, 0);
        EXPECT_TRUE(IsWindowVisible(w.serialPanel));
        EXPECT_FALSE(IsWindowVisible(w.lanPanel));
        EXPECT_EQ("device.local", w.text(IDC_HOST));
        SetFocus(w.control(IDC_COM_PORT));
        w.pick(IDC_COM_PORT, 2);
        w.ok();
        EXPECT_TRUE(w.ended());
    }));
    auto entries = stored();
    EXPECT_EQ("serial", entries["connection/method"]);
    EXPECT_EQ("COM3", entries["connection/com"]);
    EXPECT_EQ("device.local", entries["connection/host"]);
    EXPECT_EQ("4001", entries["connection/dService"]);
    EXPECT_EQ(0, profile.connection.method);
    EXPECT_STREQ("COM3", profile.connection.comPort);
    EXPECT_STREQ("device.local", profile.connection.lanHost);
    EXPECT_STREQ("4001", profile.connection.dService);
    // The port field takes no more than the run record holds.
    ASSERT_TRUE(run([&](SettingsWindows& w) {
        EXPECT_EQ(kDataPortSize - 1, SendMessageA(w.control(IDC_PORT), EM_GETLIMITTEXT, 0, 0));
        w.cancel();
    }));
}

}  // namespace
}  // namespace orv::test
