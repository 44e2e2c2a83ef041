// ESC/P print jobs as dot-matrix applications send them, four kinds in
// turn (job index modulo 4):
// 0, 1: delivery notes and invoices with a bold, double-width heading, a
//   condensed table drawn with code page 437's line-drawing characters,
//   German characters both in code page 437 and through ESC R 2;
// 2: a laboratory counter's protocol from a 9-pin printer: ESC 3 36 and
//   ESC 3 27 (1/6 and 1/8 inch in its units) and a bar chart of 9-dot
//   graphics (ESC ^);
// 3: a Czech balance sheet in code page 852, assigned with ESC ( t and
//   selected with ESC t, its heading double-struck (ESC G);
// each with a form feed at the end.  The same bytes from a seed on every
// platform.
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
