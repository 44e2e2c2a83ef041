// The font files built into the program: the build writes them into a
// source of its own tree (cmake/embed-files.py) from the system's DejaVu
// fonts, because Windows does not have them.  Each is a zlib stream of
// ...Size bytes that inflates to the file's ...Inflated.
#pragma once
#include <cstddef>

namespace orv::render {

extern const unsigned char kMonoRegular[];  // DejaVuSansMono.ttf
extern const std::size_t kMonoRegularSize, kMonoRegularInflated;
extern const unsigned char kMonoBold[];  // DejaVuSansMono-Bold.ttf
extern const std::size_t kMonoBoldSize, kMonoBoldInflated;

}  // namespace orv::render
