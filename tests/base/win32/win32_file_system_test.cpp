// Paths in both code pages reach the disk as the UTF-16 names they spell,
// and a capture file being written can be read by others.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "base/win32/Win32FileSystem.h"
#include "tests/support/TestSupport.h"

namespace orv::test {
namespace {

std::string narrow(unsigned codePage, const std::wstring& w) {
    int n = WideCharToMultiByte(codePage, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, w.c_str(), -1, &s[0], n, nullptr, nullptr);
    s.resize(static_cast<std::size_t>(n - 1));
    return s;
}

std::wstring wideTemp(const TempDir& dir) {
    return std::wstring(dir.path().begin(), dir.path().end());  // the temporary folder's name is ASCII
}

bool wideExists(const std::wstring& path, DWORD directory) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == directory;
}

void expectWritesUnder(Win32FileSystem& fs, unsigned codePage, const std::wstring& folder) {
    TempDir dir;
    const std::wstring wideFolder = wideTemp(dir) + L"\\" + folder;
    const std::string path = narrow(codePage, wideFolder);
    ASSERT_EQ(fs.createFolder(path.c_str()), 0u);
    PathKind kind = PathKind::File;
    EXPECT_EQ(fs.pathKind(path.c_str(), kind), 0u);
    EXPECT_EQ(kind, PathKind::Folder);
    EXPECT_TRUE(wideExists(wideFolder, FILE_ATTRIBUTE_DIRECTORY));

    const std::string file = path + narrow(codePage, L"\\\u00e9.zrd");
    FileSystem::Handle h = FileSystem::kNoFile;
    ASSERT_EQ(fs.createNew(file.c_str(), h), 0u);
    EXPECT_EQ(fs.write(h, "abc", 3), 0u);
    EXPECT_EQ(fs.close(h), 0u);
    EXPECT_TRUE(wideExists(wideFolder + L"\\\u00e9.zrd", 0));
    EXPECT_EQ(fs.findFile(file.c_str()), 0u);
    EXPECT_EQ(fs.createNew(file.c_str(), h), syserr::kFileExists);
    ASSERT_EQ(fs.openRead(file.c_str(), h), 0u);
    char got[4] = "";
    std::size_t n = 0;
    EXPECT_EQ(fs.read(h, got, sizeof got, n), 0u);
    EXPECT_EQ(std::string(got, n), "abc");
    EXPECT_EQ(fs.close(h), 0u);
    EXPECT_EQ(fs.deleteFile(file.c_str()), 0u);
    EXPECT_FALSE(wideExists(wideFolder + L"\\\u00e9.zrd", 0));
}

TEST(Win32FileSystem, Utf8PathsOutsideTheAnsiCodePageNameTheirFolder) {
    Win32FileSystem fs(Win32FileSystem::kUtf8);
    expectWritesUnder(fs, CP_UTF8, L"\u0394\u03bf\u03ba-\u65e5\u672c");
}

TEST(Win32FileSystem, AnsiPathsAreTheCodePagesCharacters) {
    Win32FileSystem fs;
    // Latin small e with acute is in every Western ANSI code page; elsewhere
    // the folder still has to come out under the name the code page spells.
    BOOL lost = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, L"caf\u00e9", -1, nullptr, 0, nullptr, &lost);
    if (lost) GTEST_SKIP() << "code page " << GetACP() << " has no e acute";
    expectWritesUnder(fs, CP_ACP, L"caf\u00e9");
}

TEST(Win32FileSystem, InvalidUtf8IsRefusedNotGuessed) {
    TempDir dir;
    Win32FileSystem fs(Win32FileSystem::kUtf8);
    const std::string bad = dir / "a\xC3(b";
    EXPECT_EQ(fs.createFolder(bad.c_str()), static_cast<SysError>(ERROR_NO_UNICODE_TRANSLATION));
    FileSystem::Handle h = FileSystem::kNoFile;
    EXPECT_NE(fs.createNew(bad.c_str(), h), 0u);
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((wideTemp(dir) + L"\\*").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    int entries = 0;
    do entries += wcscmp(data.cFileName, L".") && wcscmp(data.cFileName, L"..");
    while (FindNextFileW(find, &data));
    FindClose(find);
    EXPECT_EQ(entries, 0);
}

TEST(Win32FileSystem, AFileBeingWrittenCanBeReadButNotWrittenByOthers) {
    TempDir dir;
    Win32FileSystem fs;
    for (bool replacing : {false, true}) {
        SCOPED_TRACE(replacing ? "createReplacing" : "createNew");
        const std::string path = dir / (replacing ? "replaced.zrd" : "new.zrd");
        if (replacing) writeFile(path, {'o', 'l', 'd'});
        FileSystem::Handle h = FileSystem::kNoFile;
        ASSERT_EQ(replacing ? fs.createReplacing(path.c_str(), h) : fs.createNew(path.c_str(), h), 0u);
        ASSERT_EQ(fs.write(h, "live", 4), 0u);
        // A reader must allow the writer's access, as a copy does, and as
        // the seam's own reader (a document of a growing capture) does.
        HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(reader, INVALID_HANDLE_VALUE) << GetLastError();
        char got[8] = "";
        DWORD n = 0;
        EXPECT_TRUE(ReadFile(reader, got, sizeof got, &n, nullptr));
        EXPECT_EQ(std::string(got, n), "live");
        CloseHandle(reader);
        FileSystem::Handle seamReader = FileSystem::kNoFile;
        ASSERT_EQ(fs.openRead(path.c_str(), seamReader), 0u);
        std::size_t count = 0;
        EXPECT_EQ(fs.read(seamReader, got, sizeof got, count), 0u);
        EXPECT_EQ(std::string(got, count), "live");
        EXPECT_EQ(fs.read(seamReader, got, sizeof got, count), 0u);
        EXPECT_EQ(count, 0u) << "the end";
        EXPECT_EQ(fs.close(seamReader), 0u);
        HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
        if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
        EXPECT_EQ(fs.close(h), 0u);
    }
}

}  // namespace
}  // namespace orv::test
