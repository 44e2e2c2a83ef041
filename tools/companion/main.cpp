// orvantide: the command-line companion of the Windows program, for Linux
// (orvantide-cli.exe on Windows: the same commands, output and messages).
//   orvantide hexdump FILE [-o OUT]
//   orvantide filter FILE [-o OUT]
//   orvantide view [--filtered] FILE
// Exit status: 0 success, 1 failure, 2 wrong usage.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "tools/companion/Companion.h"

namespace orv::companion {
namespace {

// Every subcommand; a new one is one more line here.
const Subcommand kSubcommands[] = {
    {"hexdump", "FILE [-o OUT]", runHexdump},
    {"filter", "FILE [-o OUT]", runFilter},
    {"view", "[--filtered] FILE", runView},
};

int usageAll() {
    std::fputs("usage: orvantide", stderr);
    const char* sep = " ";
    for (const Subcommand& c : kSubcommands) {
        std::fprintf(stderr, "%s%s %s", sep, c.name, c.usage);
        sep = " | ";
    }
    std::fputc('\n', stderr);
    return kExitUsage;
}

}  // namespace

int fail(const std::string& what) {
    std::fprintf(stderr, "orvantide: %s\n", what.c_str());
    return kExitFailure;
}

int usage(const Subcommand& command) {
    std::fprintf(stderr, "usage: orvantide %s %s\n", command.name, command.usage);
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
    for (const Subcommand& c : kSubcommands) {
        if (std::strcmp(argv[1], c.name) == 0) {
            try {
                return c.run(argc - 2, argv + 2);
            } catch (const std::exception& e) {
                return fail(e.what());
            }
        }
    }
    return usageAll();
}
