// A plain reader of INI files for the settings tests.  The reader is deliberately strict and separate from the stores:
// it is what checks what they wrote.
#pragma once
#include <map>
#include <string>

#include "tests/support/TestSupport.h"

namespace orv::test {

inline std::string trim(const std::string& s) {
    const char* blanks = " \t\r\n";
    std::size_t b = s.find_first_not_of(blanks);
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

// "section/key" -> value of every key line; a key seen twice in a section
// is recorded under "section/key#2" so that duplicates show up.
inline std::map<std::string, std::string> iniEntries(const std::string& path) {
    std::map<std::string, std::string> entries;
    std::string data = readText(path);
    std::string section;
    std::size_t pos = 0;
    while (pos < data.size()) {
        std::size_t nl = data.find('\n', pos);
        std::string line = trim(data.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos));
        pos = nl == std::string::npos ? data.size() : nl + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[' && line.back() == ']') {
            section = trim(line.substr(1, line.size() - 2));
            continue;
        }
        std::size_t eq = line.find('=');
        std::string key = section + "/" + trim(line.substr(0, eq));
        std::string value = eq == std::string::npos ? "<no value>" : trim(line.substr(eq + 1));
        if (entries.count(key)) key += "#2";
        entries[key] = value;
    }
    return entries;
}

}  // namespace orv::test
