// Joining a folder and a name within the platform's path limit.
#include <gtest/gtest.h>

#include <string>

#include "base/Path.h"

namespace orv::test {
namespace {

TEST(JoinPath, InsertsOneSeparator) {
    struct Case {
        const char* folder;
        const char* name;
        const char* joined;
    };
    const Case cases[] = {
        {"C:\\data", "a.zrd", "C:\\data\\a.zrd"},
        {"C:\\data\\", "a.zrd", "C:\\data\\a.zrd"},
        {"C:\\data", "\\a.zrd", "C:\\data\\a.zrd"},
        {"", "a.zrd", "a.zrd"},
        {"C:\\data", "", "C:\\data"},
        {"/tmp/x/", "a", "/tmp/x/a"},
    };
    for (const Case& c : cases) {
        char out[kPathSize];
        ASSERT_TRUE(joinPath(c.folder, c.name, '\\', out)) << c.folder;
        EXPECT_STREQ(c.joined, out);
    }
    std::string folder(250, 'f');
    char out[kPathSize];
    EXPECT_TRUE(joinPath(folder.c_str(), "12345678", '\\', out));    // 259 characters fit
    EXPECT_FALSE(joinPath(folder.c_str(), "123456789", '\\', out));  // 260 do not
}

}  // namespace
}  // namespace orv::test
