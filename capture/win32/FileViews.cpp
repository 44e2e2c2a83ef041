#include "capture/win32/FileViews.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "base/Text.h"
#include "app/win32/RunControl.h"
#include "capture/DeviceStream.h"
#include "view/HexDump.h"
#include "view/TextGrid.h"
#include "view/win32/ViewWindow.h"

namespace orv {
namespace {

// The largest block that one allocation may be asked for: it must be
// addressable with the platform's pointer differences and its size must
// fit loadedSize.
constexpr std::uint64_t kLargestBlock =
    std::min<std::uint64_t>(PTRDIFF_MAX, UINT32_MAX);

// The text view shows at most what the grid holds.
constexpr std::uint64_t kTextViewLimit = kGridBytes;

// A file opened for binary reading, read through a block buffer so that
// the hex dump and the decoder, which ask for a few KiB at a time, cost
// one system call per 64 KiB.  Closed when it goes out of scope.
class InputFile final : public ByteSource {
public:
    explicit InputFile(const char* path)
        : handle_(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {}
    ~InputFile() {
        if (isOpen()) CloseHandle(handle_);
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

    bool size(std::uint64_t& bytes) const {
        LARGE_INTEGER value;
        if (!GetFileSizeEx(handle_, &value) || value.QuadPart < 0) return false;
        bytes = static_cast<std::uint64_t>(value.QuadPart);
        return true;
    }

    std::size_t read(std::uint8_t* dst, std::size_t n) override {
        std::size_t done = 0;
        while (done < n) {
            if (next_ == filled_) {
                // Large requests go straight to the caller's memory.
                if (n - done >= sizeof buffer_) return done + readDirect(dst + done, n - done);
                next_ = 0;
                filled_ = readDirect(buffer_, sizeof buffer_);
                if (filled_ == 0) break;
            }
            std::size_t take = std::min(filled_ - next_, n - done);
            std::memcpy(dst + done, buffer_ + next_, take);
            next_ += take;
            done += take;
        }
        return done;
    }

private:
    // Reads until n bytes, the end of the file or a failure.
    std::size_t readDirect(std::uint8_t* dst, std::size_t n) {
        std::size_t done = 0;
        while (done < n) {
            DWORD want = static_cast<DWORD>(std::min<std::size_t>(n - done, 1u << 24));
            DWORD got = 0;
            if (!ReadFile(handle_, dst + done, want, &got, nullptr) || got == 0) break;
            done += got;
        }
        return done;
    }

    HANDLE handle_;
    std::uint8_t buffer_[65536];
    std::size_t next_ = 0, filled_ = 0;
};

// A block of n bytes (at least one, so that an empty load still holds a
// block), or none when n can't be had.
std::uint8_t* allocateBlock(std::uint64_t n) {
    if (n > kLargestBlock) return nullptr;
    return new (std::nothrow) std::uint8_t[n ? static_cast<std::size_t>(n) : 1];
}

// Collects the cells that one append changed and asks window to repaint
// their bounding rectangle once, without erasing: a file load lays up to a
// MiB on the user-interface thread, and one request is enough for it.
class WindowRepaint final : public RepaintSink {
public:
    WindowRepaint(CaptureState& state, HWND window) : state_(state), window_(window) {}

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
        int width = state_.charWidth.load(std::memory_order_relaxed);
        int height = state_.lineHeight.load(std::memory_order_relaxed);
        if (!any_ || !window_ || width <= 0 || height <= 0) return;
        int x = state_.scrollX.load(std::memory_order_relaxed);
        int y = state_.scrollY.load(std::memory_order_relaxed);
        RECT r{cells_.firstColumn * width - x, cells_.firstRow * height - y, (cells_.lastColumn + 1) * width - x,
               (cells_.lastRow + 1) * height - y};
        InvalidateRect(window_, &r, FALSE);
        any_ = false;
    }

private:
    CaptureState& state_;
    HWND window_;
    CellRect cells_{};
    bool any_ = false;
};

void appendAndRepaint(CaptureState& state, HWND window, const std::uint8_t* bytes, std::size_t count) {
    WindowRepaint repaint(state, window);
    appendToView(state.view, bytes, count, repaint);
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

// Writes size bytes of data as the whole content of path (created or
// replaced).  A disk file that could not be written completely is removed,
// so that no truncated export is left under the chosen name; a device is
// never removed.
bool writeWholeFile(const char* path, const std::uint8_t* data, std::uint32_t size) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool diskFile = GetFileType(file) == FILE_TYPE_DISK;
    bool complete = true;
    std::uint32_t done = 0;
    while (complete && done < size) {
        DWORD written = 0;
        complete = WriteFile(file, data + done, size - done, &written, nullptr) && written > 0;
        done += written;
    }
    complete = CloseHandle(file) && complete && done == size;
    if (!complete && diskFile) DeleteFileA(path);
    return complete;
}

// The view commands and save-as belong to Idle: while a link runs, the
// receive thread owns the grid and the capture file is being written.
bool linkRuns(const CaptureState& state) { return state.isOpen.load() != 0; }

}  // namespace

int readWholeFile(CaptureState& state, HWND owner, const char* path, std::uint8_t*& block, std::uint32_t& size) {
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
    std::uint8_t* data = nullptr;
    if (bytes > 0) {
        data = allocateBlock(bytes);
        if (!data) {
            tellNoMemory(state, owner);
            return 0;
        }
        if (file.read(data, static_cast<std::size_t>(bytes)) != bytes) {
            delete[] data;
            warn(state, owner, "Can't read data file.", "Error");
            return 0;
        }
    }
    block = data;
    size = static_cast<std::uint32_t>(bytes);
    return 1;
}

int chooseOpenFile(CaptureState& state, HWND owner, char (&path)[kPathSize]) {
    return state.fileDialogs->chooseOpenFile(owner, path, kPathSize, kCaptureFiles) ? 1 : 0;
}

int chooseSaveFile(CaptureState& state, HWND owner, char (&path)[kPathSize]) {
    path[0] = '\0';
    std::string title = state.strings->load(IDS_SAVE_TITLE, 1023);
    const FileFilter& filter = state.viewMode == VIEW_TEXT ? kCaptureFiles : kTextFiles;
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
    if (state.loadedData) freeLoadedData(state);
    std::uint8_t* text = allocateBlock(textBytes);
    if (!text) {
        tellNoMemory(state, owner);
        return 0;
    }
    if (!formatHexDump(file, reinterpret_cast<char*>(text), static_cast<std::size_t>(lines),
                       static_cast<unsigned>(size % kHexLineInput))) {
        delete[] text;
        state.loadedSize = 0;
        warn(state, owner, "Can't set buffer.", "");
        return 0;
    }
    state.loadedData = text;
    state.loadedSize = static_cast<std::uint32_t>(textBytes);
    state.view.lineCount.store(static_cast<int>(lines));
    state.view.usedWidth.store(static_cast<int>(kHexLineBytes));
    return 1;
}

int loadFileAsText(CaptureState& state, HWND window, const char* path) {
    InputFile file(path);
    std::uint64_t size = 0;
    if (!file.isOpen() || !file.size(size)) return 0;
    size = std::min(size, kTextViewLimit);
    state.view.lineCount.store(0);
    state.view.usedWidth.store(0);
    std::unique_ptr<std::uint8_t[]> bytes(allocateBlock(size));
    if (!bytes) return 0;
    if (file.read(bytes.get(), static_cast<std::size_t>(size)) != size) return 0;
    appendAndRepaint(state, window, bytes.get(), static_cast<std::size_t>(size));
    state.view.usedWidth.fetch_add(1);
    state.byteCount.store(static_cast<std::uint32_t>(size));
    return 1;
}

int loadFileFiltered(CaptureState& state, HWND window, const char* path) {
    InputFile file(path);
    std::uint64_t size = 0;
    if (!file.isOpen() || !file.size(size)) return 0;
    state.view.lineCount.store(0);
    state.view.usedWidth.store(0);
    if (state.loadedData) freeLoadedData(state);
    // Decoding never makes the stream longer.
    std::uint8_t* decoded = allocateBlock(size);
    if (!decoded) return 0;
    std::size_t count = 0;
    if (!decodeDeviceStream(file, decoded, static_cast<std::size_t>(size), count)) {
        delete[] decoded;
        state.loadedSize = 0;
        return 0;
    }
    state.loadedData = decoded;
    state.loadedSize = static_cast<std::uint32_t>(count);
    appendAndRepaint(state, window, decoded, count);
    return 1;
}

void runViewCommand(CaptureState& state, unsigned command) {
    if (linkRuns(state)) return;
    // The path is copied: CMD_OPEN_FILE replaces it.
    char path[kPathSize];
    copyCut(path, state.writer.captureFilePath());
    switch (command) {
    case CMD_VIEW_HEX:
    case CMD_VIEW_FILTERED: {
        resetView(state);
        freeLoadedData(state);
        const bool hex = command == CMD_VIEW_HEX;
        // The loads repaint the cells they fill where those cells are: in
        // the view.
        if (!(hex ? loadHexDump(state, state.mainWindow, path) : loadFileFiltered(state, state.viewWindow, path)))
            return;
        state.viewMode = hex ? VIEW_HEX : VIEW_FILTERED;
        refreshViewExtents(state);
        enableTextViewButton(state);
        return;
    }
    case CMD_VIEW_TEXT:
        resetView(state);
        freeLoadedData(state);
        if (!loadFileAsText(state, state.viewWindow, path)) return;
        state.viewMode = VIEW_TEXT;
        refreshViewExtents(state);
        return;
    case CMD_OPEN_FILE:
        if (!chooseOpenFile(state, state.mainWindow, path)) return;
        state.writer.setCaptureFilePath(path);
        state.viewMode = VIEW_TEXT;
        resetView(state);
        freeLoadedData(state);
        // A file that can't be read leaves the empty view; it is still the
        // current file, for the other views and save-as.
        loadFileAsText(state, state.viewWindow, state.writer.captureFilePath());
        refreshViewExtents(state);
        state.stateFlags.fetch_or(FLAG_HAVE_FILE);
        setRunControls(state, false);
        showByteCount(state);
        return;
    default: return;
    }
}

void saveCurrentFileAs(CaptureState& state) {
    if (linkRuns(state)) return;
    char target[kPathSize];
    if (!chooseSaveFile(state, state.mainWindow, target)) return;
    bool saved;
    if (state.viewMode != VIEW_TEXT)
        saved = state.loadedData && writeWholeFile(target, state.loadedData, state.loadedSize);
    else
        saved = CopyFileA(state.writer.captureFilePath(), target, FALSE) != FALSE;
    if (saved) return;
    std::string caption = state.strings->load(IDS_FAILURE_CAPTION, 31);
    std::string text = state.strings->load(IDS_SAVE_FAILED, 1023);
    warn(state, state.mainWindow, text.c_str(), caption.c_str());
}

}  // namespace orv
