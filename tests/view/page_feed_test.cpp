// The page feed on its thread: the pages near those wanted, made as the
// job is read and made again after, the count, failures, and a stop in
// the middle of a long job.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "view/PageFeed.h"

namespace orv::test {
namespace {

std::string numberedJob(int pages) {
    std::string job;
    for (int p = 1; p <= pages; ++p) job += "page " + std::to_string(p) + "\r\n\x0c";
    return job;
}

// What a page says.
std::string textOf(const std::shared_ptr<const render::Page>& page) {
    if (!page || page->runs.empty()) return std::string();
    std::string text;
    for (char32_t c : page->runs[0].text) text += char(c);
    return text;
}

// A feed of job, with its news counted and the most pages it ever kept.
class Fed {
public:
    explicit Fed(std::string job, SysError error = 0)
        : job_(std::move(job)),
          feed_(
              [this, error](std::vector<std::uint8_t>& bytes) {
                  bytes.assign(job_.begin(), job_.end());
                  return error;
              },
              render::RenderOptions{}, [this] { told(); }) {}
    PageFeed& feed() { return feed_; }
    // Waits (up to a minute: a loaded machine is slow, not wrong) until
    // done holds after some news.
    bool until(const std::function<bool(const PageFeed::Status&)>& done) {
        std::unique_lock<std::mutex> lock(mutex_);
        return news_.wait_for(lock, std::chrono::minutes(1), [&] { return done(feed_.status()); });
    }
    std::size_t mostKept() {
        std::lock_guard<std::mutex> lock(mutex_);
        return mostKept_;
    }

private:
    void told() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            mostKept_ = std::max(mostKept_, feed_.kept());
        }
        news_.notify_all();
    }
    const std::string job_;
    std::mutex mutex_;
    std::condition_variable news_;
    std::size_t mostKept_ = 0;
    PageFeed feed_;  // last: its thread tells the members above
};

TEST(PageFeed, KeepsThePagesNearThoseWantedWhileItCountsTheRest) {
    Fed fed(numberedJob(3000));
    ASSERT_TRUE(fed.until([&](const PageFeed::Status&) { return fed.feed().page(0) != nullptr; }));
    EXPECT_EQ("page 1", textOf(fed.feed().page(0)));
    const PageFeed::Status first = fed.feed().status();
    EXPECT_EQ(595.28, first.width);
    EXPECT_EQ(841.89, first.height);
    ASSERT_TRUE(fed.until([](const PageFeed::Status& s) { return s.counted; }));
    EXPECT_EQ(3000u, fed.feed().status().pages);
    // Wanted 0..0: pages 0 to 2 at most, never more, however long the job.
    EXPECT_LE(fed.mostKept(), 1 + PageFeed::kMargin);
    EXPECT_EQ(nullptr, fed.feed().page(2999));

    fed.feed().want(2000, 2001);  // passed by the reading: made again
    ASSERT_TRUE(fed.until([&](const PageFeed::Status&) { return fed.feed().page(2001) != nullptr; }));
    EXPECT_EQ("page 2001", textOf(fed.feed().page(2000)));
    EXPECT_EQ("page 2002", textOf(fed.feed().page(2001)));
    ASSERT_TRUE(fed.until([&](const PageFeed::Status&) { return fed.feed().page(2003) != nullptr; }));
    EXPECT_EQ(nullptr, fed.feed().page(0)) << "let go once it is far from the view";
    EXPECT_LE(fed.feed().kept(), 2 + 2 * PageFeed::kMargin);

    fed.feed().want(2999, 3100);  // past the end: the last pages
    ASSERT_TRUE(fed.until([&](const PageFeed::Status&) { return fed.feed().page(2999) != nullptr; }));
    EXPECT_EQ("page 3000", textOf(fed.feed().page(2999)));
}

TEST(PageFeed, PagesWantedBeforeTheyAreCountedComeAsTheReadingReachesThem) {
    Fed fed(numberedJob(500));
    fed.feed().want(400, 401);
    ASSERT_TRUE(fed.until([&](const PageFeed::Status&) { return fed.feed().page(401) != nullptr; }));
    EXPECT_EQ("page 401", textOf(fed.feed().page(400)));
    ASSERT_TRUE(fed.until([](const PageFeed::Status& s) { return s.counted; }));
    EXPECT_EQ(500u, fed.feed().status().pages);
}

TEST(PageFeed, FailuresAreToldAndShowNothing) {
    struct Case {
        std::string job;
        SysError error;
        RenderOutcome::Failure failure;
    };
    const Case cases[] = {
        {numberedJob(3), 2, RenderOutcome::Failure::Read},
        {"\x1b"
         "E\x1b&l0O\x1b(s0p10h12v0s0b3THello",
         0, RenderOutcome::Failure::Language},
    };
    for (const Case& c : cases) {
        Fed fed(c.job, c.error);
        ASSERT_TRUE(fed.until([](const PageFeed::Status& s) { return !s.outcome.ok(); }));
        const PageFeed::Status status = fed.feed().status();
        EXPECT_EQ(c.failure, status.outcome.failure);
        EXPECT_EQ(c.error, status.outcome.error);
        EXPECT_EQ(0u, status.pages);
        EXPECT_EQ(nullptr, fed.feed().page(0));
    }
    Fed empty("\x1b@");
    ASSERT_TRUE(empty.until([](const PageFeed::Status& s) { return s.counted; }));
    EXPECT_EQ(0u, empty.feed().status().pages);
    EXPECT_TRUE(empty.feed().status().outcome.ok());
}

TEST(PageFeed, EndsInTheMiddleOfALongJob) {
    // Ended while it reads the job: the destructor returns at the next
    // command (a hang fails by the test's time limit), and the feed tells
    // nothing after it.
    const std::string job = numberedJob(200000);
    std::atomic<int> told{0};
    int atEnd = 0;
    {
        PageFeed feed(
            [&job](std::vector<std::uint8_t>& bytes) {
                bytes.assign(job.begin(), job.end());
                return SysError(0);
            },
            render::RenderOptions{}, [&told] { ++told; });
        feed.want(150000, 150000);
        while (feed.status().pages == 0) std::this_thread::yield();
        EXPECT_FALSE(feed.status().counted) << "a job that takes seconds to count";
        atEnd = told;
    }
    EXPECT_LE(told - atEnd, 1) << "at most the news under way when it ended";
}

}  // namespace
}  // namespace orv::test
