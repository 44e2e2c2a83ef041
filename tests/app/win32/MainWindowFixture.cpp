#include "tests/app/win32/MainWindowFixture.h"

#include "app/win32/Startup.h"
#include "base/Text.h"
#include "tests/link/win32/DevSim.h"

namespace orv::test {

void MainWindowFixture::SetUp() {
    RunRecordFixture::SetUp();
    if (HasFatalFailure()) return;
    s->appInstance = GetModuleHandleA(nullptr);
    registerMainClass(s->appInstance);  // a second registration in one process fails harmlessly
}

void MainWindowFixture::create(int showCommand) {
    ASSERT_NE(nullptr, createMainWindow(*s, s->appInstance, showCommand));
    copyCut(s->profile.files.captureFolder, dir.path().c_str());
    s->profile.files.autoNameFiles = 0;
    copyCut(s->profile.files.captureFileName, "run.zrd");
    // The prefix's profile may come from an earlier version (printer=epson)
    // or another program's run (print=YES): the tests start from defaults.
    s->profile.documents = DocumentSettings{};
    pump();
}

void MainWindowFixture::TearDown() {
    if (s->mainWindow && IsWindow(s->mainWindow)) {
        // Whatever runs is ended without a question.
        DestroyWindow(s->mainWindow);
    }
    pump();
    RunRecordFixture::TearDown();
}

bool MainWindowFixture::menuEnabled(unsigned command) const {
    bool present = false;
    const bool enabled = test::menuEnabled(s->mainWindow, command, &present);
    EXPECT_TRUE(present) << "menu item " << command;
    return enabled;
}

bool MainWindowFixture::buttonEnabled(unsigned command) const {
    bool present = false;
    const bool enabled = test::buttonEnabled(s->toolbarWindow, command, &present);
    EXPECT_TRUE(present) << "toolbar button " << command;
    return enabled;
}

bool MainWindowFixture::shown(const std::string& message) const {
    for (const auto& m : messages.shown)
        if (m.text == message) return true;
    return false;
}

void MainWindowFixture::useLan(int port, const char* fileName) {
    pointAtLan(*s, "127.0.0.1", std::to_string(port));
    copyCut(s->profile.files.captureFileName, fileName);
}

}  // namespace orv::test
