// Stored capture files: the open and save dialogs, the three views of a
// file (text, filtered, hex dump), the save-as command and reading a whole
// file for sending.  User-interface thread only.
//
// Results: 1 success, 0 failure (or a cancelled dialog).  Messages go
// through state.messages, texts through state.strings, dialogs through
// state.fileDialogs.
#pragma once
#include <windows.h>

#include <cstdint>

#include "app/win32/CaptureState.h"
#include "settings/Settings.h"

namespace orv {

// Reads the whole file at path into a new block (new (std::nothrow)
// std::uint8_t[], the caller delete[]s it; none for an empty file) and
// its size.  Tells the user when the file can't be opened, the memory
// can't be had or the file gives fewer bytes than its size.  The view and
// loadedData are left alone.
int readWholeFile(CaptureState& state, HWND owner, const char* path, std::uint8_t*& block, std::uint32_t& size);

// The open dialog for ".zrd" files; path is the initial name and receives
// the chosen one.  1 when a file was chosen.
int chooseOpenFile(CaptureState& state, HWND owner, char (&path)[kPathSize]);
// The save dialog; its filter follows viewMode (".zrd" in the text view,
// ".txt" otherwise).  path starts empty and receives the chosen name.
int chooseSaveFile(CaptureState& state, HWND owner, char (&path)[kPathSize]);

// Builds the hex-dump text of the file as loadedData (lineCount, usedWidth
// 81, loadedSize = lines x 81).  Tells the user what failed.
int loadHexDump(CaptureState& state, HWND owner, const char* path);
// Lays the file's first MiB into the grid; byteCount = bytes laid.  Single
// cells repaint on window.  Fails silently.
int loadFileAsText(CaptureState& state, HWND window, const char* path);
// Decodes the file's 0x07 sequences into loadedData and lays the result
// into the grid.  Fails silently.
int loadFileFiltered(CaptureState& state, HWND window, const char* path);

// The main window's view commands: CMD_VIEW_TEXT, CMD_VIEW_HEX,
// CMD_VIEW_FILTERED and CMD_OPEN_FILE.  Others are ignored.
void runViewCommand(CaptureState& state, unsigned command);
// CMD_SAVE_AS: in the text view a copy of the current file, otherwise the
// loaded data (hex text or filtered bytes) as written.
void saveCurrentFileAs(CaptureState& state);

}  // namespace orv
