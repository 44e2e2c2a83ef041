// toPdf: the pages as PDF pages.  Text is drawn in the embedded
// monospace faces with a text matrix per run that fits the glyphs to the
// run's pitch and size; italics are the same faces sheared (PageLook.h).
#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

#include "render/PageLook.h"
#include "render/PdfFile.h"
#include "render/PdfFont.h"
#include "render/Render.h"

namespace orv::render {

namespace {

// Far beyond any paper, yet well inside what PDF readers take; and the
// smallest size or pitch, which keeps the text matrix invertible in the
// digits written.
constexpr double kCoordinateLimit = 1e6, kSmallest = 0.01;

double coordinate(double v) { return std::isfinite(v) ? std::clamp(v, -kCoordinateLimit, kCoordinateLimit) : 0; }
bool positive(double v) { return std::isfinite(v) && v > 0; }
// PDF pages are 3 to 14400 units on a side.
double paperSide(double v, double fallback) { return std::isfinite(v) ? std::clamp(v, 3.0, 14400.0) : fallback; }

void appendNumbers(std::string& out, std::initializer_list<double> values, int decimals = 3) {
    for (double v : values) {
        appendNumber(out, v, decimals);
        out += ' ';
    }
}

struct Line {
    double x1, y1, x2, y2, width;
};

// Compresses pages' contents on a thread of its own while the next pages
// are made: compressing is half of the writer's time.  Pages go in
// batches, as a hand-over costs more than compressing a short page.
class PageCompressor {
public:
    using Batch = std::vector<std::string>;

    PageCompressor() : thread_([this] { run(); }) {}
    ~PageCompressor() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ending_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    PageCompressor(const PageCompressor&) = delete;
    PageCompressor& operator=(const PageCompressor&) = delete;

    // Starts on a batch; the last one must have been taken.
    void start(Batch batch) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            batch_ = std::move(batch);
            state_ = State::Working;
        }
        changed_.notify_all();
    }
    // The batch compressed, each in its place, once done.
    Batch take() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return state_ == State::Done; });
        state_ = State::Idle;
        if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
        return std::move(batch_);
    }

private:
    enum class State { Idle, Working, Done };

    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return state_ == State::Working || ending_; });
            if (state_ != State::Working) return;
            Batch batch = std::move(batch_);
            lock.unlock();
            std::exception_ptr error;
            try {
                for (std::string& data : batch) data = deflater_.compress(data.data(), data.size());
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            batch_ = std::move(batch);
            error_ = error;
            state_ = State::Done;
            changed_.notify_all();
        }
    }

    Deflater deflater_;  // the thread's alone
    std::mutex mutex_;
    std::condition_variable changed_;
    State state_ = State::Idle;
    bool ending_ = false;
    Batch batch_;
    std::exception_ptr error_;
    std::thread thread_;  // last: it starts once the rest is there
};

// Contents gathered before they go to be compressed.
constexpr std::size_t kBatchBytes = 256 * 1024;

class Writer {
public:
    Writer()
        : fonts_{{monoFace(false), "DejaVuSansMono"}, {monoFace(true), "DejaVuSansMono-Bold"}},
          catalog_(file_.newObject()),
          pages_(file_.newObject()) {}

    void add(const Page& page) { kids_.push_back(writePage(page, pages_)); }
    // Room for a file of about this size, which saves copying it as it grows.
    void expect(std::size_t bytes) { file_.text().reserve(bytes); }

