// Where the file readers take their bytes from: an open file on either
// platform, or memory in tests.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace orv {

class ByteSource {
public:
    // Reads up to n bytes into dst; returns how many it read.  Fewer than
    // n means the end of the data or a failed read.
    virtual std::size_t read(std::uint8_t* dst, std::size_t n) = 0;

protected:
    ~ByteSource() = default;
};

// A stdio file opened "rb".
class FileByteSource final : public ByteSource {
public:
    explicit FileByteSource(std::FILE* file) : file_(file) {}
    std::size_t read(std::uint8_t* dst, std::size_t n) override { return std::fread(dst, 1, n, file_); }

private:
    std::FILE* file_;
};

// A block of memory, read front to back.
class MemoryByteSource final : public ByteSource {
public:
    MemoryByteSource(const std::uint8_t* data, std::size_t size) : data_(data), left_(size) {}
    std::size_t read(std::uint8_t* dst, std::size_t n) override;

private:
    const std::uint8_t* data_;
    std::size_t left_;
};

inline std::size_t MemoryByteSource::read(std::uint8_t* dst, std::size_t n) {
    if (n > left_) n = left_;
    for (std::size_t i = 0; i < n; ++i) dst[i] = data_[i];
    data_ += n;
    left_ -= n;
    return n;
}

}  // namespace orv
