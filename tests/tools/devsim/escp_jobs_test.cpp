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

TEST(EscpJobs, LookLikeADeliveryNoteOrAnInvoice) {
    for (std::uint64_t index = 0; index < 6; ++index) {
        const std::string job = escpJob(9, index);
        EXPECT_EQ(job.substr(0, 2), "\x1b@") << index;
        EXPECT_EQ(job.back(), '\f') << index;
        for (const char* part :
             {"\033E\033W\001", "\x0f\xda\xc4", "\xc5", "\xc0", "\x12", "\033R\002", "f\x81r", "\xe1\145"})
            EXPECT_NE(job.find(part), std::string::npos) << index << " " << part;
        EXPECT_NE(job.find(index % 2 ? "RECHNUNG" : "LIEFERSCHEIN"), std::string::npos) << index;
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
    const std::string job = escpJob(1, 0) + escpJob(1, 1);
    EXPECT_EQ(devsim::crc32Update(0, job.data(), job.size()), 0xEF118A33u);
}

}  // namespace
}  // namespace orv::test
