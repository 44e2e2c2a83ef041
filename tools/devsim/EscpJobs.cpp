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

}  // namespace

std::string escpJob(std::uint64_t seed, std::uint64_t index) {
    std::uint64_t state = seed ^ (index * 0xD1B54A32D192ED03ull);
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
