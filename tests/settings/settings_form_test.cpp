// The rules by which the settings dialog takes typed values.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "render/Render.h"
#include "settings/DocumentForm.h"
#include "settings/Profile.h"
#include "settings/SettingsForm.h"

namespace orv::test {
namespace {

TEST(SettingsForm, TypedComPortIsTakenWholeOrRefusedToCom1) {
    struct Case {
        const char* typed;
        const char* taken;
    };
    const Case cases[] = {
        {"COM1", "COM1"},   {"COM12", "COM12"}, {"COM255", "COM255"},       {"COM005", "COM005"}, {"COM7 ", "COM7 "},
        {"COM5x", "COM5x"}, {"com5", "COM1"},   {"Com5", "COM1"},           {"COM0", "COM1"},     {"COM00", "COM1"},
        {"COM256", "COM1"}, {"COM300", "COM1"}, {"COM99999999999", "COM1"}, {"COM", "COM1"},      {"", "COM1"},
        {"CO", "COM1"},     {"COM 5", "COM1"},  {"COM+5", "COM1"},          {"COM-5", "COM1"},    {" COM5", "COM1"},
        {"XCOM5", "COM1"},  {"LPT1", "COM1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("typed \"") + c.typed + "\"");
        char comPort[kPathSize] = "COM9";
        bool accepted = std::strcmp(c.typed, c.taken) == 0;
        EXPECT_EQ(accepted, takeComPortText(c.typed, comPort));
        EXPECT_STREQ(c.taken, comPort);
        // Whatever is taken names a port the run record can hold.
        EXPECT_NE(0, comPortNumber(comPort));
    }
    char comPort[kPathSize] = "COM9";
    EXPECT_FALSE(takeComPortText(nullptr, comPort));
    EXPECT_STREQ("COM1", comPort);
}

TEST(SettingsForm, PortFieldStartsFromTheStoredNameWhenItNamesAPort) {
    struct Case {
        const char* stored;
        const char* shown;
    };
    const Case cases[] = {
        {"COM7", "COM7"},
        {"COM255", "COM255"},
        {"COM", "COM1"},  // no number
        {"COM0", "COM1"},
        {"COM300", "COM1"},  // beyond the one-byte port number
        {"com5", "COM1"},    // would be refused at OK anyway
        {"", "COM1"},
        {"COM12345678901", "COM1"},       // a number far out of range
        {"COM4           x", "COM4"},     // 16 characters: does not fit the field
        {"COM000000000000017", "COM17"},  // fits only as its number
        {"COM12         xy", "COM12"},
        {"COM3          x", "COM3          x"},  // exactly 15 characters fit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("stored \"") + c.stored + "\"");
        char shown[kComPortFieldSize];
        std::memset(shown, 'Z', sizeof shown);
        comPortForField(c.stored, shown);
        EXPECT_STREQ(c.shown, shown);
    }
}

TEST(SettingsForm, ProfileTextsLoseSurroundingBlanksAndLineBreaks) {
    struct Case {
        const char* typed;
        const char* taken;
    };
    const Case cases[] = {
        {"192.168.0.7", "192.168.0.7"},
        {"  device.local\t", "device.local"},
        {"a b", "a b"},
        {"   ", ""},
        {"", ""},
        {"host\r\n[buffer]\r\npath=C:\\", "host"},
        {"\nrest", ""},
        {" 10001 \n", "10001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("typed \"") + c.typed + "\"");
        char out[kProfileValueSize];
        takeProfileText(c.typed, out);
        EXPECT_STREQ(c.taken, out);
    }
    char small[6];
    takeProfileText("  abcdefgh  ", small);
    EXPECT_STREQ("abcde", small);
    takeProfileText(nullptr, small);
    EXPECT_STREQ("", small);
}

