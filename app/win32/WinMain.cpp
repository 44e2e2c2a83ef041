// Entry point of Orvantide.exe.
#include <windows.h>

#include "app/win32/Startup.h"
#include "app/win32/Win32Seams.h"

namespace {
orv::CaptureState runRecord;  // the one run record of the process (1 MiB grid inside)
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    orv::MessageBoxSeam messages;
    orv::LibraryStrings strings(runRecord.resourceLibrary);
    runRecord.messages = &messages;
    runRecord.strings = &strings;
    orv::CommonFileDialogs fileDialogs;
    runRecord.fileDialogs = &fileDialogs;
    return orv::runProgram(runRecord, instance, showCommand);
}
