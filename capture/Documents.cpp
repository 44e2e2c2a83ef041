#include "capture/Documents.h"

#include <cctype>
#include <vector>

#include "base/ReplacingFile.h"
#include "capture/CaptureTargets.h"

namespace orv {
namespace {

constexpr std::size_t kReadBlock = 1 << 20;

}  // namespace

SysError readJob(FileSystem& fs, const std::string& path, PrintJob& job) {
    FileSystem::Handle file = FileSystem::kNoFile;
    if (SysError error = fs.openRead(path.c_str(), file)) return error;
    std::vector<std::uint8_t> block(kReadBlock);
    SysError error = 0;
    for (std::size_t got = 0; (error = fs.read(file, block.data(), block.size(), got)) == 0 && got > 0;)
        job.add(block.data(), got);
    fs.close(file);
    return error;
}

InputKind inputKindOf(const std::string& path) {
    const std::size_t name = path.find_last_of("\\/");
    const std::string base = name == std::string::npos ? path : path.substr(name + 1);
    if (base.size() <= 4) return InputKind::Raw;  // ".zrd" alone is a name, not an extension
    std::string tail = base.substr(base.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".zrd" ? InputKind::Capture : InputKind::Raw;
}

void PrintJob::add(const std::uint8_t* block, std::size_t size) {
    if (!decode_) {
        job_.insert(job_.end(), block, block + size);
        return;
    }
    const std::size_t had = job_.size();
    job_.resize(had + size + 1);
    job_.resize(had + decoder_.decode(block, size, job_.data() + had));
}

std::vector<std::uint8_t>& PrintJob::finish() {
    if (!decode_) return job_;
    const std::size_t had = job_.size();
    job_.resize(had + 1);
    job_.resize(had + decoder_.finish(job_.data() + had));
    return job_;
}

void setPrinter(PrinterMode printer, render::RenderOptions& options) {
    options.printer = printer == PrinterMode::Ibm ? render::Printer::Ibm : render::Printer::Epson;
    options.pins = printer == PrinterMode::Auto           ? render::Pins::Auto
                   : printer == PrinterMode::EpsonNinePin ? render::Pins::Nine
                   : printer == PrinterMode::Ibm          ? render::Pins::Nine
                                                          : render::Pins::TwentyFour;
}

render::RenderOptions documentOptions(const DocumentSettings& settings) {
    render::RenderOptions options;
    if (!render::parsePaper(settings.paper, options.paper)) options.paper = render::Paper{};
    if (render::knownCodePage(settings.codePage)) options.codePage = settings.codePage;
    if (!render::parseLength(settings.topOfForm, options.topOfForm)) options.topOfForm = render::kDefaultTopOfForm;
    setPrinter(settings.printer, options);
    return options;
}

bool renderDocument(const std::uint8_t* data, std::size_t size, const render::RenderOptions& options,
                    DocumentFormat format, std::string& document, RenderOutcome& outcome) {
    outcome.language = render::detectLanguage(data, size);
    if (outcome.language != render::JobLanguage::PrinterText) {
        outcome.failure = RenderOutcome::Failure::Language;
        return false;
    }
    try {
        document = format == DocumentFormat::Pdf ? render::renderPdf(data, size, options, outcome.report)
                                                 : render::renderText(data, size, options, outcome.report);
        return true;
    } catch (...) {
        // The pages of a job are bounded by its size; what fails here is
        // memory for a job too big for this process.
        outcome.failure = RenderOutcome::Failure::Memory;
        return false;
    }
}

RenderOutcome renderFile(FileSystem& fs, const std::string& source, const std::string& target,
                         const render::RenderOptions& options, InputKind input, DocumentFormat format) {
    RenderOutcome outcome;
    std::string document;
    try {
        PrintJob read(input);
        if ((outcome.error = readJob(fs, source, read)) != 0) {
            outcome.failure = RenderOutcome::Failure::Read;
            return outcome;
        }
        const std::vector<std::uint8_t>& job = read.finish();
        if (!renderDocument(job.data(), job.size(), options, format, document, outcome)) return outcome;
    } catch (...) {
        outcome.failure = RenderOutcome::Failure::Memory;
        return outcome;
    }
    if ((outcome.error = replaceContent(fs, target, document.data(), document.size())) != 0)
        outcome.failure = RenderOutcome::Failure::Write;
    return outcome;
}

std::string withExtension(const std::string& path, const char* extension) {
    const std::size_t name = path.find_last_of("\\/");
    const std::size_t dot = path.rfind('.');
    const bool hasExtension = dot != std::string::npos && (name == std::string::npos ? dot > 0 : dot > name + 1);
    return (hasExtension ? path.substr(0, dot) : path) + extension;
}

std::string pdfBeside(const std::string& capture) {
    const std::string pdf = withExtension(capture, ".pdf");
    if (pdf.size() != capture.size()) return pdf;
    for (std::size_t i = 0; i < pdf.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(pdf[i])) != std::tolower(static_cast<unsigned char>(capture[i])))
            return pdf;
    return capture + ".pdf";
}

std::string describeFailure(const RenderOutcome& outcome, const std::string& source, const std::string& target) {
    switch (outcome.failure) {
    case RenderOutcome::Failure::None: return std::string();
    case RenderOutcome::Failure::Read: return "cannot read " + source + ": " + describeFileError(outcome.error);
    case RenderOutcome::Failure::Language:
        return source + " is a " + render::languageName(outcome.language) +
               " job; only plain text and ESC/P are rendered";
    case RenderOutcome::Failure::Memory: return "cannot render " + source + ": not enough memory";
    case RenderOutcome::Failure::Write: return "cannot write " + target + ": " + describeFileError(outcome.error);
    }
    return std::string();
}

}  // namespace orv
