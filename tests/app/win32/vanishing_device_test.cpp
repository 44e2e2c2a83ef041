// The window's capture of a device that loses its power: its connection
// ends without a word on the wire.  tests/link/vanish_test.sh runs this
// case in a private network where that can happen; elsewhere it is off.
#include <cstdlib>

#include "tests/app/win32/MainWindowFixture.h"

namespace orv::test {
namespace {

class VanishingDevice : public MainWindowFixture {};

TEST_F(VanishingDevice, DISABLED_IsToldAsALostLinkWithItsFileComplete) {
    const char* port = std::getenv("ORV_VANISH_PORT");
    const char* job = std::getenv("ORV_VANISH_JOB");  // what the device sent before it vanished
    ASSERT_TRUE(port && job) << "run by tests/link/vanish_test.sh";
    create();
    useLan(std::atoi(port));
    command(CMD_START);
    ASSERT_TRUE(pumpUntil([&] { return s->runState == RunState::Capturing; }, 15000));
    ASSERT_TRUE(pumpUntil([&] { return s->byteCount.load() >= 20000; }, 10000));
    const DWORD lastByte = GetTickCount();
    ASSERT_TRUE(pumpUntil([&] { return shown("Failed to receive data."); }, 45000)) << "never noticed";
    std::printf("the vanished device was noticed %lu ms after its last byte\n",
                static_cast<unsigned long>(GetTickCount() - lastByte));
    EXPECT_EQ(RunState::Idle, s->runState) << "the run stops as for any lost link";
    EXPECT_EQ(readFile(job), readFile(dir / "run.zrd")) << "the file is complete";
}

}  // namespace
}  // namespace orv::test
