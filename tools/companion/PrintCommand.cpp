// orvantide print: the print job in a file on paper, through the system's
// print system (CUPS on Linux, the Windows print system on Windows).
#include <cstdlib>
#include <string>
#include <vector>

#include "print/Print.h"
#include "tools/companion/Companion.h"

namespace orv::companion {
namespace {

struct PrintArgs {
    JobArguments job;
    print::PrintRequest request;
};

bool parsePrintArgs(int argc, char** argv, PrintArgs& args, std::string& wrong) {
    bool printerGiven = false, copiesGiven = false;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "-P" || a == "--copies") && (i + 1 >= argc || argv[i + 1][0] == '\0')) {
            wrong = a + " needs a value";
            return false;
        }
        if (a == "-P" || a == "--copies") {
            if (a == "-P" ? printerGiven : copiesGiven) {
                wrong = a + " given twice";
                return false;
            }
            const char* value = argv[++i];
            if (a == "-P") {
                args.request.printer = value;
                printerGiven = true;
                continue;
            }
            char* end = nullptr;
            const long copies = std::strtol(value, &end, 10);
            if (*end || copies < 1 || copies > print::kMostCopies) {
                wrong = "--copies takes a whole number from 1 to " + std::to_string(print::kMostCopies) + ", not \"" +
                        value + "\"";
                return false;
            }
            args.request.copies = static_cast<int>(copies);
            copiesGiven = true;
        } else if (!takeJobArgument(argc, argv, i, args.job, wrong)) {
            return false;
        }
    }
    return finishJobArguments(args.job, wrong);
}

}  // namespace

int runPrint(int argc, char** argv) {
    PrintArgs args;
    std::string wrong;
    if (!parsePrintArgs(argc, argv, args, wrong)) return usage(findSubcommand("print"), wrong);
    const std::string& input = args.job.input;
    InputFile in;
    if (!in.open(input)) return fail("cannot open " + input + ": " + errorText());
    std::vector<std::uint8_t> job;
    if (const int status = readJob(in, args.job, job)) return status;

    args.request.options = args.job.options;
    args.request.title = input == "-" ? "standard input" : print::titleFor(input);
    const print::PrintOutcome outcome = print::printJob(job.data(), job.size(), args.request);
    if (!outcome.ok()) {
        if (outcome.failure != print::PrintOutcome::Failure::Render)
            return fail("cannot print " + print::describeNotPrinted(outcome, input));
        const int status = fail(print::describeNotPrinted(outcome, input));
        return outcome.render.failure == RenderOutcome::Failure::Language ? kExitNotRendered : status;
    }
    writeStderr("orvantide: printed " + print::describePrinted(outcome, input) + "\n");
    tellReport(outcome.render.report);
    return kExitOk;
}

}  // namespace orv::companion
