// The stored-file views and save-as on a run record with two hidden plain
// windows as main window and view: the hex dump, the text view, the
// filtered view, what save-as writes from each, the dialogs, the messages
// of each failure, and reading a whole file for sending.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/win32/ViewCommands.h"
#include "app/win32/Win32Seams.h"
#include "app/win32/FileViews.h"
#include "tests/support/TestSupport.h"
#include "tests/support/win32/RunRecordFixture.h"
#include "view/win32/ViewWindow.h"

namespace orv::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The device stream's decoding, byte by byte as the device documents it:
// the reference for the block-wise decoder behind the filtered view.
Bytes referenceDecode(const Bytes& in) {
    Bytes out;
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] != 0x07) {
            out.push_back(in[i]);
            continue;
        }
        if (i + 1 == in.size()) {  // a lone 0x07 at the end stays
            out.push_back(0x07);
            break;
        }
        std::uint8_t next = in[++i];
        if (next == 0x27) {
            out.push_back(0x07);
        } else if (next < 0x30 || next > 0x4F) {
            out.push_back(0x07);
            out.push_back(next);
        }
    }
    return out;
}

// Grid text as shown: 0x20..0x7E as themselves, anything else ".".
std::string shown(const Bytes& bytes) {
    std::string text;
    for (std::uint8_t b : bytes) text.push_back(b >= 0x20 && b <= 0x7E ? static_cast<char>(b) : '.');
    return text;
}

// A file of the given size whose content is never written: the file
// system keeps it sparse, so sizes in GiB cost no disk.
void makeSparseFile(const std::string& path, std::uint64_t size) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    ASSERT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file));
    CloseHandle(file);
}

class FileViewTest : public RunRecordFixture {
protected:
    void SetUp() override {
        RunRecordFixture::SetUp();
        if (HasFatalFailure()) return;
        HINSTANCE instance = GetModuleHandleA(nullptr);
        s->mainWindow =
            CreateWindowExA(0, "STATIC", "main", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr, instance, nullptr);
        ASSERT_NE(nullptr, s->mainWindow);
        s->view.window =
            CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 640, 400, s->mainWindow, nullptr, instance, nullptr);
        ASSERT_NE(nullptr, s->view.window);
        clearGrid(s->view.grid);
    }
    void TearDown() override {
        freeLoadedData(s->view);
        s->view.font.reset();
        if (s->mainWindow) DestroyWindow(s->mainWindow);
        RunRecordFixture::TearDown();
    }

    std::string file(const std::string& name, const Bytes& bytes) {
        std::string path = dir / name;
        writeFile(path, bytes);
        return path;
    }
    // Runs a view command on path as the current capture file.
    void show(unsigned command, const std::string& path) {
        s->writer.setCaptureFilePath(path.c_str());
        runViewCommand(*s, command);
    }
    // Save-as to a new file in the test folder; its content afterwards.
    Bytes saveAs(const std::string& name) {
        dialogs.choose(dir / name);
        saveCurrentFileAs(*s);
        return pathExists(dir / name) ? readFile(dir / name) : Bytes{};
    }
    Bytes loaded() const { return Bytes(s->view.loadedData.get(), s->view.loadedData.get() + s->view.loadedSize); }
    // Row r of the grid without its trailing spaces.
    std::string row(int r) const {
        char cells[kGridColumns + 1] = "";
        int n = readRow(s->view.grid, r, 0, kGridColumns - 1, cells);
        std::string text(cells, n > 0 ? static_cast<std::size_t>(n) : 0);
        text.erase(text.find_last_not_of(' ') + 1);
        return text;
    }
    std::string failureText() { return strings.load(IDS_SAVE_FAILED, 1023); }
    std::string failureCaption() { return strings.load(IDS_FAILURE_CAPTION, 31); }
};

// ---- hex dump ----

