// The ESC/P jobs of the simulator: whole jobs, the same on every platform,
// and the stream of them as the device delivers it.
#include "tools/devsim/EscpJobs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/devsim/PrinterData.h"

namespace orv::test {
namespace {

using devsim::escpJob;

// Four kinds in turn: delivery note, invoice, a 9-pin printer's protocol,
// a balance sheet in code page 852.
TEST(EscpJobs, FourKindsInTurn) {
    for (std::uint64_t index = 0; index < 8; ++index) {
        const std::string job = escpJob(9, index);
        EXPECT_EQ(job.substr(0, 2), "\x1b@") << index;
        EXPECT_EQ(job.back(), '\f') << index;
        std::vector<std::string> parts;
        switch (index % 4) {
        case 0: parts = {"LIEFERSCHEIN"}; break;
        case 1: parts = {"RECHNUNG"}; break;
        case 2: parts = {"MESSPROTOKOLL", "\0333$", "\0333\x1b", "\033^"}; break;
        case 3: parts = {"ROZVAHA", std::string("\033(t\x03\x00\x01\x0a\x00\033t\x01", 11), "\033G", "\x9f"}; break;
        }
        if (index % 4 < 2)
            for (const char* part :
                 {"\033E\033W\001", "\x0f\xda\xc4", "\xc5", "\xc0", "\x12", "\033R\002", "f\x81r", "\xe1\145"})
                parts.push_back(part);
        for (const std::string& part : parts) EXPECT_NE(job.find(part), std::string::npos) << index << " " << part;
        EXPECT_EQ(job, escpJob(9, index));
        EXPECT_NE(job, escpJob(10, index));
    }
}

TEST(EscpJobs, StreamIsTheJobsEscaped) {
    const std::string jobs = devsim::deviceEscaped(escpJob(4, 0) + escpJob(4, 1) + escpJob(4, 2));
    devsim::EscpStream stream(4);
    std::string got;
    for (std::size_t piece : {1u, 7u, 4096u, 3u}) {
        std::vector<std::uint8_t> bytes(std::min(piece, jobs.size() - got.size()));
        stream.fill(bytes.data(), bytes.size());
        got.append(bytes.begin(), bytes.end());
    }
    EXPECT_EQ(got, jobs.substr(0, got.size()));
    EXPECT_EQ(devsim::deviceEscaped(std::string("a\x07"
                                                "b")),
              "a\x07\x27"
              "b");
}

// The same bytes natively and under Wine.
TEST(EscpJobs, SameJobsOnEveryPlatform) {
    const std::string notes = escpJob(1, 0) + escpJob(1, 1), others = escpJob(1, 2) + escpJob(1, 3);
    EXPECT_EQ(devsim::crc32Update(0, notes.data(), notes.size()), 0xEF118A33u);
    EXPECT_EQ(devsim::crc32Update(0, others.data(), others.size()), 0x4A32C691u);
}

}  // namespace
}  // namespace orv::test
