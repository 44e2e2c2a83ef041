// The program's own resources (icon, toolbar strip, accelerators,
// manifest) and the build's version in every file that ships.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "LanguageLibrary.h"
#include "Version.h"
#include "base/Ids.h"

namespace orv::test {
namespace {

// ------------------------------------------------------ version information

struct FileVersion {
    DWORD high = 0, low = 0;  // the numbers of FILEVERSION
    std::map<std::string, std::string> strings;
};

bool readFileVersion(const std::string& path, FileVersion* out) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (!size) return false;
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed) return false;
    out->high = fixed->dwFileVersionMS;
    out->low = fixed->dwFileVersionLS;
    WORD* translation = nullptr;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
        length < 4)
        return false;
    for (const char* name : {"ProductName", "ProductVersion", "FileVersion", "LegalCopyright", "OriginalFilename"}) {
        char query[128];
        std::snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\%s", translation[0], translation[1], name);
        char* value = nullptr;
        if (VerQueryValueA(block.data(), query, reinterpret_cast<void**>(&value), &length) && value)
            out->strings[name] = value;
    }
    return true;
}

// The one version of the build, in every file that ships.
void expectTheBuildsVersion(const std::string& path, const char* fileName) {
    SCOPED_TRACE(path);
    FileVersion version;
    ASSERT_TRUE(readFileVersion(path, &version)) << "no version information";
    EXPECT_EQ(version.high, DWORD(MAKELONG(ORV_VERSION_MINOR, ORV_VERSION_MAJOR)));
    EXPECT_EQ(version.low, DWORD(MAKELONG(0, ORV_VERSION_PATCH)));
    EXPECT_EQ(version.strings["ProductName"], ORV_PRODUCT_NAME);
    EXPECT_EQ(version.strings["ProductVersion"], ORV_VERSION);
    EXPECT_EQ(version.strings["FileVersion"], ORV_VERSION);
    EXPECT_EQ(version.strings["OriginalFilename"], fileName);
    EXPECT_NE(version.strings["LegalCopyright"].find("Copyright"), std::string::npos);
}

TEST_P(LanguageLibrary, CarriesTheBuildsVersion) {
    char name[MAX_PATH];
    std::snprintf(name, sizeof name, LANGUAGE_LIBRARY_FORMAT, GetParam());
    expectTheBuildsVersion(libraryPath(), name);
}

TEST(ProgramResources, ProgramAndCompanionCarryTheBuildsVersion) {
    expectTheBuildsVersion(programPath(), PROGRAM_FILE_NAME);
    expectTheBuildsVersion(besideTest(ORV_TEST_TO_PROGRAM, "orvantide-cli.exe"), "orvantide-cli.exe");
}

// ---------------------------------------------------- the program's own file

TEST(ProgramResources, IconGroupHasSmallMediumAndLargeImages) {
    ASSERT_NE(programAsData(), nullptr) << programPath() << " error " << GetLastError();
    auto group = resourceBytes(programAsData(), RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_APP));
    ASSERT_FALSE(group.empty());
    std::vector<IconGroupEntry> entries;
    std::string error;
    ASSERT_TRUE(parseIconGroup(group.data(), group.size(), &entries, &error)) << error;
    std::set<int> sizes;
    for (const auto& e : entries) {
        EXPECT_EQ(e.width, e.height);
        sizes.insert(e.width);
        auto image = resourceBytes(programAsData(), RT_ICON, MAKEINTRESOURCEA(e.iconId));
        EXPECT_EQ(image.size(), e.bytes) << "icon image " << e.iconId;
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 32, 48}));

    // Each size must also be a usable icon, as the window class and the
    // task bar ask for it.
    for (int size : {16, 32, 48}) {
        int id = LookupIconIdFromDirectoryEx(group.data(), TRUE, size, size, LR_DEFAULTCOLOR);
        ASSERT_NE(id, 0) << size;
        auto image = resourceBytes(programAsData(), RT_ICON, MAKEINTRESOURCEA(id));
        ASSERT_FALSE(image.empty());
        HICON icon = CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE, 0x00030000, size,
                                              size, LR_DEFAULTCOLOR);
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bm{};
        GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, size);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        if (info.hbmMask) DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

