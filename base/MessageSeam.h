// The one seam through which the program asks and tells the user, and the
// one through which it reads its language library's strings.  The Win32
// build answers with MessageBoxA and LoadStringA; tests answer themselves.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace orv {

// Message box types and answers, with the platform's values.
namespace box {
constexpr unsigned kOk = 0x0, kOkCancel = 0x1, kYesNo = 0x4;
constexpr unsigned kIconError = 0x10, kIconQuestion = 0x20, kIconWarning = 0x30;
constexpr int kAnswerOk = 1, kAnswerCancel = 2, kAnswerYes = 6, kAnswerNo = 7;
}  // namespace box

class MessageSeam {
public:
    virtual ~MessageSeam() = default;
    // Shows a modal message owned by owner (a window handle or null) and
    // returns the button the user chose.
    virtual int show(void* owner, const char* text, const char* caption, unsigned type) = 0;
};

class StringTable {
public:
    virtual ~StringTable() = default;
    // String id of the language library, cut to maxChars characters.
    virtual std::string load(unsigned id, std::size_t maxChars) const = 0;
};

// A message of the language library: its text textId under its caption
// captionId, cut as the program's buffers cut them (1023 and 31
// characters); the second form puts number into the text's placeholder.
// Returns the user's answer.
int tellUser(MessageSeam& ui, const StringTable& strings, void* owner, unsigned captionId, unsigned textId,
             unsigned type);
int tellUser(MessageSeam& ui, const StringTable& strings, void* owner, unsigned captionId, unsigned textId,
             std::int64_t number, unsigned type);

}  // namespace orv
