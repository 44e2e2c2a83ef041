// The behaviour suite of the profile: the store semantics the profile
// rules rely on, and the rules themselves, run against every store back
// end (IniFile everywhere, the platform's profile functions under Wine) so
// that they cannot drift apart.  Include in exactly one file per program
// and instantiate with INSTANTIATE_TYPED_TEST_SUITE_P(Name, StoreSuite, Backends).
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "base/Ids.h"
#include "base/Text.h"
#include "settings/IniFile.h"
#include "settings/Profile.h"
#include "tests/settings/IniTestFiles.h"

namespace orv::test {

struct IniFileBackend {
    static std::unique_ptr<IniStore> make() { return std::make_unique<IniFile>(); }
};

constexpr const char kDocuments[] = "C:\\Users\\someone\\Documents";

template <typename Backend>
class StoreSuite : public ::testing::Test {
protected:
    std::unique_ptr<IniStore> store = Backend::make();
    TempDir dir;
    std::string ini = dir / "zr52profile.ini";

    std::string read(const char* section, const char* key, const char* def, std::uint32_t size,
                     std::uint32_t* count = nullptr) {
        std::string buffer(size + 8, '\x7f');  // guard bytes behind the buffer
        std::uint32_t n = store->readString(section, key, def, &buffer[0], size, ini.c_str());
        EXPECT_EQ(buffer.substr(size), std::string(8, '\x7f')) << "wrote past the buffer";
        if (count) *count = n;
        std::string value = buffer.c_str();
        EXPECT_EQ(n, value.size()) << "count differs from what was copied";
        return value;
    }

