// The small pieces of the contract: paper sizes, the job's language and the
// report's wording.
#include "render/Render.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace orv::render {
namespace {

std::string trimmedLower(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    std::string s = text.substr(begin, end - begin);
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A plain decimal ("8", "8.5", ".5"); no signs, exponents or locale.
bool parseDecimal(const std::string& s, double& value) {
    double v = 0, scale = 1;
    bool point = false, digits = false;
    for (char c : s) {
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            digits = true;
            if (point) {
                scale /= 10;
                v += (c - '0') * scale;
            } else {
                v = v * 10 + (c - '0');
            }
        } else {
            return false;
        }
        if (v > 1e6) return false;
    }
    value = v;
    return digits;
}

bool startsWith(const std::uint8_t* p, std::size_t n, const char* prefix) {
    const std::size_t k = std::strlen(prefix);
    return n >= k && std::memcmp(p, prefix, k) == 0;
}

// "ESC & l1O", "ESC * t300R", "ESC ( s0P", "ESC ( 10U": a parameterised
// PCL sequence.  ESC/P never sends one: its ESC & is followed by NUL, its
// ESC * by a graphics mode below 0x50, its ESC ( x by a binary length.
bool pclSequence(const std::uint8_t* p, std::size_t n) {
    if (n < 3 || p[0] != 0x1B || p[1] == 0 || !std::strchr("&*()", p[1])) return false;
    if (std::isdigit(p[2])) return p[1] == '(' || p[1] == ')';
    return n >= 4 && p[2] >= 'a' && p[2] <= 'z' && (std::isdigit(p[3]) || p[3] == '-' || p[3] == '+' || p[3] == '.');
}

}  // namespace

bool parsePaper(const std::string& text, Paper& paper) {
    const std::string s = trimmedLower(text);
    if (s == "a4") {
        paper = Paper{};
        return true;
    }
    if (s == "letter") {
        paper = Paper{612, 792};
        return true;
    }
    if (s.size() < 3) return false;
    const std::string unit = s.substr(s.size() - 2);
    const double toPoints = unit == "in" ? 72 : unit == "mm" ? 72 / 25.4 : 0;
    const std::size_t x = s.find('x');
    if (toPoints == 0 || x == std::string::npos) return false;
    double w = 0, h = 0;
    if (!parseDecimal(trimmedLower(s.substr(0, x)), w) ||
        !parseDecimal(trimmedLower(s.substr(x + 1, s.size() - 3 - x)), h))
        return false;
    w *= toPoints;
    h *= toPoints;
    // A small tolerance, so that "25.4x2540mm" is the 1 to 100 inches it means.
    const auto inRange = [](double v) { return v >= 72 - 1e-9 && v <= 7200 + 1e-9; };
    if (!inRange(w) || !inRange(h)) return false;
    paper = Paper{w, h};
    return true;
}

bool parseLength(const std::string& text, double& points) {
    std::string s;
    for (char c : trimmedLower(text))
        if (c != ' ' && c != '\t') s += c;
    double value = 0;
    // Nothing needs no unit.
    if (parseDecimal(s, value) && value == 0) {
        points = 0;
        return true;
    }
    if (s.size() < 3) return false;
    const std::string unit = s.substr(s.size() - 2);
    const double toPoints = unit == "in" ? 72 : unit == "mm" ? 72 / 25.4 : unit == "pt" ? 1 : 0;
    if (toPoints == 0 || !parseDecimal(s.substr(0, s.size() - 2), value)) return false;
    value *= toPoints;
    if (value > kMostTopOfForm + 1e-9) return false;
    points = value;
    return true;
}

JobLanguage detectLanguage(const std::uint8_t* data, std::size_t size) {
    std::size_t at = 0;
    while (at < size && (data[at] == 0 || std::isspace(data[at]))) ++at;
    const std::uint8_t* p = data + at;
    const std::size_t n = size - at;
    if (startsWith(p, n, "\x1b%-12345X") || startsWith(p, n, "@PJL")) return JobLanguage::Pjl;
    if (startsWith(p, n, "%!") || startsWith(p, n, "\x04%!")) return JobLanguage::PostScript;
    if (startsWith(p, n, ") HP-PCL XL")) return JobLanguage::Pcl;
    // ESC E is PCL's reset and ESC/P's bold: a PCL job goes on with a
    // parameterised sequence at once, where an ESC/P job prints text or
    // sends a command of its own.  A PCL sequence alone at the start is PCL
    // too.
    if (startsWith(p, n,
                   "\x1b"
                   "E"))
        return pclSequence(p + 2, n - 2) ? JobLanguage::Pcl : JobLanguage::PrinterText;
    return pclSequence(p, n) ? JobLanguage::Pcl : JobLanguage::PrinterText;
}

const char* languageName(JobLanguage language) {
    switch (language) {
    case JobLanguage::Pcl: return "PCL";
    case JobLanguage::Pjl: return "PJL";
    case JobLanguage::PostScript: return "PostScript";
    case JobLanguage::PrinterText: break;
    }
    return "text";
}

std::string RenderReport::describe() const {
    if (skipped.empty()) return {};
    std::uint64_t total = 0;
    for (const SkippedCommand& s : skipped) total += s.count;
    std::string out = "skipped " + std::to_string(total) + (total == 1 ? " command: " : " commands: ");
    // One line, also for a job of random bytes, which skips hundreds of kinds.
    constexpr std::size_t kMostKinds = 8;
    for (std::size_t i = 0; i < std::min(skipped.size(), kMostKinds); ++i) {
        const SkippedCommand& s = skipped[i];
        if (i) out += ", ";
        out += s.name + " x" + std::to_string(s.count);
        for (std::size_t k = 0; k < s.offsets.size(); ++k)
            out += (k ? ", " : " (first at ") + std::to_string(s.offsets[k]);
        if (!s.offsets.empty()) out += ")";
    }
    if (skipped.size() > kMostKinds) out += " and " + std::to_string(skipped.size() - kMostKinds) + " more kinds";
    return out;
}

std::string PrinterChoice::describe() const {
    if (!automatic || !mattered) return {};
    std::string out = ninePin ? "printer mode epson9: 9-pin units" : "printer mode epson: 24-pin units";
    if (evidence.empty()) return out + "; nothing in the job tells 9-pin from 24-pin";
    return out + ", as " + evidence + " tells";
}

}  // namespace orv::render