    std::string finish() {
        if (kids_.empty()) add(Page());  // a file without pages opens nowhere
        writeCompressed();
        if (!gathered_.empty()) {
            compressor_.start(std::move(gathered_.contents));
            compressed_ = std::move(gathered_.pages);
            gathered_ = {};
            writeCompressed();
        }
        for (const PdfFont& font : fonts_) font.write(file_);

        std::string& out = file_.text();
        file_.beginObject(pages_);
        out += "<< /Type /Pages /Kids [";
        for (int kid : kids_) {
            appendRef(out, kid);
            out += ' ';
        }
        out += "] /Count ";
        appendInt(out, static_cast<long long>(kids_.size()));
        out += " >>";
        file_.endObject();
        file_.beginObject(catalog_);
        out += "<< /Type /Catalog /Pages ";
        appendRef(out, pages_);
        out += " >>";
        file_.endObject();
        return file_.finish(catalog_);
    }

private:
    int writePage(const Page& page, int parent) {
        height_ = paperSide(page.height, 841.89);
        content_.clear();
        xobjects_.clear();
        lines_.clear();
        fontUsed_[0] = fontUsed_[1] = false;
        font_ = -1;
        spacing_ = 0;
        stroke_ = 0;
        for (const Image& image : page.images) drawImage(image);
        bool inText = false;
        for (const TextRun& run : page.runs) {
            if (run.text.empty() || !positive(run.size) || !positive(run.advance)) continue;
            if (!inText) content_ += "BT\n";
            inText = true;
            drawRun(run);
        }
        if (inText) content_ += "ET\n";
        for (const Rule& r : page.rules)
            lines_.push_back({r.x1, r.y1, r.x2, r.y2, std::isfinite(r.width) ? std::clamp(r.width, 0.0, 1000.0) : 0});
        strokeLines();

        const int contents = file_.newObject(), object = file_.newObject();
        std::string out = "<< /Type /Page /Parent ";
        appendRef(out, parent);
        out += " /MediaBox [0 0 ";
        appendNumbers(out, {paperSide(page.width, 595.28), height_});
        out += "] /Resources << /Font << ";
        for (int f = 0; f < 2; ++f) {
            if (!fontUsed_[f]) continue;
            out += f ? "/F1 " : "/F0 ";
            appendRef(out, fonts_[f].object(file_));
            out += ' ';
        }
        out += ">> /XObject << " + xobjects_ + ">> >> /Contents ";
        appendRef(out, contents);
        out += " >>";
        gathered_.bytes += content_.size();
        gathered_.contents.push_back(content_);  // a copy: content_ keeps its room for the next page
        gathered_.pages.push_back({contents, object, std::move(out)});
        if (gathered_.bytes >= kBatchBytes) {
            // These pages are compressed while the next ones are made.
            writeCompressed();
            compressor_.start(std::move(gathered_.contents));
            compressed_ = std::move(gathered_.pages);
            gathered_ = {};
        }
        return object;
    }

    // The pages whose contents have been compressed meanwhile.
    void writeCompressed() {
        if (compressed_.empty()) return;
        const PageCompressor::Batch packed = compressor_.take();
        for (std::size_t i = 0; i < compressed_.size(); ++i) {
            file_.writePacked(compressed_[i].contents, "", packed[i]);
            file_.beginObject(compressed_[i].object);
            file_.text() += compressed_[i].dictionary;
            file_.endObject();
        }
        compressed_.clear();
    }

    // Dots as a stencil mask: only the black dots are painted, as ink on
    // paper, over whatever else is there.
    void drawImage(const Image& image) {
        if (image.columns <= 0 || image.rows <= 0 || !positive(image.width) || !positive(image.height)) return;
        const std::size_t stride = (std::size_t(image.columns) + 7) / 8;
        const std::size_t rows = std::min(std::size_t(image.rows), image.bits.size() / stride);
        if (rows == 0) return;
        const double height = image.height * double(rows) / image.rows;  // rows missing from the bits stay blank
        const int object = file_.newObject();
        std::string entries = " /Type /XObject /Subtype /Image /Width ";
        appendInt(entries, image.columns);
        entries += " /Height ";
        appendInt(entries, static_cast<long long>(rows));
        entries += " /ImageMask true /BitsPerComponent 1 /Decode [1 0]";  // 1 = a dot
        file_.writeStream(object, entries, reinterpret_cast<const char*>(image.bits.data()), stride * rows);

        const std::string name = "/I" + std::to_string(images_++);
        xobjects_ += name + ' ';
        appendRef(xobjects_, object);
        xobjects_ += ' ';
        content_ += "q ";
        appendNumbers(content_, {coordinate(image.width), 0, 0, coordinate(height), coordinate(image.x),
                                 coordinate(height_ - image.y - height)});
        content_ += "cm " + name + " Do Q\n";
    }

