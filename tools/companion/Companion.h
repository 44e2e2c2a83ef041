// The command-line companion: one table of subcommands, each a function
// that gets the arguments after its name and returns the exit status.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/FileSystem.h"
#include "base/ReplacingFile.h"
#include "render/Render.h"

namespace orv::companion {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // one line on stderr says what failed
constexpr int kExitUsage = 2;
constexpr int kExitNotRendered = 3;  // a printer language that is not rendered, named on stderr

// The code pages --code-page takes, for help texts and messages (a macro,
// so that the help texts' literals take it in).
#define ORV_CODE_PAGE_LIST                                                                                 \
    "437, 850, 852, 858, 865, 866, 1252, 895 or kamenicky, 667 or mazovia, 737, 775, 857, 860, 861, 862, " \
    "863, 869, iso8859-1, iso8859-2, iso8859-15"
constexpr const char kCodePageList[] = ORV_CODE_PAGE_LIST;

struct Subcommand {
    const char* name;
    const char* usage;                  // the arguments, for the usage text
    const char* summary;                // what it does, one line
    const char* options;                // one line per option for --help; null: the command prints its own
    int (*run)(int argc, char** argv);  // argv[0] is the first argument after the name
};

// Prints "orvantide: <what>" on stderr; returns kExitFailure.
int fail(const std::string& what);
// Prints the usage line of a subcommand on stderr, after what was wrong
// when given; returns kExitUsage.
int usage(const Subcommand& command, const std::string& wrong = std::string());
const Subcommand& findSubcommand(const char* name);  // must exist

// A file opened for reading, or standard input for "-".
class InputFile {
public:
    InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();
    // False (errno says why) when it cannot be opened or is a folder.
    bool open(const std::string& path);
    // Reads until n bytes or the end; returns the count, or -1 on error.
    long long readFull(std::uint8_t* dst, std::size_t n);
    // True when this is a regular file and path (standard output when
    // empty) is that very file, whatever the name or links lead to it.
    bool isSameFile(const std::string& path) const;

private:
    std::intptr_t file_ = -1;  // a descriptor on Linux, a HANDLE on Windows
    bool owned_ = false;
};

// A file created (or replaced) for writing, or standard output when the
// path is empty: a ReplacingFile, so that a command that fails (or is
// killed) leaves an existing file as it was and nothing beside it.
class OutputFile {
public:
    OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();                                // without a successful close() the temporary file goes
    bool open(const std::string& path);           // false: errno says why
    bool write(const void* data, std::size_t n);  // all of it, or false
    // Closes the file and puts it in place; false (the temporary file
    // removed) when the last bytes could not be written or the rename failed.
    bool close();

private:
    std::unique_ptr<FileSystem> fs_;
    std::unique_ptr<ReplacingFile> file_;  // none: standard output
};

// The platform's halves of the files (posix/Io.cpp, win32/Io.cpp).
FileSystem::Handle standardOutput();
// errno for a failure the file system reported: on Windows made from its
// system code; on POSIX the call's own errno, which is there already.
void setErrnoFrom(SysError error);
// A temporary file that a signal ending the command removes (POSIX; on
// Windows the file goes by itself); empty: none any more.
void guardTemporary(const std::string& path);

// Writes blocks to an OutputFile on a second thread, so that filling the
// next block overlaps writing the last one.  Two buffers of blockSize.
class OverlappedWriter {
public:
    OverlappedWriter(OutputFile& out, std::size_t blockSize);
    ~OverlappedWriter();
    OverlappedWriter(const OverlappedWriter&) = delete;
    OverlappedWriter& operator=(const OverlappedWriter&) = delete;

    char* buffer() { return fill_; }  // the block to fill next
    // Hands over the first n bytes of buffer(); false when a write failed
    // (errno says why).
    bool submit(std::size_t n);
    bool finish();  // waits for the last block; false when a write failed

private:
    struct State;
    std::unique_ptr<State> state_;
    char* fill_ = nullptr;
};

// strerror(errno); on Windows also the text of a system error that has no
// errno counterpart (see win32/Io.cpp).
std::string errorText();

// Writes text to standard error as it is; on Windows a console gets it as
// UTF-16 (WriteConsoleW), so names outside its code page show right.
void writeStderr(const std::string& utf8);

// The arguments, argv[0] first, as the commands take them.  On Windows they
// come from the wide command line as UTF-8, so that any file name survives
// (the ANSI argv loses what the code page cannot spell), and the standard
// streams are set to binary so that messages end in LF as on Linux.
std::vector<std::string> commandLine(int argc, char** argv);

// An argument that is not an option the command knows: its one FILE ("-"
// is standard input), or, for an option or a second FILE, wrong.
bool takeFileArgument(const std::string& argument, std::string& input, bool& haveInput, std::string& wrong);

// The file commands.
int runHexdump(int argc, char** argv);
int runFilter(int argc, char** argv);
int runView(int argc, char** argv);
// render, and the document options it shares with capture --pdf and
// --print: --paper, --code-page, --printer, --top-of-form.
// takeDocumentOption puts the value into options, or says in wrong what is
// wrong with it.
int runRender(int argc, char** argv);
bool isDocumentOption(const std::string& option);
bool takeDocumentOption(const std::string& option, const char* value, render::RenderOptions& options,
                        std::string& wrong);

// What names a job and how it is rendered, the same for render and print:
// the one FILE, what it holds (--input capture|raw) and the document
// options.  An argument that is not a command's own goes to
// takeJobArgument, so that both commands take whatever is added here.
struct JobArguments {
    std::string input;  // "-": standard input
    bool haveInput = false;
    bool decode = false;  // a capture: the device's 0x07 sequences decoded
    bool decodeGiven = false;
    render::RenderOptions options;
};
// Takes argv[i] (and its value, moving i on); false with wrong saying what
// is wrong with it (an unknown option included).
bool takeJobArgument(int argc, char** argv, int& i, JobArguments& job, std::string& wrong);
// False with wrong when something needed was not given; what the file
// holds, when not given, from its name (inputKindOf: standard input is
// raw).
bool finishJobArguments(JobArguments& job, std::string& wrong);
// Reads the job whole from in as the printer got it (a capture's 0x07
// sequences decoded) into bytes; kExitOk, or the failure's exit status
// with its line told.
int readJob(InputFile& in, const JobArguments& job, std::vector<std::uint8_t>& bytes);
// Tells what the auto printer mode chose and what was skipped, a line
// each on standard error, when there is something to tell.
void tellReport(const render::RenderReport& report);

// print: the job on a printer of the system's print system.
int runPrint(int argc, char** argv);
// The unattended commands.
int runCapture(int argc, char** argv);
int runSend(int argc, char** argv);
int runQuery(int argc, char** argv);

}  // namespace orv::companion
