#include "render/JobPages.h"

#include <algorithm>

#include "render/Interpreter.h"

namespace orv::render {
namespace {

// How many commands run between two looks at the stop.
constexpr std::size_t kStopCheck = 1024;

}  // namespace

JobPages::JobPages(const std::uint8_t* data, std::size_t size, const RenderOptions& options, std::size_t noteEvery,
                   const std::atomic<bool>* stop)
    : noteEvery_(std::max<std::size_t>(noteEvery, 1)), stop_(stop) {
    // Every state, the reader's and the notes' copies, hands its pages here.
    // The auto printer mode reads ahead for the units, as renderPages does.
    reader_ = std::make_unique<Interpreter>(Interpreter::choosePins(data, size, options, report_.printer), report_,
                                            [this](Page& page) { handed_.push_back(std::move(page)); });
    reader_->begin(data, size);
    notes_.push_back(Note{0, std::make_unique<Interpreter>(*reader_)});
}

JobPages::~JobPages() = default;

bool JobPages::next(std::size_t& index, Page& page) {
    while (pending_.empty()) {
        if (ended_ || stopped()) return false;
        bool more = true;
        for (std::size_t steps = 1; more && handed_.empty(); ++steps) {
            if (steps % kStopCheck == 0 && stopped()) return false;
            more = reader_->step();
        }
        if (!more) {
            reader_->finish();
            ended_ = true;
        }
        read_ += handed_.size();
        for (Page& handed : handed_) pending_.push_back(std::move(handed));
        handed_.clear();
        // The reader hands page read_ over next: a state to start it from.
        if (!ended_ && read_ >= notes_.back().page + noteEvery_)
            notes_.push_back(Note{read_, std::make_unique<Interpreter>(*reader_)});
    }
    index = counted_++;
    page = std::move(pending_.front());
    pending_.erase(pending_.begin());
    return true;
}

void JobPages::again(std::size_t first, std::size_t last,
                     const std::function<bool(std::size_t index, Page& page)>& take) {
    if (first > last) return;
    // What this run hands over is not the reader's, however it ends.
    struct Clear {
        std::vector<Page>& pages;
        ~Clear() { pages.clear(); }
    } clear{handed_};
    handed_.clear();
    const auto after = std::upper_bound(notes_.begin(), notes_.end(), first,
                                        [](std::size_t page, const Note& note) { return page < note.page; });
    const Note& from = *(after - 1);  // notes_ starts with page 0
    Interpreter state(*from.state);
    std::size_t index = from.page, steps = 0;
    std::vector<Page> made;
    for (bool more = true; index <= last;) {
        if (handed_.empty()) {
            if (!more || (++steps % kStopCheck == 0 && stopped())) return;
            more = state.step();
            if (!more) state.finish();
            continue;
        }
        made.swap(handed_);
        for (Page& page : made) {
            if (index >= first && index <= last && !take(index, page)) return;
            ++index;
        }
        made.clear();
    }
}

}  // namespace orv::render
