// A stored file as a byte source: opened for binary reading and read
// through a block buffer.  User-interface thread only.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "base/ByteSource.h"
#include "base/win32/Owned.h"

namespace orv {

// A file opened for binary reading, read through a block buffer so that
// the hex dump and the decoder, which ask for a few KiB at a time, cost
// one system call per 64 KiB.  Closed when it goes out of scope.
class InputFile final : public ByteSource {
public:
    explicit InputFile(const char* path)
        : handle_(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {}

    bool isOpen() const { return static_cast<bool>(handle_); }

    bool size(std::uint64_t& bytes) const {
        LARGE_INTEGER value;
        if (!GetFileSizeEx(handle_.get(), &value) || value.QuadPart < 0) return false;
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
            if (!ReadFile(handle_.get(), dst + done, want, &got, nullptr) || got == 0) break;
            done += got;
        }
        return done;
    }

    FileHandle handle_;
    std::uint8_t buffer_[65536];
    std::size_t next_ = 0, filled_ = 0;
};

}  // namespace orv
