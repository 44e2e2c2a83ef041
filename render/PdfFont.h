// A face of the embedded monospace font as one document uses it: each
// distinct character gets a two-byte code (a CID) on first use, and the
// font written at the end holds only the glyphs of those codes, with a
// Unicode map so that the text can be searched and copied.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "render/PdfFile.h"
#include "render/TrueType.h"

namespace orv::render {

// DejaVu Sans Mono, regular or bold, from the bytes built into the program.
const TrueTypeFont& monoFace(bool bold);
// Its file (DejaVuSansMono.ttf, DejaVuSansMono-Bold.ttf), as a screen or a
// printer loads it; empty if the built-in bytes were damaged.
const std::string& monoFaceFile(bool bold);

class PdfFont {
public:
    PdfFont(const TrueTypeFont& face, const char* name);

    // Its Type0 font object, numbered on first use.
    int object(PdfFile& file);
    // Every code's advance in thousandths of the text size.
    int width() const { return width_; }
    // Appends the codes of the characters.  No code has a byte that a PDF
    // literal string would need to escape, so "(" codes ")" is a string.
    void encode(const char32_t* text, std::size_t size, std::string& out);
    // The font's objects, if it was used.
    void write(PdfFile& file) const;

private:
    std::uint16_t assign(char32_t c);

    const TrueTypeFont& face_;
    const char* name_;
    int width_;
    int object_ = 0;
    std::vector<std::uint16_t> bmp_;  // by character below U+10000: its code, 0 before its first use
    std::unordered_map<char32_t, std::uint16_t> astral_;
    std::vector<char32_t> unicode_;     // by code: its character
    std::vector<std::uint16_t> glyph_;  // by code: its glyph in the face
    unsigned next_ = 1;                 // code 0 stays .notdef
};

}  // namespace orv::render
