// The profile rules over the portable store, and the rules that need no
// store at all.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/settings/ProfileSuite.h"

namespace orv::test {
namespace {

using Backends = ::testing::Types<IniFileBackend>;
INSTANTIATE_TYPED_TEST_SUITE_P(IniFile, StoreSuite, Backends);

// Records what the profile asks of its store; every key reads as missing.
class RecordingStore : public IniStore {
public:
    std::vector<std::string> calls;
    std::uint32_t readString(const char* section, const char* key, const char* def, char* buffer, std::uint32_t size,
                             const char* path) override {
        calls.push_back(std::string("read ") + section + "/" + key + " default=" + def +
                        " size=" + std::to_string(size) + " in " + path);
        copyCut(buffer, size, def);
        return static_cast<std::uint32_t>(std::strlen(buffer));
    }
    bool writeString(const char* section, const char* key, const char* value, const char* path) override {
        calls.push_back(std::string("write ") + section + "/" + key + "=" + value + " in " + path);
        return false;  // a failing disk: later writes still happen
    }
};

TEST(ProfileStoreCalls, LoadReadsEachKeyWithItsDefaultAndBuffer) {
    RecordingStore store;
    Profile p;
    copyCut(p.profilePath, "P");
    copyCut(p.documentsFolder, "D");
    loadProfile(p, store, 0);
    std::vector<std::string> expected = {
        "read connection/method default= size=1025 in P",
        "write connection/method=serial in P",
        "read connection/host default=0 size=1025 in P",
        "write connection/host= in P",
        "read connection/dService default= size=1025 in P",
        "write connection/dService=10001 in P",
        "read connection/com default= size=1025 in P",
        "write connection/com=COM1 in P",
        "read buffer/path default= size=260 in P",
        "write buffer/path=D\\Orvantide\\Buffer in P",
        "read buffer/filename default= size=260 in P",
        "write buffer/filename=Capturedata.zrd in P",
        "read buffer/flag default=NO size=1025 in P",
        "read document/paper default= size=1025 in P",
        "write document/paper=a4 in P",
        "read document/codepage default= size=1025 in P",
        "write document/codepage=437 in P",
        "read document/printer default= size=1025 in P",
        "write document/printer=auto in P",
        "read document/topofform default= size=1025 in P",
        "write document/topofform=8.5mm in P",
        "read document/pdf default= size=1025 in P",
        "write document/pdf=NO in P",
        "read document/print default= size=1025 in P",
        "write document/print=NO in P",
        "read document/destination default=, size=256 in P",
        "write document/destination= in P",
    };
    EXPECT_EQ(store.calls, expected);
    EXPECT_STREQ(p.connection.comPort, "COM1") << "written-back values count even when the write failed";
    EXPECT_STREQ(p.documents.destination, "") << "the default printer";
}

TEST(ProfileStoreCalls, SaveWritesEveryKeyInOrderDespiteFailures) {
    RecordingStore store;
    Profile p;
    copyCut(p.profilePath, "P");
    p.connection.method = 1;
    copyCut(p.connection.lanHost, "h");
    copyCut(p.connection.dService, "1");
    copyCut(p.connection.comPort, "COM2");
    copyCut(p.files.captureFolder, "f");
    copyCut(p.files.captureFileName, "n.zrd");
    p.files.autoNameFiles = 1;
    copyCut(p.documents.paper, "letter");
    p.documents.codePage = 1252;
    p.documents.printAfterCapture = 1;
    copyCut(p.documents.destination, "Office Laser");
    EXPECT_FALSE(saveProfile(p, store));
    std::vector<std::string> expected = {"write connection/method=lan in P",
                                         "write connection/host=h in P",
                                         "write connection/dService=1 in P",
                                         "write connection/com=COM2 in P",
                                         "write buffer/path=f in P",
                                         "write buffer/filename=n.zrd in P",
                                         "write buffer/flag=YES in P",
                                         "write document/paper=letter in P",
                                         "write document/codepage=1252 in P",
                                         "write document/printer=auto in P",
                                         "write document/topofform=8.5mm in P",
                                         "write document/pdf=NO in P",
                                         "write document/print=YES in P",
                                         "write document/destination=Office Laser in P"};
    EXPECT_EQ(store.calls, expected);
}

TEST(ComPortNumber, OnlyNumbersThatNameAPort) {
    struct Case {
        const char* com;
        int number;
    } cases[] = {{"COM1", 1},
                 {"COM3", 3},
                 {"COM12", 12},
                 {"COM255", 255},
                 {"COM256", 0},
                 {"COM300", 0},
                 {"COM0", 0},
                 {"COM-5", 0},
                 {"COM+7", 7},
                 {"COM 7", 7},
                 {"COM12abc", 12},
                 {"COMx", 0},
                 {"COM", 0},
                 {"CO", 0},
                 {"", 0},
                 {"XYZ4", 4},
                 {"COM99999999999999999999999", 0},
                 {"COM00000000000000000000000009", 9}};
    for (const Case& c : cases) EXPECT_EQ(comPortNumber(c.com), c.number) << c.com;
}

TEST(LinkSettings, CopiedIntoTheRunRecordFields) {
    ConnectionSettings s;
    s.method = 1;
    copyCut(s.comPort, "COM300");
    copyCut(s.lanHost, "192.168.0.20");
    copyCut(s.dService, "123456789012345678901234567890123456789");  // 39 digits
    LinkKind linkKind = LinkKind::Serial;
    std::uint8_t portNumber = 2;
    char host[kHostSize];
    char dataPort[kDataPortSize + 1];
    dataPort[kDataPortSize] = '#';
    applyLinkSettings(s, linkKind, portNumber, host, *reinterpret_cast<char(*)[kDataPortSize]>(dataPort));
    EXPECT_EQ(linkKind, LinkKind::Lan);
    EXPECT_EQ(portNumber, 0) << "COM300 must not become COM44";
    EXPECT_STREQ(host, "192.168.0.20");
    EXPECT_STREQ(dataPort, "1234567890123456789012345678901");
    EXPECT_EQ(dataPort[kDataPortSize], '#');
}

TEST(Paths, DefaultCaptureFolderJoinsLikeThePlatform) {
    struct Case {
        std::string documents;
        std::string folder;
    } cases[] = {{"C:\\Docs", "C:\\Docs\\Orvantide\\Buffer"},
                 {"C:\\Docs\\", "C:\\Docs\\Orvantide\\Buffer"},
                 {"", "Orvantide\\Buffer"},
                 // Each part is appended only when it fits, as the platform's append does.
                 {std::string(250, 'd'), std::string(250, 'd') + "\\Buffer"},
                 {std::string(253, 'd'), std::string(253, 'd')},
                 {std::string(245, 'd'), std::string(245, 'd') + "\\Orvantide"},
                 {std::string(400, 'd'), std::string(259, 'd')}};
    for (const Case& c : cases) {
        char folder[kPathSize];
        defaultCaptureFolder(c.documents.c_str(), folder);
        EXPECT_EQ(folder, c.folder) << c.documents.size();
    }
    char folder[kPathSize];
    defaultCaptureFolder("/home/u", folder, '/');
    EXPECT_STREQ(folder, "/home/u/Orvantide/Buffer");
}

TEST(Paths, ExtensionIsTheLastDotOfTheLastComponent) {
    struct Case {
        const char* name;
        const char* base;
    } cases[] = {
        {"abc.txt", "abc"},       {"abc", "abc"},     {"a.b.c", "a.b"}, {".zrd", ""},    {"dir.x\\file", "dir.x\\file"},
        {"dir\\f.zrd", "dir\\f"}, {"a.b c", "a.b c"}, {"a b.c", "a b"}, {"abc.", "abc"}, {"", ""}};
    for (const Case& c : cases) {
        char base[kPathSize];
        removeExtension(c.name, base);
        EXPECT_STREQ(base, c.base) << c.name;
    }
}

TEST(Paths, ProfilePathBesideTheFolder) {
    Profile p;
    copyCut(p.profileFolder, "C:\\AppData\\Kelmora\\Orvantide");
    EXPECT_TRUE(setProfilePath(p));
    EXPECT_STREQ(p.profilePath, "C:\\AppData\\Kelmora\\Orvantide\\zr52profile.ini");
    copyCut(p.profileFolder, std::string(250, 'x').c_str());
    EXPECT_FALSE(setProfilePath(p));
    EXPECT_STREQ(p.profilePath, "C:\\AppData\\Kelmora\\Orvantide\\zr52profile.ini") << "left as it was";
}

}  // namespace
}  // namespace orv::test
