// A job's pages by number, made again when asked for rather than kept: a
// page view of a job of thousands of pages holds the pages near its screen
// and a note of the interpreter's state every few pages, not the pages.
//
// next() goes through the job once, page after page, and notes the
// interpreter's state at the start of every noteEvery-th page; again()
// makes pages that next() has passed once more, from the nearest note
// before them, so that any page costs at most noteEvery pages of work.
// One thread at a time.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "render/Document.h"
#include "render/Render.h"

namespace orv::render {

class Interpreter;

class JobPages {
public:
    // The job's bytes stay the caller's and must outlive this.  A set stop
    // ends next() and again() at the next command.
    JobPages(const std::uint8_t* data, std::size_t size, const RenderOptions& options, std::size_t noteEvery = 8,
             const std::atomic<bool>* stop = nullptr);
    ~JobPages();
    JobPages(const JobPages&) = delete;
    JobPages& operator=(const JobPages&) = delete;

    // The next page of the job and its number (from 0); false once the job
    // has ended (every page counted) or stop was set.
    bool next(std::size_t& index, Page& page);
    std::size_t counted() const { return counted_; }  // pages next() has given
    bool ended() const { return ended_ && pending_.empty(); }

    // Pages first to last of those next() has given, made again and handed
    // to take in order; take returns false to end early.
    void again(std::size_t first, std::size_t last, const std::function<bool(std::size_t index, Page& page)>& take);

private:
    struct Note {
        std::size_t page;  // the page that the state hands over next
        std::unique_ptr<Interpreter> state;
    };
    bool stopped() const { return stop_ && stop_->load(std::memory_order_relaxed); }

    RenderReport report_;        // every state's report, which no page needs
    std::vector<Page> handed_;   // what the interpreter running now has handed over
    std::vector<Page> pending_;  // given by the reading, not yet by next()
    std::unique_ptr<Interpreter> reader_;
    std::vector<Note> notes_;  // by page, ascending
    const std::size_t noteEvery_;
    const std::atomic<bool>* stop_;
    std::size_t read_ = 0;     // pages the reader has handed over
    std::size_t counted_ = 0;  // pages next() has given
    bool ended_ = false;
};

}  // namespace orv::render
