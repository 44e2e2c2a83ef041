// The printer's character tables: a code page for the upper half and the
// national variants of the 12 ASCII positions that ESC R replaces.
#pragma once
#include <cstdint>

namespace orv::render {

// What a code page prints for the bytes 0x80..0xFF (index byte - 0x80);
// 437's for a code page it does not know.  0 where the code page has a
// control code there (the ISO sets' 0x80..0x9F): nothing is printed.
// Positions the code page leaves undefined (five in 1252) print as a
// blank cell.
const char16_t* upperTable(int codePage);

// The code page of the ESC/P2 character table d2 d3 (ESC ( t), or 0 for a
// table that has none here.  Italic (0 0) is no code page either.
int tableCodePage(std::uint8_t d2, std::uint8_t d3);

// What a Proprinter prints for a control code (0x00..0x1F, 0x7F) it was
// told to print as a character: the PC character set's symbols (a blank
// for NUL, then smileys, card suits ... and the house for DEL).
char32_t controlSymbol(std::uint8_t byte);

// International character sets of ESC R n: 0..13 and 64 (Legal).
bool knownNationalSet(int set);
// The character for a byte 0x20..0x7E under a national set (ASCII for the
// positions the sets leave alone).
char32_t lowerChar(int set, std::uint8_t byte);

}  // namespace orv::render
