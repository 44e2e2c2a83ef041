// The program's main window made in this process, with a language library
// of the build and scripted message boxes and file dialogs: what the
// documentation's pictures and the page view's bench drive.  No gtest.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <memory>
#include <string>

#include "app/win32/CaptureState.h"
#include "app/win32/Win32Seams.h"
#include "tests/support/TestSupport.h"

namespace orv::test {

class ProgramWindow {
public:
    // Orvantide<language>.dll from folder; the window shown as showCommand.
    ProgramWindow(const std::string& folder, int language, int showCommand);
    // Destroys the window and frees the library.
    ~ProgramWindow();
    ProgramWindow(const ProgramWindow&) = delete;
    ProgramWindow& operator=(const ProgramWindow&) = delete;

    // False (and said on standard error) when the library or the window
    // could not be had.
    bool made() const { return s->mainWindow != nullptr; }
    void command(unsigned id) const { SendMessageA(s->mainWindow, WM_COMMAND, id, 0); }

    std::unique_ptr<CaptureState> s = std::make_unique<CaptureState>();
    HMODULE library = nullptr;
    LibraryStrings strings{library};
    ScriptedMessages messages{box::kAnswerOk};
    ScriptedFileDialogs dialogs;
};

}  // namespace orv::test
