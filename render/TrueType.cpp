#include "render/TrueType.h"

#include <algorithm>
#include <cstring>

namespace orv::render {

namespace {

unsigned u16(const unsigned char* p) { return unsigned(p[0]) << 8 | p[1]; }
int s16(const unsigned char* p) { return int(std::int16_t(u16(p))); }
std::uint32_t u32(const unsigned char* p) { return std::uint32_t(u16(p)) << 16 | u16(p + 2); }

void put16(std::string& out, unsigned v) {
    out += char(v >> 8 & 0xFF);
    out += char(v & 0xFF);
}
void put32(std::string& out, std::uint32_t v) {
    put16(out, v >> 16);
    put16(out, v & 0xFFFF);
}
void set16(std::string& s, std::size_t at, unsigned v) {
    s[at] = char(v >> 8 & 0xFF);
    s[at + 1] = char(v & 0xFF);
}
void set32(std::string& s, std::size_t at, std::uint32_t v) {
    set16(s, at, v >> 16);
    set16(s, at + 2, v & 0xFFFF);
}

std::uint32_t checksum(const std::string& table) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < table.size(); i += 4) {
        std::uint32_t word = 0;
        for (std::size_t k = 0; k < 4; ++k)
            word = word << 8 | (i + k < table.size() ? static_cast<unsigned char>(table[i + k]) : 0u);
        sum += word;
    }
    return sum;
}

// Composite glyph component flags.
constexpr unsigned kArgsAreWords = 0x0001, kScale = 0x0008, kMoreComponents = 0x0020, kXyScale = 0x0040,
                   kTwoByTwo = 0x0080, kInstructions = 0x0100;

}  // namespace

TrueTypeFont::Span TrueTypeFont::table(const char* tag) const {
    const unsigned count = u16(data_.p + 4);
    for (unsigned i = 0; i < count && 12 + 16 * (i + 1) <= data_.size; ++i) {
        const unsigned char* r = data_.p + 12 + 16 * i;
        if (std::memcmp(r, tag, 4) != 0) continue;
        const std::uint32_t offset = u32(r + 8), length = u32(r + 12);
        if (offset > data_.size || length > data_.size - offset) return {};
        return {data_.p + offset, length};
    }
    return {};
}

bool TrueTypeFont::parse(const unsigned char* data, std::size_t size) {
    valid_ = false;
    data_ = {data, size};
    if (size < 12 || (u32(data) != 0x00010000 && u32(data) != 0x74727565)) return false;
    head_ = table("head"), hhea_ = table("hhea"), maxp_ = table("maxp");
    hmtx_ = table("hmtx"), loca_ = table("loca"), glyf_ = table("glyf"), cmap_ = table("cmap");
    if (head_.size < 54 || hhea_.size < 36 || maxp_.size < 6 || cmap_.size < 4 || !glyf_.p) return false;
    unitsPerEm = int(u16(head_.p + 18));
    xMin = s16(head_.p + 36), yMin = s16(head_.p + 38), xMax = s16(head_.p + 40), yMax = s16(head_.p + 42);
    longLoca_ = s16(head_.p + 50) == 1;
    ascent = s16(hhea_.p + 4), descent = s16(hhea_.p + 6), advance = int(u16(hhea_.p + 10));
    hMetrics_ = u16(hhea_.p + 34);
    numGlyphs = int(u16(maxp_.p + 4));
    if (unitsPerEm == 0 || hMetrics_ == 0 || hMetrics_ > unsigned(numGlyphs) ||
        hmtx_.size < 4 * hMetrics_ + 2 * (numGlyphs - hMetrics_) ||
        loca_.size < std::size_t(numGlyphs + 1) * (longLoca_ ? 4 : 2))
        return false;

    // The Unicode subtable: the full repertoire (format 12) before the BMP (format 4).
    const unsigned count = u16(cmap_.p + 2);
    int best = 0;
    Span chosen;
    for (unsigned i = 0; i < count && 4 + 8 * (i + 1) <= cmap_.size; ++i) {
        const unsigned char* r = cmap_.p + 4 + 8 * i;
        const unsigned platform = u16(r), encoding = u16(r + 2);
        const std::uint32_t offset = u32(r + 4);
        if (std::size_t(offset) + 16 > cmap_.size ||
            !(platform == 0 || (platform == 3 && (encoding == 1 || encoding == 10))))
            continue;
        const unsigned char* sub = cmap_.p + offset;
        const std::size_t room = cmap_.size - offset;
        const unsigned format = u16(sub);
        if (format == 12 && best < 12 && std::size_t(u32(sub + 12)) <= (room - 16) / 12) {
            best = 12, chosen = {sub, room};
        } else if (format == 4 && best < 4 && 16 + 4 * std::size_t(u16(sub + 6)) <= room) {
            best = 4, chosen = {sub, room};
        }
    }
    if (!best) return false;
    cmapFormat_ = best, cmap_ = chosen;

    const Span h = glyphData(glyph(U'H'));
    capHeight = h.size >= 10 ? s16(h.p + 8) : ascent;
    return valid_ = true;
}

