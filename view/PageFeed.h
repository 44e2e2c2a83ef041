// The pages a page view shows, made on a thread of the feed's own: the
// job is read and gone through once to count its pages, and only the
// pages near those the view wants are kept; a page let go and wanted
// again is made anew from a note of the printer's state a few pages
// before it (render/JobPages.h).  So the first page shows as soon as it
// is made, whatever the job's length, and the memory held is the job's
// bytes, a small note per few pages, and the pages near the screen.
//
// Portable.  The view calls want(), page() and status() on its thread;
// the feed's thread never waits for it: it tells of news through changed,
// which must return at once (a posted message).
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "base/FileSystem.h"
#include "capture/Documents.h"
#include "render/Document.h"
#include "render/Render.h"

namespace orv {

class PageFeed {
public:
    // Reads the job's bytes, on the feed's thread; 0, or what failed.
    using Load = std::function<SysError(std::vector<std::uint8_t>& job)>;
    // There is news (a page made, more pages counted, a failure).
    using Changed = std::function<void()>;

    struct Status {
        RenderOutcome outcome;  // a failure (Read, Language, Memory): nothing to show
        std::size_t pages = 0;  // counted so far
        bool counted = false;   // all of them
        // Every page's sheet, in points, once the first page is made: a
        // job's pages all have the paper's size.
        double width = 0, height = 0;
    };

    // Pages kept on either side of those wanted.
    static constexpr std::size_t kMargin = 2;
    // A note of the printer's state every so many pages.
    static constexpr std::size_t kNoteEvery = 8;

    // Starts the thread (std::system_error when none can be had).
    PageFeed(Load load, const render::RenderOptions& options, Changed changed);
    // Ends the thread: at the next command of the job at the latest.
    ~PageFeed();
    PageFeed(const PageFeed&) = delete;
    PageFeed& operator=(const PageFeed&) = delete;

    // The pages the view shows now, first to last (from 0).
    void want(std::size_t first, std::size_t last);
    // A page, when it is made and near those wanted; null otherwise.  The
    // page stays as it is while the holder keeps it.
    std::shared_ptr<const render::Page> page(std::size_t index) const;
    Status status() const;
    // How many pages are kept now (for tests of the memory held).
    std::size_t kept() const;

private:
    struct Range {
        std::size_t first, last;
    };
    void run();
    void work();
    Range keep() const;  // under mutex_
    bool store(std::size_t index, render::Page& page, unsigned generation);
    void fail(RenderOutcome::Failure failure, SysError error = 0);
    void tell();  // changed, unless the feed is ending

    const Load load_;
    const render::RenderOptions options_;
    const Changed changed_;
    mutable std::mutex mutex_;
    std::condition_variable wanted_;
    Range want_{0, 0};
    unsigned generation_ = 0;  // raised with every want()
    std::map<std::size_t, std::shared_ptr<const render::Page>> pages_;
    Status status_;
    std::atomic<bool> stop_{false};
    std::thread thread_;  // last: started once the rest is made
};

}  // namespace orv
