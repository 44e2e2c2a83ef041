#include "print/Print.h"

#include <new>
#include <vector>

namespace orv::print {

PrintOutcome printJob(const std::uint8_t* data, std::size_t size, const PrintRequest& request) {
    PrintOutcome outcome;
    outcome.printer = request.printer;
    outcome.render.language = render::detectLanguage(data, size);
    if (outcome.render.language != render::JobLanguage::PrinterText) {
        outcome.failure = PrintOutcome::Failure::Render;
        outcome.render.failure = RenderOutcome::Failure::Language;
        return outcome;
    }
    try {
        submit(data, size, request, outcome);
    } catch (const std::bad_alloc&) {
        outcome.failure = PrintOutcome::Failure::Render;
        outcome.render.failure = RenderOutcome::Failure::Memory;
    }
    return outcome;
}

PrintOutcome printFile(FileSystem& fs, const std::string& path, InputKind input, const PrintRequest& request) {
    PrintOutcome outcome;
    outcome.printer = request.printer;
    try {
        PrintJob read(input);
        if ((outcome.render.error = readJob(fs, path, read)) != 0) {
            outcome.failure = PrintOutcome::Failure::Render;
            outcome.render.failure = RenderOutcome::Failure::Read;
            return outcome;
        }
        const std::vector<std::uint8_t>& job = read.finish();
        if (!request.title.empty()) return printJob(job.data(), job.size(), request);
        PrintRequest titled = request;
        titled.title = titleFor(path);
        return printJob(job.data(), job.size(), titled);
    } catch (const std::bad_alloc&) {
        outcome.failure = PrintOutcome::Failure::Render;
        outcome.render.failure = RenderOutcome::Failure::Memory;
        return outcome;
    }
}

std::string titleFor(const std::string& path) {
    const std::size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string describePrinted(const PrintOutcome& outcome, const std::string& source) {
    return source + " on " + outcome.printer + " (job " + std::to_string(outcome.job) + ")";
}

std::string describeNotPrinted(const PrintOutcome& outcome, const std::string& source) {
    using Failure = PrintOutcome::Failure;
    const std::string printer = outcome.printer.empty() ? "the default printer" : outcome.printer;
    const std::string detail = outcome.detail.empty() ? std::string() : " (" + outcome.detail + ")";
    switch (outcome.failure) {
    case Failure::None: return std::string();
    case Failure::Render: return describeFailure(outcome.render, source, std::string());
    case Failure::Empty: return source + ": nothing to print, the job makes no page";
    case Failure::NoDefault: return source + ": no default printer is set" + detail;
    case Failure::UnknownPrinter: return source + ": no printer named \"" + outcome.printer + "\"";
    case Failure::Unreachable: return source + ": the print system cannot be reached for " + printer + detail;
    case Failure::Refused: return source + ": " + printer + " did not take the job" + detail;
    }
    return std::string();
}

}  // namespace orv::print