std::uint16_t TrueTypeFont::glyph(char32_t c) const {
    const unsigned char* sub = cmap_.p;
    if (cmapFormat_ == 12) {
        std::size_t lo = 0, hi = u32(sub + 12);
        while (lo < hi) {
            const std::size_t mid = (lo + hi) / 2;
            const unsigned char* g = sub + 16 + 12 * mid;
            if (c > u32(g + 4)) {
                lo = mid + 1;
            } else if (c < u32(g)) {
                hi = mid;
            } else {
                const std::uint32_t id = u32(g + 8) + (c - u32(g));
                return id < std::uint32_t(numGlyphs) ? std::uint16_t(id) : 0;
            }
        }
        return 0;
    }
    if (cmapFormat_ != 4 || c > 0xFFFF) return 0;
    const std::size_t segments = u16(sub + 6) / 2;
    const unsigned char* ends = sub + 14;
    std::size_t lo = 0, hi = segments;
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (u16(ends + 2 * mid) < c)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo == segments) return 0;
    const unsigned char* start = ends + 2 * segments + 2 + 2 * lo;
    const unsigned char* delta = start + 2 * segments;
    const unsigned char* rangeOffset = delta + 2 * segments;
    if (c < u16(start)) return 0;
    unsigned id = c;
    if (u16(rangeOffset) != 0) {
        const std::size_t at = std::size_t(rangeOffset - sub) + u16(rangeOffset) + 2 * (c - u16(start));
        if (at + 2 > cmap_.size) return 0;
        id = u16(sub + at);
        if (id == 0) return 0;
    }
    id = (id + u16(delta)) & 0xFFFF;
    return id < unsigned(numGlyphs) ? std::uint16_t(id) : 0;
}

TrueTypeFont::Span TrueTypeFont::glyphData(unsigned g) const {
    if (g >= unsigned(numGlyphs)) return {};
    const std::size_t from = longLoca_ ? u32(loca_.p + 4 * g) : 2 * std::size_t(u16(loca_.p + 2 * g));
    const std::size_t to = longLoca_ ? u32(loca_.p + 4 * g + 4) : 2 * std::size_t(u16(loca_.p + 2 * g + 2));
    if (to <= from || to > glyf_.size) return {};
    return {glyf_.p + from, to - from};
}

void TrueTypeFont::metrics(unsigned g, unsigned& advance, int& lsb) const {
    if (g < hMetrics_) {
        advance = u16(hmtx_.p + 4 * g), lsb = s16(hmtx_.p + 4 * g + 2);
    } else {
        advance = u16(hmtx_.p + 4 * (hMetrics_ - 1));
        lsb = s16(hmtx_.p + 4 * hMetrics_ + 2 * (g - hMetrics_));
    }
}

