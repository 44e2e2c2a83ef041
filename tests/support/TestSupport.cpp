#include "tests/support/TestSupport.h"

#include <algorithm>

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "base/Ids.h"
#ifdef _WIN32
#include <windows.h>

#include "base/win32/Win32FileSystem.h"
#else
#include "base/posix/PosixFileSystem.h"
#endif

namespace fs = std::filesystem;

namespace orv::test {

TempDir::TempDir() {
    static std::mt19937 random{std::random_device{}()};
    fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = base / ("orv-test-" + std::to_string(random()));
        if (fs::create_directory(candidate)) {
            path_ = candidate.string();
            return;
        }
    }
    throw std::runtime_error("no temporary folder");
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string TempDir::operator/(const std::string& name) const { return path_ + platformSeparator() + name; }

std::unique_ptr<FileSystem> makePlatformFileSystem() {
#ifdef _WIN32
    return std::make_unique<Win32FileSystem>();
#else
    return std::make_unique<PosixFileSystem>();
#endif
}

char platformSeparator() {
#ifdef _WIN32
    return '\\';
#else
    return '/';
#endif
}

#ifdef _WIN32
std::string win32BuildFolder(int depth) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path(self);
    for (int i = 0; i < depth; ++i) path.resize(path.find_last_of('\\'));
    return path;
}
#endif

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

bool pathExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

bool isFolder(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

std::vector<std::uint8_t> patternBytes(std::size_t count, std::uint32_t seed) {
    std::vector<std::uint8_t> bytes(count);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x);
    }
    return bytes;
}

int ScriptedMessages::show(void*, const char* text, const char* caption, unsigned type) {
    shown.push_back({text ? text : "", caption ? caption : "", type});
    if (answers_.empty()) return fallback_;
    int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

bool ScriptedFileDialogs::answer(char* path, std::size_t size) {
    if (answers_.empty() || size == 0) return false;
    std::string chosen = answers_.front();
    answers_.pop_front();
    std::size_t n = std::min(chosen.size(), size - 1);
    chosen.copy(path, n);
    path[n] = '\0';
    return true;
}

bool ScriptedFileDialogs::chooseOpenFile(void*, char* path, std::size_t size, const FileFilter& filter) {
    asked.push_back({"open", path, filter.pattern, filter.defaultExtension, ""});
    return answer(path, size);
}

bool ScriptedFileDialogs::chooseSaveFile(void*, char* path, std::size_t size, const FileFilter& filter,
                                         const char* title) {
    asked.push_back({"save", path, filter.pattern, filter.defaultExtension, title ? title : ""});
    return answer(path, size);
}

bool ScriptedFileDialogs::browseForFolder(void*, const char* title, char* path, std::size_t size) {
    asked.push_back({"folder", path, "", "", title ? title : ""});
    return answer(path, size);
}

FixedStrings::FixedStrings() {
    texts[IDS_TAB_CAPTURE_FILE] = "Capture file";
    texts[IDS_FOLDER_CAPTION] = "%s folder";
    texts[IDS_FOLDER_MISSING] = "The folder %s does not exist. Create it?";
    texts[IDS_REPLACE_CAPTION] = "Replace";
    texts[IDS_REPLACE_QUESTION] = "The capture file exists. Replace it?";
}

std::string FixedStrings::load(unsigned id, std::size_t maxChars) const {
    auto it = texts.find(id);
    std::string text = it != texts.end() ? it->second : "#" + std::to_string(id);
    if (text.size() > maxChars) text.resize(maxChars);
    return text;
}

}  // namespace orv::test
