// What the window tests start from: a run record with the real language
// library, scripted message boxes and file dialogs, and a temporary folder.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>

#include <memory>

#include "app/win32/CaptureState.h"
#include "app/win32/Win32Seams.h"
#include "tests/support/TestSupport.h"

namespace orv::test {

class RunRecordFixture : public ::testing::Test {
protected:
    void SetUp() override {
        library = LoadLibraryA((win32BuildFolder() + "\\Orvantide1033.dll").c_str());
        ASSERT_NE(nullptr, library);
        s->resourceLibrary = library;
        s->messages = &messages;
        s->strings = &strings;
        s->fileDialogs = &dialogs;
    }
    void TearDown() override {
        if (library) FreeLibrary(library);
    }

    std::unique_ptr<CaptureState> s = std::make_unique<CaptureState>();
    HMODULE library = nullptr;
    LibraryStrings strings{library};
    ScriptedMessages messages{box::kAnswerOk};
    ScriptedFileDialogs dialogs;
    TempDir dir;
};

}  // namespace orv::test
