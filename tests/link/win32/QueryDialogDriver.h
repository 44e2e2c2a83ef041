// The device query dialog run modally from the language library's
// template, owned by the run record's main window, and driven by a script
// on a timer of the user-interface thread, inside the dialog's modal loop.
// No gtest: the screenshot tool drives the dialog too.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "app/win32/CaptureState.h"

namespace orv::test {

// The text of a field of the dialog.
std::string field(HWND dialog, int id);
// The four line fields from line 3 down, "-" for an empty one.
std::string lines(HWND dialog);
// A click on a button, as the dialog's procedure hears of it.
void press(HWND dialog, int id);

struct QueryDialogRun {
    INT_PTR result = -1;
    bool timedOut = false;
    bool endedByScript = false;
};

// Runs the query dialog on the run record.  step is called every 20 ms
// with the dialog and returns true when the script is done; the dialog is
// then closed with its Close button.  A script that is not done within
// limitMs is closed too, and timedOut tells.
QueryDialogRun runQueryDialogScript(CaptureState& state, const std::function<bool(HWND)>& step, DWORD limitMs);

}  // namespace orv::test