std::string TrueTypeFont::subset(std::vector<std::uint16_t>& glyphs) const {
    if (!valid_) return {};
    std::vector<int> number(std::size_t(numGlyphs), -1);
    for (std::size_t i = 0; i < glyphs.size(); ++i)
        if (glyphs[i] < numGlyphs) number[glyphs[i]] = int(i);

    std::string glyf, loca, hmtx;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {  // grows by the components met
        put32(loca, std::uint32_t(glyf.size()));
        unsigned adv = 0;
        int lsb = 0;
        if (glyphs[i] < numGlyphs) metrics(glyphs[i], adv, lsb);
        put16(hmtx, adv);
        put16(hmtx, unsigned(lsb) & 0xFFFF);
        const Span g = glyphData(glyphs[i]);
        if (g.size < 10) continue;
        const std::size_t start = glyf.size();
        bool ok = true;
        if (s16(g.p) >= 0) {
            // A simple glyph: its outline without the instructions between.
            const std::size_t at = 10 + 2 * std::size_t(s16(g.p));
            ok = at + 2 <= g.size && at + 2 + u16(g.p + at) <= g.size;
            if (ok) {
                glyf.append(reinterpret_cast<const char*>(g.p), at);
                put16(glyf, 0);
                const std::size_t rest = at + 2 + u16(g.p + at);
                glyf.append(reinterpret_cast<const char*>(g.p) + rest, g.size - rest);
            }
        } else {
            // A composite: its components renumbered, added when new.
            glyf.append(reinterpret_cast<const char*>(g.p), 10);
            std::size_t at = 10;
            for (bool more = true; more && ok;) {
                ok = at + 4 <= g.size;
                if (!ok) break;
                const unsigned flags = u16(g.p + at), component = u16(g.p + at + 2);
                const std::size_t length = 4 + ((flags & kArgsAreWords) ? 4 : 2) +
                                           ((flags & kScale)      ? 2
                                            : (flags & kXyScale)  ? 4
                                            : (flags & kTwoByTwo) ? 8
                                                                  : 0);
                ok = at + length <= g.size && component < unsigned(numGlyphs);
                if (!ok) break;
                if (number[component] < 0) {
                    number[component] = int(glyphs.size());
                    glyphs.push_back(std::uint16_t(component));
                }
                put16(glyf, flags & ~kInstructions);
                put16(glyf, unsigned(number[component]));
                glyf.append(reinterpret_cast<const char*>(g.p) + at + 4, length - 4);
                at += length;
                more = (flags & kMoreComponents) != 0;
            }
        }
        if (!ok) glyf.resize(start);  // a broken glyph is drawn as nothing
        glyf.resize((glyf.size() + 3) & ~std::size_t(3), '\0');
    }
    put32(loca, std::uint32_t(glyf.size()));

    const unsigned count = unsigned(glyphs.size());
    std::string head(reinterpret_cast<const char*>(head_.p), 54);
    set32(head, 8, 0);   // checkSumAdjustment, set below
    set16(head, 50, 1);  // long loca
    std::string hhea(reinterpret_cast<const char*>(hhea_.p), 36);
    set16(hhea, 34, count);
    std::string maxp(reinterpret_cast<const char*>(maxp_.p), std::min<std::size_t>(maxp_.size, 32));
    set16(maxp, 4, count);
    if (maxp.size() >= 28) set16(maxp, 26, 0);  // maxSizeOfInstructions

    // In tag order, as the table directory must be.
    const std::pair<const char*, const std::string*> tables[] = {{"glyf", &glyf}, {"head", &head}, {"hhea", &hhea},
                                                                 {"hmtx", &hmtx}, {"loca", &loca}, {"maxp", &maxp}};
    std::string font;
    put32(font, 0x00010000);
    put16(font, 6);
    put16(font, 64);  // search range, entry selector, range shift
    put16(font, 2);
    put16(font, 32);
    std::size_t offset = 12 + 16 * 6, headAt = 0;
    for (const auto& t : tables) {
        font.append(t.first, 4);
        put32(font, checksum(*t.second));
        put32(font, std::uint32_t(offset));
        put32(font, std::uint32_t(t.second->size()));
        if (t.second == &head) headAt = offset;
        offset += (t.second->size() + 3) & ~std::size_t(3);
    }
    for (const auto& t : tables) {
        font += *t.second;
        font.resize((font.size() + 3) & ~std::size_t(3), '\0');
    }
    set32(font, headAt + 8, 0xB1B0AFBAu - checksum(font));
    return font;
}

}  // namespace orv::render
