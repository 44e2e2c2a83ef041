// The profile's behaviour suite over the platform's own profile functions,
// under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "settings/win32/Win32IniStore.h"
#include "tests/settings/ProfileSuite.h"

namespace orv::test {
namespace {

struct Win32Backend {
    static std::unique_ptr<IniStore> make() { return std::make_unique<Win32IniStore>(); }
};
using Backends = ::testing::Types<Win32Backend>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32Profile, StoreSuite, Backends);

}  // namespace
}  // namespace orv::test
