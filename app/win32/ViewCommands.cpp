#include "app/win32/ViewCommands.h"

#include "app/win32/RunDisplay.h"
#include "base/Text.h"
#include "app/win32/FileViews.h"
#include "view/win32/ViewWindow.h"

namespace orv {

// The view commands and save-as belong to Idle: while a link runs, the
// receive thread owns the grid and the capture file is being written.
void runViewCommand(CaptureState& state, unsigned command) {
    if (linkOpen(state)) return;
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
        if (!(hex ? loadHexDump(state, state.mainWindow, path) : loadFileFiltered(state, path)))
            return;
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
        saved = state.view.loadedData && writeWholeFile(state.fileSystem, target, state.view.loadedData.get(), state.view.loadedSize);
    else
        saved = copyWholeFile(state.fileSystem, state.writer.captureFilePath(), target);
    if (saved) return;
    tellUser(state, state.mainWindow, IDS_FAILURE_CAPTION, IDS_SAVE_FAILED, box::kOk | box::kIconWarning);
}

}  // namespace orv
