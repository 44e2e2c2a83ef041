// The profile's path rules agree with the platform's own path functions.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include "settings/Profile.h"

namespace orv::test {
namespace {

TEST(PlatformPaths, ExtensionAndAppendAgreeWithShlwapi) {
    const char* names[] = {"abc.txt",    "abc",   "a.b.c", ".zrd", "dir.x\\file",
                           "dir\\f.zrd", "a.b c", "a b.c", "abc.", ""};
    for (const char* name : names) {
        char expected[MAX_PATH];
        lstrcpynA(expected, name, MAX_PATH);
        PathRemoveExtensionA(expected);
        char base[kPathSize];
        removeExtension(name, base);
        EXPECT_STREQ(base, expected) << name;
    }
    const char* documents[] = {"C:\\Docs", "C:\\Docs\\", ""};
    for (const char* d : documents) {
        char expected[MAX_PATH];
        lstrcpynA(expected, d, MAX_PATH);
        PathAppendA(expected, "Orvantide");
        PathAppendA(expected, "Buffer");
        char folder[kPathSize];
        defaultCaptureFolder(d, folder);
        EXPECT_STREQ(folder, expected) << d;
    }
}

}  // namespace
}  // namespace orv::test
