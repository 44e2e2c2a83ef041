// Orvantide.exe started with "-r" against orvantide-devsim on loopback:
// the profile names the device, the run starts by itself and the stream
// lands byte-exact in a file named by the date and time of the start.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/Ids.h"
#include "settings/win32/Folders.h"
#include "tests/app/ProgramRunner.h"
#include "tests/links/win32/LinkHarness.h"
#include "tests/support/TestSupport.h"

namespace orv {
namespace {

using test::DevSim;
using test::Program;
using test::waitForWindow;

// The user's profile, replaced for one test and put back afterwards.
class ProfileOverride {
public:
    ProfileOverride() {
        locateFolders(profile_);
        setProfilePath(profile_);
        path_ = profile_.profilePath;
        CreateDirectoryA(profile_.profileFolder, nullptr);
        saved_ = test::pathExists(path_) ? test::readFile(path_) : std::vector<std::uint8_t>();
        existed_ = test::pathExists(path_);
        DeleteFileA(path_.c_str());
    }
    ~ProfileOverride() {
        if (existed_)
            test::writeFile(path_, saved_);
        else
            DeleteFileA(path_.c_str());
    }
    void set(const char* section, const char* key, const std::string& value) {
        WritePrivateProfileStringA(section, key, value.c_str(), path_.c_str());
    }

private:
    Profile profile_;
    std::string path_;
    std::vector<std::uint8_t> saved_;
    bool existed_ = false;
};

std::vector<std::string> captureFiles(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*.zrd").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

// Answers the close question of the program with OK.
bool closeProgram(Program& program, HWND main) {
    PostMessageA(main, WM_CLOSE, 0, 0);
    HWND question = waitForWindow(program.pi.dwProcessId, "#32770");
    if (!question) return false;
    PostMessageA(question, WM_COMMAND, IDOK, 0);
    return program.waitExit(15000) == 0;
}

// The first non-empty static text of a message box: its message.
BOOL CALLBACK firstStaticText(HWND child, LPARAM out) {
    char cls[16] = "";
    GetClassNameA(child, cls, sizeof cls);
    if (std::string(cls) != "Static" || GetWindowTextLengthA(child) == 0) return TRUE;
    GetWindowTextA(child, reinterpret_cast<char*>(out), 256);
    return FALSE;
}

TEST(EndToEnd, StartedWithRAfterADelayCapturesIntoADateNamedFile) {
    const std::size_t size = 400000;
    DevSim sim("--lan 127.0.0.1:0 --generate " + std::to_string(size) + " --seed 11 --close-when-done");
    int port = sim.port();
    ASSERT_NE(0, port);
    test::TempDir dir;
    ProfileOverride profile;
    profile.set("connection", "method", "lan");
    profile.set("connection", "host", "127.0.0.1");
    profile.set("connection", "dService", std::to_string(port));
    profile.set("buffer", "path", dir.path());
    profile.set("buffer", "filename", "fixed.zrd");
    profile.set("buffer", "flag", "NO");  // "-r" names the files by date and time all the same

    SYSTEMTIME now;
    GetLocalTime(&now);
    Program program;
    DWORD started = GetTickCount();
    ASSERT_TRUE(program.start(" -r -t 2000"));
    HWND main = waitForWindow(program.pi.dwProcessId, MAIN_CLASS_NAME, 30000);
    ASSERT_NE(nullptr, main);
    EXPECT_GE(GetTickCount() - started, 1900u) << "the window comes after the delay";

    // The device closes when its data is out: the program stops the run,
    // closing the file, and then says that the link is gone.
    const std::string report = sim.report(60000);
    EXPECT_NE(std::string::npos, report.find("sent " + std::to_string(size) + " bytes")) << report;
    HWND told = waitForWindow(program.pi.dwProcessId, "#32770", 30000);
    ASSERT_NE(nullptr, told) << "the broken link is told";
    char said[256] = "";
    EnumChildWindows(told, firstStaticText, reinterpret_cast<LPARAM>(said));
    EXPECT_STREQ("Failed to receive data.", said);
    std::vector<std::string> names = captureFiles(dir.path());
    std::vector<std::uint8_t> bytes;
    if (names.size() == 1) bytes = test::readFile(dir / names[0]);
    PostMessageA(told, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 100 && IsWindow(told); ++i) Sleep(50);
    ASSERT_EQ(1u, names.size());
    EXPECT_EQ(0u, names[0].rfind(std::to_string(now.wYear), 0)) << names[0] << " starts with the year";
    EXPECT_NE("fixed.zrd", names[0]);
    EXPECT_EQ(test::printerData(11, size), bytes) << "byte-exact";
    EXPECT_TRUE(closeProgram(program, main));
}

TEST(EndToEnd, DelayWithoutRStartsNothing) {
    test::TempDir dir;
    ProfileOverride profile;
    profile.set("connection", "method", "lan");
    profile.set("connection", "host", "127.0.0.1");
    profile.set("connection", "dService", "1");  // nobody listens: a start would say so
    profile.set("buffer", "path", dir.path());
    Program program;
    ASSERT_TRUE(program.start(" -t 3000"));
    HWND main = waitForWindow(program.pi.dwProcessId, MAIN_CLASS_NAME, 30000);
    ASSERT_NE(nullptr, main);
    Sleep(500);
    EXPECT_TRUE(captureFiles(dir.path()).empty());
    EXPECT_TRUE(closeProgram(program, main)) << "no run: the idle question, no message before it";
}

}  // namespace
}  // namespace orv