    Profile profileOn(const std::string& path) {
        Profile p;
        copyCut(p.profilePath, path.c_str());
        copyCut(p.documentsFolder, kDocuments);
        return p;
    }
    Profile load(std::uint32_t startFlags = 0) {
        Profile p = profileOn(ini);
        loadProfile(p, *store, startFlags);
        return p;
    }
    void seed(const std::string& content) { writeText(ini, content); }
    std::map<std::string, std::string> defaults() const {
        return {{"connection/method", "serial"},
                {"connection/host", ""},
                {"connection/dService", "10001"},
                {"connection/com", "COM1"},
                {"buffer/path", std::string(kDocuments) + "\\Orvantide\\Buffer"},
                {"buffer/filename", "Capturedata.zrd"},
                {"document/paper", "a4"},
                {"document/codepage", "437"},
                {"document/printer", "auto"},
                {"document/topofform", "8.5mm"},
                {"document/pdf", "NO"},
                {"document/print", "NO"},
                {"document/destination", ""}};
    }
};

TYPED_TEST_SUITE_P(StoreSuite);

// ---- the store ----

TYPED_TEST_P(StoreSuite, MissingFileOrKeyGivesTheDefault) {
    std::uint32_t n = 99;
    EXPECT_EQ(this->read("connection", "host", "0", 1025, &n), "0");
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(this->read("connection", "com", "", 1025, &n), "");
    EXPECT_EQ(n, 0u);
    this->seed("[connection]\r\nmethod=lan\r\n");
    EXPECT_EQ(this->read("connection", "com", "NO", 1025, &n), "NO");
    EXPECT_EQ(this->read("buffer", "method", "x", 1025, &n), "x") << "key of another section";
    EXPECT_EQ(this->read("connection", "method", "", 1025, &n), "lan");
}

TYPED_TEST_P(StoreSuite, PresentEmptyValueReadsEmptyNotDefault) {
    this->seed("[buffer]\r\nflag=\r\n");
    std::uint32_t n = 99;
    EXPECT_EQ(this->read("buffer", "flag", "NO", 1025, &n), "");
    EXPECT_EQ(n, 0u);
}

TYPED_TEST_P(StoreSuite, ReadIsCutToTheBufferAndCountsWhatWasCopied) {
    this->seed("[connection]\r\nhost=abcdefgh\r\n");
    struct Case {
        std::uint32_t size;
        const char* expected;
    } cases[] = {{1, ""}, {2, "a"}, {5, "abcd"}, {8, "abcdefg"}, {9, "abcdefgh"}, {100, "abcdefgh"}};
    for (const Case& c : cases) {
        std::uint32_t n = 0;
        EXPECT_EQ(this->read("connection", "host", "0", c.size, &n), c.expected) << c.size;
        EXPECT_EQ(n, std::strlen(c.expected)) << c.size;
    }
    EXPECT_EQ(this->read("connection", "missing", "defaultvalue", 4), "def");
}

TYPED_TEST_P(StoreSuite, NamesMatchInAnyCaseAndValuesAreTrimmed) {
    this->seed(
        "; written by hand\r\n[Connection]\r\n  METHOD  =   lan  \r\n\tHost\t=\t 10.0.0.7 \t\r\n"
        "[BUFFER]\r\nFileName = my capture.zrd\r\n");
    EXPECT_EQ(this->read("connection", "method", "", 1025), "lan");
    EXPECT_EQ(this->read("CONNECTION", "host", "0", 1025), "10.0.0.7");
    EXPECT_EQ(this->read("buffer", "filename", "", 260), "my capture.zrd");
}

TYPED_TEST_P(StoreSuite, EnclosingQuotesAreNotPartOfTheValue) {
    this->seed("[buffer]\r\npath=\"C:\\My Captures\"\r\nfilename='a.zrd'\r\nflag=\"YES\r\n");
    EXPECT_EQ(this->read("buffer", "path", "", 260), "C:\\My Captures");
    EXPECT_EQ(this->read("buffer", "filename", "", 260), "a.zrd");
    EXPECT_EQ(this->read("buffer", "flag", "NO", 1025), "\"YES") << "an unmatched quote stays";
}

TYPED_TEST_P(StoreSuite, WriteCreatesFileSectionAndKey) {
    EXPECT_TRUE(this->store->writeString("connection", "method", "serial", this->ini.c_str()));
    EXPECT_TRUE(this->store->writeString("buffer", "flag", "NO", this->ini.c_str()));
    EXPECT_TRUE(this->store->writeString("connection", "com", "COM4", this->ini.c_str()));
    std::map<std::string, std::string> expected = {
        {"connection/method", "serial"}, {"connection/com", "COM4"}, {"buffer/flag", "NO"}};
    EXPECT_EQ(iniEntries(this->ini), expected);
    EXPECT_EQ(this->read("connection", "com", "", 1025), "COM4");
}

TYPED_TEST_P(StoreSuite, WriteReplacesItsOwnKeyAndKeepsEverythingElse) {
    this->seed(
        "[other]\r\nkeep=1\r\n[Connection]\r\nMethod=lan\r\nhost=10.1.1.1\r\n[buffer]\r\n"
        "flag=YES\r\n");
    EXPECT_TRUE(this->store->writeString("connection", "method", "serial", this->ini.c_str()));
    EXPECT_TRUE(this->store->writeString("buffer", "path", "D:\\x", this->ini.c_str()));
    std::map<std::string, std::string> entries = iniEntries(this->ini);
    EXPECT_EQ(entries["other/keep"], "1");
    EXPECT_EQ(entries["Connection/host"], "10.1.1.1");
    EXPECT_EQ(entries["buffer/flag"], "YES");
    EXPECT_EQ(entries["buffer/path"], "D:\\x") << "added to the existing section";
    EXPECT_EQ(entries.size(), 5u) << "no key doubled, no section added";
    EXPECT_EQ(this->read("connection", "method", "", 1025), "serial");
}

TYPED_TEST_P(StoreSuite, WriteIntoMissingFolderFailsAndCreatesNothing) {
    std::string path = (this->dir / "missing") + platformSeparator() + "zr52profile.ini";
    EXPECT_FALSE(this->store->writeString("connection", "method", "serial", path.c_str()));
    EXPECT_FALSE(pathExists(this->dir / "missing"));
}

// ---- the profile rules ----

TYPED_TEST_P(StoreSuite, FirstStartWritesTheDefaultKeys) {
    Profile p = this->load();
    EXPECT_EQ(iniEntries(this->ini), this->defaults()) << readText(this->ini);
    EXPECT_EQ(p.connection.method, 0);
    EXPECT_STREQ(p.connection.lanHost, "");
    EXPECT_STREQ(p.connection.dService, "10001");
    EXPECT_STREQ(p.connection.comPort, "COM1");
    EXPECT_EQ(p.files.captureFolder, std::string(kDocuments) + "\\Orvantide\\Buffer");
    EXPECT_STREQ(p.files.captureFileName, "Capturedata.zrd");
    EXPECT_STREQ(p.fileBaseName, "Capturedata");
    EXPECT_EQ(p.files.autoNameFiles, 0);
    EXPECT_STREQ(p.documents.paper, "a4");
    EXPECT_EQ(p.documents.codePage, 437);
    EXPECT_EQ(p.documents.printer, PrinterMode::Auto);
    EXPECT_STREQ(p.documents.topOfForm, "8.5mm");
    EXPECT_EQ(p.documents.pdfAfterCapture, 0);

    // A second start finds what the first wrote and changes nothing.
    std::string before = readText(this->ini);
    Profile again = this->load();
    EXPECT_EQ(readText(this->ini), before);
    EXPECT_STREQ(again.files.captureFolder, p.files.captureFolder);
}

TYPED_TEST_P(StoreSuite, ImmediateStartForcesFlagYes) {
    Profile p = this->load(START_AT_ONCE | START_DELAYED);
    auto expected = this->defaults();
    expected["buffer/flag"] = "YES";
    EXPECT_EQ(iniEntries(this->ini), expected);
    EXPECT_EQ(p.files.autoNameFiles, 1);

    // The forced value stays; a later plain load reads it.
    EXPECT_EQ(this->load().files.autoNameFiles, 1);
    this->store->writeString("buffer", "flag", "NO", this->ini.c_str());
    EXPECT_EQ(this->load(START_AT_ONCE).files.autoNameFiles, 1) << "not read while forced";
    EXPECT_EQ(iniEntries(this->ini)["buffer/flag"], "YES");
}

TYPED_TEST_P(StoreSuite, MethodIsLanOnlyForExactlyLan) {
    struct Case {
        const char* stored;
        std::int32_t method;
    } cases[] = {{"lan", 1}, {"  lan  ", 1}, {"LAN", 0}, {"Lan", 0}, {"lan0", 0}, {"serial", 0}, {"x", 0}};
    for (const Case& c : cases) {
        this->seed(std::string("[connection]\r\nmethod=") + c.stored + "\r\n");
        Profile p = this->load();
        EXPECT_EQ(p.connection.method, c.method) << c.stored;
        EXPECT_EQ(iniEntries(this->ini)["connection/method"], trim(c.stored)) << "value kept";
    }
    this->seed("[connection]\r\nmethod=\r\n");
    EXPECT_EQ(this->load().connection.method, 0);
    EXPECT_EQ(iniEntries(this->ini)["connection/method"], "serial") << "empty is written back";
}

TYPED_TEST_P(StoreSuite, OneCharacterHostIsEmptiedAndWrittenBack) {
    this->seed("[connection]\r\nhost=x\r\n");
    Profile p = this->load();
    EXPECT_STREQ(p.connection.lanHost, "");
    EXPECT_EQ(iniEntries(this->ini)["connection/host"], "");

    this->seed("[connection]\r\nhost=ab\r\n");
    EXPECT_STREQ(this->load().connection.lanHost, "ab");
    EXPECT_EQ(iniEntries(this->ini)["connection/host"], "ab");
}

TYPED_TEST_P(StoreSuite, CompleteProfileWithEmptyHostIsNotWritten) {
    const std::string content =
        "[connection]\r\nmethod=lan\r\nhost=\r\ndService=9100\r\ncom=COM7\r\n"
        "[buffer]\r\npath=E:\\caps\r\nfilename=run.bin\r\nflag=YES\r\n"
        "[document]\r\npaper=letter\r\ncodepage=850\r\nprinter=ibm\r\ntopofform=0\r\npdf=YES\r\nprint=YES\r\n"
        "destination=Office Laser\r\n";
    this->seed(content);
    Profile p = this->load();
    EXPECT_EQ(readText(this->ini), content);
    EXPECT_EQ(p.connection.method, 1);
    EXPECT_STREQ(p.connection.lanHost, "");
    EXPECT_STREQ(p.connection.dService, "9100");
    EXPECT_STREQ(p.connection.comPort, "COM7");
    EXPECT_STREQ(p.files.captureFolder, "E:\\caps");
    EXPECT_STREQ(p.files.captureFileName, "run.bin");
    EXPECT_STREQ(p.fileBaseName, "run");
    EXPECT_EQ(p.files.autoNameFiles, 1);
    EXPECT_STREQ(p.documents.paper, "letter");
    EXPECT_EQ(p.documents.codePage, 850);
    EXPECT_EQ(p.documents.printer, PrinterMode::Ibm);
    EXPECT_STREQ(p.documents.topOfForm, "0");
    EXPECT_EQ(p.documents.pdfAfterCapture, 1);
    EXPECT_EQ(p.documents.printAfterCapture, 1);
    EXPECT_STREQ(p.documents.destination, "Office Laser");
}

TYPED_TEST_P(StoreSuite, DocumentValuesTheRulesRefuseReadAsDefaultsAndStay) {
    struct Case {
        const char* line;
        const char* paper;
        std::int32_t codePage;
        PrinterMode printer;
        std::uint8_t pdf;
        const char* topOfForm = "8.5mm";
    } cases[] = {
        {"paper= 210 X 297 MM", "210x297mm", 437, PrinterMode::Auto, 0},
        {"paper=8.5x11in", "8.5x11in", 437, PrinterMode::Auto, 0},
        {"paper=A5", "a4", 437, PrinterMode::Auto, 0},
        {"paper=500x500in", "a4", 437, PrinterMode::Auto, 0},
        {"codepage=1252", "a4", 1252, PrinterMode::Auto, 0},
        {"codepage=1250", "a4", 437, PrinterMode::Auto, 0},
        {"codepage=850x", "a4", 437, PrinterMode::Auto, 0},
        {"codepage=895", "a4", 895, PrinterMode::Auto, 0},
        {"codepage=Kamenicky", "a4", 895, PrinterMode::Auto, 0},
        {"codepage=iso-8859-2", "a4", 28592, PrinterMode::Auto, 0},
        {"printer=IBM", "a4", 437, PrinterMode::Ibm, 0},
        {"printer=Epson9", "a4", 437, PrinterMode::EpsonNinePin, 0},
        {"printer=epson", "a4", 437, PrinterMode::Epson, 0},
        {"printer=hp", "a4", 437, PrinterMode::Auto, 0},
        {"topofform=0.5 IN", "a4", 437, PrinterMode::Auto, 0, "0.5in"},
        {"topofform=24pt", "a4", 437, PrinterMode::Auto, 0, "24pt"},
        {"topofform=101mm", "a4", 437, PrinterMode::Auto, 0},
        {"topofform=8.5", "a4", 437, PrinterMode::Auto, 0},
        {"pdf=yes", "a4", 437, PrinterMode::Auto, 0},
        {"pdf=YES", "a4", 437, PrinterMode::Auto, 1},
    };
    for (const Case& c : cases) {
        this->seed(std::string("[document]\r\n") + c.line + "\r\n");
        Profile p = this->load();
        EXPECT_STREQ(p.documents.paper, c.paper) << c.line;
        EXPECT_EQ(p.documents.codePage, c.codePage) << c.line;
        EXPECT_EQ(p.documents.printer, c.printer) << c.line;
        EXPECT_STREQ(p.documents.topOfForm, c.topOfForm) << c.line;
        EXPECT_EQ(p.documents.pdfAfterCapture, c.pdf) << c.line;
        const std::string line = c.line;
        const std::string key = "document/" + line.substr(0, line.find('='));
        EXPECT_EQ(iniEntries(this->ini)[key], trim(line.substr(line.find('=') + 1))) << "value kept";
    }
    this->seed("[document]\r\npaper=\r\ncodepage=\r\n");
    EXPECT_STREQ(this->load().documents.paper, "a4");
    auto entries = iniEntries(this->ini);
    EXPECT_EQ(entries["document/paper"], "a4") << "empty is written back";
    EXPECT_EQ(entries["document/codepage"], "437");
}

TYPED_TEST_P(StoreSuite, FlagIsYesOnlyForExactlyYes) {
    struct Case {
        const char* line;
        std::uint8_t autoName;
        const char* after;
    } cases[] = {{"flag=YES", 1, "YES"}, {"flag=yes", 0, "yes"},  {"flag=NO", 0, "NO"},
                 {"flag=", 0, "NO"},     {"other=1", 0, nullptr}, {"flag= YES ", 1, "YES"}};
    for (const Case& c : cases) {
        this->seed(std::string("[buffer]\r\n") + c.line + "\r\n");
        EXPECT_EQ(this->load().files.autoNameFiles, c.autoName) << c.line;
        auto entries = iniEntries(this->ini);
        if (c.after)
            EXPECT_EQ(entries["buffer/flag"], c.after) << c.line;
        else
            EXPECT_EQ(entries.count("buffer/flag"), 0u) << "a missing flag is not written";
    }
}

TYPED_TEST_P(StoreSuite, FileNameGivesTheBaseName) {
    struct Case {
        const char* stored;
        const char* base;
    } cases[] = {{"abc.txt", "abc"}, {"abc", "abc"}, {"run.2024.zrd", "run.2024"}, {"a.b c", "a.b c"}};
    for (const Case& c : cases) {
        this->seed(std::string("[buffer]\r\nfilename=") + c.stored + "\r\n");
        Profile p = this->load();
        EXPECT_STREQ(p.files.captureFileName, c.stored);
        EXPECT_STREQ(p.fileBaseName, c.base) << c.stored;
    }
}

TYPED_TEST_P(StoreSuite, ComPortIsReplacedWhole) {
    Profile p = this->profileOn(this->ini);
    this->seed("[connection]\r\ncom=COM12\r\n");
    loadProfile(p, *this->store, 0);
    EXPECT_STREQ(p.connection.comPort, "COM12");
    this->store->writeString("connection", "com", "COM3", this->ini.c_str());
    loadProfile(p, *this->store, 0);
    EXPECT_STREQ(p.connection.comPort, "COM3");
}

TYPED_TEST_P(StoreSuite, SavedProfileReadsBackTheSame) {
    this->seed("; kept\r\n[connection]\r\nmethod=serial\r\nextra=1\r\n");
    Profile saved = this->profileOn(this->ini);
    saved.connection.method = 1;
    copyCut(saved.connection.lanHost, "device.local");
    copyCut(saved.connection.dService, "2101");
    copyCut(saved.connection.comPort, "COM9");
    copyCut(saved.files.captureFolder, "F:\\data");
    copyCut(saved.files.captureFileName, "dump.zrd");
    saved.files.autoNameFiles = 1;
    copyCut(saved.documents.paper, "100x200mm");
    saved.documents.codePage = 866;
    saved.documents.printer = PrinterMode::Ibm;
    copyCut(saved.documents.topOfForm, "0.25in");
    saved.documents.pdfAfterCapture = 1;
    saved.documents.printAfterCapture = 1;
    copyCut(saved.documents.destination, "orvother");
    EXPECT_TRUE(saveProfile(saved, *this->store));

    std::map<std::string, std::string> expected = {
        {"connection/method", "lan"},    {"connection/host", "device.local"},
        {"connection/dService", "2101"}, {"connection/com", "COM9"},
        {"connection/extra", "1"},       {"buffer/path", "F:\\data"},
        {"buffer/filename", "dump.zrd"}, {"buffer/flag", "YES"},
        {"document/paper", "100x200mm"}, {"document/codepage", "866"},
        {"document/printer", "ibm"},     {"document/topofform", "0.25in"},
        {"document/pdf", "YES"},         {"document/print", "YES"},
        {"document/destination", "orvother"}};
    EXPECT_EQ(iniEntries(this->ini), expected);

    Profile p = this->load();
    EXPECT_EQ(p.connection.method, 1);
    EXPECT_STREQ(p.connection.lanHost, "device.local");
    EXPECT_STREQ(p.connection.dService, "2101");
    EXPECT_STREQ(p.connection.comPort, "COM9");
    EXPECT_STREQ(p.files.captureFolder, "F:\\data");
    EXPECT_STREQ(p.fileBaseName, "dump");
    EXPECT_EQ(p.files.autoNameFiles, 1);
    EXPECT_STREQ(p.documents.paper, "100x200mm");
    EXPECT_EQ(p.documents.codePage, 866);
    EXPECT_EQ(p.documents.printer, PrinterMode::Ibm);
    EXPECT_STREQ(p.documents.topOfForm, "0.25in");
    EXPECT_EQ(p.documents.pdfAfterCapture, 1);
    EXPECT_EQ(p.documents.printAfterCapture, 1);
    EXPECT_STREQ(p.documents.destination, "orvother");

    saved.connection.method = 0;
    saved.files.autoNameFiles = 0;
    saveProfile(saved, *this->store);
    auto entries = iniEntries(this->ini);
    EXPECT_EQ(entries["connection/method"], "serial");
    EXPECT_EQ(entries["buffer/flag"], "NO");
}

TYPED_TEST_P(StoreSuite, UnwritableProfileStillGivesTheDefaults) {
    std::string path = (this->dir / "gone") + platformSeparator() + "zr52profile.ini";
    Profile p = this->profileOn(path);
    loadProfile(p, *this->store, 0);
    EXPECT_EQ(p.connection.method, 0);
    EXPECT_STREQ(p.connection.dService, "10001");
    EXPECT_STREQ(p.connection.comPort, "COM1");
    EXPECT_STREQ(p.files.captureFileName, "Capturedata.zrd");
    EXPECT_EQ(p.files.captureFolder, std::string(kDocuments) + "\\Orvantide\\Buffer");
    EXPECT_FALSE(pathExists(this->dir / "gone"));
    EXPECT_FALSE(saveProfile(p, *this->store));
}

// 10 KB in every key: every field is cut to its size and terminated, and
// nothing past a field is touched (AddressSanitizer watches the native run).
TYPED_TEST_P(StoreSuite, HugeValuesAreCutToTheirFields) {
    const std::string big(10240, 'h');
    const std::string digits(10240, '7');
    this->seed("[connection]\r\nmethod=lan" + big + "\r\nhost=" + big + "\r\ndService=" + digits + "\r\ncom=COM" +
               digits + "\r\n[buffer]\r\npath=C:\\" + big + "\r\nfilename=" + big + ".zrd\r\nflag=YES" + big +
               "\r\n[document]\r\npaper=" + digits + "x1in\r\ncodepage=" + digits + "\r\nprinter=" + big +
               "\r\ntopofform=" + big + "\r\npdf=" + big + "\r\nprint=" + big + "\r\ndestination=" + big + "\r\n");
    std::string before = readText(this->ini);
    Profile p = this->load();
    EXPECT_EQ(readText(this->ini), before) << "nothing to write back";
    EXPECT_EQ(p.connection.method, 0);
    EXPECT_EQ(std::string(p.connection.lanHost), big.substr(0, 1024));
    EXPECT_EQ(std::string(p.connection.dService), digits.substr(0, 1024));
    EXPECT_EQ(std::string(p.connection.comPort), ("COM" + digits).substr(0, 259));
    EXPECT_EQ(std::string(p.files.captureFolder), ("C:\\" + big).substr(0, 259));
    EXPECT_EQ(std::string(p.files.captureFileName), big.substr(0, 259));
    EXPECT_EQ(std::string(p.fileBaseName), big.substr(0, 259));
    EXPECT_EQ(p.files.autoNameFiles, 0);
    EXPECT_STREQ(p.documents.paper, "a4");
    EXPECT_EQ(p.documents.codePage, 437);
    EXPECT_STREQ(p.documents.topOfForm, "8.5mm");
    EXPECT_EQ(p.documents.pdfAfterCapture, 0);
    EXPECT_EQ(p.documents.printAfterCapture, 0);
    EXPECT_EQ(std::string(p.documents.destination), big.substr(0, kPrinterNameSize - 1));

    LinkKind linkKind = static_cast<LinkKind>(-1);
    std::uint8_t portNumber = 99;
    char host[kHostSize];
    char dataPort[kDataPortSize];
    applyLinkSettings(p.connection, linkKind, portNumber, host, dataPort);
    EXPECT_EQ(portNumber, 0) << "no port for a number that does not fit";
    EXPECT_EQ(std::string(host), big.substr(0, 1024));
    EXPECT_EQ(std::string(dataPort), digits.substr(0, 31));
}

REGISTER_TYPED_TEST_SUITE_P(StoreSuite, MissingFileOrKeyGivesTheDefault, PresentEmptyValueReadsEmptyNotDefault,
                            ReadIsCutToTheBufferAndCountsWhatWasCopied, NamesMatchInAnyCaseAndValuesAreTrimmed,
                            EnclosingQuotesAreNotPartOfTheValue, WriteCreatesFileSectionAndKey,
                            WriteReplacesItsOwnKeyAndKeepsEverythingElse, WriteIntoMissingFolderFailsAndCreatesNothing,
                            FirstStartWritesTheDefaultKeys, ImmediateStartForcesFlagYes, MethodIsLanOnlyForExactlyLan,
                            OneCharacterHostIsEmptiedAndWrittenBack, CompleteProfileWithEmptyHostIsNotWritten,
                            FlagIsYesOnlyForExactlyYes, DocumentValuesTheRulesRefuseReadAsDefaultsAndStay,
                            FileNameGivesTheBaseName, ComPortIsReplacedWhole, SavedProfileReadsBackTheSame,
                            UnwritableProfileStillGivesTheDefaults, HugeValuesAreCutToTheirFields);

}  // namespace orv::test
