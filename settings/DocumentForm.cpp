#include "settings/DocumentForm.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/Text.h"
#include "render/Render.h"

namespace orv {
namespace {

// 1 to 100 inches, compared in the unit typed: a division would put the
// limits themselves out of reach on some floating-point units.
constexpr double kLeastInches = 1, kMostInches = 100;
constexpr double kLeastMm = 25.4, kMostMm = 2540;

std::string squeezed(const char* text) {
    std::string out;
    for (const char* p = text; p && *p; ++p)
        if (*p != ' ' && *p != '\t') out += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    return out;
}

// Digits with at most one point among them, within the limits.
bool isSide(const std::string& text, bool mm) {
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos) return false;
    if (text.find_first_of("0123456789") == std::string::npos || text.find('.') != text.rfind('.')) return false;
    const double value = std::strtod(text.c_str(), nullptr);
    return mm ? value >= kLeastMm && value <= kMostMm : value >= kLeastInches && value <= kMostInches;
}

}  // namespace

bool isDocumentCodePage(std::int32_t codePage) {
    for (std::int32_t known : kDocumentCodePages)
        if (known == codePage) return true;
    return false;
}

bool takeCodePageText(const char* text, std::int32_t& codePage) {
    int number = 0;
    if (!text || !render::parseCodePage(text, number) || !isDocumentCodePage(number)) return false;
    codePage = number;
    return true;
}

bool takeTopOfFormText(const char* text, char (&topOfForm)[kLengthTextSize]) {
    const std::string t = squeezed(text);
    double points = 0;
    if (t.size() >= sizeof topOfForm || !render::parseLength(t, points)) return false;
    copyCut(topOfForm, t.c_str());
    return true;
}

bool takePaperText(const char* text, char (&paper)[kPaperTextSize]) {
    const std::string t = squeezed(text);
    if (t.size() >= sizeof paper) return false;
    if (t != "a4" && t != "letter") {
        const std::string unit = t.size() > 2 ? t.substr(t.size() - 2) : std::string();
        if (unit != "in" && unit != "mm") return false;
        const std::string sides = t.substr(0, t.size() - 2);
        const std::size_t x = sides.find('x');
        if (x == std::string::npos || !isSide(sides.substr(0, x), unit == "mm") ||
            !isSide(sides.substr(x + 1), unit == "mm"))
            return false;
    }
    copyCut(paper, t.c_str());
    return true;
}

bool takePrinterName(const char* text, PrinterMode& printer) {
    const std::string t = squeezed(text);
    for (PrinterMode mode : kPrinterModes) {
        if (t == printerName(mode)) {
            printer = mode;
            return true;
        }
    }
    return false;
}

const char* printerName(PrinterMode printer) {
    switch (printer) {
    case PrinterMode::Ibm: return "ibm";
    case PrinterMode::EpsonNinePin: return "epson9";
    case PrinterMode::Auto: return "auto";
    default: return "epson";
    }
}

}  // namespace orv
