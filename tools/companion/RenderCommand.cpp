// orvantide render: the print job in a file as the printer would have
// printed it, as a PDF or as text; the job arguments that print shares and
// the document options that capture --pdf and --print share.
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "capture/Documents.h"
#include "settings/DocumentForm.h"
#include "tools/companion/Companion.h"

namespace orv::companion {
namespace {

constexpr std::size_t kReadBlock = 1 << 20;

struct RenderArgs {
    JobArguments job;
    std::string output;  // empty: standard output
    bool outputGiven = false;
    bool toGiven = false;
    DocumentFormat format = DocumentFormat::Pdf;
};

bool endsWithTxt(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return tail == ".txt";
}

bool parseRenderArgs(int argc, char** argv, RenderArgs& args, std::string& wrong) {
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "-o" || a == "--to") && (i + 1 >= argc || argv[i + 1][0] == '\0')) {
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
        } else if (a == "--to") {
            const std::string to = argv[++i];
            if (to != "pdf" && to != "text") {
                wrong = "--to takes pdf or text, not \"" + to + "\"";
                return false;
            }
            args.format = to == "text" ? DocumentFormat::Text : DocumentFormat::Pdf;
            args.toGiven = true;
        } else if (!takeJobArgument(argc, argv, i, args.job, wrong)) {
            return false;
        }
    }
    if (!finishJobArguments(args.job, wrong)) return false;
    if (!args.toGiven && args.outputGiven && endsWithTxt(args.output)) args.format = DocumentFormat::Text;
    // Standard input has no name to put an extension on: standard output.
    if (!args.outputGiven && args.job.input != "-")
        args.output = withExtension(args.job.input, args.format == DocumentFormat::Text ? ".txt" : ".pdf");
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

bool takeJobArgument(int argc, char** argv, int& i, JobArguments& job, std::string& wrong) {
    const std::string a = argv[i];
    if (!isDocumentOption(a) && a != "--input") return takeFileArgument(a, job.input, job.haveInput, wrong);
    if (i + 1 >= argc || argv[i + 1][0] == '\0') {
        wrong = a + " needs a value";
        return false;
    }
    if (a != "--input") return takeDocumentOption(a, argv[++i], job.options, wrong);
    const std::string kind = argv[++i];
    if (kind != "capture" && kind != "raw") {
        wrong = "--input takes capture or raw, not \"" + kind + "\"";
        return false;
    }
    job.decode = kind == "capture";
    job.decodeGiven = true;
    return true;
}

bool finishJobArguments(JobArguments& job, std::string& wrong) {
    if (!job.haveInput) wrong = "no FILE";
    if (!job.decodeGiven) job.decode = inputKindOf(job.input) == InputKind::Capture;
    return job.haveInput;
}

int readJob(InputFile& in, const JobArguments& job, std::vector<std::uint8_t>& bytes) {
    try {
        PrintJob read(job.decode ? InputKind::Capture : InputKind::Raw);
        std::vector<std::uint8_t> block(kReadBlock);
        for (long long got = kReadBlock; got == static_cast<long long>(kReadBlock);) {
            if ((got = in.readFull(block.data(), block.size())) < 0)
                return fail("cannot read " + job.input + ": " + errorText());
            read.add(block.data(), static_cast<std::size_t>(got));
        }
        bytes = std::move(read.finish());
    } catch (const std::bad_alloc&) {
        return fail("cannot render " + job.input + ": not enough memory");
    }
    return kExitOk;
}

void tellReport(const render::RenderReport& report) {
    for (const std::string& line : {report.printer.describe(), report.describe()})
        if (!line.empty()) writeStderr("orvantide: " + line + "\n");
}

int runRender(int argc, char** argv) {
    RenderArgs args;
    std::string wrong;
    if (!parseRenderArgs(argc, argv, args, wrong)) return usage(findSubcommand("render"), wrong);
    const std::string& input = args.job.input;
    const std::string outputName = args.output.empty() ? "standard output" : args.output;

    InputFile in;
    if (!in.open(input)) return fail("cannot open " + input + ": " + errorText());
    if (in.isSameFile(args.output)) return fail("cannot write " + outputName + ": it is the input file");
    std::vector<std::uint8_t> job;
    if (const int status = readJob(in, args.job, job)) return status;
    std::string document;
    RenderOutcome outcome;
    try {
        if (!renderDocument(job.data(), job.size(), args.job.options, args.format, document, outcome)) {
            const int status = fail(describeFailure(outcome, input, outputName));
            return outcome.failure == RenderOutcome::Failure::Language ? kExitNotRendered : status;
        }
    } catch (const std::bad_alloc&) {
        return fail("cannot render " + input + ": not enough memory");
    }
    OutputFile out;
    if (!out.open(args.output)) return fail("cannot open " + outputName + ": " + errorText());
    if (!out.write(document.data(), document.size()) || !out.close())
        return fail("cannot write " + outputName + ": " + errorText());
    tellReport(outcome.report);
    return kExitOk;
}

}  // namespace orv::companion
