// The frame of a PDF file: numbered objects written in any order,
// compressed streams, the cross-reference table that finds them, and
// numbers in the short form PDF reads.
#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace orv::render {

// zlib's deflate: one stream reused for every object, as a fresh one per
// page would cost more than compressing a short page.  When zlib cannot
// start (no memory for its state, or a level it does not know) the data
// goes into stored blocks: a larger file, as valid.
class Deflater {
public:
    explicit Deflater(int level = 2);
    ~Deflater();
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;
    // The data in zlib's format, valid until the next call.
    const std::string& compress(const char* data, std::size_t size);

private:
    void store(const char* data, std::size_t size);

    struct Stream;
    std::unique_ptr<Stream> stream_;  // null: stored blocks
    std::string buffer_;
};

class PdfFile {
public:
    PdfFile();
    ~PdfFile();
    PdfFile(const PdfFile&) = delete;
    PdfFile& operator=(const PdfFile&) = delete;

    // A number for an object written later.
    int newObject();
    // "N 0 obj": what follows, up to endObject(), is appended to text().
    void beginObject(int number);
    void endObject();
    std::string& text() { return out_; }
    // A whole stream object, compressed: `entries` are the dictionary's
    // entries besides /Length and /Filter.
    void writeStream(int number, const std::string& entries, const char* data, std::size_t size);
    // The same with data that a Deflater has compressed.
    void writePacked(int number, const std::string& entries, const std::string& packed);

    // The file, with `root` as its catalog; the object is spent.
    std::string finish(int root);

private:
    Deflater deflater_;
    std::string out_;
    std::vector<std::size_t> offsets_;  // by object number; [0] unused
};

// PDF numbers: integers as such, others with at most `decimals` digits
// after the point and no exponent; not finite as 0.
void appendNumber(std::string& out, double value, int decimals = 3);
void appendInt(std::string& out, long long value);
// "N 0 R"
void appendRef(std::string& out, int object);

}  // namespace orv::render
