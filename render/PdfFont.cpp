#include "render/PdfFont.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>

#include "render/EmbeddedFonts.h"

namespace orv::render {

namespace {

constexpr char32_t kNoCharacter = 0xFFFFFFFF;  // a code left out

// The bytes a literal string must escape: ( and ) and \, and CR, which a
// reader takes for LF.
bool plainByte(unsigned b) { return b != '(' && b != ')' && b != '\\' && b != '\r'; }
bool plainCode(unsigned code) { return plainByte(code >> 8) && plainByte(code & 0xFF); }

void hex4(std::string& out, unsigned v) {
    static const char kDigits[] = "0123456789ABCDEF";
    for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[v >> shift & 0xF];
}

void appendScaled(std::string& out, const TrueTypeFont& face, int units) {
    appendInt(out, std::lround(1000.0 * units / face.unitsPerEm));
}

// A font file inflated once, on first use, for the rest of the run.
struct Face {
    std::string file;
    TrueTypeFont font;

    Face(const unsigned char* packed, std::size_t size, std::size_t inflated) : file(inflated, '\0') {
        uLongf length = uLongf(inflated);
        if (uncompress(reinterpret_cast<Bytef*>(&file[0]), &length, packed, uLong(size)) == Z_OK && length == inflated)
            font.parse(reinterpret_cast<const unsigned char*>(file.data()), file.size());
    }
};

// Six capitals naming the subset, the same for the same glyphs.
std::string subsetTag(const std::vector<std::uint16_t>& glyphs, const char* name) {
    std::uint64_t h = 14695981039346656037ull;
    for (const char* p = name; *p; ++p) h = (h ^ std::uint8_t(*p)) * 1099511628211ull;
    for (std::uint16_t g : glyphs) h = (h ^ g) * 1099511628211ull;
    std::string tag;
    for (int i = 0; i < 6; ++i, h /= 26) tag += char('A' + h % 26);
    return tag + "+" + name;
}

}  // namespace

namespace {

const Face& monoFont(bool bold) {
    if (bold) {
        static const Face face(kMonoBold, kMonoBoldSize, kMonoBoldInflated);
        return face;
    }
    static const Face face(kMonoRegular, kMonoRegularSize, kMonoRegularInflated);
    return face;
}

}  // namespace

const TrueTypeFont& monoFace(bool bold) { return monoFont(bold).font; }
const std::string& monoFaceFile(bool bold) {
    static const std::string none;
    const Face& face = monoFont(bold);
    return face.font.valid() ? face.file : none;
}

int PdfFont::object(PdfFile& file) {
    if (!object_) object_ = file.newObject();
    return object_;
}

PdfFont::PdfFont(const TrueTypeFont& face, const char* name)
    : face_(face),
      name_(name),
      width_(face.advance > 0 ? int(std::lround(1000.0 * face.advance / face.unitsPerEm)) : 600) {}

void PdfFont::encode(const char32_t* text, std::size_t size, std::string& out) {
    if (bmp_.empty()) {
        bmp_.assign(0x10000, 0);
        unicode_.assign(1, kNoCharacter);
        glyph_.assign(1, 0);
    }
    const std::size_t at = out.size();
    out.resize(at + 2 * size);
    char* p = &out[at];
    for (std::size_t i = 0; i < size; ++i) {
        const char32_t c = text[i];
        std::uint16_t code = c < 0x10000 ? bmp_[c] : 0;
        if (!code) code = assign(c);
        *p++ = char(code >> 8);
        *p++ = char(code & 0xFF);
    }
}

std::uint16_t PdfFont::assign(char32_t c) {
    if (c >= 0x10000) {
        const auto found = astral_.find(c);
        if (found != astral_.end()) return found->second;
    }
    if (next_ > 0xFFFF) return 0;  // every code taken: .notdef, without Unicode
    const std::uint16_t code = std::uint16_t(next_);
    do ++next_;
    while (next_ <= 0xFFFF && !plainCode(next_));
    unicode_.resize(code + 1u, kNoCharacter);
    glyph_.resize(code + 1u, 0);
    const bool valid = c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
    unicode_[code] = valid ? c : 0xFFFD;
    glyph_[code] = valid ? face_.glyph(c) : 0;  // none in the face: .notdef, still with its Unicode
    if (c < 0x10000)
        bmp_[c] = code;
    else
        astral_[c] = code;
    return code;
}

void PdfFont::write(PdfFile& file) const {
    if (!object_) return;
    // The subset's glyphs in the order the codes first need them.
    std::vector<std::uint16_t> glyphs{0};
    std::vector<int> index(std::size_t(face_.numGlyphs) + 1, -1);
    index[0] = 0;
    std::string cidToGid;
    cidToGid.reserve(2 * glyph_.size());
    for (std::uint16_t g : glyph_) {
        if (index[g] < 0) {
            index[g] = int(glyphs.size());
            glyphs.push_back(g);
        }
        cidToGid += char(index[g] >> 8);
        cidToGid += char(index[g] & 0xFF);
    }
    const std::string baseFont = subsetTag(glyphs, name_);
    const std::string program = face_.subset(glyphs);

    const int descendant = file.newObject(), descriptor = file.newObject(), fontFile = file.newObject(),
              toUnicode = file.newObject(), cidMap = file.newObject();
    std::string& out = file.text();
    file.beginObject(object_);
    out += "<< /Type /Font /Subtype /Type0 /BaseFont /" + baseFont + " /Encoding /Identity-H /DescendantFonts [";
    appendRef(out, descendant);
    out += "] /ToUnicode ";
    appendRef(out, toUnicode);
    out += " >>";
    file.endObject();

    file.beginObject(descendant);
    out += "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + baseFont +
           " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor ";
    appendRef(out, descriptor);
    out += " /DW ";
    appendInt(out, width());
    out += " /W [0 ";  // the advance as the characters' positions need it, whatever the glyph's own
    appendInt(out, static_cast<long long>(glyph_.size()) - 1);
    out += ' ';
    appendInt(out, width());
    out += "] /CIDToGIDMap ";
    appendRef(out, cidMap);
    out += " >>";
    file.endObject();

    file.beginObject(descriptor);
    out += "<< /Type /FontDescriptor /FontName /" + baseFont + " /Flags 5 /FontBBox [";  // fixed pitch, symbolic
    for (int v : {face_.xMin, face_.yMin, face_.xMax, face_.yMax}) {
        appendScaled(out, face_, v);
        out += ' ';
    }
    out += "] /ItalicAngle 0 /Ascent ";
    appendScaled(out, face_, face_.ascent);
    out += " /Descent ";
    appendScaled(out, face_, face_.descent);
    out += " /CapHeight ";
    appendScaled(out, face_, face_.capHeight);
    out += " /StemV 80 /FontFile2 ";
    appendRef(out, fontFile);
    out += " >>";
    file.endObject();

    file.writeStream(fontFile, " /Length1 " + std::to_string(program.size()), program.data(), program.size());

    std::string cmap =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    std::vector<unsigned> mapped;
    for (std::size_t code = 0; code < unicode_.size(); ++code)
        if (unicode_[code] != kNoCharacter) mapped.push_back(unsigned(code));
    for (std::size_t i = 0; i < mapped.size(); i += 100) {
        const std::size_t n = std::min<std::size_t>(100, mapped.size() - i);
        cmap += std::to_string(n) + " beginbfchar\n";
        for (std::size_t k = i; k < i + n; ++k) {
            const char32_t c = unicode_[mapped[k]];
            cmap += '<';
            hex4(cmap, mapped[k]);
            cmap += "> <";
            if (c < 0x10000) {
                hex4(cmap, c);
            } else {
                hex4(cmap, 0xD800 + ((c - 0x10000) >> 10));
                hex4(cmap, 0xDC00 + ((c - 0x10000) & 0x3FF));
            }
            cmap += ">\n";
        }
        cmap += "endbfchar\n";
    }
    cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    file.writeStream(toUnicode, "", cmap.data(), cmap.size());
    file.writeStream(cidMap, "", cidToGid.data(), cidToGid.size());
}

}  // namespace orv::render
