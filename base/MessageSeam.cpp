#include "base/MessageSeam.h"

#include "base/Text.h"

namespace orv {
namespace {

constexpr std::size_t kTextChars = 1023, kCaptionChars = 31;

}  // namespace

int tellUser(MessageSeam& ui, const StringTable& strings, void* owner, unsigned captionId, unsigned textId,
             unsigned type) {
    std::string caption = strings.load(captionId, kCaptionChars);
    std::string text = strings.load(textId, kTextChars);
    return ui.show(owner, text.c_str(), caption.c_str(), type);
}

int tellUser(MessageSeam& ui, const StringTable& strings, void* owner, unsigned captionId, unsigned textId,
             std::int64_t number, unsigned type) {
    std::string caption = strings.load(captionId, kCaptionChars);
    std::string text = formatWithNumber(strings.load(textId, kTextChars), number);
    return ui.show(owner, text.c_str(), caption.c_str(), type);
}

}  // namespace orv
