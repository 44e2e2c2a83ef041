// Printing on Linux: the job's PDF to a CUPS queue through libcups, with
// the paper asked for as the job's media.  The server is the one every
// CUPS program uses (CUPS_SERVER, client.conf, else the local scheduler),
// the default printer the one lp takes (LPDEST, PRINTER, lpoptions, the
// server's default).
#include <cups/cups.h>
#include <cups/pwg.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "print/Print.h"

namespace orv::print {
namespace {

// Each step of talking to the server ends after this long without an
// answer, so that a print system that hangs cannot hold the caller (a
// capture's queue at its stop) for ever.
constexpr int kConnectMs = 30000;
constexpr double kAnswerSeconds = 30;
constexpr std::size_t kWriteBlock = 64 * 1024;

struct HttpClose {
    void operator()(http_t* http) const { httpClose(http); }
};
struct DestFree {
    void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
};
struct Options {
    int count = 0;
    cups_option_t* list = nullptr;
    Options() = default;
    Options(const Options&) = delete;
    Options& operator=(const Options&) = delete;
    ~Options() { cupsFreeOptions(count, list); }
    void add(const char* name, const std::string& value) { count = cupsAddOption(name, value.c_str(), count, &list); }
};

// Where the server is, for messages: "localhost:631", or a socket's path.
std::string serverName() {
    const char* server = cupsServer();
    std::string name = server ? server : "";
    if (!name.empty() && name[0] != '/') name += ":" + std::to_string(ippPort());
    return "CUPS at " + name;
}

std::string lastError() {
    const char* text = cupsLastErrorString();
    return text && *text ? text : ippErrorString(cupsLastError());
}

// A failure libcups reported for this thread.
void failed(PrintOutcome& outcome) {
    using Failure = PrintOutcome::Failure;
    const ipp_status_t status = cupsLastError();
    if (status == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE) {
        outcome.failure = Failure::Unreachable;
        outcome.detail = serverName() + ": " + lastError();
    } else if (status == IPP_STATUS_ERROR_NOT_FOUND) {
        outcome.failure = outcome.printer.empty() ? Failure::NoDefault : Failure::UnknownPrinter;
    } else {
        outcome.failure = Failure::Refused;
        outcome.detail = lastError();
    }
}

// The paper as a PWG media name ("iso_a4_210x297mm", "na_letter_8.5x11in",
// "custom_..." for a size of its own), its short side first as media
// names are; the filters turn a landscape page to fit it.
std::string mediaName(const render::Paper& paper) {
    const auto hundredthsMm = [](double points) { return int(std::lround(points * 2540 / 72)); };
    const int w = hundredthsMm(paper.width), h = hundredthsMm(paper.height);
    const pwg_media_t* media = pwgMediaForSize(std::min(w, h), std::max(w, h));
    return media && media->pwg ? media->pwg : std::string();
}

}  // namespace

void submit(const std::uint8_t* data, std::size_t size, const PrintRequest& request, PrintOutcome& outcome) {
    using Failure = PrintOutcome::Failure;
    std::unique_ptr<http_t, HttpClose> http(
        httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, kConnectMs, nullptr));
    if (!http) {
        // libcups keeps the connection's own error (errno is the close's).
        outcome.failure = Failure::Unreachable;
        outcome.detail = serverName() + ": " + lastError();
        return;
    }
    httpSetTimeout(http.get(), kAnswerSeconds, nullptr, nullptr);

    // "NAME/INSTANCE" names a saved set of options of a queue, as for lp.
    const std::size_t slash = request.printer.find('/');
    const std::string name = request.printer.substr(0, slash);
    const std::string instance = slash == std::string::npos ? std::string() : request.printer.substr(slash + 1);
    std::unique_ptr<cups_dest_t, DestFree> dest(cupsGetNamedDest(http.get(), name.empty() ? nullptr : name.c_str(),
                                                                 instance.empty() ? nullptr : instance.c_str()));
    if (!dest) return failed(outcome);
    outcome.printer = dest->name;

    std::size_t pages = 0;
    const std::string pdf = render::renderPdf(data, size, request.options, outcome.render.report, &pages);
    if (pages == 0) {
        outcome.failure = Failure::Empty;
        return;
    }

    // The saved options of the queue (or instance) first; the job's own
    // paper and copies over them.
    Options options;
    for (int i = 0; i < dest->num_options; ++i) options.add(dest->options[i].name, dest->options[i].value);
    const std::string media = mediaName(request.options.paper);
    if (!media.empty()) options.add("media", media);
    options.add("copies", std::to_string(request.copies));
    if (request.copies > 1) options.add("multiple-document-handling", "separate-documents-collated-copies");
    const int job = cupsCreateJob(http.get(), dest->name, request.title.c_str(), options.count, options.list);
    if (job <= 0) return failed(outcome);

    bool sent = cupsStartDocument(http.get(), dest->name, job, request.title.c_str(), CUPS_FORMAT_PDF, 1) ==
                HTTP_STATUS_CONTINUE;
    for (std::size_t at = 0; sent && at < pdf.size(); at += kWriteBlock)
        sent = cupsWriteRequestData(http.get(), pdf.data() + at, std::min(kWriteBlock, pdf.size() - at)) ==
               HTTP_STATUS_CONTINUE;
    // cupsFinishDocument reads the answer; a failed send has one as well.
    const ipp_status_t finished = cupsFinishDocument(http.get(), dest->name);
    if (!sent || finished > IPP_STATUS_OK_EVENTS_COMPLETE) {
        failed(outcome);
        // A job that was made but did not get its document would wait in
        // the queue for ever.
        cupsCancelJob2(http.get(), dest->name, job, 0);
        return;
    }
    outcome.job = job;
}

}  // namespace orv::print
