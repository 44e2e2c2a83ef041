#include "tools/devsim/EscpJobs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "tools/devsim/PrinterData.h"

namespace orv {
namespace devsim {
namespace {

// Code page 437 for the German letters and the single-line box.
constexpr char ae = '\x84', oe = '\x94', ue = '\x81', sz = '\xe1', AE = '\x8e', OE = '\x99', UE = '\x9a';
constexpr char H = '\xc4', V = '\xb3', TL = '\xda', TR = '\xbf', BL = '\xc0', BR = '\xd9', T = '\xc2', B = '\xc1',
               LT = '\xc3', RT = '\xb4', X = '\xc5';
const std::string ESC = "\x1b";

// splitmix64, as the printer data.
std::uint64_t mix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

const std::string kArticles[] = {
    std::string("Schrauben M6 verzinkt"),         std::string("D") + ue + "bel 8 mm",
    std::string("K") + ue + "hlmittel 5 l",       std::string(1, OE) + "lfilter Typ B",
    std::string("B") + ue + "roklammern 100 St.", std::string("Ma") + sz + "band 5 m",
    std::string("S") + ae + "geblatt 300 mm",     std::string("Schl") + ue + "sselsatz 12-tlg.",
    std::string("L") + oe + "tzinn 250 g",        std::string(1, AE) + "rmelschoner",
    std::string(1, UE) + "berwurfmutter M10",     std::string("Gummihandschuhe Gr. 9"),
};
const std::string kCustomers[] = {
    std::string("M") + ue + "ller & S" + oe + "hne GmbH",
    std::string("B") + ae + "ckerei Wei" + sz,
    std::string("K") + oe + "hler Metallbau KG",
    std::string("Gr") + ue + "ne Werkstatt e.V.",
};

std::string money(std::uint64_t cents) {
    char text[32];
    std::snprintf(text, sizeof text, "%llu,%02u", static_cast<unsigned long long>(cents / 100),
                  static_cast<unsigned>(cents % 100));
    return text;
}

std::string padded(const std::string& s, std::size_t width, bool right = false) {
    const std::string cut = s.substr(0, width);
    const std::string fill(width - cut.size(), ' ');
    return right ? fill + cut : cut + fill;
}

// One line of the table: the texts between vertical bars.
std::string row(const std::string cells[5]) {
    static const std::size_t kWidths[] = {4, 30, 7, 12, 12};
    std::string line(1, V);
    for (int i = 0; i < 5; ++i) line += " " + padded(cells[i], kWidths[i], i >= 2) + " " + V;
    return line + "\r\n";
}

std::string rule(char left, char middle, char right) {
    static const std::size_t kWidths[] = {6, 32, 9, 14, 14};
    std::string line(1, left);
    for (int i = 0; i < 5; ++i) line += std::string(kWidths[i], H) + (i < 4 ? middle : right);
    return line + "\r\n";
}

// A laboratory counter's protocol from a 9-pin printer: its line spacings
// in 1/216 inch (ESC 3 36 is 1/6 inch there, ESC 3 27 1/8) and a bar chart
// of 9-dot graphics (ESC ^), each bar beside its value.
std::string protocolJob(std::uint64_t& state) {
    std::string job = ESC + "@" + ESC + "3" + std::string(1, 36) + "\r\n";
    job += ESC + "E" + "MESSPROTOKOLL Nr. " + std::to_string(1000 + mix(state) % 9000) + ESC + "F\r\n\r\n";
    job += std::string("Messplatz 2, Z") + ae + "hlrohr GM-" + std::to_string(10 + mix(state) % 90) + "\r\n\r\n";
    job += "Probe   Impulse/min   Fehler %\r\n";
    const unsigned samples = 4 + unsigned(mix(state) % 5);
    std::uint64_t counts[8];
    for (unsigned i = 0; i < samples; ++i) {
        counts[i] = 200 + mix(state) % 4800;
        // The counting error, 100 / sqrt(N) %, in tenths without floating point.
        unsigned tenths = 1;
        while ((tenths + 1) * (tenths + 1) * counts[i] <= 1000000) ++tenths;
        char line[64];
        std::snprintf(line, sizeof line, "P%-6u %13llu   %6u.%u\r\n", i + 1, static_cast<unsigned long long>(counts[i]),
                      tenths / 10, tenths % 10);
        job += line;
    }
    // The chart: one 9-dot band a bar, 1/8 inch apart, 60 dots an inch
    // across (a dot for each 20 impulses), its sample's name after it.
    job += "\r\n" + ESC + "3" + std::string(1, 27);
    for (unsigned i = 0; i < samples; ++i) {
        const std::size_t columns = std::size_t(counts[i] / 20);
        job += ESC + "^" + std::string(1, '\0') + char(columns & 0xFF) + char(columns >> 8);
        for (std::size_t c = 0; c < columns; ++c) job += "\x7f\x80";  // dots 2 to 9
        job += " P" + std::to_string(i + 1) + "\r\n";
    }
    job += ESC + "2\r\nGepr" + ue + "ft: ____________________\r\n\x0c";
    return job;
}

// Czech in code page 852, which the job assigns to the printer's table 1
// (ESC ( t) and selects (ESC t 1); the letters' 852 codes for their UTF-8.
std::string czech(const char* utf8) {
    static const struct {
        const char* letter;
        char code;
    } kLetters[] = {
        {u8"Á", '\xB5'}, {u8"Č", '\xAC'}, {u8"Ď", '\xD2'}, {u8"É", '\x90'}, {u8"Ě", '\xB7'}, {u8"Í", '\xD6'},
        {u8"Ň", '\xD5'}, {u8"Ó", '\xE0'}, {u8"Ř", '\xFC'}, {u8"Š", '\xE6'}, {u8"Ť", '\x9B'}, {u8"Ú", '\xE9'},
        {u8"Ů", '\xDE'}, {u8"Ý", '\xED'}, {u8"Ž", '\xA6'}, {u8"á", '\xA0'}, {u8"č", '\x9F'}, {u8"ď", '\xD4'},
        {u8"é", '\x82'}, {u8"ě", '\xD8'}, {u8"í", '\xA1'}, {u8"ň", '\xE5'}, {u8"ó", '\xA2'}, {u8"ř", '\xFD'},
        {u8"š", '\xE7'}, {u8"ť", '\x9C'}, {u8"ú", '\xA3'}, {u8"ů", '\x85'}, {u8"ý", '\xEC'}, {u8"ž", '\xA7'},
    };
    std::string out;
    for (const char* p = utf8; *p;) {
        bool found = false;
        for (const auto& l : kLetters) {
            const std::size_t n = std::strlen(l.letter);
            if (std::strncmp(p, l.letter, n) == 0) {
                out += l.code;
                p += n;
                found = true;
                break;
            }
        }
        if (!found) out += *p++;
    }
    return out;
}

// A Czech balance sheet: its heading double-struck, the items in a table
// drawn with 852's lines (at 437's places), the totals emphasized.
std::string balanceSheetJob(std::uint64_t& state) {
    static const char* const kCompanies[] = {u8"Strojírny Přerov s.r.o.", u8"Pekárna Žatec a.s.",
                                             u8"Účetní služby Brno v.o.s.", u8"Dřevovýroba Čáslav s.r.o."};
    static const char* const kAssets[] = {u8"A. Dlouhodobý majetek", u8"B.I. Zásoby", u8"B.II. Pohledávky",
                                          u8"B.IV. Peněžní prostředky", u8"C. Časové rozlišení"};
    std::string job = ESC + "@" + ESC + "(t" + std::string("\x03\x00\x01\x0a\x00", 5) + ESC + "t\x01\r\n";
    job += ESC + "G" + czech(u8"ROZVAHA v tisících Kč") + ESC + "H\r\n\r\n";
    job += czech((std::string(u8"Účetní jednotka: ") + kCompanies[mix(state) % 4]).c_str()) + "\r\n";
    job += czech(u8"Sestaveno k 31. 12.") + "\r\n\r\n";
    const std::string dash(30, H), value(12, H);
    job += TL + dash + T + value + TR + "\r\n";
    job += V + padded(czech(u8"AKTIVA"), 30) + V + padded(czech(u8"Běžné období"), 12) + V + "\r\n";
    job += LT + dash + X + value + RT + "\r\n";
    std::uint64_t total = 0;
    for (const char* asset : kAssets) {
        const std::uint64_t amount = mix(state) % 90000;
        total += amount;
        job += V + padded(czech(asset), 30) + V + padded(std::to_string(amount), 12, true) + V + "\r\n";
    }
    job += LT + dash + X + value + RT + "\r\n";
    job += V + ESC + "E" + padded(czech(u8"AKTIVA CELKEM"), 30) + ESC + "F" + V + ESC + "E" +
           padded(std::to_string(total), 12, true) + ESC + "F" + V + "\r\n";
    job += BL + dash + B + value + BR + "\r\n\r\n" + czech(u8"Podpis statutárního orgánu: ____________") + "\r\n\x0c";
    return job;
}

}  // namespace

std::string escpJob(std::uint64_t seed, std::uint64_t index) {
    std::uint64_t state = seed ^ (index * 0xD1B54A32D192ED03ull);
    if (index % 4 == 2) return protocolJob(state);
    if (index % 4 == 3) return balanceSheetJob(state);
    const bool invoice = index % 2 == 1;
    const std::uint64_t number = 1000 + mix(state) % 9000;
    std::string job = ESC + "@" + ESC + "t\x01" + ESC + "R" + std::string(1, '\0') + ESC + "x\x01" + ESC + "2";
    // Two lines down from the top of the form, as forms leave room there;
    // the heading: bold and double width, then the addresses.
    job += "\r\n\r\n" + ESC + "E" + ESC + "W\x01" + (invoice ? "RECHNUNG" : "LIEFERSCHEIN") + ESC + "W" +
           std::string(1, '\0') + ESC + "F\r\n\r\n";
    job += std::string("Kunde:  ") + kCustomers[mix(state) % 4] + "\r\n";
    job += std::string("        Hauptstra") + sz + "e " + std::to_string(1 + mix(state) % 120) + "\r\n";
    job += (invoice ? "Rechnung Nr. " : "Lieferschein Nr. ") + std::to_string(number) + "\r\n\r\n";
    // The same greeting through the German national set: { | } ~ are ä ö ü ß.
    job += ESC + "R\x02" + "Gr}~e aus K|ln, wir liefern Ihnen:" + ESC + "R" + std::string(1, '\0') + "\r\n\r\n";
    // The table, condensed.
    job += "\x0f" + rule(TL, T, TR);
    const std::string heads[5] = {"Pos", "Artikel", "Menge", "Einzelpreis", "Betrag"};
    job += row(heads) + rule(LT, X, RT);
    const unsigned items = 3 + unsigned(mix(state) % 8);
    std::uint64_t total = 0;
    for (unsigned i = 0; i < items; ++i) {
        const std::uint64_t quantity = 1 + mix(state) % 40, price = 50 + mix(state) % 9950;
        total += quantity * price;
        const std::string cells[5] = {std::to_string(i + 1), kArticles[mix(state) % 12], std::to_string(quantity),
                                      money(price), money(quantity * price)};
        job += row(cells);
    }
    job += rule(BL, B, BR) + "\x12\r\n";
    if (invoice) {
        const std::uint64_t tax = (total * 19 + 50) / 100;
        job += padded("Summe netto", 40) + padded(money(total) + " EUR", 20, true) + "\r\n";
        job += padded("MwSt 19 %", 40) + padded(money(tax) + " EUR", 20, true) + "\r\n";
        job += ESC + "E" + padded("Gesamtbetrag", 40) + padded(money(total + tax) + " EUR", 20, true) + ESC + "F\r\n";
        job += "\r\n" + ESC + "-\x01" + "Zahlbar innerhalb von 14 Tagen ohne Abzug." + ESC + "-" +
               std::string(1, '\0') + "\r\n";
    } else {
        job += std::string("Ware erhalten: ________________________   Datum: ") + "__________\r\n";
    }
    job += "\r\n" + ESC + "4" + "Vielen Dank f" + ue + "r Ihren Auftrag!" + ESC + "5\r\n\x0c";
    return job;
}

std::string deviceEscaped(const std::string& job) {
    std::string out;
    out.reserve(job.size());
    for (char c : job) {
        out += c;
        if (c == char(kDeviceEscape)) out += char(kEscapedBell);
    }
    return out;
}

void EscpStream::fill(std::uint8_t* out, std::size_t n) {
    while (n > 0) {
        if (read_ == job_.size()) {
            job_ = deviceEscaped(escpJob(seed_, next_++));
            read_ = 0;
        }
        const std::size_t take = std::min(n, job_.size() - read_);
        std::memcpy(out, job_.data() + read_, take);
        read_ += take;
        out += take;
        n -= take;
    }
}

}  // namespace devsim
}  // namespace orv
