// The folders found at start-up, the folder lookup, and the copy of the
// link settings into the run record, under Wine.
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/Ids.h"
#include "base/Text.h"
#include "settings/win32/Folders.h"
#include "settings/win32/Win32IniStore.h"
#include "tests/settings/IniTestFiles.h"

namespace orv::test {
namespace {

// A folder lookup that answers from the test's own folders, so that no
// test touches the prefix's real user folders.  Empty means "fails".
std::string fakeAppData;
std::string fakeDocuments;

HRESULT WINAPI fakeFolderPath(HWND, int folder, HANDLE, DWORD, LPSTR path) {
    const std::string& answer = folder == 26 ? fakeAppData : folder == 5 ? fakeDocuments : std::string();
    if (answer.empty()) return E_FAIL;
    lstrcpynA(path, answer.c_str(), MAX_PATH);
    return S_OK;
}

class Folders : public ::testing::Test {
protected:
    TempDir dir;
    char module[MAX_PATH] = "";
    void SetUp() override {
        fakeAppData = (dir / "AppData");
        fakeDocuments = (dir / "Docs");
        CreateDirectoryA(fakeAppData.c_str(), nullptr);
        CreateDirectoryA(fakeDocuments.c_str(), nullptr);
        GetModuleFileNameA(nullptr, module, sizeof module);
        PathRemoveFileSpecA(module);
    }
};

TEST_F(Folders, FirstStartCreatesTheProfileFolderAndDefaultFile) {
    for (std::uint32_t flags : {0u, static_cast<std::uint32_t>(START_AT_ONCE)}) {
        TempDir fresh;
        fakeAppData = (fresh / "AppData");
        fakeDocuments = (fresh / "Docs");
        CreateDirectoryA(fakeAppData.c_str(), nullptr);

        Profile p;
        locateFolders(p, fakeFolderPath);
        EXPECT_STREQ(p.moduleFolder, module);
        EXPECT_EQ(p.profileFolder, fakeAppData + "\\Kelmora\\Orvantide");
        EXPECT_TRUE(isFolder(fakeAppData + "\\Kelmora\\Orvantide"));
        EXPECT_EQ(p.documentsFolder, fakeDocuments);
        ASSERT_TRUE(setProfilePath(p));
        EXPECT_EQ(p.profilePath, fakeAppData + "\\Kelmora\\Orvantide\\zr52profile.ini");

        Win32IniStore store;
        loadProfile(p, store, flags);
        std::map<std::string, std::string> expected = {{"connection/method", "serial"},
                                                       {"connection/host", ""},
                                                       {"connection/dService", "10001"},
                                                       {"connection/com", "COM1"},
                                                       {"buffer/path", fakeDocuments + "\\Orvantide\\Buffer"},
                                                       {"buffer/filename", "Capturedata.zrd"},
                                                       {"document/paper", "a4"},
                                                       {"document/codepage", "437"},
                                                       {"document/printer", "auto"},
                                                       {"document/topofform", "8.5mm"},
                                                       {"document/pdf", "NO"},
                                                       {"document/print", "NO"},
                                                       {"document/destination", ""}};
        if (flags) expected["buffer/flag"] = "YES";
        EXPECT_EQ(iniEntries(p.profilePath), expected) << readText(p.profilePath);
        EXPECT_EQ(p.files.autoNameFiles, flags ? 1 : 0);
    }
}

TEST_F(Folders, ExistingProfileFolderIsUsedAsItIs) {
    std::string folder = fakeAppData + "\\Kelmora\\Orvantide";
    CreateDirectoryA((fakeAppData + "\\Kelmora").c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    writeText(folder + "\\zr52profile.ini", "[connection]\r\nmethod=lan\r\n");
    Profile p;
    locateFolders(p, fakeFolderPath);
    setProfilePath(p);
    Win32IniStore store;
    loadProfile(p, store, 0);
    EXPECT_EQ(p.connection.method, 1);
}

TEST_F(Folders, FailedAppDataLookupKeepsTheProfileBesideTheProgram) {
    fakeAppData.clear();
    Profile p;
    locateFolders(p, fakeFolderPath);
    EXPECT_STREQ(p.profileFolder, module);
    EXPECT_EQ(p.documentsFolder, fakeDocuments);
    EXPECT_FALSE(isFolder((dir / "AppData") + "\\Kelmora")) << "nothing created";
    setProfilePath(p);
    EXPECT_EQ(p.profilePath, std::string(module) + "\\zr52profile.ini");
}

TEST_F(Folders, FailedDocumentsLookupTakesTheCurrentDirectory) {
    fakeDocuments.clear();
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof current, current);
    Profile p;
    locateFolders(p, fakeFolderPath);
    SetCurrentDirectoryA(previous);
    EXPECT_STREQ(p.documentsFolder, current);
    EXPECT_EQ(p.profileFolder, fakeAppData + "\\Kelmora\\Orvantide");
}

TEST_F(Folders, WithoutALookupFunctionDocumentsStayEmpty) {
    Profile p;
    copyCut(p.documentsFolder, "stale");
    locateFolders(p, nullptr);
    EXPECT_STREQ(p.profileFolder, module);
    EXPECT_STREQ(p.documentsFolder, "");
    char folder[kPathSize];
    defaultCaptureFolder(p.documentsFolder, folder);
    EXPECT_STREQ(folder, "Orvantide\\Buffer");
}

TEST_F(Folders, OverlongAppDataFallsBackToTheProgramFolder) {
    fakeAppData = "C:\\" + std::string(245, 'a');  // no room for Kelmora\Orvantide
    Profile p;
    locateFolders(p, fakeFolderPath);
    EXPECT_STREQ(p.profileFolder, module);
}

TEST(FolderLookup, FoundInShell32) {
    FolderLookup lookup;
    ASSERT_NE(lookup.function(), nullptr);
    char name[MAX_PATH] = "";
    GetModuleFileNameA(lookup.library(), name, sizeof name);
    EXPECT_EQ(lstrcmpiA(PathFindFileNameA(name), "shell32.dll"), 0) << name;
}

TEST(FolderLookup, LibrariesWithoutTheFunctionAreFreed) {
    // A library that lacks SHGetFolderPathA and that nothing has loaded
    // yet, so that its being freed again can be seen.
    const char* lacking = nullptr;
    for (const char* candidate : {"msacm32.dll", "dbghelp.dll", "mpr.dll", "winspool.drv"})
        if (!GetModuleHandleA(candidate)) {
            lacking = candidate;
            break;
        }
    ASSERT_NE(lacking, nullptr);
    const char* libraries[] = {lacking, "shfolder.dll"};
    {
        FolderLookup lookup(libraries, 2);
        EXPECT_NE(lookup.function(), nullptr);
        EXPECT_EQ(lookup.library(), GetModuleHandleA("shfolder.dll"));
        EXPECT_EQ(GetModuleHandleA(lacking), nullptr) << lacking;
    }
    const char* none[] = {lacking, "no-such-library.dll"};
    FolderLookup lookup(none, 2);
    EXPECT_EQ(lookup.function(), nullptr);
    EXPECT_EQ(lookup.library(), nullptr);
    EXPECT_EQ(GetModuleHandleA(lacking), nullptr) << lacking;
}

}  // namespace
}  // namespace orv::test
