// Orvantide.exe started with "-r" against orvantide-devsim on loopback:
// the profile names the device, the run starts by itself and the stream
// lands byte-exact in a file named by the date and time of the start.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "base/Ids.h"
#include "settings/win32/Folders.h"
#include "tests/app/win32/ProgramRunner.h"
#include "tests/link/win32/LinkHarness.h"
#include "tests/support/TestSupport.h"

namespace orv::test {
namespace {

// The user's profile, replaced for one test and put back afterwards.
class ProfileOverride {
public:
    ProfileOverride() {
        locateFolders(profile_);
        setProfilePath(profile_);
        path_ = profile_.profilePath;
        CreateDirectoryA(profile_.profileFolder, nullptr);
        saved_ = pathExists(path_) ? readFile(path_) : std::vector<std::uint8_t>();
        existed_ = pathExists(path_);
        DeleteFileA(path_.c_str());
    }
    ~ProfileOverride() {
        if (existed_)
            writeFile(path_, saved_);
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
    if (className(child) != "Static" || GetWindowTextLengthA(child) == 0) return TRUE;
    *reinterpret_cast<std::string*>(out) = windowText(child);
    return FALSE;
}

// The main window of pid as soon as it exists, shown or not: WM_CREATE
// must not be what holds the start delay.
BOOL CALLBACK createdWindowOf(HWND window, LPARAM param) {
    auto* args = reinterpret_cast<detail::FindArgs*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != args->pid || className(window) != args->className) return TRUE;
    args->found = window;
    return FALSE;
}

TEST(EndToEnd, StartedWithRAfterADelayCapturesIntoADateNamedFile) {
    const std::size_t size = 400000;
    DevSim sim("--lan 127.0.0.1:0 --generate " + std::to_string(size) + " --seed 11 --close-when-done");
    int port = sim.port();
    ASSERT_NE(0, port);
    TempDir dir;
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
    detail::FindArgs created{program.pi.dwProcessId, MAIN_CLASS_NAME, nullptr};
    for (int i = 0; i < 3000 && !created.found; ++i, Sleep(10))
        EnumWindows(createdWindowOf, reinterpret_cast<LPARAM>(&created));
    ASSERT_NE(nullptr, created.found);
    // The window answers during the delay (no capture file yet); the run
    // starts once it is over.
    DWORD_PTR ignored = 0;
    EXPECT_NE(0, SendMessageTimeoutA(created.found, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 500, &ignored)) << "frozen";
    EXPECT_TRUE(captureFiles(dir.path()).empty()) << "started before the delay was over";
    HWND main = waitForWindow(program.pi.dwProcessId, MAIN_CLASS_NAME, 30000);
    ASSERT_NE(nullptr, main);
    while (captureFiles(dir.path()).empty() && GetTickCount() - started < 30000) Sleep(20);
    EXPECT_GE(GetTickCount() - started, 1900u) << "the run comes after the delay";

    // The device closes when its data is out: the program stops the run,
    // closing the file, and then says that the link is gone.
    const std::string report = sim.report(60000);
    EXPECT_NE(std::string::npos, report.find("sent " + std::to_string(size) + " bytes")) << report;
    HWND told = waitForWindow(program.pi.dwProcessId, "#32770", 30000);
    ASSERT_NE(nullptr, told) << "the broken link is told";
    std::string said;
    EnumChildWindows(told, firstStaticText, reinterpret_cast<LPARAM>(&said));
    EXPECT_EQ("Failed to receive data.", said);
    std::vector<std::string> names = captureFiles(dir.path());
    std::vector<std::uint8_t> bytes;
    if (names.size() == 1) bytes = readFile(dir / names[0]);
    PostMessageA(told, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 100 && IsWindow(told); ++i) Sleep(50);
    ASSERT_EQ(1u, names.size());
    EXPECT_EQ(0u, names[0].rfind(std::to_string(now.wYear), 0)) << names[0] << " starts with the year";
    EXPECT_NE("fixed.zrd", names[0]);
    EXPECT_EQ(printerData(11, size), bytes) << "byte-exact";
    EXPECT_TRUE(closeProgram(program, main));
}

// The size of the one capture file in folder (0 while there is none); it
// can be read while the program holds the file.
std::uint64_t captureSize(const std::string& folder, std::string* name = nullptr) {
    std::vector<std::string> names = captureFiles(folder);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (names.size() != 1 || !GetFileAttributesExA((folder + "\\" + names[0]).c_str(), GetFileExInfoStandard, &data))
        return 0;
    if (name) *name = names[0];
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Orvantide.exe capturing with "-r" from the simulator's port into folder.
bool startCapturing(Program& program, ProfileOverride& profile, int port, const std::string& folder) {
    profile.set("connection", "method", "lan");
    profile.set("connection", "host", "127.0.0.1");
    profile.set("connection", "dService", std::to_string(port));
    profile.set("buffer", "path", folder);
    return port != 0 && program.start(" -r") &&
           waitForWindow(program.pi.dwProcessId, MAIN_CLASS_NAME, 30000) != nullptr;
}

// A crash or a power cut while the line is quiet: what was received is in
// the file, not only in the program's memory.
TEST(EndToEnd, KillAfterAQuietLineLosesNoReceivedByte) {
    const std::size_t size = 20000;
    DevSim sim("--lan 127.0.0.1:0 --generate " + std::to_string(size) + " --seed 12");  // then quiet
    TempDir dir;
    ProfileOverride profile;
    Program program;
    ASSERT_TRUE(startCapturing(program, profile, sim.port(), dir.path()));
    EXPECT_TRUE(waitUntil([&] { return captureSize(dir.path()) == size; }, 10000, 50)) << captureSize(dir.path());
    TerminateProcess(program.pi.hProcess, 9);
    WaitForSingleObject(program.pi.hProcess, 10000);
    std::string name;
    captureSize(dir.path(), &name);
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(printerData(12, size), readFile(dir / name));
}

// A log-off or a shutdown while data flows: the run ends as the user's
// stop ends it before Windows ends the program, with no one asked.
TEST(EndToEnd, SessionEndStopsTheRunBeforeTheProgramIsEnded) {
    const std::size_t size = 400000;
    DevSim sim("--lan 127.0.0.1:0 --generate " + std::to_string(size) + " --seed 13 --rate 50000");
    TempDir dir;
    ProfileOverride profile;
    Program program;
    ASSERT_TRUE(startCapturing(program, profile, sim.port(), dir.path()));
    HWND main = waitForWindow(program.pi.dwProcessId, MAIN_CLASS_NAME);
    ASSERT_TRUE(waitUntil([&] { return captureSize(dir.path()) >= 65536; }, 20000, 50));

    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, &answer));
    EXPECT_EQ(TRUE, static_cast<BOOL>(answer)) << "the session may end";
    ASSERT_TRUE(SendMessageTimeoutA(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, &answer));
    // The file is closed already: it opens while the program still lives.
    std::string name;
    const std::uint64_t stored = captureSize(dir.path(), &name);
    HANDLE file = CreateFileA((dir / name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, file) << "the run's file is still open";
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    EXPECT_EQ(nullptr, waitForWindow(program.pi.dwProcessId, "#32770", 500)) << "nobody is asked";
    TerminateProcess(program.pi.hProcess, 9);  // as Windows does once the session end returns
    WaitForSingleObject(program.pi.hProcess, 10000);

    std::vector<std::uint8_t> bytes = readFile(dir / name);
    EXPECT_EQ(stored, bytes.size());
    EXPECT_GT(bytes.size(), 65536u) << "the staged bytes were written too";
    std::vector<std::uint8_t> sent = printerData(13, size);
    ASSERT_LE(bytes.size(), sent.size());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), sent.begin())) << "byte-exact";
}

TEST(EndToEnd, DelayWithoutRStartsNothing) {
    TempDir dir;
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
}  // namespace orv::test
