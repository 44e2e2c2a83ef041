// The test harness itself, where a mistake would reach beyond the test.
#include "tests/tools/devsim/SimHarness.h"

#include <gtest/gtest.h>

namespace orv::test {
namespace {

// A run that never started has no process id: waiting for it must neither
// reap another child nor report an exit.
TEST(DevsimHarness, AFailedStartLeavesOtherChildrenAlone) {
    Sim other({"--help"});
    ASSERT_TRUE(other.spawned());
    other.rest();  // its output ends when it exits
    Sim missing({}, "/nonexistent/orvantide-devsim");
    EXPECT_FALSE(missing.spawned());
    EXPECT_EQ(missing.wait(100), -1);
    EXPECT_EQ(other.wait(), 0);
}

}  // namespace
}  // namespace orv::test
