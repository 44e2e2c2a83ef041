#include "link/win32/LinkDriver.h"

#include "link/win32/LanLink.h"
#include "link/win32/SerialLink.h"

namespace orv {
namespace {

const LinkDriver kSerial{openSerialCapture, closeSerialCapture, openSerialSend, closeSerialSend, writeSerialCommand};
const LinkDriver kLan{openLanCapture, closeLanCapture, openLanSend, closeLanSend, writeLanCommand};

}  // namespace

const LinkDriver& linkDriver(const CaptureState& state) {
    // 0 is the serial link; the profile may hold any other value for LAN.
    return state.linkKind == LinkKind::Serial ? kSerial : kLan;
}

int sendCommandBytes(CaptureState& state, const char* bytes, int count) {
    // Only over a capture link: while a file is sent, its thread owns the
    // link and the write record.
    if (count <= 0 || !linkOpen(state) || (state.stateFlags.load() & FLAG_SENDING)) return 0;
    return linkDriver(state).writeCommand(state, bytes, count);
}

}  // namespace orv
