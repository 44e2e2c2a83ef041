// A TrueType font as the PDF writer needs it: the metrics of its font
// descriptor, the glyph of a character, and a subset of the glyphs one
// document uses.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orv::render {

class TrueTypeFont {
public:
    // False unless the data is a TrueType font with glyph outlines, a
    // Unicode cmap and the tables a subset is made of.  The data must stay.
    bool parse(const unsigned char* data, std::size_t size);

    int unitsPerEm = 1000;
    int ascent = 0, descent = 0, capHeight = 0;  // font units, descent negative
    int xMin = 0, yMin = 0, xMax = 0, yMax = 0;  // the font's box
    int advance = 0;                             // the widest advance (every glyph's, in a monospace font)
    int numGlyphs = 0;

    // The glyph of a character; 0 (.notdef) when the font has none.
    std::uint16_t glyph(char32_t c) const;
    bool valid() const { return valid_; }

    // A TrueType font of the given glyphs, numbered in their order (the
    // first must be .notdef, none twice).  The components of composite
    // glyphs are appended to `glyphs`.  Hinting is dropped: its tables are
    // left out and the glyphs' instructions removed.
    std::string subset(std::vector<std::uint16_t>& glyphs) const;

private:
    struct Span {
        const unsigned char* p = nullptr;
        std::size_t size = 0;
    };
    Span table(const char* tag) const;
    Span glyphData(unsigned g) const;
    void metrics(unsigned g, unsigned& advance, int& lsb) const;

    Span data_, head_, hhea_, maxp_, hmtx_, loca_, glyf_, cmap_;
    bool longLoca_ = false;
    unsigned hMetrics_ = 0;
    int cmapFormat_ = 0;
    bool valid_ = false;
};

}  // namespace orv::render