    void drawRun(const TextRun& run) {
        const Style& style = run.style;
        const int f = style.bold ? 1 : 0;
        if (f != font_) {
            content_ += f ? "/F1 1 Tf\n" : "/F0 1 Tf\n";
            font_ = f;
        }
        fontUsed_[f] = true;
        fonts_[f].object(file_);

        // The text size is 1: the matrix scales the glyphs to the cell, the
        // horizontal scale so that the font's advance is the run's pitch.
        const double size = std::clamp(run.size, kSmallest, kCoordinateLimit);
        const double advance = std::clamp(run.advance, kSmallest, kCoordinateLimit);
        const double em = fonts_[f].width() / 1000.0;
        double horizontal = advance / em, vertical = size, spacing = 0;
        if (style.superscript || style.subscript) {
            // The interpreter made the cell small and placed its baseline;
            // the glyphs narrow with it while the pitch stays.
            horizontal *= kSmallScale;
            spacing = advance / horizontal - em;
        }
        if (spacing != spacing_) {
            appendNumber(content_, spacing, 5);
            content_ += " Tc\n";
            spacing_ = spacing;
        }
        const double stroke = style.doubleStrike ? kDoubleStrikeStroke * size : 0;
        if (stroke != stroke_) {
            if (stroke > 0) {
                appendNumber(content_, stroke);
                content_ += stroke_ > 0 ? " w\n" : " w 2 Tr\n";
            } else {
                content_ += "0 Tr\n";
            }
            stroke_ = stroke;
        }
        const double shear = style.italic ? kItalicShear * vertical : 0;
        if (horizontal != matrix_[0] || shear != matrix_[1] || vertical != matrix_[2]) {
            matrixText_.clear();
            appendNumbers(matrixText_, {horizontal, 0, shear, vertical}, 5);
            matrix_[0] = horizontal, matrix_[1] = shear, matrix_[2] = vertical;
        }
        content_ += matrixText_;  // most runs share it
        const double x = coordinate(run.x), baseline = coordinate(height_ - run.baseline);
        appendNumbers(content_, {x, coordinate(baseline)});
        content_ += "Tm (";
        fonts_[f].encode(run.text.data(), run.text.size(), content_);
        content_ += ")Tj\n";

        const double end = coordinate(x + advance * double(run.text.size()));
        if (style.underline) {
            const double y = coordinate(run.baseline + kUnderlineDrop * size);
            lines_.push_back({x, y, end, y, kUnderlineWidth * size});
        }
        if (style.overline) {
            const double y = coordinate(run.baseline - kOverlineRise * size);
            lines_.push_back({x, y, end, y, kUnderlineWidth * size});
        }
    }

    void strokeLines() {
        double width = -1;
        for (const Line& line : lines_) {
            if (line.width != width) {
                appendNumber(content_, line.width);
                content_ += " w\n";
                width = line.width;
            }
            appendNumbers(content_, {coordinate(line.x1), coordinate(height_ - line.y1)});
            content_ += "m ";
            appendNumbers(content_, {coordinate(line.x2), coordinate(height_ - line.y2)});
            content_ += "l S\n";
        }
    }

    PdfFile file_;
    PdfFont fonts_[2];
    const int catalog_, pages_;
    std::vector<int> kids_;
    // Pages made but not written: their contents' and their own objects.
    struct PendingPage {
        int contents, object;
        std::string dictionary;
    };
    struct Gathered {
        PageCompressor::Batch contents;
        std::vector<PendingPage> pages;
        std::size_t bytes = 0;
        bool empty() const { return pages.empty(); }
    } gathered_;
    std::vector<PendingPage> compressed_;  // being compressed
    PageCompressor compressor_;
    // The page being written.
    double height_ = 0;
    std::string content_, xobjects_;
    std::vector<Line> lines_;
    bool fontUsed_[2] = {};
    // Text state, kept from one text object to the next within a page.
    int font_ = -1;
    double spacing_ = 0;
    double stroke_ = 0;  // double-strike's outline width, 0 for none
    int images_ = 0;
    double matrix_[3] = {};  // the last run's scales and shear, and as text
    std::string matrixText_;
};

}  // namespace

std::string toPdf(const Document& document) {
    Writer writer;
    for (const Page& page : document.pages) writer.add(page);
    return writer.finish();
}

std::string renderPdf(const std::uint8_t* data, std::size_t size, const RenderOptions& options, RenderReport& report,
                      std::size_t* pages) {
    Writer writer;
    writer.expect(size + size / 2);  // a styled job's PDF is 1.3 times its size, a text job's 0.9
    const std::size_t made = renderPages(data, size, options, report, [&writer](Page& page) { writer.add(page); });
    if (pages) *pages = made;
    return writer.finish();
}

}  // namespace orv::render
