// The simulator's command line, parsed in process.
#include "tools/devsim/Options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orv::test {
namespace {

using devsim::Options;
using devsim::UsageError;

Options parse(std::vector<std::string> args, bool* help = nullptr) {
    args.insert(args.begin(), "orvantide-devsim");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    bool wantsHelp = false;
    Options o = devsim::parseOptions(static_cast<int>(args.size()), argv.data(), wantsHelp);
    if (help) *help = wantsHelp;
    return o;
}

std::string usageError(const std::vector<std::string>& args) {
    try {
        parse(args);
    } catch (const UsageError& e) {
        return e.what();
    }
    return "";
}

TEST(DevsimOptions, DefaultsWithOnlyALink) {
    const Options o = parse({"--lan", "0"});
    EXPECT_EQ(o.link, Options::Link::Lan);
    EXPECT_EQ(o.host, "127.0.0.1");
    EXPECT_EQ(o.port, 0u);
    EXPECT_FALSE(o.generate || o.hold || o.closeWhenDone || o.stall);
    EXPECT_EQ(o.seed, 1u);
    EXPECT_EQ(o.rate, 0u);
    EXPECT_EQ(o.chunk, 65536u);
    EXPECT_EQ(o.connections, 1u);
    EXPECT_TRUE(o.replies);
    EXPECT_EQ(o.iValue, 0x0Au);
    EXPECT_EQ(o.sLines, 0x5u);
    EXPECT_EQ(o.stallMs, 3000u);
}

TEST(DevsimOptions, NumbersInHexAndWithSizes) {
    const Options o =
        parse({"--pty", "/tmp/com5", "--generate", "3M", "--rate", "0x10k", "--seed", "0xFFFFFFFFFFFFFFFF", "--chunk",
               "64M", "--stall-after", "2G", "--receive-buffer", "4K", "--i-value", "0xF"});
    EXPECT_EQ(o.link, Options::Link::Pty);
    EXPECT_EQ(o.ptyLink, "/tmp/com5");
    EXPECT_EQ(o.generateBytes, 3ull << 20);
    EXPECT_EQ(o.rate, 16384u);
    EXPECT_EQ(o.seed, 0xFFFFFFFFFFFFFFFFull);
    EXPECT_EQ(o.chunk, 64u << 20);
    EXPECT_EQ(o.stallAfter, 2ull << 30);
    EXPECT_EQ(o.receiveBuffer, 4096);
    EXPECT_EQ(o.iValue, 15u);
}

TEST(DevsimOptions, HostBeforeTheLastColon) {
    const Options o = parse({"--lan", "0.0.0.0:8080"});
    EXPECT_EQ(o.host, "0.0.0.0");
    EXPECT_EQ(o.port, 8080u);
    EXPECT_EQ(usageError({"--lan", ":80"}), "--lan: empty host");
    EXPECT_EQ(usageError({"--lan", "host:"}), "--lan: not a number: ");
}

TEST(DevsimOptions, BoundsAndWrongNumbers) {
    EXPECT_EQ(usageError({"--lan", "65536"}), "--lan: too large: 65536");
    EXPECT_EQ(usageError({"--lan", "0", "--chunk", "65M"}), "--chunk: too large: 65M");
    EXPECT_EQ(usageError({"--lan", "0", "--generate", "99999999999999999999"}),
              "--generate: too large: 99999999999999999999");
    EXPECT_EQ(usageError({"--lan", "0", "--generate", "16777216T"}), "--generate: not a number: 16777216T");
    EXPECT_EQ(usageError({"--lan", "0", "--seed", "1k"}), "--seed: not a number: 1k");
    EXPECT_EQ(usageError({"--lan", "0", "--rate", "-1"}), "--rate: not a number: -1");
    EXPECT_EQ(usageError({"--lan", "0", "--rate", "0x"}), "--rate: not a number: 0x");
    EXPECT_EQ(usageError({"--lan", "0", "--chunk", "0"}), "--chunk must be at least 1");
}

TEST(DevsimOptions, WhatMustComeOnceOrTogether) {
    EXPECT_EQ(usageError({}), "one of --lan or --pty is needed");
    EXPECT_EQ(usageError({"--pty", "a", "--lan", "0"}), "only one of --lan and --pty");
    EXPECT_EQ(usageError({"--lan", "0", "--generate", "1", "--file", "f"}), "only one of --file and --generate");
    EXPECT_EQ(usageError({"--lan", "0", "--file", ""}), "--file needs a path");
    EXPECT_EQ(usageError({"--lan", "0", "--record"}), "--record needs a value");
    EXPECT_EQ(usageError({"--lan", "0", "-x"}), "unknown option: -x");
}

TEST(DevsimOptions, HelpStopsTheParsing) {
    bool help = false;
    parse({"--help", "--bogus"}, &help);
    EXPECT_TRUE(help);
    parse({"-h"}, &help);
    EXPECT_TRUE(help);
    EXPECT_EQ(usageError({"--bogus", "--help"}), "unknown option: --bogus");
}

TEST(DevsimOptions, EscpJobsWholeOrByTheByte) {
    const Options whole = parse({"--lan", "0", "--escp"});
    EXPECT_TRUE(whole.escp);
    EXPECT_FALSE(whole.generate);
    const Options bytes = parse({"--lan", "0", "--generate", "1M", "--escp", "--seed", "3"});
    EXPECT_TRUE(bytes.escp && bytes.generate);
    EXPECT_EQ(bytes.generateBytes, 1u << 20);
    EXPECT_FALSE(parse({"--lan", "0"}).escp);
    EXPECT_EQ(usageError({"--lan", "0", "--escp", "--file", "f"}), "only one of --file and --escp");
}

TEST(DevsimOptions, JobsRepeatTheDataWithAGap) {
    const Options o = parse({"--lan", "0", "--generate", "10", "--jobs", "3", "--job-gap", "250"});
    EXPECT_EQ(o.jobs, 3u);
    EXPECT_EQ(o.jobGapMs, 250u);
    EXPECT_EQ(parse({"--lan", "0"}).jobs, 1u);
    EXPECT_NE("", usageError({"--lan", "0", "--jobs", "0"}));
}

}  // namespace
}  // namespace orv::test
