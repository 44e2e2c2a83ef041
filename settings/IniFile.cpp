#include "settings/IniFile.h"

#include <cstddef>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace orv {
namespace {

// The platform counts Ctrl-Z (an old end-of-file mark) as a blank too.
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == 0x1a; }

std::string trimmed(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

struct Line {
    std::string text;  // without its line end
    std::string end;   // "\r\n", "\n" or "" for a last line without one
};

// One parsed line: a section header, a key (with or without "=value"),
// or nothing that a lookup can match (blank lines).
struct Parsed {
    enum Kind { Other, Section, Key } kind = Other;
    std::string name;
    bool hasValue = false;
    std::string value;
};

Parsed parse(const std::string& text) {
    Parsed p;
    std::string t = trimmed(text);
    if (t.empty()) return p;
    if (t[0] == '[') {
        std::size_t close = t.rfind(']');
        if (close != std::string::npos) {
            p.kind = Parsed::Section;
            p.name = trimmed(t.substr(1, close - 1));
            return p;
        }
    }
    p.kind = Parsed::Key;
    std::size_t eq = t.find('=');
    if (eq == std::string::npos) {
        p.name = t;
    } else {
        p.name = trimmed(t.substr(0, eq));
        p.hasValue = true;
        p.value = trimmed(t.substr(eq + 1));
    }
    return p;
}

struct Document {
    std::string bom;  // a UTF-8 byte-order mark is kept as it was
    std::vector<Line> lines;
};

bool load(const char* path, Document& doc) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t pos = 0;
    if (data.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        doc.bom = data.substr(0, 3);
        pos = 3;
    }
    while (pos < data.size()) {
        std::size_t nl = data.find('\n', pos);
        Line line;
        if (nl == std::string::npos) {
            line.text = data.substr(pos);
            pos = data.size();
        } else {
            std::size_t end = nl;
            if (end > pos && data[end - 1] == '\r') --end;
            line.text = data.substr(pos, end - pos);
            line.end = data.substr(end, nl + 1 - end);
            pos = nl + 1;
        }
        doc.lines.push_back(std::move(line));
    }
    return true;
}

// Index of the first header of section, or -1.
long findSection(const Document& doc, const std::string& section) {
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        Parsed p = parse(doc.lines[i].text);
        if (p.kind == Parsed::Section && sameName(p.name, section)) return static_cast<long>(i);
    }
    return -1;
}

// Index of key inside the section whose header is at header, or -1;
// last is set to the section's last non-blank line.
long findKey(const Document& doc, long header, const std::string& key, std::size_t& last) {
    last = static_cast<std::size_t>(header);
    for (std::size_t i = static_cast<std::size_t>(header) + 1; i < doc.lines.size(); ++i) {
        Parsed p = parse(doc.lines[i].text);
        if (p.kind == Parsed::Section) break;
        if (p.kind == Parsed::Other) continue;
        last = i;
        if (sameName(p.name, key)) return static_cast<long>(i);
    }
    return -1;
}

// One pair of matching quotes around a value is not part of it.
std::string unquoted(const std::string& v) {
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) return v.substr(1, v.size() - 2);
    return v;
}

}  // namespace

std::uint32_t IniFile::readString(const char* section, const char* key, const char* defaultValue, char* buffer,
                                  std::uint32_t size, const char* path) {
    if (!buffer || size == 0) return 0;
    std::string def = defaultValue ? defaultValue : "";
    while (!def.empty() && def.back() == ' ') def.pop_back();

    std::string result = def;
    Document doc;
    if (section && key && path && load(path, doc)) {
        long header = findSection(doc, trimmed(section));
        if (header >= 0) {
            std::size_t last;
            long at = findKey(doc, header, trimmed(key), last);
            if (at >= 0) {
                Parsed p = parse(doc.lines[static_cast<std::size_t>(at)].text);
                if (p.hasValue) result = unquoted(p.value);
            }
        }
    }
    std::size_t n = std::strlen(result.c_str());  // stops at an embedded zero
    if (n > size - 1) n = size - 1;
    std::memcpy(buffer, result.data(), n);
    buffer[n] = '\0';
    return static_cast<std::uint32_t>(n);
}

bool IniFile::writeString(const char* section, const char* key, const char* value, const char* path) {
    if (!section || !key || !path) return false;
    std::string sec = trimmed(section);
    std::string name = trimmed(key);
    std::string val = value ? value : "";

    Document doc;
    load(path, doc);  // a missing file is created
    long header = findSection(doc, sec);
    if (header < 0) {
        if (!doc.lines.empty() && doc.lines.back().end.empty()) doc.lines.back().end = "\r\n";
        doc.lines.push_back({"[" + sec + "]", "\r\n"});
        doc.lines.push_back({name + "=" + val, "\r\n"});
    } else {
        std::size_t last;
        long at = findKey(doc, header, name, last);
        if (at >= 0) {
            Line& line = doc.lines[static_cast<std::size_t>(at)];
            line.text = parse(line.text).name + "=" + val;
        } else {
            if (doc.lines[last].end.empty()) doc.lines[last].end = "\r\n";
            doc.lines.insert(doc.lines.begin() + static_cast<long>(last) + 1, Line{name + "=" + val, "\r\n"});
        }
    }

    std::string data = doc.bom;
    for (const Line& line : doc.lines) data += line.text + line.end;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.flush();
    return static_cast<bool>(out);
}

}  // namespace orv
