// The run record: the one process-wide record of the window program's
// state.  The link itself belongs to the run's worker (LinkWorker), which
// the record holds while a capture or a send runs.
//
// Fields that two threads touch are atomics: byteCount (raised by the
// capture thread, read by the timer), queryDialog (set by the UI thread,
// read by the capture thread), stateFlags, and the view's scroll and cell
// sizes.  The grid has one writer at a time: the capture thread while a
// capture runs, the UI thread otherwise; the capture file likewise.
// Everything else is the UI thread's.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "app/CaptureWriter.h"
#include "base/FileDialogSeam.h"
#include "base/Ids.h"
#include "base/MessageSeam.h"
#include "base/win32/Scoped.h"
#include "base/win32/Win32FileSystem.h"
#include "settings/Profile.h"
#include "view/win32/PageView.h"
#include "view/win32/ViewWindow.h"

namespace orv {

class LinkWorker;
// Ends a worker that still runs and frees it (LinkWorker.cpp): a record may
// go while a run is under way (a test that ends mid-run).
struct WorkerEnd {
    void operator()(LinkWorker* worker) const;
};
class CaptureDocuments;
// Makes the PDFs and prints still queued and frees the queue
// (DocumentCommands.cpp).
struct CaptureDocumentsEnd {
    void operator()(CaptureDocuments* documents) const;
};
class WindowPrint;
// Gives up a print still under way and frees it (PrintCommands.cpp).
struct WindowPrintEnd {
    void operator()(WindowPrint* print) const;
};

// What runs, as the controls show it.  Starting: a capture's link is being
// opened (the UI answers meanwhile); Stopping: inside the stop.
enum class RunState : std::uint8_t { Idle, Starting, Capturing, Stopping, Sending };

struct CaptureState {
    // What the view window shows; the capture thread writes its grid while
    // a capture runs.
    ViewState view;
    // Only through setRunState: the view follows it.
    RunState runState = RunState::Idle;
    ViewRunHalves viewRun;  // the view's start and stop
    // The capture or send that runs; its thread posts what happens.
    std::unique_ptr<LinkWorker, WorkerEnd> worker;
    bool closeWhenIdle = false;  // a close asked for while a start was under way
    // The PDFs and prints of captures that have ended, made on a thread
    // of their own.
    std::unique_ptr<CaptureDocuments, CaptureDocumentsEnd> captureDocuments;
    // The page view, shown in the view window's place (View > Pages).
    PageViewState pages;
    // The print of the Print command, on a thread of its own.
    std::unique_ptr<WindowPrint, WindowPrintEnd> print;

    // ---- shell fields ----
    std::atomic<std::uint32_t> stateFlags{0};  // FLAG_HAVE_FILE, FLAG_SENDING
    std::atomic<std::uint32_t> byteCount{0};
    std::uint32_t shownByteCount = 0;  // the count the last refresh showed
    bool captureLossTold = false;      // this run's lost capture bytes were told
    std::atomic<HWND> queryDialog{nullptr};
    std::uint32_t startFlags = 0;  // START_AT_ONCE, START_DELAYED
    std::uint32_t startDelayMs = 0;
    HWND mainWindow = nullptr;
    HWND toolbarWindow = nullptr;
    HWND statusWindow = nullptr;
    HINSTANCE appInstance = nullptr;
    HMODULE resourceLibrary = nullptr;
    HACCEL accelerators = nullptr;
    std::uint16_t languageId = 0;

    // ---- the capture file and the seams to the user ----
    Win32FileSystem fileSystem;
    CaptureWriter writer{fileSystem};       // owns captureFilePath
    Profile profile;                        // settings and folders
    MessageSeam* messages = nullptr;        // message boxes
    const StringTable* strings = nullptr;   // the language library's texts
    FileDialogSeam* fileDialogs = nullptr;  // open, save and folder dialogs
};

// A link is open or being opened: a capture runs or starts, or a send.
// While it is, the worker owns the link, and during a capture the grid.
inline bool linkOpen(const CaptureState& state) { return state.runState != RunState::Idle; }
inline bool capturing(const CaptureState& state) { return state.runState == RunState::Capturing; }
inline void setRunState(CaptureState& state, RunState runState) {
    state.runState = runState;
    state.view.live = runState != RunState::Idle;
}

// A message of the language library, through the record's seams.
inline int tellUser(const CaptureState& state, HWND owner, unsigned captionId, unsigned textId, unsigned type) {
    return tellUser(*state.messages, *state.strings, owner, captionId, textId, type);
}
inline int tellUser(const CaptureState& state, HWND owner, unsigned captionId, unsigned textId, std::int64_t number,
                    unsigned type) {
    return tellUser(*state.messages, *state.strings, owner, captionId, textId, number, type);
}

// The language library's text textId with %s replaced by subject.
std::string loadedWith(const CaptureState& state, unsigned textId, const std::string& subject);
// A warning box over the main window under the failure caption.
void warnUser(const CaptureState& state, const std::string& text);

// Sets the defaults that the main window's creation gives the record.
void setCaptureStateDefaults(CaptureState& state);
// Back to an empty text view (resetView), with the byte count and its
// part of the status bar cleared too.
void clearView(CaptureState& state);

}  // namespace orv