TEST(SettingsForm, FileBaseNameDefaultsAndAlwaysLeavesRoomForTheExtension) {
    struct Case {
        std::string typed, base, fileName;
    };
    const std::string longest(kFileBaseNameMax, 'n');
    const Case cases[] = {
        {"run", "run", "run.zrd"},
        {"", "Capturedata", "Capturedata.zrd"},
        {"  \t ", "Capturedata", "Capturedata.zrd"},
        {" data.bin ", "data.bin", "data.bin.zrd"},
        {longest, longest, longest + ".zrd"},
        {longest + "xyz", longest, longest + ".zrd"},
        {std::string(kPathSize + 40, 'q'), std::string(kFileBaseNameMax, 'q'),
         std::string(kFileBaseNameMax, 'q') + ".zrd"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("typed \"" + c.typed + "\"");
        char base[kPathSize];
        takeFileBaseName(c.typed.c_str(), base);
        EXPECT_EQ(c.base, base);
        char fileName[kPathSize];
        makeCaptureFileName(base, fileName);
        EXPECT_EQ(c.fileName, fileName);
        EXPECT_LE(std::strlen(fileName), std::size_t(kPathSize - 1));
    }
    // A base name that did not come through the dialog's rule is cut too.
    char fileName[kPathSize];
    makeCaptureFileName(std::string(kPathSize - 1, 'b').c_str(), fileName);
    EXPECT_EQ(std::string(kFileBaseNameMax, 'b') + ".zrd", fileName);
}

TEST(DocumentForm, PaperIsANamedSizeOrOneFromOneToAHundredInches) {
    const struct {
        const char* typed;
        const char* taken;  // null: refused
    } cases[] = {
        {"a4", "a4"},
        {" Letter ", "letter"},
        {"210x297mm", "210x297mm"},
        {"8.5 X 12 IN", "8.5x12in"},
        {"1x100in", "1x100in"},
        {"25.4x2540mm", "25.4x2540mm"},
        {"0.9x5in", nullptr},
        {"5x101in", nullptr},
        {"25x30mm", nullptr},
        {"5x5", nullptr},
        {"5in", nullptr},
        {"5x5cm", nullptr},
        {"5x5x5in", nullptr},
        {"1.2.3x5in", nullptr},
        {".x5in", nullptr},
        {"-5x5in", nullptr},
        {"a5", nullptr},
        {"", nullptr},
        {"0000000000000000000000000008x9in", nullptr},  // longer than the field
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("typed \"") + c.typed + "\"");
        char paper[kPaperTextSize] = "kept";
        EXPECT_EQ(c.taken != nullptr, takePaperText(c.typed, paper));
        EXPECT_STREQ(c.taken ? c.taken : "kept", paper);
    }
}

TEST(DocumentForm, PrintersAndCodePages) {
    PrinterMode printer = PrinterMode::Ibm;
    EXPECT_TRUE(takePrinterName("EPSON", printer));
    EXPECT_EQ(PrinterMode::Epson, printer);
    EXPECT_TRUE(takePrinterName("ibm", printer));
    EXPECT_EQ(PrinterMode::Ibm, printer);
    EXPECT_FALSE(takePrinterName("ibm2", printer));
    EXPECT_EQ(PrinterMode::Ibm, printer);
    for (PrinterMode mode : kPrinterModes) {
        EXPECT_TRUE(takePrinterName(printerName(mode), printer));
        EXPECT_EQ(mode, printer);
    }
    EXPECT_TRUE(takePrinterName(" Auto ", printer));
    EXPECT_EQ(PrinterMode::Auto, printer);
    for (int codePage : {437, 850, 852, 858, 865, 866, 1252, 895, 667, 28605})
        EXPECT_TRUE(isDocumentCodePage(codePage)) << codePage;
    for (int codePage : {0, 1250, 65001}) EXPECT_FALSE(isDocumentCodePage(codePage)) << codePage;
    for (std::int32_t codePage : kDocumentCodePages) EXPECT_TRUE(render::knownCodePage(codePage)) << codePage;
    std::int32_t codePage = 437;
    EXPECT_TRUE(takeCodePageText("mazovia", codePage));
    EXPECT_EQ(667, codePage);
    EXPECT_FALSE(takeCodePageText("utf-8", codePage));
    EXPECT_EQ(667, codePage);
}

TEST(DocumentForm, TopOfFormIsALengthWithItsUnit) {
    const struct {
        const char* typed;
        const char* taken;  // null: refused
    } cases[] = {
        {"8.5mm", "8.5mm"}, {" 1/3 in", nullptr},           {"0.33 IN", "0.33in"}, {"24pt", "24pt"}, {"0", "0"},
        {"100mm", "100mm"}, {"100.1mm", nullptr},           {"5", nullptr},        {"5cm", nullptr}, {"-1mm", nullptr},
        {"", nullptr},      {"000000000000001mm", nullptr},  // longer than the field
    };
    for (const auto& c : cases) {
        char topOfForm[kLengthTextSize] = "kept";
        EXPECT_EQ(c.taken != nullptr, takeTopOfFormText(c.typed, topOfForm)) << c.typed;
        EXPECT_STREQ(c.taken ? c.taken : "kept", topOfForm) << c.typed;
    }
}

}  // namespace
}  // namespace orv::test
