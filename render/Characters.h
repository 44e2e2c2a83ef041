// The printer's character tables: a code page for the upper half and the
// national variants of the 12 ASCII positions that ESC R replaces.
#pragma once
#include <cstdint>

namespace orv::render {

// What a code page prints for the bytes 0x80..0xFF (index byte - 0x80);
// 437's for a code page it does not know.  Positions the code page leaves
// undefined (five in 1252) print as a blank cell.
const char16_t* upperTable(int codePage);

// International character sets of ESC R n: 0..13 and 64 (Legal).
bool knownNationalSet(int set);
// The character for a byte 0x20..0x7E under a national set (ASCII for the
// positions the sets leave alone).
char32_t lowerChar(int set, std::uint8_t byte);

}  // namespace orv::render
