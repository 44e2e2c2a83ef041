#include "tests/link/win32/LinkWindowFixture.h"

#include <commctrl.h>

namespace orv::test {

void LinkWindowFixture::SetUp() {
    MainWindowFixture::SetUp();
    if (HasFatalFailure()) return;
    create();
    if (HasFatalFailure()) return;
    watch_ = std::make_unique<MessageWatch>(s->mainWindow);
    status_ = std::make_unique<StatusWatch>(s->statusWindow);
    ASSERT_EQ(0, s->writer.openCaptureFile(s->profile.files, LocalTime{}));
    blankStatus();
}

void LinkWindowFixture::TearDown() {
    watch_.reset();
    status_.reset();
    MainWindowFixture::TearDown();
    s->writer.closeCaptureFile();
}

void LinkWindowFixture::blankStatus() {
    SendMessageA(s->statusWindow, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(""));
    status_->texts.clear();
}

}  // namespace orv::test
