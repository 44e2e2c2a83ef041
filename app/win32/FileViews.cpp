#include "app/win32/FileViews.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "base/ReplacingFile.h"
#include "capture/DeviceStream.h"
#include "app/win32/InputFile.h"
#include "view/HexDump.h"
#include "view/TextGrid.h"
#include "view/win32/ViewWindow.h"

namespace orv {
namespace {

// The largest block that one allocation may be asked for: it must be
// addressable with the platform's pointer differences and its size must
// fit loadedSize.
constexpr std::uint64_t kLargestBlock = std::min<std::uint64_t>(PTRDIFF_MAX, UINT32_MAX);

// The text view shows at most what the grid holds.
constexpr std::uint64_t kTextViewLimit = kGridBytes;

// A block of n bytes (at least one, so that an empty load still holds a
// block), or none when n can't be had.
std::unique_ptr<std::uint8_t[]> allocateBlock(std::uint64_t n) {
    if (n > kLargestBlock) return nullptr;
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[n ? static_cast<std::size_t>(n) : 1]);
}

// Collects the cells that one append changed and asks window to repaint
// their bounding rectangle once, without erasing: a file load lays up to a
// MiB on the user-interface thread, and one request is enough for it.
class WindowRepaint final : public RepaintSink {
public:
    explicit WindowRepaint(const ViewState& view) : view_(view) {}

    void repaintCells(const CellRect& cells) override {
        if (!any_) {
            cells_ = cells;
            any_ = true;
            return;
        }
        cells_.firstRow = std::min(cells_.firstRow, cells.firstRow);
        cells_.lastRow = std::max(cells_.lastRow, cells.lastRow);
        cells_.firstColumn = std::min(cells_.firstColumn, cells.firstColumn);
        cells_.lastColumn = std::max(cells_.lastColumn, cells.lastColumn);
    }

    void flush() {
        if (any_) repaintViewCells(view_, cells_);
        any_ = false;
    }

private:
    const ViewState& view_;
    CellRect cells_{};
    bool any_ = false;
};

void appendAndRepaint(CaptureState& state, const std::uint8_t* bytes, std::size_t count) {
    WindowRepaint repaint(state.view);
    appendToView(state.view.grid, bytes, count, repaint);
    repaint.flush();
}

void warn(CaptureState& state, HWND owner, const char* text, const char* caption) {
    state.messages->show(owner, text, caption, box::kOk | box::kIconWarning);
}

void tellCantOpen(CaptureState& state, HWND owner, const char* path) {
    std::string text = std::string("Can't open data file.\n ") + path + " ";
    warn(state, owner, text.c_str(), "");
}

void tellNoMemory(CaptureState& state, HWND owner) { warn(state, owner, "Not enough memory.", ""); }

constexpr FileFilter kCaptureFiles{"zrd files(*.zrd)", "*.zrd", "zrd"};
constexpr FileFilter kTextFiles{"txt files(*.txt)", "*.txt", "txt"};

}  // namespace

bool writeWholeFile(FileSystem& fs, const char* path, const std::uint8_t* data, std::uint32_t size) {
    return replaceContent(fs, path, data, size) == 0;
}

bool copyWholeFile(FileSystem& fs, const char* source, const char* path) {
    InputFile from(source);
    std::uint64_t size = 0, copied = 0;
    if (!from.isOpen() || !from.size(size)) return false;
    ReplacingFile file(fs);
    if (file.open(path) != 0) return false;
    std::vector<std::uint8_t> block(1u << 20);
    for (std::size_t n; (n = from.read(block.data(), block.size())) > 0; copied += n)
        if (file.write(block.data(), n) != 0) return false;
    // A source that gives fewer bytes than its size could not be read whole.
    return copied == size && file.commit() == 0;
}

int readWholeFile(CaptureState& state, HWND owner, const char* path, std::vector<std::uint8_t>& data) {
    InputFile file(path);
    if (!file.isOpen()) {
        tellCantOpen(state, owner, path);
        return 0;
    }
    std::uint64_t bytes = 0;
    if (!file.size(bytes)) {
        warn(state, owner, "Can't read data file.", "Error");
        return 0;
    }
    std::vector<std::uint8_t> read;
    bool room = bytes <= kLargestBlock;
    if (room) {
        try {
            read.resize(static_cast<std::size_t>(bytes));
        } catch (const std::bad_alloc&) {
            room = false;
        }
    }
    if (!room) {
        tellNoMemory(state, owner);
        return 0;
    }
    if (file.read(read.data(), read.size()) != bytes) {
        warn(state, owner, "Can't read data file.", "Error");
        return 0;
    }
    data = std::move(read);
    return 1;
}

