// The ESC commands: each read for its full length, whether it is carried
// out, has no visible effect, or is skipped and reported.
#include <algorithm>
#include <cstring>

#include "render/Characters.h"
#include "render/Interpreter.h"

namespace orv::render {
namespace {

// ESC W, ESC w, ESC -, ESC S ...: 1 and '1' switch on, 0 and '0' off.
bool on(std::uint8_t n) { return n == 1 || n == '1'; }
bool off(std::uint8_t n) { return n == 0 || n == '0'; }

std::int64_t word(const std::uint8_t* a) { return a[0] | std::int64_t(a[1]) << 8; }

}  // namespace

void Interpreter::escape() {
    if (size_ - at_ < 2) return truncated("ESC");
    const std::uint8_t c = data_[at_ + 1];
    at_ += 2;
    static const char kIbm[] = "234567:=AJPQRX[\\^_dj";  // where the Proprinter differs
    if (ibm_ && c && std::strchr(kIbm, c)) return escapeIbm(c);
    const std::string name = "ESC " + commandName(c);
    const std::uint8_t* a = nullptr;
    switch (c) {
    case 0x0E: control(0x0E); break;
    case 0x0F: control(0x0F); break;
    case ' ':
        if ((a = args(1, "ESC SP"))) state_.extra = a[0] * (nine_ ? 30 : 20);
        pinsMatter();
        break;
    case '!':
        if ((a = args(1, "ESC !"))) masterSelect(a[0]);
        break;
    case '#': state_.msb = -1; break;
    case '=': state_.msb = 0; break;
    case '>': state_.msb = 1; break;
    case '$':
        if ((a = args(2, "ESC $"))) moveAcross(state_.left + word(a) * 60);
        break;
    case '\\':  // 1/180 inch steps (a 24-pin printer's letter quality), 1/120 for 9-pin
        if ((a = args(2, "ESC \\"))) moveAcross(x_ + std::int16_t(word(a)) * (nine_ ? 30 : 20));
        pinsMatter();
        break;
    case '(': extended(); break;
    case '*':
        if ((a = args(3, "ESC *"))) bitImage(a[0], std::size_t(word(a + 1)), "ESC *");
        break;
    case 'K':
    case 'L':
    case 'Y':
    case 'Z':
        if ((a = args(2, name.c_str()))) {
            const int which = c == 'K' ? 0 : c == 'L' ? 1 : c == 'Y' ? 2 : 3;
            bitImage(state_.graphicsMode[which], std::size_t(word(a)), name.c_str());
        }
        break;
    case '?':
        if ((a = args(2, "ESC ?"))) {
            const char* which = "KLYZ";
            for (int i = 0; i < 4; ++i)
                if (a[0] == which[i]) state_.graphicsMode[i] = a[1];
        }
        break;
    case '.':
        pinsTell(24, true, "ESC .");
        raster();
        break;
    case '+':  // n/360 inch: only 24-pin printers have it
        pinsTell(24, true, "ESC +");
        if ((a = args(1, "ESC +"))) state_.spacing = a[0] * 30;
        break;
    case '0': state_.spacing = kUnitsY / 8; break;
    case '1': state_.spacing = kUnitsY * 7 / 72; break;
    case '2': state_.spacing = kUnitsY / 6; break;
    case '3':
        if ((a = args(1, "ESC 3"))) {
            spacingTells("ESC 3", a[0], 216, 180);
            state_.spacing = a[0] * (nine_ ? 50 : 60);
        }
        break;
    case 'A':
        if ((a = args(1, "ESC A"))) {
            spacingTells("ESC A", a[0], 72, 60);
            state_.spacing = a[0] * (nine_ ? 150 : 180);
        }
        break;
    case 'J':
        if ((a = args(1, "ESC J"))) {
            spacingTells("ESC J", a[0], 216, 180);
            feed(a[0] * (nine_ ? 50 : 60));
        }
        break;
    case 'C':
        if ((a = args(1, "ESC C"))) {
            std::int64_t length = a[0] * state_.spacing;
            if (a[0] == 0) {
                if (!(a = args(1, "ESC C"))) break;
                length = a[0] <= 22 ? a[0] * kUnitsY : 0;
            }
            if (length > 0) {
                state_.formLength = length;
                state_.skip = 0;
            }
        }
        break;
    case 'N':
        if ((a = args(1, "ESC N")) && a[0] > 0 && a[0] * state_.spacing < state_.formLength)
            state_.skip = a[0] * state_.spacing;
        break;
    case 'O': state_.skip = 0; break;
    case 'B': readStops(state_.vtabs, 16, state_.spacing, "ESC B"); break;
    case 'D':
        readStops(state_.tabs, 32, cell(), "ESC D");
        state_.defaultTabs = false;
        break;
    case 'l':
        if ((a = args(1, "ESC l")) && a[0] * std::int64_t(cell()) + cell() <= state_.right) {
            state_.left = a[0] * std::int64_t(cell());
            x_ = std::max(x_, state_.left);
        }
        break;
    case 'Q':
        if ((a = args(1, "ESC Q")) && a[0] * std::int64_t(cell()) >= state_.left + cell() &&
            a[0] * std::int64_t(cell()) <= printableWidth_)
            state_.right = a[0] * std::int64_t(cell());
        break;
    case '@': reset(); break;
    case 'E': state_.emphasized = true; break;
    case 'F': state_.emphasized = false; break;
    case 'G': state_.doubleStrike = true; break;
    case 'H': state_.doubleStrike = false; break;
    case '4': state_.italic = true; break;
    case '5': state_.italic = false; break;
    case 'P': setPitch(360); break;
    case 'M': setPitch(300); break;
    case 'g': setPitch(240); break;
    case 'X':  // ESC/P2: m >= 5 is 360/m cpi; the point size is left to the cell
        if ((a = args(3, "ESC X")) && a[0] >= 5) setPitch(a[0] * 10);
        break;
    case 'c':
        if ((a = args(2, "ESC c")) && word(a) > 0 && word(a) <= 1080) state_.hmi = int(word(a)) * 10;
        break;
    case 'p':  // proportional characters are drawn at the pitch in force
        if ((a = args(1, "ESC p"))) state_.proportional = on(a[0]);
        break;
    case 'W':
        if ((a = args(1, "ESC W")) && (on(a[0]) || off(a[0]))) {
            state_.wide = on(a[0]);
            state_.wideLine = false;
            state_.hmi = 0;
        }
        break;
    case 'w':
        if ((a = args(1, "ESC w")) && (on(a[0]) || off(a[0]))) state_.tall = on(a[0]);
        break;
    case '-':
        if ((a = args(1, "ESC -")) && (on(a[0]) || off(a[0]))) state_.underline = on(a[0]);
        break;
    case 'S':
        if ((a = args(1, "ESC S"))) state_.script = off(a[0]) ? 1 : on(a[0]) ? 2 : state_.script;
        break;
    case 'T': state_.script = 0; break;
    case 'R':
        if ((a = args(1, "ESC R")) && knownNationalSet(a[0])) state_.national = a[0];
        break;
    case 't':  // one of the four tables ESC ( t assigns: 0 italic, the others the code page unless told
        if ((a = args(1, "ESC t"))) {
            const int n = a[0] >= '0' ? a[0] - '0' : a[0];
            if (n >= 0 && n <= 3) {
                state_.table = n;
                selectTable();
            }
        }
        break;
    case ':':  // copy the ROM font: only downloaded characters would show it
        args(3, "ESC :");
        break;
    case 'U':  // direction, quality, typeface, speed, immediate print, sheet feeder
    case 'x':
    case 'k':
    case 's':
    case 'i':
    case 0x19: args(1, name.c_str()); break;
    case '6':  // upper control codes: the graphics tables print 0x80..0x9F anyway
    case '7':
    case '8':  // paper-out sensor, one-line unidirectional printing
    case '9':
    case '<': break;
    case '&': {  // downloaded characters
        pinsMatter();
        if (!(a = args(3, "ESC &"))) break;
        const int count = a[2] >= a[1] ? a[2] - a[1] + 1 : 0;
        for (int i = 0; i < count; ++i) {
            if (nine_) {
                if (!args(12, "ESC &")) return;
            } else {
                if (!(a = args(3, "ESC &")) || !args(std::size_t(a[1]) * 3, "ESC &")) return;
            }
        }
        skipped(name);
        break;
    }
    case '^':  // 9-dot graphics: only 9-pin printers have it
        pinsTell(9, true, "ESC ^");
        if ((a = args(3, "ESC ^"))) nineDotImage(a[0], std::size_t(word(a + 1)));
        break;
    case 'b': {  // vertical tabs of a VFU channel
        std::vector<std::int64_t> ignored;
        if (args(1, "ESC b") && readStops(ignored, 16, 1, "ESC b")) skipped(name);
        break;
    }
    case 'e':
    case 'f':
        if (args(2, name.c_str())) skipped(name);
        break;
    case 'j':  // reverse feed n/216 inch: only 9-pin printers have it
        pinsTell(9, true, "ESC j");
        if (args(1, name.c_str())) skipped(name);
        break;
    case '%':
    case '/':
    case 'I':
    case 'a':
    case 'h':
    case 'm':
    case 'q':
    case 'r':
        if (args(1, name.c_str())) skipped(name);
        break;
    default: skipped(name); break;
    }
}

// The Proprinter's commands where they differ from ESC/P.
void Interpreter::escapeIbm(std::uint8_t c) {
    const std::string name = "ESC " + commandName(c);
    const std::uint8_t* a = nullptr;
    switch (c) {
    case '2': state_.spacing = state_.storedSpacing; break;
    case '3':
        if ((a = args(1, "ESC 3"))) state_.spacing = a[0] * 50;
        break;
    case 'A':
        if ((a = args(1, "ESC A"))) state_.storedSpacing = a[0] * 150;
        break;
    case 'J':
        if ((a = args(1, "ESC J"))) feed(a[0] * 50);
        break;
    case '4': break;  // top of form here: each page already starts at its top
    case '5':
        if ((a = args(1, "ESC 5"))) state_.autoLineFeed = on(a[0]);
        break;
    case '6': state_.upperControls = false; break;
    case '7': state_.upperControls = true; break;
    case ':': setPitch(300); break;
    case 'P':
        if ((a = args(1, "ESC P"))) state_.proportional = on(a[0]);
        break;
    case 'R':
        state_.defaultTabs = true;
        state_.tabs.clear();
        state_.vtabs.clear();
        break;
    case 'X':  // margins in columns from 1; 0 keeps one
        if ((a = args(2, "ESC X"))) {
            const std::int64_t left = a[0] ? (a[0] - 1) * std::int64_t(cell()) : state_.left;
            const std::int64_t right =
                a[1] ? std::min<std::int64_t>(a[1] * std::int64_t(cell()), printableWidth_) : state_.right;
            if (left + cell() <= right) {
                state_.left = left;
                state_.right = right;
                x_ = std::max(x_, left);
            }
        }
        break;
    case '\\':
        if ((a = args(2, "ESC \\")) && args(std::size_t(word(a)), "ESC \\"))
            printRaw(a + 2, std::size_t(word(a)), true);
        break;
    case '^':
        if ((a = args(1, "ESC ^"))) printRaw(a, 1, true);
        break;
    case '_':
        if ((a = args(1, "ESC _")) && (on(a[0]) || off(a[0]))) state_.overline = on(a[0]);
        break;
    case 'd':
        if ((a = args(2, "ESC d"))) moveAcross(x_ + word(a) * 30);
        break;
    case 'j': break;  // stop printing: nothing to see
    case '[':
    case '=': {  // length-prefixed: graphics and downloads
        std::string full = name;
        if (c == '[') {
            if (!(a = args(1, "ESC ["))) break;
            full += " " + commandName(a[0]);
        }
        if ((a = args(2, full.c_str())) && args(std::size_t(word(a)), full.c_str())) skipped(full);
        break;
    }
    case 'Q':
        if (args(1, name.c_str())) skipped(name);
        break;
    }
}

// ESC ( c nL nH data: the length says where the command ends.
void Interpreter::extended() {
    const std::uint8_t* a = args(1, "ESC (");
    if (!a) return;
    const std::uint8_t c = a[0];
    const std::string name = "ESC ( " + commandName(c);
    if (!(a = args(2, name.c_str()))) return;
    const std::size_t n = std::size_t(word(a));
    const std::uint8_t* d = args(n, name.c_str());
    if (!d) return;
    const auto signedWord = [d] { return std::int16_t(d[0] | d[1] << 8); };
    const std::int64_t unitY = 3 * std::int64_t(state_.unit);
    // The ESC/P2 page format and modes: only 24-pin printers have them.
    if (c && std::strchr("UCcVv$GieK", c)) pinsTell(24, true, name.c_str());
    switch (c) {
    case '^': return printRaw(d, n, false);
    case 't':  // d1: which of ESC t's tables; d2 d3: the table, 0 0 the italic one
        if (n == 3 && (d[0] <= 3 || (d[0] >= '0' && d[0] <= '3'))) {
            const int code = d[1] || d[2] ? tableCodePage(d[1], d[2]) : kItalicTable;
            if (code) {
                state_.tables[d[0] & 3] = code;
                selectTable();
                return;
            }
        }
        break;
    case 'U':
        if (n == 1 && d[0] > 0) return void(state_.unit = d[0]);
        break;
    case 'C':
        if (n == 2 && word(d) > 0) {
            state_.formLength = word(d) * unitY;
            state_.top = state_.bottom = state_.skip = 0;
            return;
        }
        break;
    case 'c':
        if (n == 4 && word(d + 2) > word(d) && word(d) * unitY + kCellHeight <= sheetHeight_) {
            state_.top = word(d) * unitY;
            state_.bottom = word(d + 2) * unitY;
            if (!pageStarted_) y_ = state_.top;
            return;
        }
        break;
    case 'V':
        if (n == 2) {
            const std::int64_t to = state_.top + word(d) * unitY;
            if (to < pageBottom()) moveDown(to);
            return;
        }
        break;
    case 'v':
        if (n == 2) {
            const std::int64_t to = y_ + signedWord() * unitY;
            if (to >= state_.top && to < pageBottom()) moveDown(to);
            return;
        }
        break;
    case '$':
        if (n == 4) {
            const std::int64_t m = word(d) | word(d + 2) << 16;
            if (m <= printableWidth_) moveAcross(state_.left + m * state_.unit);
            return;
        }
        break;
    case 'G':  // graphics mode, microweave, dot size, monochrome: nothing to see
    case 'i':
    case 'e':
    case 'K': return;
    }
    skipped(name);
}

// ESC D and ESC B: ascending values, at most `most`, ended by NUL or by a
// value that does not ascend.
bool Interpreter::readStops(std::vector<std::int64_t>& stops, std::size_t most, std::int64_t step, const char* name) {
    stops.clear();
    int previous = 0;
    while (at_ < size_) {
        const std::uint8_t v = data_[at_];
        if (stops.size() == most) {
            if (v == 0) ++at_;
            return true;
        }
        ++at_;
        if (v <= previous) return true;
        stops.push_back(v * step);
        previous = v;
    }
    truncated(name);
    return false;
}

}  // namespace orv::render
