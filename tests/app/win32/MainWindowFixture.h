// A real main window created in this process with the real language
// library, scripted message boxes and file dialogs, and its capture files
// in a temporary folder.  Shown (not hidden) where painting is looked at.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "app/win32/CaptureState.h"
#include "app/win32/Win32Seams.h"
#include "tests/support/TestSupport.h"
#include "tests/support/win32/RunRecordFixture.h"
#include "tests/support/win32/Win32TestSupport.h"

namespace orv::test {

class MainWindowFixture : public RunRecordFixture {
protected:
    void SetUp() override;
    void TearDown() override;
    // Creates the window; tests that look at pixels ask for SW_SHOWNORMAL.
    void create(int showCommand = SW_HIDE);

    // The message pumps of tests/support/win32, with the window's keys.
    void pump() { pumpMessages(s->mainWindow, s->accelerators); }
    bool pumpUntil(const std::function<bool()>& done, DWORD ms) {
        return test::pumpUntil(done, ms, s->mainWindow, s->accelerators);
    }
    void pumpFor(DWORD ms) { test::pumpFor(ms, s->mainWindow, s->accelerators); }
    void command(unsigned id) { SendMessageA(s->mainWindow, WM_COMMAND, id, 0); }

    // What the controls show: menu item and toolbar button of a command
    // (which must be there).
    bool menuEnabled(unsigned command) const;
    bool buttonEnabled(unsigned command) const;
    std::string statusText(int pane) const { return test::statusText(s->statusWindow, pane); }
    std::string text(unsigned id) const { return strings.load(id, 1023); }
    bool shown(const std::string& message) const;

    // Points the run at a LAN peer on loopback with a fixed capture name.
    void useLan(int port, const char* fileName = "run.zrd");
};

}  // namespace orv::test