int chooseOpenFile(CaptureState& state, HWND owner, char (&path)[kPathSize]) {
    return state.fileDialogs->chooseOpenFile(owner, path, kPathSize, kCaptureFiles) ? 1 : 0;
}

int chooseSaveFile(CaptureState& state, HWND owner, char (&path)[kPathSize]) {
    path[0] = '\0';
    std::string title = state.strings->load(IDS_SAVE_TITLE, 1023);
    const FileFilter& filter = state.view.mode == VIEW_TEXT ? kCaptureFiles : kTextFiles;
    return state.fileDialogs->chooseSaveFile(owner, path, kPathSize, filter, title.c_str()) ? 1 : 0;
}

int loadHexDump(CaptureState& state, HWND owner, const char* path) {
    InputFile file(path);
    if (!file.isOpen()) {
        tellCantOpen(state, owner, path);
        return 0;
    }
    std::uint64_t size = 0;
    if (!file.size(size)) {
        warn(state, owner, "Can't set buffer.", "");
        return 0;
    }
    // In 64 bits: the text is about five times the file, which overflows
    // 32 bits long before the file does.
    const std::uint64_t lines = hexDumpLineCount(size);
    const std::uint64_t textBytes = lines * kHexLineBytes;
    if (state.view.loadedData) freeLoadedData(state.view);
    std::unique_ptr<std::uint8_t[]> text = allocateBlock(textBytes);
    if (!text) {
        tellNoMemory(state, owner);
        return 0;
    }
    if (!formatHexDump(file, reinterpret_cast<char*>(text.get()), static_cast<std::size_t>(lines),
                       static_cast<unsigned>(size % kHexLineInput))) {
        state.view.loadedSize = 0;
        warn(state, owner, "Can't set buffer.", "");
        return 0;
    }
    state.view.loadedData = std::move(text);
    state.view.loadedSize = static_cast<std::uint32_t>(textBytes);
    state.view.grid.lineCount.store(static_cast<int>(lines));
    state.view.grid.usedWidth.store(static_cast<int>(kHexLineBytes));
    return 1;
}

int loadFileAsText(CaptureState& state, const char* path) {
    InputFile file(path);
    std::uint64_t size = 0;
    if (!file.isOpen() || !file.size(size)) return 0;
    size = std::min(size, kTextViewLimit);
    state.view.grid.lineCount.store(0);
    state.view.grid.usedWidth.store(0);
    std::unique_ptr<std::uint8_t[]> bytes = allocateBlock(size);
    if (!bytes) return 0;
    if (file.read(bytes.get(), static_cast<std::size_t>(size)) != size) return 0;
    appendAndRepaint(state, bytes.get(), static_cast<std::size_t>(size));
    state.view.grid.usedWidth.fetch_add(1);
    state.byteCount.store(static_cast<std::uint32_t>(size));
    return 1;
}

int loadFileFiltered(CaptureState& state, const char* path) {
    InputFile file(path);
    std::uint64_t size = 0;
    if (!file.isOpen() || !file.size(size)) return 0;
    state.view.grid.lineCount.store(0);
    state.view.grid.usedWidth.store(0);
    if (state.view.loadedData) freeLoadedData(state.view);
    // Decoding never makes the stream longer.
    std::unique_ptr<std::uint8_t[]> decoded = allocateBlock(size);
    if (!decoded) return 0;
    std::size_t count = 0;
    if (!decodeDeviceStream(file, decoded.get(), static_cast<std::size_t>(size), count)) {
        state.view.loadedSize = 0;
        return 0;
    }
    state.view.loadedData = std::move(decoded);
    state.view.loadedSize = static_cast<std::uint32_t>(count);
    appendAndRepaint(state, state.view.loadedData.get(), count);
    return 1;
}

}  // namespace orv
