// The hex-dump text of a stored file: one 81-byte line per 16 bytes,
//   "000020:  48 65 6C 6C 6F 2C 20 77  6F 72 6C 64 21 0D 0A 00     Hello, w orld!...\r\n"
// offset, sixteen bytes in hex, the same bytes as characters, CR LF.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/ByteSource.h"

namespace orv {

constexpr std::size_t kHexLineBytes = 81;
constexpr std::size_t kHexLineInput = 16;

// Lines for a file of size bytes: size / 16, rounded up.
constexpr std::uint64_t hexDumpLineCount(std::uint64_t size) { return (size + kHexLineInput - 1) / kHexLineInput; }

// Formats count bytes whose first one sits at file offset `offset` into
// hexDumpLineCount(count) lines at out (that many times 81 bytes).  Each
// line after the first starts 16 bytes further on; a short last line is
// padded with blanks to the full 81 bytes.  The offset takes six hex
// digits, seven from 16 MiB on (the colon is then followed by one space),
// eight from 256 MiB on (no space); from 4 GiB on it shows its low 32 bits.
// Returns the number of bytes written.
std::size_t formatHexLines(const std::uint8_t* data, std::size_t count, std::uint64_t offset, char* out);

// Reads the file's bytes from file and writes lines x 81 bytes of hex-dump
// text to destination; lastLineBytes is size mod 16 (0: the last line is
// full).  Returns false when the file gives fewer bytes than that.
bool formatHexDump(ByteSource& file, char* destination, std::size_t lines, unsigned lastLineBytes);

}  // namespace orv
