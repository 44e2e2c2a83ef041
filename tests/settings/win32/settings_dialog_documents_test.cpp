// The settings dialog's documents page: the paper, code page and printer
// lists, the custom paper size, the top of form, and the PDF and the print
// after each capture.
#include "tests/settings/win32/SettingsDialogFixture.h"

#include <windows.h>
#include <commctrl.h>
#include <winspool.h>

#include <string>

#include "base/Text.h"
#include "tests/support/win32/Win32TestSupport.h"

namespace orv::test {
namespace {

int selected(const SettingsWindows& w, int id) {
    return static_cast<int>(SendMessageA(w.control(id), CB_GETCURSEL, 0, 0));
}

TEST_F(SettingsDialogTest, DocumentsPageShowsTheProfileAndKeepsWhatIsChosen) {
    seed("", "", "paper=8.5x14in\r\ncodepage=866\r\nprinter=ibm\r\ntopofform=12mm\r\npdf=NO\r\n");
    ASSERT_TRUE(run([&](SettingsWindows& w) {
        w.clickTab(2);
        EXPECT_EQ(3, SendMessageA(w.control(IDC_PAPER), CB_GETCOUNT, 0, 0));
        EXPECT_EQ(2, selected(w, IDC_PAPER)) << "a custom size";
        EXPECT_EQ("8.5x14in", w.text(IDC_PAPER_SIZE));
        EXPECT_TRUE(IsWindowEnabled(w.control(IDC_PAPER_SIZE)));
        EXPECT_EQ(20, SendMessageA(w.control(IDC_CODE_PAGE), CB_GETCOUNT, 0, 0));
        EXPECT_EQ(5, selected(w, IDC_CODE_PAGE));
        EXPECT_EQ(strings.load(IDS_CODE_PAGE_866, 63), windowText(w.control(IDC_CODE_PAGE)));
        EXPECT_EQ(4, SendMessageA(w.control(IDC_PRINTER), CB_GETCOUNT, 0, 0));
        EXPECT_EQ(strings.load(IDS_PRINTER_IBM, 63), windowText(w.control(IDC_PRINTER)));
        EXPECT_EQ("12mm", w.text(IDC_TOP_OF_FORM));
        EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(w.documentsPage, IDC_PDF_AFTER_CAPTURE));

        w.pick(IDC_PAPER, 1);
        EXPECT_FALSE(IsWindowEnabled(w.control(IDC_PAPER_SIZE))) << "only a custom size is typed";
        w.pick(IDC_CODE_PAGE, 7);
        w.pick(IDC_PRINTER, 2);
        w.type(IDC_TOP_OF_FORM, "0.5 IN");
        w.click(IDC_PDF_AFTER_CAPTURE);
        w.ok();
        EXPECT_TRUE(w.ended());
    }));
    auto entries = stored();
    EXPECT_EQ("letter", entries["document/paper"]);
    EXPECT_EQ("895", entries["document/codepage"]) << "Kamenicky";
    EXPECT_EQ("epson9", entries["document/printer"]);
    EXPECT_EQ("0.5in", entries["document/topofform"]);
    EXPECT_EQ("YES", entries["document/pdf"]);
    EXPECT_EQ(895, profile.documents.codePage);
    EXPECT_EQ(1, profile.documents.pdfAfterCapture) << "the run record has it at once";
}

TEST_F(SettingsDialogTest, CustomPaperSizeTheRulesRefuseKeepsTheDialogOpen) {
    seed("", "", "paper=a4\r\n");
    startUp();
    ASSERT_TRUE(run([&](SettingsWindows& w) {
        EXPECT_EQ(0, selected(w, IDC_PAPER));
        EXPECT_FALSE(IsWindowEnabled(w.control(IDC_PAPER_SIZE)));
        w.clickTab(2);
        w.pick(IDC_PAPER, 2);
        EXPECT_EQ(w.control(IDC_PAPER_SIZE), GetFocus()) << "the size to type comes next";
        w.type(IDC_PAPER_SIZE, "300x300in");
        w.clickTab(0);
        w.ok();
        EXPECT_FALSE(w.ended());
        ASSERT_EQ(1u, messages.shown.size());
        EXPECT_EQ(strings.load(IDS_PAPER_INVALID, 1023), messages.shown[0].text);
        EXPECT_EQ(strings.load(IDS_DOCUMENT_SETTINGS, 31), messages.shown[0].caption);
        EXPECT_TRUE(IsWindowVisible(w.documentsPage)) << "the page with the field";
        EXPECT_EQ(w.control(IDC_PAPER_SIZE), GetFocus());
        EXPECT_EQ("a4", stored()["document/paper"]) << "nothing saved";

        w.type(IDC_PAPER_SIZE, " 210 x 148 MM ");
        w.ok();
        EXPECT_TRUE(w.ended());
    }));
    EXPECT_EQ("210x148mm", stored()["document/paper"]);
    EXPECT_STREQ("210x148mm", profile.documents.paper);
}

TEST_F(SettingsDialogTest, TopOfFormTheRulesRefuseKeepsTheDialogOpen) {
    seed("", "", "");
    startUp();
    ASSERT_TRUE(run([&](SettingsWindows& w) {
        w.clickTab(2);
        EXPECT_EQ("8.5mm", w.text(IDC_TOP_OF_FORM)) << "the default";
        EXPECT_EQ(0, selected(w, IDC_PRINTER)) << "auto, the default";
        w.type(IDC_TOP_OF_FORM, "5cm");
        w.ok();
        EXPECT_FALSE(w.ended());
        ASSERT_EQ(1u, messages.shown.size());
        EXPECT_EQ(strings.load(IDS_TOP_OF_FORM_INVALID, 1023), messages.shown[0].text);
        EXPECT_EQ(w.control(IDC_TOP_OF_FORM), GetFocus());
        w.type(IDC_TOP_OF_FORM, "0");
        w.ok();
        EXPECT_TRUE(w.ended());
    }));
    EXPECT_EQ("0", stored()["document/topofform"]);
    EXPECT_STREQ("0", profile.documents.topOfForm);
}

TEST_F(SettingsDialogTest, PrintAfterEachCaptureOnTheDefaultOrANamedPrinter) {
    seed("", "", "print=NO\r\ndestination=Gone Printer\r\n");
    char name[256] = "";
    DWORD size = sizeof name;
    const std::string first = GetDefaultPrinterA(name, &size)
                                  ? formatWithText(strings.load(IDS_DEFAULT_PRINTER_IS, 63), name)
                                  : strings.load(IDS_DEFAULT_PRINTER, 63);
    auto item = [](const SettingsWindows& w, int index) {
        char text[256] = "";
        SendMessageA(w.control(IDC_PRINT_DESTINATION), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
        return std::string(text);
    };
    ASSERT_TRUE(run([&](SettingsWindows& w) {
        w.clickTab(2);
        EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(w.documentsPage, IDC_PRINT_AFTER_CAPTURE));
        EXPECT_FALSE(IsWindowEnabled(w.control(IDC_PRINT_DESTINATION))) << "only with the box set";
        const int count = int(SendMessageA(w.control(IDC_PRINT_DESTINATION), CB_GETCOUNT, 0, 0));
        ASSERT_GE(count, 2);
        EXPECT_EQ(first, item(w, 0)) << "the default printer first";
        EXPECT_EQ("Gone Printer", windowText(w.control(IDC_PRINT_DESTINATION))) << "a printer no longer there stays";
        w.click(IDC_PRINT_AFTER_CAPTURE);
        EXPECT_TRUE(IsWindowEnabled(w.control(IDC_PRINT_DESTINATION)));
        w.pick(IDC_PRINT_DESTINATION, 0);
        w.ok();
    }));
    EXPECT_EQ("YES", stored()["document/print"]);
    EXPECT_EQ("", stored()["document/destination"]) << "empty: the default printer";
    EXPECT_EQ(1, profile.documents.printAfterCapture);
    EXPECT_STREQ("", profile.documents.destination);

    seed("", "", "print=YES\r\ndestination=\r\n");
    ASSERT_TRUE(run([&](SettingsWindows& w) {
        w.clickTab(2);
        EXPECT_EQ(0, selected(w, IDC_PRINT_DESTINATION));
        const int count = int(SendMessageA(w.control(IDC_PRINT_DESTINATION), CB_GETCOUNT, 0, 0));
        if (count > 1) {  // a printer by name: kept by name
            w.pick(IDC_PRINT_DESTINATION, count - 1);
            EXPECT_EQ(item(w, count - 1), windowText(w.control(IDC_PRINT_DESTINATION)));
        }
        w.click(IDC_PRINT_AFTER_CAPTURE);
        w.ok();
        if (count > 1) EXPECT_EQ(item(w, count - 1), stored()["document/destination"]);
    }));
    EXPECT_EQ("NO", stored()["document/print"]);
}

}  // namespace
}  // namespace orv::test
