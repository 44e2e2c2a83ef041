// ESC/P print jobs as a dot-matrix application sends them: delivery notes
// and invoices with a bold, double-width heading, a condensed table drawn
// with code page 437's line-drawing characters, German characters both in
// code page 437 and through ESC R 2, and a form feed at the end.  The same
// bytes from a seed on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orv {
namespace devsim {

// Job `index` of the series for `seed`, as the application sends it.
std::string escpJob(std::uint64_t seed, std::uint64_t index);

// The job as the capture device delivers it: every 0x07 escaped.
std::string deviceEscaped(const std::string& job);

// Jobs 0, 1, 2 ... of a series one after another, device-escaped.
class EscpStream {
public:
    explicit EscpStream(std::uint64_t seed) : seed_(seed) {}
    void fill(std::uint8_t* out, std::size_t n);

private:
    std::uint64_t seed_, next_ = 0;
    std::string job_;
    std::size_t read_ = 0;
};

}  // namespace devsim
}  // namespace orv
