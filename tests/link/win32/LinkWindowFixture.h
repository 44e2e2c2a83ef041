// The real main window, hidden, for the link suites that look at what a
// link does to it: the private messages it receives and every text its
// status bar shows are recorded on their way in.  A capture file is open
// in the test's folder for whatever a capture receives.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "tests/app/win32/MainWindowFixture.h"
#include "tests/link/win32/LinkHarness.h"
#include "tests/support/win32/Win32TestSupport.h"

namespace orv::test {

class LinkWindowFixture : public MainWindowFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // How many of the private messages the window received were message
    // with kind in the low word of wParam; and all of them, in order.
    int count(UINT message, WPARAM kind) const { return watch_->count(message, kind); }
    const std::vector<Posted>& received() const { return watch_->received; }
    // Every text set in the state pane, in order.
    std::vector<std::string>& statusTexts() { return status_->texts; }
    // Empties the state pane and the record of its texts, so that a state
    // text expected afterwards is one the code under test set.
    void blankStatus();
    // Closes the capture file and returns its bytes.
    std::vector<std::uint8_t> finishFile() { return finishCaptureFile(*s); }

private:
    std::unique_ptr<MessageWatch> watch_;
    std::unique_ptr<StatusWatch> status_;
};

}  // namespace orv::test
