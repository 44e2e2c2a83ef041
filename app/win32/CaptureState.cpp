#include "app/win32/CaptureState.h"

#include <cstring>

namespace orv {

void setCaptureStateDefaults(CaptureState& s) {
    s.caretShown = 0;
    s.commHandle = nullptr;
    s.isOpen.store(0);
    s.portNumber = 2;
    s.baudRate = kDefaultBaudRate;
    s.byteSize = 8;
    s.flowControl = 2;  // CTS/RTS
    s.parity = 0;
    s.stopBits = 0;
    s.clientWidth = s.clientHeight = 0;
    s.scrollX.store(0);
    s.scrollY.store(0);
    s.maxScrollX = s.maxScrollY = 0;
    s.reservedPosition[0] = s.reservedPosition[1] = 0;
    s.viewFont.reset();
    s.showCommErrors = 1;
    s.readOverlapped.Offset = s.readOverlapped.OffsetHigh = 0;
    s.writeOverlapped.Offset = s.writeOverlapped.OffsetHigh = 0;
    s.linkKind = LinkKind::Serial;
    s.host[0] = '\0';
    std::strcpy(s.dataPort, "10001");
}

namespace {

void closeEvent(HANDLE& event) {
    if (event) CloseHandle(event);
    event = nullptr;
}

HANDLE manualResetEvent() { return CreateEventA(nullptr, TRUE, FALSE, nullptr); }

}  // namespace

bool createRunEvents(CaptureState& s) {
    s.readOverlapped.hEvent = manualResetEvent();
    s.writeOverlapped.hEvent = manualResetEvent();
    s.linkStopEvent = manualResetEvent();
    if (!s.readOverlapped.hEvent || !s.writeOverlapped.hEvent || !s.linkStopEvent) {
        closeRunEvents(s);
        return false;
    }
    s.lanRxDoneEvent = manualResetEvent();
    s.sendDoneEvent = manualResetEvent();
    return true;
}

void closeRunEvents(CaptureState& s) {
    closeEvent(s.readOverlapped.hEvent);
    closeEvent(s.writeOverlapped.hEvent);
    closeEvent(s.linkStopEvent);
    closeEvent(s.lanRxDoneEvent);
    closeEvent(s.sendDoneEvent);
}

}  // namespace orv