TEST_F(FileViewTest, HexViewLinesAndSavedTextFollowTheFileSize) {
    const struct {
        std::size_t size;
        int lines;
    } cases[] = {{0, 0}, {1, 1}, {15, 1}, {16, 1}, {17, 2}, {100, 7}, {4096, 256}, {70001, 4376}};
    for (const auto& c : cases) {
        SCOPED_TRACE("file of " + std::to_string(c.size) + " bytes");
        std::string path = file("in" + std::to_string(c.size) + ".zrd", patternBytes(c.size));
        show(CMD_VIEW_HEX, path);
        EXPECT_EQ(VIEW_HEX, s->view.mode);
        EXPECT_EQ(c.lines, s->view.grid.lineCount.load());
        EXPECT_EQ(81, s->view.grid.usedWidth.load());
        EXPECT_EQ(std::uint32_t(c.lines) * 81, s->view.loadedSize);
        Bytes text = loaded();
        Bytes saved = saveAs("out" + std::to_string(c.size) + ".txt");
        EXPECT_EQ(std::size_t(c.lines) * 81, saved.size());
        EXPECT_EQ(text, saved) << "the saved file is the hex text as viewed";
        EXPECT_TRUE(pathExists(dir / ("out" + std::to_string(c.size) + ".txt")));
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FileViewTest, HexTextHasTheDumpLayout) {
    Bytes bytes(32, 0x41);
    for (std::uint8_t b :
         {0x48, 0x65, 0x6C, 0x6C, 0x6F, 0x2C, 0x20, 0x77, 0x6F, 0x72, 0x6C, 0x64, 0x21, 0x0D, 0x0A, 0x00})
        bytes.push_back(b);
    bytes.push_back(0x7F);  // a short last line
    show(CMD_VIEW_HEX, file("hello.zrd", bytes));
    ASSERT_EQ(4u * 81, s->view.loadedSize);
    std::string text(reinterpret_cast<const char*>(s->view.loadedData.get()), s->view.loadedSize);
    EXPECT_EQ("000020:  48 65 6C 6C 6F 2C 20 77  6F 72 6C 64 21 0D 0A 00     Hello, w orld!...\r\n",
              text.substr(2 * 81, 81));
    std::string last(79, ' ');
    last.replace(0, 11, "000030:  7F");
    last[62] = '.';
    EXPECT_EQ(last + "\r\n", text.substr(3 * 81));
}

TEST_F(FileViewTest, HexViewOfAFileThatCannotBeOpenedTellsItsPath) {
    const std::string paths[] = {dir / "missing.zrd", ""};
    for (const std::string& path : paths) {
        SCOPED_TRACE("path '" + path + "'");
        messages.shown.clear();
        show(CMD_VIEW_HEX, path);
        ASSERT_EQ(1u, messages.shown.size());
        EXPECT_EQ("Can't open data file.\n " + path + " ", messages.shown[0].text);
        EXPECT_EQ("", messages.shown[0].caption);
        EXPECT_EQ(box::kIconWarning, messages.shown[0].type);
        EXPECT_EQ(VIEW_TEXT, s->view.mode);
        EXPECT_EQ(nullptr, s->view.loadedData);
    }
}

TEST_F(FileViewTest, HexTextTooLargeToAddressIsNotEnoughMemory) {
    // Each hex text is beyond 2 GiB; in 32-bit arithmetic the first would
    // come out as 32 bytes, the last as 2 lines.
    const std::uint64_t sizes[] = {848388608ull, 0x40000000ull, 0x100000011ull};
    for (std::uint64_t size : sizes) {
        SCOPED_TRACE("file of " + std::to_string(size) + " bytes");
        messages.shown.clear();
        std::string path = dir / "huge.zrd";
        makeSparseFile(path, size);
        show(CMD_VIEW_HEX, path);
        ASSERT_EQ(1u, messages.shown.size());
        EXPECT_EQ("Not enough memory.", messages.shown[0].text);
        EXPECT_EQ("", messages.shown[0].caption);
        EXPECT_EQ(box::kIconWarning, messages.shown[0].type);
        EXPECT_EQ(VIEW_TEXT, s->view.mode);
        EXPECT_EQ(nullptr, s->view.loadedData);
        EXPECT_EQ(0, s->view.grid.lineCount.load()) << "a failed load leaves an empty view";
    }
}

// ---- text view ----

// Lines of 62 printable characters and CR LF: 64 bytes each.
Bytes numberedLines(std::size_t count) {
    Bytes bytes;
    for (std::size_t i = 0; i < count; ++i) {
        char line[80];
        int n = std::snprintf(line, sizeof line, "line %06u %-50s\r\n", static_cast<unsigned>(i), "abcdefghij");
        bytes.insert(bytes.end(), line, line + n);
    }
    return bytes;
}

TEST_F(FileViewTest, OpenedFileShowsItsFirstMiBAsTextAndSavesAsAWholeCopy) {
    Bytes content = numberedLines(3 * 16384);  // 3 MiB
    ASSERT_EQ(3u << 20, content.size());
    std::string before = file("last-run.zrd", {1, 2, 3});
    std::string chosen = file("three.zrd", content);
    s->writer.setCaptureFilePath(before.c_str());
    dialogs.choose(chosen);
    runViewCommand(*s, CMD_OPEN_FILE);

    ASSERT_EQ(1u, dialogs.asked.size());
    EXPECT_EQ("open", dialogs.asked[0].kind);
    EXPECT_EQ(before, dialogs.asked[0].initialPath) << "the dialog starts at the last capture file";
    EXPECT_EQ("*.zrd", dialogs.asked[0].filterPattern);
    EXPECT_EQ("zrd", dialogs.asked[0].defaultExtension);
    EXPECT_EQ(chosen, s->writer.captureFilePath());
    EXPECT_EQ(1048576u, s->byteCount.load());
    EXPECT_TRUE(s->stateFlags.load() & FLAG_HAVE_FILE);
    EXPECT_EQ(VIEW_TEXT, s->view.mode);
    EXPECT_EQ(nullptr, s->view.loadedData);
    // 16384 lines in the first MiB, but the grid takes 8191.
    EXPECT_EQ(std::string("line 000000 abcdefghij"), row(0));
    EXPECT_EQ(std::string("line 008190 abcdefghij"), row(8190));
    EXPECT_EQ("", row(8191));
    EXPECT_EQ(8191, s->view.grid.lineCount.load());

    Bytes saved = saveAs("copy.zrd");
    EXPECT_EQ(content, saved) << "the text view saves the whole file, not what the grid shows";
    EXPECT_EQ("*.zrd", dialogs.asked.back().filterPattern);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FileViewTest, TextViewOfAFileBeyond4GiBShowsItsFirstMiB) {
    std::string path = dir / "huge.zrd";
    makeSparseFile(path, 0x100000011ull);  // 17 bytes in 32 bits
    show(CMD_VIEW_TEXT, path);
    EXPECT_EQ(1048576u, s->byteCount.load());
    EXPECT_EQ(std::string(128, '.'), row(0));
}

TEST_F(FileViewTest, BackToTextViewFreesTheLoadedData) {
    Bytes bytes = {'A', 'B', '\r', '\n', 'C', 0x07, 0x31, 'D'};
    std::string path = file("back.zrd", bytes);
    show(CMD_VIEW_FILTERED, path);
    ASSERT_EQ(VIEW_FILTERED, s->view.mode);
    show(CMD_VIEW_TEXT, path);
    EXPECT_EQ(VIEW_TEXT, s->view.mode);
    EXPECT_EQ(nullptr, s->view.loadedData);
    EXPECT_EQ(8u, s->byteCount.load());
    EXPECT_EQ("AB", row(0));
    EXPECT_EQ("C.1D", row(1)) << "the text view shows the stream undecoded";
}

// ---- filtered view ----

TEST_F(FileViewTest, FilteredViewDecodesTheDeviceSequences) {
    const struct {
        const char* name;
        Bytes in, out;
    } cases[] = {
        {"mixed",
         {0x41, 0x07, 0x27, 0x42, 0x07, 0x31, 0x43, 0x07, 0x07, 0x44},
         {0x41, 0x07, 0x42, 0x43, 0x07, 0x07, 0x44}},
        {"lone escape at the end", {0x41, 0x07}, {0x41, 0x07}},
        {"escaped escape then lone escape", {0x07, 0x27, 0x07}, {0x07, 0x07}},
        {"replies only", {0x07, 0x30, 0x07, 0x4F}, {}},
        {"just outside the replies", {0x07, 0x2F, 0x07, 0x50}, {0x07, 0x2F, 0x07, 0x50}},
        {"empty", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.out, referenceDecode(c.in));
        show(CMD_VIEW_FILTERED, file("f.zrd", c.in));
        EXPECT_EQ(VIEW_FILTERED, s->view.mode);
        EXPECT_EQ(c.out, loaded());
        EXPECT_EQ(shown(c.out), row(0));
        EXPECT_EQ(c.out, saveAs("f.txt")) << "save-as writes the filtered bytes";
        EXPECT_EQ("*.txt", dialogs.asked.back().filterPattern);
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FileViewTest, FilteredViewOfALargeFileMatchesTheByteWiseDecoding) {
    // Escapes everywhere, so that pairs straddle every block boundary of
    // the reading and decoding.
    const std::uint8_t alphabet[] = {0x07, 0x07, 0x27, 0x30, 0x41, 0x4F, 0x50, 0x0A};
    Bytes in = patternBytes(300001, 7);
    for (auto& b : in) b = alphabet[b % sizeof alphabet];
    in.back() = 0x07;
    Bytes expected = referenceDecode(in);
    show(CMD_VIEW_FILTERED, file("large.zrd", in));
    EXPECT_EQ(expected.size(), s->view.loadedSize);
    EXPECT_TRUE(expected == loaded());
}

TEST_F(FileViewTest, FilteredViewOfAFileThatCannotBeHadShowsNothing) {
    std::string huge = dir / "huge.zrd";
    makeSparseFile(huge, 0x100000005ull);
    for (const std::string& path : {dir / "missing.zrd", huge}) {
        SCOPED_TRACE(path);
        show(CMD_VIEW_FILTERED, path);
        EXPECT_EQ(VIEW_TEXT, s->view.mode);
        EXPECT_EQ(nullptr, s->view.loadedData);
        EXPECT_EQ("", row(0));
    }
    EXPECT_TRUE(messages.shown.empty()) << "the filtered view fails silently";
}

// ---- save-as ----

TEST_F(FileViewTest, SaveAsWritesWhatEachViewShows) {
    Bytes content = {'x', 0x07, 0x27, 'y', 0x07, 0x35, '\r', '\n', 0x07, 0x07, 'z'};
    std::string path = file("mode.zrd", content);
    const struct {
        unsigned command;
        const char* pattern;
        const char* extension;
    } cases[] = {{CMD_VIEW_TEXT, "*.zrd", "zrd"}, {CMD_VIEW_HEX, "*.txt", "txt"}, {CMD_VIEW_FILTERED, "*.txt", "txt"}};
    for (const auto& c : cases) {
        SCOPED_TRACE("command " + std::to_string(c.command));
        show(c.command, path);
        Bytes viewed = loaded();
        Bytes saved = saveAs("saved-" + std::to_string(c.command));
        const auto& asked = dialogs.asked.back();
        EXPECT_EQ("save", asked.kind);
        EXPECT_EQ("", asked.initialPath) << "the save dialog starts empty";
        EXPECT_EQ(c.pattern, asked.filterPattern);
        EXPECT_EQ(c.extension, asked.defaultExtension);
        EXPECT_EQ(strings.load(IDS_SAVE_TITLE, 1023), asked.title);
        if (c.command == CMD_VIEW_TEXT) {
            EXPECT_EQ(content, saved);
        } else if (c.command == CMD_VIEW_HEX) {
            EXPECT_EQ(81u, saved.size());
            EXPECT_EQ(viewed, saved);
        } else {
            EXPECT_EQ(Bytes({'x', 0x07, 'y', '\r', '\n', 0x07, 0x07, 'z'}), saved);
        }
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FileViewTest, SaveAsReplacesAnExistingFile) {
    show(CMD_VIEW_HEX, file("small.zrd", {1, 2, 3}));
    std::string target = file("old.txt", Bytes(5000, 'o'));
    dialogs.choose(target);
    saveCurrentFileAs(*s);
    EXPECT_EQ(loaded(), readFile(target));
}

TEST_F(FileViewTest, FailedReplaceLeavesTheTargetAsItWas) {
    show(CMD_VIEW_HEX, file("small.zrd", {1, 2, 3}));
    const Bytes old = patternBytes(5000);
    std::string target = file("old.txt", old);
    // Another program reads it without letting it be deleted or renamed:
    // the finished copy cannot take its place.
    HANDLE reader = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    dialogs.choose(target);
    saveCurrentFileAs(*s);
    CloseHandle(reader);
    ASSERT_EQ(1u, messages.shown.size());
    EXPECT_EQ(failureText(), messages.shown[0].text);
    EXPECT_EQ(old, readFile(target));
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((dir / "*.tmp").c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, find) << "left behind: " << found.cFileName;
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

TEST_F(FileViewTest, FailedSavesAreTold) {
    std::string present = file("present.zrd", {1, 2, 3});
    CreateDirectoryA((dir / "folder").c_str(), nullptr);
    const struct {
        const char* name;
        unsigned command;
        std::string current, target;
    } cases[] = {
        {"hex text into a missing folder", CMD_VIEW_HEX, present, dir / "no\\such.txt"},
        {"filtered bytes onto a folder", CMD_VIEW_FILTERED, present, dir / "folder"},
        {"copy into a missing folder", CMD_VIEW_TEXT, present, dir / "no\\such.zrd"},
        {"copy of a file that is gone", CMD_OPEN_FILE, dir / "gone.zrd", dir / "copy.zrd"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        messages.shown.clear();
        if (c.command == CMD_OPEN_FILE) {
            dialogs.choose(c.current);
            runViewCommand(*s, CMD_OPEN_FILE);
        } else {
            show(c.command, c.current);
        }
        dialogs.choose(c.target);
        saveCurrentFileAs(*s);
        ASSERT_EQ(1u, messages.shown.size());
        EXPECT_EQ(failureText(), messages.shown[0].text);
        EXPECT_EQ(failureCaption(), messages.shown[0].caption);
        EXPECT_EQ(box::kIconWarning, messages.shown[0].type);
        EXPECT_FALSE(pathExists(dir / "copy.zrd"));
    }
}

// The build tree links full-disk.txt to /dev/full beside this program:
// every write to it fails with the disk full.
TEST_F(FileViewTest, SaveThatCannotWriteEverythingIsTold) {
    std::string full = win32BuildFolder(1) + "\\full-disk.txt";
    HANDLE probe = CreateFileA(full.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE) GTEST_SKIP() << "no full-disk device at " << full;
    const bool device = GetFileType(probe) == FILE_TYPE_CHAR;
    CloseHandle(probe);
    if (!device) GTEST_SKIP() << full << " is not a device";

    show(CMD_VIEW_HEX, file("some.zrd", patternBytes(1000)));
    dialogs.choose(full);
    saveCurrentFileAs(*s);
    ASSERT_EQ(1u, messages.shown.size());
    EXPECT_EQ(failureText(), messages.shown[0].text);
    EXPECT_EQ(failureCaption(), messages.shown[0].caption);
    probe = CreateFileA(full.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, probe) << "a device is never removed";
    if (probe != INVALID_HANDLE_VALUE) CloseHandle(probe);
}

// ---- dialogs ----

TEST_F(FileViewTest, CancelledDialogsChangeNothing) {
    std::string path = file("kept.zrd", patternBytes(40));
    show(CMD_VIEW_HEX, path);
    const std::uint8_t* data = s->view.loadedData.get();
    const std::uint32_t flags = s->stateFlags.load();

    runViewCommand(*s, CMD_OPEN_FILE);  // nothing chosen
    EXPECT_EQ(path, s->writer.captureFilePath());
    EXPECT_EQ(VIEW_HEX, s->view.mode);
    EXPECT_EQ(data, s->view.loadedData.get());
    EXPECT_EQ(3, s->view.grid.lineCount.load());
    EXPECT_EQ(flags, s->stateFlags.load());

    saveCurrentFileAs(*s);  // nothing chosen
    EXPECT_EQ(2u, dialogs.asked.size());
    EXPECT_EQ("save", dialogs.asked[1].kind);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(data, s->view.loadedData.get());
    std::size_t files = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir / "*").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    EXPECT_EQ(1u, files) << "no file was written";
}

TEST_F(FileViewTest, ViewCommandsWaitWhileALinkRuns) {
    std::string path = file("run.zrd", patternBytes(40));
    s->writer.setCaptureFilePath(path.c_str());
    setRunState(*s, RunState::Capturing);
    for (unsigned command : {CMD_VIEW_HEX, CMD_VIEW_FILTERED, CMD_VIEW_TEXT, CMD_OPEN_FILE})
        runViewCommand(*s, command);
    saveCurrentFileAs(*s);
    setRunState(*s, RunState::Idle);
    EXPECT_EQ(VIEW_TEXT, s->view.mode);
    EXPECT_EQ(nullptr, s->view.loadedData);
    EXPECT_EQ(0u, s->byteCount.load());
    EXPECT_TRUE(dialogs.asked.empty());
    EXPECT_TRUE(messages.shown.empty());
}

// ---- whole-file reading ----

TEST_F(FileViewTest, ReadWholeFileGivesEveryByte) {
    for (std::size_t size : {std::size_t(0), std::size_t(1), std::size_t(65536), std::size_t(200003)}) {
        SCOPED_TRACE(size);
        Bytes content = patternBytes(size, 3);
        Bytes got(7, 'x');  // replaced by the read
        ASSERT_EQ(1, readWholeFile(*s, s->mainWindow, file("send.zrd", content).c_str(), got));
        EXPECT_EQ(content, got);
    }
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(nullptr, s->view.loadedData);
    EXPECT_EQ("", row(0));
}

TEST_F(FileViewTest, ReadWholeFileTellsWhatFailed) {
    std::string huge = dir / "huge.zrd";
    makeSparseFile(huge, 0x100000011ull);
    const struct {
        std::string path, text;
    } cases[] = {
        {dir / "missing.zrd", "Can't open data file.\n " + dir / "missing.zrd" + " "},
        {huge, "Not enough memory."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        messages.shown.clear();
        Bytes data(3, 'x');
        EXPECT_EQ(0, readWholeFile(*s, s->mainWindow, c.path.c_str(), data));
        EXPECT_EQ(Bytes(3, 'x'), data);
        ASSERT_EQ(1u, messages.shown.size());
        EXPECT_EQ(c.text, messages.shown[0].text);
        EXPECT_EQ("", messages.shown[0].caption);
        EXPECT_EQ(box::kIconWarning, messages.shown[0].type);
    }
}

}  // namespace
}  // namespace orv::test
