// hexdump, filter and view: the stored-file views of the program, read
// and written in large blocks so that memory stays flat whatever the size.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "capture/DeviceStream.h"
#include "tools/companion/Companion.h"
#include "view/HexDump.h"
#include "view/TextGrid.h"

namespace orv::companion {

bool takeFileArgument(const std::string& argument, std::string& input, bool& haveInput, std::string& wrong) {
    if (argument.size() > 1 && argument[0] == '-') {
        wrong = "unknown option " + argument;
        return false;
    }
    if (haveInput || argument.empty()) {
        wrong = "unexpected argument \"" + argument + "\"";
        return false;
    }
    input = argument;
    haveInput = true;
    return true;
}

namespace {

// Block sizes: near the second-level cache, so that input and output stay
// warm, yet large enough to keep the hand-overs to the writer thread few
// (128 KiB in and 648 KiB out per hex-dump block).
constexpr std::size_t kHexBlockLines = 8192;
constexpr std::size_t kFilterBlock = 128 * 1024;
constexpr std::size_t kTextLoadLimit = 0x100000;  // the text view reads the first MiB only

struct FileArgs {
    std::string input;
    std::string output;  // empty: standard output
};

// "FILE [-o OUT]", the option before or after the file; wrong names what
// did not fit.
bool parseFileArgs(int argc, char** argv, FileArgs& args, std::string& wrong) {
    bool haveInput = false;
    bool haveOutput = false;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-o") {
            if (haveOutput || i + 1 >= argc || argv[i + 1][0] == '\0') {
                wrong = haveOutput ? "-o given twice" : "-o needs a file";
                return false;
            }
            args.output = argv[++i];
            if (args.output == "-") args.output.clear();  // "-o -" is standard output, as FILE "-" is standard input
            haveOutput = true;
        } else if (!takeFileArgument(a, args.input, haveInput, wrong)) {
            return false;
        }
    }
    if (!haveInput) wrong = "no FILE";
    return haveInput;
}

std::string outputName(const FileArgs& args) { return args.output.empty() ? "standard output" : args.output; }

int cannotOpen(const std::string& path) { return fail("cannot open " + path + ": " + errorText()); }
int cannotRead(const std::string& path) { return fail("cannot read " + path + ": " + errorText()); }
int cannotWrite(const FileArgs& args) { return fail("cannot write " + outputName(args) + ": " + errorText()); }

// Parses FILE [-o OUT] and opens both: kExitOk when ready, else the exit
// status (usage or the failure, already told).
int openFileStreams(const char* command, int argc, char** argv, FileArgs& args, InputFile& in, OutputFile& out) {
    std::string wrong;
    if (!parseFileArgs(argc, argv, args, wrong)) return usage(findSubcommand(command), wrong);
    if (!in.open(args.input)) return cannotOpen(args.input);
    // Writing the file being read would destroy it (or, appended to,
    // never end).
    if (in.isSameFile(args.output)) return fail("cannot write " + outputName(args) + ": it is the input file");
    if (!out.open(args.output)) return cannotOpen(outputName(args));
    return kExitOk;
}

}  // namespace

int runHexdump(int argc, char** argv) {
    FileArgs args;
    InputFile in;
    OutputFile out;
    if (int status = openFileStreams("hexdump", argc, argv, args, in, out); status != kExitOk) return status;

    // Reading and formatting one block overlaps writing the previous one.
    const std::size_t blockSize = kHexBlockLines * kHexLineInput;
    std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[blockSize]);
    OverlappedWriter writer(out, kHexBlockLines * kHexLineBytes);
    std::uint64_t offset = 0;
    for (;;) {
        const long long got = in.readFull(block.get(), blockSize);
        if (got < 0) return cannotRead(args.input);
        if (got == 0) break;
        const std::size_t n = formatHexLines(block.get(), static_cast<std::size_t>(got), offset, writer.buffer());
        if (!writer.submit(n)) return cannotWrite(args);
        offset += static_cast<std::uint64_t>(got);
        if (static_cast<std::size_t>(got) < blockSize)
            break;  // a short block is the last: only it may hold a partial line
    }
    if (!writer.finish() || !out.close()) return cannotWrite(args);
    return kExitOk;
}

int runFilter(int argc, char** argv) {
    FileArgs args;
    InputFile in;
    OutputFile out;
    if (int status = openFileStreams("filter", argc, argv, args, in, out); status != kExitOk) return status;

    std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[kFilterBlock]);
    OverlappedWriter writer(out, kFilterBlock + 1);
    DeviceStreamDecoder decoder;
    for (;;) {
        const long long got = in.readFull(block.get(), kFilterBlock);
        if (got < 0) return cannotRead(args.input);
        if (got == 0) break;
        auto* decoded = reinterpret_cast<std::uint8_t*>(writer.buffer());
        if (!writer.submit(decoder.decode(block.get(), static_cast<std::size_t>(got), decoded)))
            return cannotWrite(args);
    }
    const std::size_t n = decoder.finish(reinterpret_cast<std::uint8_t*>(writer.buffer()));
    if (!writer.submit(n) || !writer.finish() || !out.close()) return cannotWrite(args);
    return kExitOk;
}

int runView(int argc, char** argv) {
    bool filtered = false, havePath = false;
    std::string path, wrong;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--filtered" && !filtered)
            filtered = true;
        else if (!takeFileArgument(a, path, havePath, wrong))
            return usage(findSubcommand("view"), wrong);
    }
    if (!havePath) return usage(findSubcommand("view"), "no FILE");
    InputFile in;
    if (!in.open(path)) return cannotOpen(path);

    auto view = std::make_unique<ViewBuffer>();
    clearGrid(*view);
    NoRepaint noRepaint;
    if (!filtered) {
        // As the program's text view: the first MiB only.
        std::vector<std::uint8_t> bytes(kTextLoadLimit);
        const long long got = in.readFull(bytes.data(), bytes.size());
        if (got < 0) return cannotRead(path);
        appendToView(*view, bytes.data(), static_cast<std::size_t>(got), noRepaint);
    } else {
        // As the filtered view: the whole file decoded, then laid into the
        // grid; once the grid takes no more, the rest cannot change it.
        std::vector<std::uint8_t> block(kFilterBlock);
        std::vector<std::uint8_t> decoded(kFilterBlock + 1);
        DeviceStreamDecoder decoder;
        for (;;) {
            const long long got = in.readFull(block.data(), block.size());
            if (got < 0) return cannotRead(path);
            if (got == 0) break;
            const std::size_t n = decoder.decode(block.data(), static_cast<std::size_t>(got), decoded.data());
            appendToView(*view, decoded.data(), n, noRepaint);
            if (view->cursorRow.load() >= kLastTextRow) break;
        }
        const std::size_t n = decoder.finish(decoded.data());
        appendToView(*view, decoded.data(), n, noRepaint);
    }

    // Rows up to the last one that holds a non-space cell, trailing spaces
    // removed, each followed by LF.
    std::string text;
    std::string pending;  // blank rows are written only when content follows
    char row[kGridColumns];
    for (int r = 0; r < kGridRows; ++r) {
        int n = readRow(*view, r, 0, kGridColumns - 1, row);
        while (n > 0 && row[n - 1] == ' ') --n;
        if (n == 0) {
            pending += '\n';
            continue;
        }
        text += pending;
        pending.clear();
        text.append(row, static_cast<std::size_t>(n));
        text += '\n';
    }
    OutputFile out;
    out.open("");
    if (!out.write(text.data(), text.size())) return fail("cannot write standard output: " + errorText());
    return kExitOk;
}

}  // namespace orv::companion
