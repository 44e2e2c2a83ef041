#include "tests/app/win32/MainWindowFixture.h"

#include "base/Text.h"
#include "app/win32/Startup.h"

namespace orv::test {

void MainWindowFixture::SetUp() {
    library = LoadLibraryA((win32BuildFolder() + "\\Orvantide1033.dll").c_str());
    ASSERT_NE(nullptr, library);
    s->resourceLibrary = library;
    s->messages = &messages;
    s->strings = &strings;
    s->fileDialogs = &dialogs;
    s->appInstance = GetModuleHandleA(nullptr);
    registerMainClass(s->appInstance);  // a second registration in one process fails harmlessly
}

void MainWindowFixture::create(int showCommand) {
    ASSERT_NE(nullptr, createMainWindow(*s, s->appInstance, showCommand));
    copyCut(s->profile.files.captureFolder, dir.path().c_str());
    s->profile.files.autoNameFiles = 0;
    copyCut(s->profile.files.captureFileName, "run.zrd");
    pump();
}

void MainWindowFixture::TearDown() {
    if (s->mainWindow && IsWindow(s->mainWindow)) {
        // Whatever runs is ended without a question.
        DestroyWindow(s->mainWindow);
    }
    pump();
    if (library) FreeLibrary(library);
}

void MainWindowFixture::pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        if (!TranslateAcceleratorA(s->mainWindow, s->accelerators, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

bool MainWindowFixture::pumpUntil(const std::function<bool()>& done, DWORD ms) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        pump();
    }
    return true;
}

void MainWindowFixture::pumpFor(DWORD ms) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        pump();
    }
}

bool MainWindowFixture::menuEnabled(unsigned command) const {
    UINT state = GetMenuState(GetMenu(s->mainWindow), command, MF_BYCOMMAND);
    EXPECT_NE(UINT(-1), state) << "menu item " << command;
    return (state & (MF_GRAYED | MF_DISABLED)) == 0;
}

bool MainWindowFixture::buttonEnabled(unsigned command) const {
    LRESULT state = SendMessageA(s->toolbarWindow, TB_GETSTATE, command, 0);
    EXPECT_NE(-1, state) << "toolbar button " << command;
    return (state & TBSTATE_ENABLED) && !(state & TBSTATE_INDETERMINATE);
}

std::string MainWindowFixture::statusText(int part) const {
    char text[256] = "";
    SendMessageA(s->statusWindow, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(text));
    return text;
}

bool MainWindowFixture::shown(const std::string& message) const {
    for (const auto& m : messages.shown)
        if (m.text == message) return true;
    return false;
}

void MainWindowFixture::useLan(int port, const char* fileName) {
    s->linkKind = 1;
    copyCut(s->host, "127.0.0.1");
    copyCut(s->dataPort, std::to_string(port).c_str());
    copyCut(s->profile.files.captureFileName, fileName);
}

}  // namespace orv::test
