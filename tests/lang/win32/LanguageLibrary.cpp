#include "LanguageLibrary.h"

#include <cstdio>
#include <map>
#include <vector>

#include "base/Ids.h"

namespace orv::test {

std::string besideTest(const char* relative, const char* file) {
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path(self, n);
    path.resize(path.find_last_of("\\/") + 1);
    if (*relative) path += std::string(relative) + "\\";
    return path + file;
}

std::string languageLibraryPath(int language) {
    char name[MAX_PATH];
    std::snprintf(name, sizeof name, LANGUAGE_LIBRARY_FORMAT, language);
    return besideTest(ORV_TEST_TO_LIBRARY, name);
}

HMODULE languageLibrary(int language) {
    static std::map<int, HMODULE> loaded;
    auto it = loaded.find(language);
    if (it == loaded.end()) it = loaded.emplace(language, LoadLibraryA(languageLibraryPath(language).c_str())).first;
    return it->second;
}

std::string programPath() { return besideTest(ORV_TEST_TO_PROGRAM, PROGRAM_FILE_NAME); }

HMODULE programAsData() {
    static HMODULE module = LoadLibraryExA(programPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return module;
}

bool loadString(HMODULE library, UINT id, std::string* text) {
    std::vector<char> buffer(8192);
    int n = LoadStringA(library, id, buffer.data(), static_cast<int>(buffer.size()));
    if (n <= 0) return false;
    text->assign(buffer.data(), static_cast<size_t>(n));
    return true;
}

bool LanguageLibrary::loadDialog(int id, DialogTemplate* dialog, std::string* error) const {
    auto bytes = resourceBytes(library(), RT_DIALOG, MAKEINTRESOURCEA(id));
    if (bytes.empty()) return *error = "missing", false;
    return parseDialogEx(bytes.data(), bytes.size(), dialog, error);
}

namespace {
const int kLanguages[] = {ORV_TEST_LANGUAGES};
}  // namespace

INSTANTIATE_TEST_SUITE_P(Every, LanguageLibrary, ::testing::ValuesIn(kLanguages),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param); });

}  // namespace orv::test
