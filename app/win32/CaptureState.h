// The run record: the one process-wide record of the program's state.
// A link worker thread gets its address as its only argument.
//
// Fields that two threads touch are atomics: isOpen (the stop request),
// byteCount (raised by the receive thread, read by the timer), queryDialog
// (set by the UI thread, read by the receive thread) and the worker's
// thread handle.  Everything else has one thread at a time, ordered by the
// stop sequence (clear isOpen, release the blocking call, wait for the
// worker).
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "base/FileDialogSeam.h"
#include "base/Ids.h"
#include "base/MessageSeam.h"
#include "base/win32/Scoped.h"
#include "base/win32/Win32FileSystem.h"
#include "capture/CaptureWriter.h"
#include "link/ReplyParser.h"
#include "settings/Profile.h"
#include "view/ViewBuffer.h"

namespace orv {

constexpr std::uint32_t kDefaultBaudRate = 921600;

struct CaptureState {
    // ---- link block ----
    HANDLE commHandle = nullptr;
    std::uint8_t portNumber = 0;
    ViewBuffer view{};
    std::atomic<std::int32_t> isOpen{0};
    std::int32_t showCommErrors = 0;
    std::uint8_t byteSize = 0;
    std::uint8_t flowControl = 0;
    std::uint8_t parity = 0;
    std::uint8_t stopBits = 0;
    std::uint32_t baudRate = 0;
    // view display fields
    std::int16_t caretShown = 0;
    GdiObject<HFONT> viewFont;
    LOGFONTA viewLogFont{};
    std::int32_t clientWidth = 0, clientHeight = 0;
    // Read by the receive thread to turn changed cells into pixels.
    std::atomic<std::int32_t> scrollX{0}, scrollY{0};
    std::int32_t maxScrollX = 0, maxScrollY = 0;
    std::int32_t reservedPosition[2] = {0, 0};
    std::atomic<std::int32_t> charWidth{0}, lineHeight{0};
    // the one link worker thread
    std::atomic<HANDLE> threadHandle{nullptr};
    std::atomic<DWORD> threadId{0};
    OVERLAPPED writeOverlapped{};
    OVERLAPPED readOverlapped{};
    std::unique_ptr<std::uint8_t[]> sendData;  // the send thread's copy
    std::uint32_t sendSize = 0;
    std::atomic<bool> sendDelivered{false};  // the send's data all left the port
    LinkKind linkKind = LinkKind::Serial;
    char host[1025] = "";
    char dataPort[32] = "";
    HANDLE lanRxDoneEvent = nullptr;
    HANDLE sendDoneEvent = nullptr;
    // Set by every close so that a worker waiting on its line or idling
    // after a reported failure ends at once, whatever the driver does.
    HANDLE linkStopEvent = nullptr;
    HANDLE commWaitEvent = nullptr;                             // the serial receive thread's comm-event wait
    std::atomic<std::uintptr_t> lanSocket{~std::uintptr_t(0)};  // INVALID_SOCKET when none
    std::atomic<std::int32_t> lanState{0};                      // 0 idle, 3 connected, 1 closing, else the last error
    HANDLE lanReadyEvent = nullptr;                             // the capture socket's readiness for its receive thread
    std::atomic<bool> linkFailed{false};                        // the run's broken link has been reported
    // A LAN connect is under way (the window answers meanwhile), and the
    // user gave it up (stop, cancel, close).  User-interface thread only.
    bool linkOpening = false;
    bool connectAbandoned = false;
    bool closeWhenOpened = false;
    ReplyParser replyParser;  // the query's parser; receive thread only

    // ---- shell fields ----
    std::atomic<std::uint32_t> stateFlags{0};  // FLAG_HAVE_FILE, FLAG_SENDING
    std::atomic<std::uint32_t> byteCount{0};
    std::uint32_t shownByteCount = 0;  // the count the last refresh showed
    bool captureLossTold = false;      // this run's lost capture bytes were told
    std::int32_t viewMode = VIEW_TEXT;
    std::unique_ptr<std::uint8_t[]> loadedData;  // the hex text or the filtered bytes
    std::uint32_t loadedSize = 0;
    std::atomic<HWND> queryDialog{nullptr};
    std::uint32_t startFlags = 0;  // START_AT_ONCE, START_DELAYED
    std::uint32_t startDelayMs = 0;
    HWND viewWindow = nullptr;
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

// A link is open: a capture runs, or a send (until its close).  While it
// is, the worker thread owns the link, and during a capture the grid.
inline bool linkOpen(const CaptureState& state) { return state.isOpen.load() != 0; }

// A message of the language library, through the record's seams.
inline int tellUser(const CaptureState& state, HWND owner, unsigned captionId, unsigned textId, unsigned type) {
    return tellUser(*state.messages, *state.strings, owner, captionId, textId, type);
}
inline int tellUser(const CaptureState& state, HWND owner, unsigned captionId, unsigned textId, std::int64_t number,
                    unsigned type) {
    return tellUser(*state.messages, *state.strings, owner, captionId, textId, number, type);
}

// Sets the defaults that the main window's creation gives the record
// (link line settings, positions, link kind, host and port); the events
// and the grid are the caller's next steps.
void setCaptureStateDefaults(CaptureState& state);

// The events of the run record: the two overlapped records', the stop
// event, lanRxDoneEvent and sendDoneEvent.  False (with none left open)
// when one that every link needs could not be made.
bool createRunEvents(CaptureState& state);
void closeRunEvents(CaptureState& state);

}  // namespace orv
