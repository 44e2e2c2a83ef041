// Helpers shared by the tests: temporary folders, whole-file reads and
// writes, the platform's file system, and scripted answers for the seams.
#pragma once
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/FileDialogSeam.h"
#include "base/FileSystem.h"
#include "base/MessageSeam.h"

namespace orv::test {

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    // path() joined with the platform's separator and name.
    std::string operator/(const std::string& name) const;

private:
    std::string path_;
};

std::unique_ptr<FileSystem> makePlatformFileSystem();

// The platform's file system, every call passed on: tests derive from it
// and override the calls they watch or break.
class PassThroughFileSystem : public FileSystem {
public:
    char separator() const override { return real_->separator(); }
    SysError pathKind(const char* p, PathKind& k) override { return real_->pathKind(p, k); }
    SysError createFolder(const char* p) override { return real_->createFolder(p); }
    SysError findFile(const char* p) override { return real_->findFile(p); }
    SysError deleteFile(const char* p) override { return real_->deleteFile(p); }
    SysError createNew(const char* p, Handle& f) override { return real_->createNew(p, f); }
    SysError createReplacing(const char* p, Handle& f) override { return real_->createReplacing(p, f); }
    SysError moveOpenFile(Handle f, const char* a, const char* b) override { return real_->moveOpenFile(f, a, b); }
    SysError openReplaceTarget(const char* p, Handle& d, std::string& t) override {
        return real_->openReplaceTarget(p, d, t);
    }
    SysError createTemporary(const char* p, const char* t, Handle& f) override {
        return real_->createTemporary(p, t, f);
    }
    SysError commitTemporary(Handle f, const char* p, const char* t) override {
        return real_->commitTemporary(f, p, t);
    }
    SysError openRead(const char* p, Handle& f) override { return real_->openRead(p, f); }
    SysError read(Handle f, void* d, std::size_t n, std::size_t& got) override { return real_->read(f, d, n, got); }
    SysError write(Handle f, const void* d, std::size_t n) override { return real_->write(f, d, n); }
    SysError sync(Handle f) override { return real_->sync(f); }
    SysError close(Handle f) override { return real_->close(f); }

private:
    std::unique_ptr<FileSystem> real_ = makePlatformFileSystem();
};
char platformSeparator();

std::vector<std::uint8_t> readFile(const std::string& path);
void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
// The whole file as text, byte for byte; empty when it cannot be read.
std::string readText(const std::string& path);
void writeText(const std::string& path, const std::string& text);
bool pathExists(const std::string& path);
bool isFolder(const std::string& path);

#ifdef _WIN32
// The top of the Win32 build tree (beside Orvantide.exe and its language
// library), found from this test program's own path, `depth` folders up.
std::string win32BuildFolder(int depth = 3);
#endif

// Deterministic bytes for content checks.
std::vector<std::uint8_t> patternBytes(std::size_t count, std::uint32_t seed = 1);

// A message seam that records every message and answers from a script
// (or with `fallback` when the script is empty).
class ScriptedMessages : public MessageSeam {
public:
    struct Shown {
        std::string text, caption;
        unsigned type;
    };
    explicit ScriptedMessages(int fallback = box::kAnswerCancel) : fallback_(fallback) {}
    void answer(int button) { answers_.push_back(button); }
    int show(void* owner, const char* text, const char* caption, unsigned type) override;
    std::vector<Shown> shown;

private:
    std::deque<int> answers_;
    int fallback_;
};

// A file-dialog seam that records each request and answers from a script:
// a queued path is "chosen", an empty queue cancels.
class ScriptedFileDialogs : public FileDialogSeam {
public:
    struct Asked {
        std::string kind;         // "open", "save" or "folder"
        std::string initialPath;  // the path the dialog was opened with
        std::string filterPattern, defaultExtension, title;
    };
    void choose(const std::string& path) { answers_.push_back(path); }
    bool chooseOpenFile(void* owner, char* path, std::size_t size, const FileFilter& filter) override;
    bool chooseSaveFile(void* owner, char* path, std::size_t size, const FileFilter& filter,
                        const char* title) override;
    bool browseForFolder(void* owner, const char* title, char* path, std::size_t size) override;
    std::vector<Asked> asked;

private:
    bool answer(char* path, std::size_t size);
    std::deque<std::string> answers_;
};

// A string table with fixed texts; unknown ids read as "#<id>".
class FixedStrings : public StringTable {
public:
    FixedStrings();
    std::map<unsigned, std::string> texts;
    std::string load(unsigned id, std::size_t maxChars) const override;
};

}  // namespace orv::test
