// The simulator's command line: wrong usage, failures and the help text.
#include "tests/tools/devsim/SimHarness.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

namespace orv::test {
namespace {

TEST(Devsim, UsageErrorsExitTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--lan"},
        {"--lan", "x"},
        {"--lan", "70000"},
        {"--lan", ":80"},
        {"--bogus"},
        {"--lan", "0", "--pty", "/tmp/x"},
        {"--lan", "0", "--file", "a", "--generate", "1"},
        {"--lan", "0", "--file", "a", "--escp"},
        {"--lan", "0", "--generate", "12q"},
        {"--lan", "0", "--i-value", "16"},
        {"--lan", "0", "--s-lines", "0x10"},
        {"--lan", "0", "--chunk", "0"},
        {"--lan", "0", "--rate"},
        {"--lan", "0", "--read-rate", "x"},
        {"--lan", "0", "--stall-after"},
        {"--lan", "0", "--reply-gap", "70000"},
    };
    for (const auto& args : cases) {
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        Sim sim(args);
        EXPECT_EQ(sim.wait(), 2) << joined;
        EXPECT_EQ(sim.line(100), "") << joined;
        EXPECT_NE(sim.errors(), "") << joined;
    }
}

TEST(Devsim, FailuresExitOne) {
    Sim missing({"--lan", "0", "--file", tempPath("does-not-exist")});
    EXPECT_EQ(missing.wait(), 1);
    EXPECT_NE(missing.errors(), "");

    Sim first({"--lan", "0", "--hold"});
    const int port = first.port();
    Sim taken({"--lan", std::to_string(port), "--hold"});
    EXPECT_EQ(taken.wait(), 1);
    first.signal(SIGTERM);
    EXPECT_EQ(first.wait(), 0);
}

TEST(Devsim, HelpNamesEveryOption) {
    Sim sim({"--help"});
    const std::string help = sim.rest();
    EXPECT_EQ(sim.wait(), 0);
    for (const char* option : {"--lan",
                               "--pty",
                               "--file",
                               "--generate",
                               "--escp",
                               "--seed",
                               "--hold",
                               "--rate",
                               "--chunk",
                               "--delay-start",
                               "--close-when-done",
                               "--connections",
                               "--i-value",
                               "--s-lines",
                               "--no-replies",
                               "--record",
                               "--reply-gap",
                               "--read-rate",
                               "--stall-after",
                               "--stall-ms",
                               "--receive-buffer",
                               "data-checksum",
                               "listening HOST:PORT",
                               "pty /dev/pts/N"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}

}  // namespace
}  // namespace orv::test
