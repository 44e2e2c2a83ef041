// Stored capture files: the open and save dialogs, loading the three
// views of a file (text, filtered, hex dump), and reading and writing a
// whole file.  User-interface thread only.
//
// Results: 1 success, 0 failure (or a cancelled dialog).  Messages go
// through state.messages, texts through state.strings, dialogs through
// state.fileDialogs.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "app/win32/CaptureState.h"
#include "settings/Settings.h"

namespace orv {

// Reads the whole file at path into data, replacing what it held.  Tells
// the user when the file can't be opened, the memory can't be had ("Not
// enough memory.") or the file gives fewer bytes than its size; data is
// left as it was then.  The view and loadedData are left alone.
int readWholeFile(CaptureState& state, HWND owner, const char* path, std::vector<std::uint8_t>& data);
// Writes size bytes of data as the whole content of path (created or
// replaced) through a ReplacingFile: a failure leaves what was there
// before, and no temporary file.  A device (NUL, a port) is written
// directly.
bool writeWholeFile(FileSystem& fs, const char* path, const std::uint8_t* data, std::uint32_t size);
// The same with the bytes of the file at source.
bool copyWholeFile(FileSystem& fs, const char* source, const char* path);

// The open dialog for ".zrd" files; path is the initial name and receives
// the chosen one.  1 when a file was chosen.
int chooseOpenFile(CaptureState& state, HWND owner, char (&path)[kPathSize]);
// The save dialog; its filter follows viewMode (".zrd" in the text view,
// ".txt" otherwise).  path starts empty and receives the chosen name.
int chooseSaveFile(CaptureState& state, HWND owner, char (&path)[kPathSize]);

// Builds the hex-dump text of the file as loadedData (lineCount, usedWidth
// 81, loadedSize = lines x 81).  Tells the user what failed.
int loadHexDump(CaptureState& state, HWND owner, const char* path);
// Lays the file's first MiB into the grid; byteCount = bytes laid.  The
// cells repaint in the view.  Fails silently.
int loadFileAsText(CaptureState& state, const char* path);
// Decodes the file's 0x07 sequences into loadedData and lays the result
// into the grid.  Fails silently.
int loadFileFiltered(CaptureState& state, const char* path);

}  // namespace orv