TEST(ProgramResources, ToolbarStripHasTenDistinctSixteenColourImages) {
    ASSERT_NE(programAsData(), nullptr);
    auto bytes = resourceBytes(programAsData(), RT_BITMAP, MAKEINTRESOURCEA(IDB_TOOLBAR));
    ASSERT_GE(bytes.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER h;
    std::memcpy(&h, bytes.data(), sizeof h);
    ASSERT_EQ(h.biWidth, 224);
    ASSERT_EQ(std::abs(h.biHeight), 15);
    ASSERT_EQ(h.biBitCount, 4);
    ASSERT_EQ(h.biCompression, DWORD(BI_RGB));
    size_t colours = h.biClrUsed ? h.biClrUsed : 16;
    size_t stride = (224 * 4 + 31) / 32 * 4;
    ASSERT_GE(bytes.size(), h.biSize + colours * 4 + stride * 15);
    const RGBQUAD* palette = reinterpret_cast<const RGBQUAD*>(bytes.data() + h.biSize);
    const unsigned char* bits = bytes.data() + h.biSize + colours * 4;

    // The toolbar masks out light grey: that is the background.
    int background = -1;
    for (size_t i = 0; i < colours; ++i)
        if (palette[i].rgbRed == 192 && palette[i].rgbGreen == 192 && palette[i].rgbBlue == 192)
            background = static_cast<int>(i);
    ASSERT_GE(background, 0) << "no light grey in the palette";
    auto pixel = [&](int x, int y) {
        int row = h.biHeight > 0 ? 14 - y : y;
        unsigned char b = bits[row * stride + x / 2];
        return x % 2 ? b & 0x0F : b >> 4;
    };
    std::vector<std::vector<int>> images;
    for (int slot = 0; slot < TOOLBAR_IMAGES; ++slot) {
        std::vector<int> image;
        int drawn = 0;
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 16; ++x) {
                int p = pixel(slot * 16 + x, y);
                image.push_back(p);
                drawn += p != background;
            }
        EXPECT_GE(drawn, 30) << "image " << slot << " is (nearly) empty";
        for (size_t other = 0; other < images.size(); ++other)
            EXPECT_NE(images[other], image) << "images " << other << " and " << slot << " are the same";
        images.push_back(image);
    }
}

TEST(ProgramResources, AcceleratorsStartAndStopWithShiftF5AndShiftF6AndPrintWithCtrlP) {
    ASSERT_NE(programAsData(), nullptr);
    auto bytes = resourceBytes(programAsData(), RT_ACCELERATOR, MAKEINTRESOURCEA(IDA_MAIN));
    ASSERT_FALSE(bytes.empty());
    std::vector<Accelerator> table;
    std::string error;
    ASSERT_TRUE(parseAccelerators(bytes.data(), bytes.size(), &table, &error)) << error;
    ASSERT_EQ(table.size(), 3u);
    const uint16_t flags = FVIRTKEY | FSHIFT | FNOINVERT;
    std::map<uint16_t, Accelerator> byCommand;
    for (const auto& a : table) byCommand[a.command] = a;
    ASSERT_EQ(byCommand.count(CMD_START), 1u);
    ASSERT_EQ(byCommand.count(CMD_STOP), 1u);
    EXPECT_EQ(byCommand[CMD_START].key, VK_F5);
    EXPECT_EQ(byCommand[CMD_START].flags, flags);
    EXPECT_EQ(byCommand[CMD_STOP].key, VK_F6);
    EXPECT_EQ(byCommand[CMD_STOP].flags, flags);
    ASSERT_EQ(byCommand.count(CMD_PRINT), 1u);
    EXPECT_EQ(byCommand[CMD_PRINT].key, 'P');
    EXPECT_EQ(byCommand[CMD_PRINT].flags, FVIRTKEY | FCONTROL | FNOINVERT);
}

TEST(ProgramResources, ManifestAsksForCommonControlsSixWithoutElevation) {
    ASSERT_NE(programAsData(), nullptr);
    auto bytes = resourceBytes(programAsData(), MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1));
    ASSERT_FALSE(bytes.empty());
    std::string xml(bytes.begin(), bytes.end());
    size_t name = xml.find("name=\"Microsoft.Windows.Common-Controls\"");
    ASSERT_NE(name, std::string::npos);
    size_t start = xml.rfind('<', name), end = xml.find('>', name);
    std::string identity = xml.substr(start, end - start);
    EXPECT_NE(identity.find("version=\"6.0.0.0\""), std::string::npos) << identity;
#ifdef _WIN64
    const std::string processor = "processorArchitecture=\"amd64\"";
#else
    const std::string processor = "processorArchitecture=\"x86\"";
#endif
    EXPECT_NE(identity.find(processor), std::string::npos) << identity;
    EXPECT_NE(xml.find("name=\"Kelmora.Orvantide\" version=\"" ORV_VERSION ".0\" " + processor), std::string::npos);
    EXPECT_NE(xml.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(xml.find("uiAccess=\"false\""), std::string::npos);
}

}  // namespace
}  // namespace orv::test
