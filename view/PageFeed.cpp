#include "view/PageFeed.h"

#include <chrono>
#include <new>

#include "render/JobPages.h"

namespace orv {
namespace {

using Clock = std::chrono::steady_clock;
// The count is told this often while the job is gone through, and the
// wanted pages are looked at again after this much reading.
constexpr auto kTellEvery = std::chrono::milliseconds(100);
constexpr auto kReadFor = std::chrono::milliseconds(20);

}  // namespace

PageFeed::PageFeed(Load load, const render::RenderOptions& options, Changed changed)
    : load_(std::move(load)), options_(options), changed_(std::move(changed)), thread_([this] { run(); }) {}

PageFeed::~PageFeed() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wanted_.notify_all();
    thread_.join();
}

void PageFeed::want(std::size_t first, std::size_t last) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (last < first) last = first;
        if (want_.first == first && want_.last == last) return;
        want_ = Range{first, last};
        ++generation_;
    }
    wanted_.notify_all();
}

std::shared_ptr<const render::Page> PageFeed::page(std::size_t index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = pages_.find(index);
    return found == pages_.end() ? nullptr : found->second;
}

PageFeed::Status PageFeed::status() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return status_;
}

std::size_t PageFeed::kept() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pages_.size();
}

PageFeed::Range PageFeed::keep() const {
    return Range{want_.first > kMargin ? want_.first - kMargin : 0, want_.last + kMargin};
}

bool PageFeed::store(std::size_t index, render::Page& page, unsigned generation) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (status_.width == 0) {
        status_.width = page.width;
        status_.height = page.height;
    }
    const Range range = keep();
    if (index >= range.first && index <= range.last && !pages_.count(index))
        pages_.emplace(index, std::make_shared<const render::Page>(std::move(page)));
    return generation == generation_ && !stop_;
}

void PageFeed::tell() {
    if (!stop_) changed_();
}

void PageFeed::fail(RenderOutcome::Failure failure, SysError error) {
    std::lock_guard<std::mutex> lock(mutex_);
    pages_.clear();
    status_.outcome.failure = failure;
    status_.outcome.error = error;
}

void PageFeed::run() {
    try {
        work();
    } catch (...) {
        // Memory for the job or its pages, or no thread for the copy: the
        // view shows nothing rather than a part.
        fail(RenderOutcome::Failure::Memory);
    }
    tell();
}

void PageFeed::work() {
    std::vector<std::uint8_t> job;
    if (const SysError error = load_(job)) return fail(RenderOutcome::Failure::Read, error);
    const render::JobLanguage language = render::detectLanguage(job.data(), job.size());
    if (language != render::JobLanguage::PrinterText) {
        std::lock_guard<std::mutex> lock(mutex_);
        status_.outcome.language = language;
        status_.outcome.failure = RenderOutcome::Failure::Language;
        return;
    }
    render::JobPages pages(job.data(), job.size(), options_, kNoteEvery, &stop_);
    auto told = Clock::now();
    for (;;) {
        Range range{};
        unsigned generation = 0;
        std::size_t missing = 0;
        bool again = false;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            if (stop_) return;
            range = keep();
            generation = generation_;
            for (auto at = pages_.begin(); at != pages_.end();)
                at = at->first < range.first || at->first > range.last ? pages_.erase(at) : std::next(at);
            // A page near the view that the reading has passed: made anew.
            for (std::size_t index = range.first; index <= range.last && index < pages.counted(); ++index)
                if (!pages_.count(index)) {
                    missing = index;
                    again = true;
                    break;
                }
            if (!again && pages.ended()) {
                wanted_.wait(lock, [&] { return stop_ || generation_ != generation; });
                continue;
            }
        }
        if (again) {
            pages.again(missing, std::min(range.last, pages.counted() - 1),
                        [&](std::size_t index, render::Page& page) { return store(index, page, generation); });
            tell();
            // A page is made again as it was made first; one that is still
            // missing for the same wish would be made in vain again and again.
            std::unique_lock<std::mutex> lock(mutex_);
            if (!pages_.count(missing)) wanted_.wait(lock, [&] { return stop_ || generation_ != generation; });
            continue;
        }
        // Read on: until a shown page is made, the view wants others, or a
        // while has passed.
        const auto until = Clock::now() + kReadFor;
        bool made = false;
        std::size_t index = 0;
        render::Page page;
        while (pages.next(index, page)) {
            const bool near = index >= range.first && index <= range.last;
            if (!store(index, page, generation)) break;
            made = made || near;
            if ((made && index >= range.last) || Clock::now() >= until) break;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            status_.pages = pages.counted();
            status_.counted = pages.ended();
        }
        if (made || pages.ended() || Clock::now() - told >= kTellEvery) {
            told = Clock::now();
            tell();
        }
    }
}

}  // namespace orv
