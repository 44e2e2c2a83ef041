#include "app/win32/ViewCommands.h"

#include "app/win32/FileViews.h"
#include "app/win32/RunDisplay.h"
#include "base/Text.h"
#include "capture/Documents.h"
#include "view/win32/PageView.h"
#include "view/win32/ViewWindow.h"

namespace orv {
namespace {

// The file in the view, or the last capture, as pages: read and rendered
// on the page feed's thread with the document settings, as Export as PDF
// renders it.
void showFileAsPages(CaptureState& state) {
    // What the text view held goes: Save As then copies the file, as the
    // text view's does.
    freeLoadedData(state.view);
    releaseViewButtons(state);
    const std::string path = state.writer.captureFilePath();
    FileSystem& fs = state.fileSystem;
    PageFeed::Load load = [&fs, path](std::vector<std::uint8_t>& job) -> SysError {
        PrintJob read(inputKindOf(path));
        if (const SysError error = readJob(fs, path, read)) return error;
        job = std::move(read.finish());
        return 0;
    };
    if (state.view.window) ShowWindow(state.view.window, SW_HIDE);
    if (!showPages(state.pages, std::move(load), documentOptions(state.profile.documents))) {
        // No thread to be had for the pages.
        tellUser(state, state.mainWindow, IDS_FAILURE_CAPTION, IDS_RENDER_TOO_LARGE, box::kOk | box::kIconWarning);
        runViewCommand(state, CMD_VIEW_TEXT);
        return;
    }
    enableTextViewButton(state);
    showPagePosition(state);
}

}  // namespace

void leavePages(CaptureState& state) {
    if (!pagesShown(state.pages)) return;
    closePages(state.pages);
    if (state.view.window) ShowWindow(state.view.window, SW_SHOW);
    showPagePosition(state);
}

void pagesChanged(CaptureState& state) {
    const PagePosition at = pagePosition(state.pages);
    if (!at.shown) return;
    const RenderOutcome& outcome = at.outcome;
    if (outcome.ok()) return showPagePosition(state);
    const std::string path = state.writer.captureFilePath();
    const unsigned textId = outcome.failure == RenderOutcome::Failure::Read       ? IDS_RENDER_READ_FAILED
                            : outcome.failure == RenderOutcome::Failure::Language ? IDS_PAGES_LANGUAGE
                                                                                  : IDS_RENDER_TOO_LARGE;
    const std::string subject =
        outcome.failure == RenderOutcome::Failure::Language ? render::languageName(outcome.language) : path;
    // Back to the text first: the message is told once.
    runViewCommand(state, CMD_VIEW_TEXT);
    warnUser(state, loadedWith(state, textId, subject));
}

// The view commands and save-as belong to Idle: while a link runs, the
// receive thread owns the grid and the capture file is being written.
void runViewCommand(CaptureState& state, unsigned command) {
    if (linkOpen(state)) return;
    if (command == CMD_VIEW_PAGES) return showFileAsPages(state);
    // Every other view is the view window's (a file to open once chosen).
    if (command != CMD_OPEN_FILE) leavePages(state);
    // The path is copied: CMD_OPEN_FILE replaces it.
    char path[kPathSize];
    copyCut(path, state.writer.captureFilePath());
    switch (command) {
    case CMD_VIEW_HEX:
    case CMD_VIEW_FILTERED: {
        clearView(state);
        freeLoadedData(state.view);
        const bool hex = command == CMD_VIEW_HEX;
        // The loads repaint the cells they fill where those cells are: in
        // the view.
        if (!(hex ? loadHexDump(state, state.mainWindow, path) : loadFileFiltered(state, path))) return;
        state.view.mode = hex ? VIEW_HEX : VIEW_FILTERED;
        refreshViewExtents(state.view);
        enableTextViewButton(state);
        return;
    }
    case CMD_VIEW_TEXT:
        clearView(state);
        freeLoadedData(state.view);
        if (!loadFileAsText(state, path)) return;
        state.view.mode = VIEW_TEXT;
        refreshViewExtents(state.view);
        return;
    case CMD_OPEN_FILE:
        if (!chooseOpenFile(state, state.mainWindow, path)) return;
        leavePages(state);
        state.writer.setCaptureFilePath(path);
        state.view.mode = VIEW_TEXT;
        clearView(state);
        freeLoadedData(state.view);
        // A file that can't be read leaves the empty view; it is still the
        // current file, for the other views and save-as.
        loadFileAsText(state, state.writer.captureFilePath());
        refreshViewExtents(state.view);
        state.stateFlags.fetch_or(FLAG_HAVE_FILE);
        setRunControls(state, false);
        showByteCount(state);
        return;
    default: return;
    }
}

void saveCurrentFileAs(CaptureState& state) {
    if (linkOpen(state)) return;
    char target[kPathSize];
    if (!chooseSaveFile(state, state.mainWindow, target)) return;
    bool saved;
    if (state.view.mode != VIEW_TEXT)
        saved = state.view.loadedData &&
                writeWholeFile(state.fileSystem, target, state.view.loadedData.get(), state.view.loadedSize);
    else
        saved = copyWholeFile(state.fileSystem, state.writer.captureFilePath(), target);
    if (saved) return;
    tellUser(state, state.mainWindow, IDS_FAILURE_CAPTION, IDS_SAVE_FAILED, box::kOk | box::kIconWarning);
}

}  // namespace orv
