#include "render/PdfFile.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orv::render {

struct Deflater::Stream {
    z_stream z{};
};

Deflater::Deflater(int level) : stream_(new Stream) {
    // Compressing is most of the writer's time: level 2 writes a text job
    // twice as fast as level 6 for a file 4 % larger (make bench).
    if (deflateInit(&stream_->z, level) != Z_OK) stream_.reset();
}

Deflater::~Deflater() {
    if (stream_) deflateEnd(&stream_->z);
}

const std::string& Deflater::compress(const char* data, std::size_t size) {
    if (!stream_) {
        store(data, size);
        return buffer_;
    }
    z_stream& z = stream_->z;
    deflateReset(&z);
    buffer_.resize(deflateBound(&z, uLong(size)));
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    z.avail_in = uInt(size);
    z.next_out = reinterpret_cast<Bytef*>(&buffer_[0]);
    z.avail_out = uInt(buffer_.size());
    deflate(&z, Z_FINISH);  // one call: the output has deflateBound's room
    buffer_.resize(buffer_.size() - z.avail_out);
    return buffer_;
}

// A zlib stream of stored deflate blocks (RFC 1950, 1951): the header, each
// block of at most 65,535 bytes with its length and the length's
// complement, then the data's Adler-32.
void Deflater::store(const char* data, std::size_t size) {
    constexpr std::size_t kBlock = 65535;
    buffer_.clear();
    buffer_.reserve(size + 5 * (size / kBlock + 1) + 6);
    buffer_ += "\x78\x01";
    std::size_t at = 0;
    do {
        const std::size_t n = std::min(kBlock, size - at);
        const char last = at + n == size ? 1 : 0;
        const unsigned char header[5] = {static_cast<unsigned char>(last), static_cast<unsigned char>(n & 0xFF),
                                         static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(~n & 0xFF),
                                         static_cast<unsigned char>((~n >> 8) & 0xFF)};
        buffer_.append(reinterpret_cast<const char*>(header), sizeof header);
        buffer_.append(data + at, n);
        at += n;
    } while (at < size);
    const uLong sum = adler32_z(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(data), size);
    for (int shift = 24; shift >= 0; shift -= 8) buffer_ += static_cast<char>((sum >> shift) & 0xFF);
}

PdfFile::PdfFile() : offsets_(1, 0) {
    // The second line's high bytes tell transfer programs the file is binary.
    out_ = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
}

PdfFile::~PdfFile() = default;

int PdfFile::newObject() {
    offsets_.push_back(0);
    return int(offsets_.size() - 1);
}

void PdfFile::beginObject(int number) {
    offsets_[std::size_t(number)] = out_.size();
    appendInt(out_, number);
    out_ += " 0 obj\n";
}

void PdfFile::endObject() { out_ += "\nendobj\n"; }

void PdfFile::writeStream(int number, const std::string& entries, const char* data, std::size_t size) {
    writePacked(number, entries, deflater_.compress(data, size));
}

void PdfFile::writePacked(int number, const std::string& entries, const std::string& packed) {
    beginObject(number);
    out_ += "<< /Length ";
    appendInt(out_, static_cast<long long>(packed.size()));
    out_ += " /Filter /FlateDecode";
    out_ += entries;
    out_ += " >>\nstream\n";
    out_ += packed;
    out_ += "\nendstream";
    endObject();
}

std::string PdfFile::finish(int root) {
    const std::size_t xref = out_.size();
    out_ += "xref\n0 ";
    appendInt(out_, static_cast<long long>(offsets_.size()));
    out_ += "\n0000000000 65535 f \n";
    char entry[24];
    for (std::size_t i = 1; i < offsets_.size(); ++i) {
        // Every entry is 20 bytes; an object never written is a free one.
        if (offsets_[i])
            std::snprintf(entry, sizeof entry, "%010llu 00000 n \n", (unsigned long long)offsets_[i]);
        else
            std::snprintf(entry, sizeof entry, "0000000000 00001 f \n");
        out_ += entry;
    }
    out_ += "trailer\n<< /Size ";
    appendInt(out_, static_cast<long long>(offsets_.size()));
    out_ += " /Root ";
    appendRef(out_, root);
    out_ += " >>\nstartxref\n";
    appendInt(out_, static_cast<long long>(xref));
    out_ += "\n%%EOF\n";
    return std::move(out_);
}

void appendInt(std::string& out, long long value) {
    char digits[24];
    char* end = digits + sizeof digits;
    char* p = end;
    unsigned long long u = value < 0 ? 0ull - static_cast<unsigned long long>(value) : value;
    do {
        *--p = char('0' + u % 10);
        u /= 10;
    } while (u);
    if (value < 0) *--p = '-';
    out.append(p, std::size_t(end - p));
}

void appendNumber(std::string& out, double value, int decimals) {
    static const long long kScale[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
    decimals = std::clamp(decimals, 0, 6);
    if (!std::isfinite(value)) value = 0;
    const double exact = std::clamp(value, -1e9, 1e9) * double(kScale[decimals]);
    long long scaled = static_cast<long long>(exact < 0 ? exact - 0.5 : exact + 0.5);
    if (scaled < 0) {
        out += '-';
        scaled = -scaled;
    }
    appendInt(out, scaled / kScale[decimals]);
    long long fraction = scaled % kScale[decimals];
    if (!fraction) return;
    while (fraction % 10 == 0) fraction /= 10, --decimals;
    char digits[8];
    for (int i = decimals - 1; i >= 0; --i, fraction /= 10) digits[i] = char('0' + fraction % 10);
    out += '.';
    out.append(digits, std::size_t(decimals));
}

void appendRef(std::string& out, int object) {
    appendInt(out, object);
    out += " 0 R";
}

}  // namespace orv::render
