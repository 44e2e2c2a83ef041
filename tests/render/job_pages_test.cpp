// A job's pages by number: made again from the notes of the printer's
// state, they are the pages the whole job makes at once.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "render/JobPages.h"
#include "tests/render/RenderTestSupport.h"

namespace orv::test {
namespace {

using render::JobPages;
using render::Page;

// Each page says its number; bold from page 3 on, a graphics line on page
// 6, condensed from page 9: state that a later page owes to earlier ones.
std::string numberedJob(int pages) {
    std::string job = "\x1b@";
    for (int p = 1; p <= pages; ++p) {
        if (p == 3)
            job +=
                "\x1b"
                "E";
        if (p == 9) job += "\x0f";
        job += "page " + std::to_string(p) + "\r\n";
        if (p == 6) job += std::string("\x1bK\x04\x00", 4) + "\xff\x81\x81\xff\r\n";
        job += "\x0c";
    }
    return job;
}

bool same(const Page& a, const Page& b) {
    if (a.runs.size() != b.runs.size() || a.images.size() != b.images.size()) return false;
    for (std::size_t i = 0; i < a.runs.size(); ++i) {
        const render::TextRun &x = a.runs[i], &y = b.runs[i];
        if (x.text != y.text || x.x != y.x || x.baseline != y.baseline || x.advance != y.advance ||
            !(x.style == y.style))
            return false;
    }
    for (std::size_t i = 0; i < a.images.size(); ++i)
        if (a.images[i].bits != b.images[i].bits || a.images[i].x != b.images[i].x) return false;
    return a.width == b.width && a.height == b.height;
}

class JobPagesTest : public ::testing::Test {
protected:
    const std::string job = numberedJob(40);
    const Rendered whole = renderJob(job);
    const std::uint8_t* data() const { return reinterpret_cast<const std::uint8_t*>(job.data()); }
};

TEST_F(JobPagesTest, NextGivesEveryPageInOrderAsTheWholeJobHasThem) {
    ASSERT_EQ(40u, whole.doc.pages.size());
    JobPages pages(data(), job.size(), {}, 8);
    std::size_t index = 99;
    Page page;
    for (std::size_t n = 0; n < whole.doc.pages.size(); ++n) {
        EXPECT_FALSE(pages.ended());
        ASSERT_TRUE(pages.next(index, page));
        EXPECT_EQ(n, index);
        EXPECT_TRUE(same(whole.doc.pages[n], page)) << "page " << n;
    }
    EXPECT_FALSE(pages.next(index, page));
    EXPECT_TRUE(pages.ended());
    EXPECT_EQ(40u, pages.counted());
}

TEST_F(JobPagesTest, AgainMakesAnyRangeAsTheWholeJobHasIt) {
    for (std::size_t every : {1u, 3u, 8u, 100u}) {
        JobPages pages(data(), job.size(), {}, every);
        std::size_t index = 0;
        Page page;
        while (pages.next(index, page)) {}
        const std::pair<std::size_t, std::size_t> ranges[] = {{0, 0},   {2, 2},   {5, 6},   {7, 9},  {8, 8},
                                                              {15, 25}, {39, 39}, {37, 60}, {30, 10}};
        for (const auto& [first, last] : ranges) {
            std::vector<std::size_t> seen;
            pages.again(first, last, [&](std::size_t at, Page& made) {
                EXPECT_TRUE(same(whole.doc.pages[at], made)) << "page " << at << " noting every " << every;
                seen.push_back(at);
                return true;
            });
            const std::size_t end = first > last ? first : std::min<std::size_t>(last + 1, 40);
            ASSERT_EQ(end - first, seen.size()) << first << ".." << last << " noting every " << every;
            for (std::size_t k = 0; k < seen.size(); ++k) EXPECT_EQ(first + k, seen[k]);
        }
        // The reading goes on untouched by what was made again.
        EXPECT_FALSE(pages.next(index, page));
        EXPECT_EQ(40u, pages.counted());
    }
}

TEST_F(JobPagesTest, AgainWhileTheReadingIsHalfWayLeavesTheReadingAsItWas) {
    JobPages pages(data(), job.size(), {}, 4);
    std::size_t index = 0;
    Page page;
    for (int n = 0; n < 20; ++n) ASSERT_TRUE(pages.next(index, page));
    int taken = 0;
    pages.again(1, 12, [&](std::size_t, Page&) { return ++taken < 3; });
    EXPECT_EQ(3, taken) << "take's false ends it";
    ASSERT_TRUE(pages.next(index, page));
    EXPECT_EQ(20u, index);
    EXPECT_TRUE(same(whole.doc.pages[20], page));
}

TEST(JobPages, EmptyJobsAndAStop) {
    const std::string reset = "\x1b@";
    JobPages none(reinterpret_cast<const std::uint8_t*>(reset.data()), reset.size(), {});
    std::size_t index = 0;
    Page page;
    EXPECT_FALSE(none.next(index, page));
    EXPECT_TRUE(none.ended());
    EXPECT_EQ(0u, none.counted());

    const std::string long_ = numberedJob(3000);
    std::atomic<bool> stop{true};
    JobPages stopped(reinterpret_cast<const std::uint8_t*>(long_.data()), long_.size(), {}, 8, &stop);
    EXPECT_FALSE(stopped.next(index, page)) << "a set stop ends the reading at a command";
    EXPECT_FALSE(stopped.ended());
    stop = false;
    ASSERT_TRUE(stopped.next(index, page));
    EXPECT_EQ(0u, index);
}

}  // namespace
}  // namespace orv::test
