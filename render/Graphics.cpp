// Bit images (ESC K, L, Y, Z, ESC *, 9-dot ESC ^) and ESC/P2 raster
// graphics (ESC .), drawn at their own dot density.
#include <algorithm>

#include "render/Interpreter.h"

namespace orv::render {
namespace {

struct Density {
    int mode, bytes, dpi;  // bytes: a column's 8, 24 or 48 dots
};
constexpr Density kDensities[] = {
    {0, 1, 60},  {1, 1, 120},  {2, 1, 120}, {3, 1, 240},  {4, 1, 80},   {5, 1, 72},   {6, 1, 90},   {7, 1, 144},
    {32, 3, 60}, {33, 3, 120}, {38, 3, 90}, {39, 3, 180}, {40, 3, 360}, {71, 6, 180}, {72, 6, 360}, {73, 6, 360},
};

const Density* densityOf(int mode) {
    for (const Density& d : kDensities)
        if (d.mode == mode) return &d;
    return nullptr;
}

}  // namespace

void Interpreter::bitImage(int mode, std::size_t columns, const char* name) {
    const Density* density = densityOf(mode);
    // A mode no printer knows: its columns guessed from the range it is in.
    const int bytes = density ? density->bytes : mode < 32 ? 1 : mode < 64 ? 3 : 6;
    // 8-dot columns are as tall as the head's pins are apart; 24- and
    // 48-dot ones only 24-pin printers have.
    if (bytes == 1)
        pinsMatter();
    else if (density)
        pinsTell(24, true, name, mode);
    const std::uint8_t* data = args(columns * bytes, name);
    if (!data || probe_) return;
    if (!density) return skipped(std::string(name) + " " + std::to_string(mode));
    const std::int64_t dotWidth = kUnitsX / density->dpi;
    // 8-dot columns have the pin spacing of the head: 1/72 inch on a 9-pin
    // printer, 1/60 on a 24-pin one, so that ESC 3 24 joins the stripes.
    const std::int64_t dotHeight = bytes == 6   ? kUnitsY / 360
                                   : bytes == 3 ? kUnitsY / 180
                                   : nine_      ? kUnitsY / 72
                                                : kUnitsY / 60;
    const std::size_t room = std::size_t(state_.right > x_ ? (state_.right - x_) / dotWidth : 0);
    Image image;
    image.columns = int(std::min(columns, room));
    image.rows = bytes * 8;
    const std::size_t rowBytes = (std::size_t(image.columns) + 7) / 8;
    image.bits.assign(rowBytes * std::size_t(image.rows), 0);
    for (std::size_t column = 0; column < std::size_t(image.columns); ++column) {
        for (int k = 0; k < bytes; ++k) {
            const std::uint8_t v = data[column * bytes + k];
            for (int bit = 0; v && bit < 8; ++bit)
                if (v & (0x80 >> bit))
                    image.bits[std::size_t(k * 8 + bit) * rowBytes + column / 8] |= std::uint8_t(0x80 >> (column % 8));
        }
    }
    addImage(std::move(image), dotWidth, dotHeight);
}

// ESC ^ m nL nH: a 9-pin printer's 9-dot columns, two bytes each: the top 8
// dots, then the 9th in the second byte's top bit; 1/72 inch apart down,
// on any head; across at ESC *'s density m.
void Interpreter::nineDotImage(int mode, std::size_t columns) {
    const Density* density = densityOf(mode);
    const std::uint8_t* data = args(columns * 2, "ESC ^");
    if (!data || probe_) return;
    if (!density || density->bytes != 1) return skipped("ESC ^ " + std::to_string(mode));
    const std::int64_t dotWidth = kUnitsX / density->dpi;
    const std::size_t room = std::size_t(state_.right > x_ ? (state_.right - x_) / dotWidth : 0);
    Image image;
    image.columns = int(std::min(columns, room));
    image.rows = 9;
    const std::size_t rowBytes = (std::size_t(image.columns) + 7) / 8;
    image.bits.assign(rowBytes * 9, 0);
    for (std::size_t column = 0; column < std::size_t(image.columns); ++column) {
        const unsigned dots = unsigned(data[2 * column]) << 1 | data[2 * column + 1] >> 7;
        for (int row = 0; dots && row < 9; ++row)
            if (dots & (0x100u >> row))
                image.bits[std::size_t(row) * rowBytes + column / 8] |= std::uint8_t(0x80 >> (column % 8));
    }
    addImage(std::move(image), dotWidth, kUnitsY / 72);
}

// ESC . c v h m nL nH: m rows of n dots, each row in whole bytes, plain
// (c = 0) or run-length coded (c = 1); v and h are the dot pitch in
// 1/3600 inch.
void Interpreter::raster() {
    const std::uint8_t* a = args(6, "ESC .");
    if (!a) return;
    const std::string name = "ESC . " + std::to_string(a[0]);
    const int mode = a[0], v = a[1], h = a[2], rows = a[3];
    const std::size_t columns = std::size_t(a[4] | a[5] << 8), rowBytes = (columns + 7) / 8, total = rowBytes * rows;
    std::vector<std::uint8_t> bits;
    if (mode == 0) {
        const std::uint8_t* d = args(total, name.c_str());
        if (!d) return;
        bits.assign(d, d + total);
    } else if (mode == 1) {
        while (bits.size() < total) {
            const std::uint8_t* counter = args(1, name.c_str());
            if (!counter) return;
            const std::size_t n = *counter < 128 ? *counter + 1u : 257u - *counter;
            const std::uint8_t* d = args(*counter < 128 ? n : 1, name.c_str());
            if (!d) return;
            if (*counter < 128)
                bits.insert(bits.end(), d, d + n);
            else
                bits.insert(bits.end(), n, *d);
        }
        bits.resize(total);
    } else {
        return skipped(name);  // TIFF and the other modes carry commands of their own
    }
    if (probe_) return;
    if (v == 0 || h == 0) return skipped(name);
    const std::size_t room = std::size_t(state_.right > x_ ? (state_.right - x_) / h : 0);
    Image image;
    image.columns = int(std::min(columns, room));
    image.rows = rows;
    const std::size_t shownBytes = (std::size_t(image.columns) + 7) / 8;
    if (shownBytes != rowBytes) {
        for (std::size_t r = 0; r < std::size_t(rows); ++r)
            std::copy_n(bits.begin() + std::ptrdiff_t(r * rowBytes), shownBytes,
                        bits.begin() + std::ptrdiff_t(r * shownBytes));
        bits.resize(shownBytes * rows);
    }
    // Dots past the last column in the last byte of a row are not printed.
    if (image.columns % 8)
        for (std::size_t r = 0; r < std::size_t(rows); ++r)
            bits[r * shownBytes + shownBytes - 1] &= std::uint8_t(0xFF00 >> (image.columns % 8));
    image.bits = std::move(bits);
    addImage(std::move(image), h, 3 * std::int64_t(v));
}

// The image at the print position, which then moves past it.  Rows below
// the sheet are cut off; an image without a dot is not kept.
void Interpreter::addImage(Image image, std::int64_t dotWidth, std::int64_t dotHeight) {
    const std::int64_t width = image.columns * dotWidth;
    const std::int64_t fit = std::max<std::int64_t>(sheetHeight_ - y_, 0) / dotHeight;
    if (image.rows > fit) {
        image.rows = int(fit);
        image.bits.resize(std::size_t(fit) * ((std::size_t(image.columns) + 7) / 8));
    }
    if (std::any_of(image.bits.begin(), image.bits.end(), [](std::uint8_t b) { return b != 0; })) {
        startPage();
        image.x = kLeftEdge + double(x_) * 72 / kUnitsX;
        image.y = topOfForm_ + double(y_) * 72 / kUnitsY;
        image.width = double(width) * 72 / kUnitsX;
        image.height = double(image.rows * dotHeight) * 72 / kUnitsY;
        doc_.pages.back().images.push_back(std::move(image));
        bands_.emplace_back(y_, y_ + image.rows * dotHeight);
    }
    x_ += width;
}

}  // namespace orv::render
