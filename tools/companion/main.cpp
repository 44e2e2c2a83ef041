// orvantide: the command-line companion of the Windows program, for Linux
// (orvantide-cli.exe on Windows: the same commands, output and messages).
//   orvantide hexdump FILE [-o OUT]
//   orvantide filter FILE [-o OUT]
//   orvantide view [--filtered] FILE
//   orvantide render FILE [-o OUT] [--to pdf|text] [document options]
//   orvantide print FILE [-P NAME] [--copies N] [document options]
//   orvantide capture | send | query ...: the device, unattended
// Exit status: 0 success, 1 failure, 2 wrong usage, 3 (render, print) a
// printer language that is not rendered.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "Version.h"
#include "tools/companion/Companion.h"

namespace orv::companion {
namespace {

// The document options of render and print, as capture --pdf takes them too.
#define ORV_DOCUMENT_USAGE                                                                                         \
    "[--input capture|raw] [--paper a4|letter|WxH(in|mm)] [--code-page N|NAME] [--printer auto|epson|epson9|ibm] " \
    "[--top-of-form LENGTH]"
#define ORV_DOCUMENT_HELP                                                                                     \
    "  --input KIND        capture: bytes from the capture device, its 0x07 sequences decoded (the default\n" \
    "                      for .zrd files); raw: a print job as a program wrote it (the default otherwise)\n" \
    "  --paper SIZE        a4 (default), letter, or WIDTHxHEIGHT in in or mm: 8.5x11in, 210x297mm\n"          \
    "  --code-page CP      the printer's character table, by number or name: 437 (default), 850, 852,\n"      \
    "                      858, 865, 866, 1252, 895 or kamenicky, 667 or mazovia, 737, 775, 857, 860,\n"      \
    "                      861, 862, 863, 869, iso8859-1, iso8859-2, iso8859-15\n"                            \
    "  --printer MODE      auto (default: ESC/P, 9-pin or 24-pin units as the job's commands tell, said\n"    \
    "                      on standard error), epson (ESC/P, 24-pin units), epson9 (ESC/P, 9-pin units)\n"    \
    "                      or ibm (IBM Proprinter)\n"                                                         \
    "  --top-of-form LEN   where the first line is printed, below the sheet's top edge: 8.5mm (default),\n"   \
    "                      any length from 0 to 100 mm in mm, in or pt (0 for fanfold forms printed from\n"   \
    "                      their edge)\n"

// Every subcommand; a new one is one more line here.
const Subcommand kSubcommands[] = {
    {"hexdump", "FILE [-o OUT]", "the hex-dump text of FILE, as the program's hex view shows it",
     "  -o OUT   write to OUT instead of standard output (- is standard output)\n", runHexdump},
    {"filter", "FILE [-o OUT]", "the bytes of FILE with the device's 0x07 sequences decoded",
     "  -o OUT   write to OUT instead of standard output (- is standard output)\n", runFilter},
    {"view", "[--filtered] FILE", "the text the program's text view shows for FILE",
     "  --filtered   the filtered view: the device's 0x07 sequences decoded first\n", runView},
    {"render", "FILE [-o OUT] [--to pdf|text] " ORV_DOCUMENT_USAGE,
     "the print job in FILE as the printer would have printed it: a PDF or text",
     "  -o OUT              write to OUT (- is standard output); default: FILE with .pdf (.txt for text)\n"
     "  --to pdf|text       what to write; default: text when OUT ends in .txt, else pdf\n" ORV_DOCUMENT_HELP,
     runRender},
    {"print", "FILE [-P NAME] [--copies N] " ORV_DOCUMENT_USAGE,
     "the print job in FILE on paper again, on a printer of the system",
     "  -P NAME             the printer; default: the system's default printer\n"
     "  --copies N          N copies (1 to 999); default: 1\n" ORV_DOCUMENT_HELP,
     runPrint},
    {"capture",
     "(--lan HOST[:PORT] | --serial DEVICE) [-d DIR] [--split-idle SECONDS] [--once] [--for SECONDS] [--pdf] "
     "[--print [-P NAME]]",
     "unattended capture into time-named files, reconnecting by itself", nullptr, runCapture},
    {"send", "FILE (--lan HOST[:PORT] | --serial DEVICE)", "sends FILE to the device", nullptr, runSend},
    {"query", "(I|S) (--lan HOST[:PORT] | --serial DEVICE) [--timeout MS]", "prints the device's answer to I or S",
     nullptr, runQuery},
};

int help() {
    std::puts("usage: orvantide COMMAND [ARGUMENTS]   (orvantide COMMAND --help for its options)");
    std::puts("       orvantide --version");
    for (const Subcommand& c : kSubcommands) std::printf("  %-8s %s\n", c.name, c.summary);
    return kExitOk;
}

int commandHelp(const Subcommand& c) {
    std::printf("usage: orvantide %s %s\n%s\n%s  --help   this text\n", c.name, c.usage, c.summary, c.options);
    return kExitOk;
}

int usageAll() {
    std::string text = "usage: orvantide";
    const char* sep = " ";
    for (const Subcommand& c : kSubcommands) {
        text = text + sep + c.name + " " + c.usage;
        sep = " | ";
    }
    writeStderr(text + "\n");
    return kExitUsage;
}

}  // namespace

int fail(const std::string& what) {
    writeStderr("orvantide: " + what + "\n");
    return kExitFailure;
}

int usage(const Subcommand& command, const std::string& wrong) {
    std::string text;
    if (!wrong.empty()) text = std::string("orvantide ") + command.name + ": " + wrong + "; ";
    writeStderr(text + "usage: orvantide " + command.name + " " + command.usage + "\n");
    return kExitUsage;
}

const Subcommand& findSubcommand(const char* name) {
    for (const Subcommand& c : kSubcommands)
        if (std::strcmp(c.name, name) == 0) return c;
    std::abort();
}

}  // namespace orv::companion

int main(int rawArgc, char** rawArgv) {
    using namespace orv::companion;
    std::vector<std::string> args = commandLine(rawArgc, rawArgv);
    std::vector<char*> pointers;
    for (std::string& a : args) pointers.push_back(&a[0]);
    pointers.push_back(nullptr);
    const int argc = static_cast<int>(args.size());
    char** argv = pointers.data();
    if (argc < 2) return usageAll();
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) return help();
    if (std::strcmp(argv[1], "--version") == 0) {
        std::puts("orvantide " ORV_VERSION);
        return kExitOk;
    }
    for (const Subcommand& c : kSubcommands) {
        if (std::strcmp(argv[1], c.name) == 0) {
            if (c.options && argc == 3 && std::strcmp(argv[2], "--help") == 0) return commandHelp(c);
            try {
                return c.run(argc - 2, argv + 2);
            } catch (const std::exception& e) {
                return fail(e.what());
            }
        }
    }
    writeStderr(std::string("orvantide: unknown command \"") + argv[1] + "\" (see orvantide --help)\n");
    return kExitUsage;
}
