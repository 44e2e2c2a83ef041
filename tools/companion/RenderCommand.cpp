// orvantide render: the print job in a file as the printer would have
// printed it, as a PDF or as text; and the document options that capture
// --pdf shares.
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "capture/Documents.h"
#include "settings/DocumentForm.h"
#include "tools/companion/Companion.h"

namespace orv::companion {
namespace {

constexpr std::size_t kReadBlock = 1 << 20;

struct RenderArgs {
    std::string input;
    std::string output;  // empty: standard output
    bool outputGiven = false;
    bool toGiven = false;
    bool inputKindGiven = false;
    InputKind inputKind = InputKind::Raw;
    DocumentFormat format = DocumentFormat::Pdf;
    render::RenderOptions options;
};

// value when it is one of the option's two words; else wrong says so.
bool takeWord(const std::string& option, const std::string& value, const char* first, const char* second, bool& isFirst,
              std::string& wrong) {
    if (value != first && value != second) {
        wrong = option + " takes " + first + " or " + second + ", not \"" + value + "\"";
        return false;
    }
    isFirst = value == first;
    return true;
}

bool endsWithTxt(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return tail == ".txt";
}

bool parseRenderArgs(int argc, char** argv, RenderArgs& args, std::string& wrong) {
    bool haveInput = false;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        const bool valued = a == "-o" || a == "--to" || a == "--input" || isDocumentOption(a);
        if (valued && (i + 1 >= argc || argv[i + 1][0] == '\0')) {
            wrong = a + " needs a value";
            return false;
        }
        if (a == "-o") {
            if (args.outputGiven) {
                wrong = "-o given twice";
                return false;
            }
            args.output = argv[++i];
            if (args.output == "-") args.output.clear();
            args.outputGiven = true;
        } else if (a == "--to" || a == "--input") {
            bool first = false;
            if (a == "--to" ? !takeWord(a, argv[++i], "pdf", "text", first, wrong)
                            : !takeWord(a, argv[++i], "capture", "raw", first, wrong))
                return false;
            if (a == "--to") {
                args.format = first ? DocumentFormat::Pdf : DocumentFormat::Text;
                args.toGiven = true;
            } else {
                args.inputKind = first ? InputKind::Capture : InputKind::Raw;
                args.inputKindGiven = true;
            }
        } else if (valued) {
            if (!takeDocumentOption(a, argv[++i], args.options, wrong)) return false;
        } else if (!takeFileArgument(a, args.input, haveInput, wrong)) {
            return false;
        }
    }
    if (!haveInput) {
        wrong = "no FILE";
        return false;
    }
    if (!args.toGiven && args.outputGiven && endsWithTxt(args.output)) args.format = DocumentFormat::Text;
    if (!args.inputKindGiven) args.inputKind = inputKindOf(args.input);
    // Standard input has no name to put an extension on: standard output.
    if (!args.outputGiven && args.input != "-")
        args.output = withExtension(args.input, args.format == DocumentFormat::Text ? ".txt" : ".pdf");
    return true;
}

}  // namespace

bool isDocumentOption(const std::string& option) {
    return option == "--paper" || option == "--code-page" || option == "--printer" || option == "--top-of-form";
}

bool takeDocumentOption(const std::string& option, const char* value, render::RenderOptions& options,
                        std::string& wrong) {
    if (option == "--paper") {
        char paper[kPaperTextSize];
        if (takePaperText(value, paper) && render::parsePaper(paper, options.paper)) return true;
        wrong = std::string(
                    "--paper takes a4, letter or WIDTHxHEIGHT in in or mm (8.5x11in, 210x297mm) from 1 to "
                    "100 inches, not \"") +
                value + "\"";
    } else if (option == "--code-page") {
        if (render::parseCodePage(value, options.codePage)) return true;
        wrong = std::string("--code-page takes a code page's number or name (") + kCodePageList + "), not \"" + value +
                "\"";
    } else if (option == "--top-of-form") {
        if (render::parseLength(value, options.topOfForm)) return true;
        wrong = std::string(
                    "--top-of-form takes a length from 0 to 100 mm with its unit, mm, in or pt (8.5mm, 0.33in), "
                    "not \"") +
                value + "\"";
    } else {
        PrinterMode printer = PrinterMode::Auto;
        if (takePrinterName(value, printer)) {
            setPrinter(printer, options);
            return true;
        }
        wrong = std::string("--printer takes auto, epson, epson9 or ibm, not \"") + value + "\"";
    }
    return false;
}

int runRender(int argc, char** argv) {
    RenderArgs args;
    std::string wrong;
    if (!parseRenderArgs(argc, argv, args, wrong)) return usage(findSubcommand("render"), wrong);
    const std::string outputName = args.output.empty() ? "standard output" : args.output;

    InputFile in;
    if (!in.open(args.input)) return fail("cannot open " + args.input + ": " + errorText());
    if (in.isSameFile(args.output)) return fail("cannot write " + outputName + ": it is the input file");
    std::string document;
    RenderOutcome outcome;
    try {
        PrintJob read(args.inputKind);
        std::vector<std::uint8_t> block(kReadBlock);
        for (long long got = kReadBlock; got == static_cast<long long>(kReadBlock);) {
            if ((got = in.readFull(block.data(), block.size())) < 0)
                return fail("cannot read " + args.input + ": " + errorText());
            read.add(block.data(), static_cast<std::size_t>(got));
        }
        const std::vector<std::uint8_t>& job = read.finish();
        if (!renderDocument(job.data(), job.size(), args.options, args.format, document, outcome)) {
            const int status = fail(describeFailure(outcome, args.input, outputName));
            return outcome.failure == RenderOutcome::Failure::Language ? kExitNotRendered : status;
        }
    } catch (const std::bad_alloc&) {
        return fail("cannot render " + args.input + ": not enough memory");
    }
    OutputFile out;
    if (!out.open(args.output)) return fail("cannot open " + outputName + ": " + errorText());
    if (!out.write(document.data(), document.size()) || !out.close())
        return fail("cannot write " + outputName + ": " + errorText());
    const std::string chosen = outcome.report.printer.describe();
    if (!chosen.empty()) writeStderr("orvantide: " + chosen + "\n");
    const std::string skipped = outcome.report.describe();
    if (!skipped.empty()) writeStderr("orvantide: " + skipped + "\n");
    return kExitOk;
}

}  // namespace orv::companion
