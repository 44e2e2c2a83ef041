// Paths as the program keeps them: fixed buffers of kPathSize bytes, with
// either slash as a separator.  Portable: no window types.
#pragma once

namespace orv {

constexpr int kPathSize = 260;  // paths, including the terminating zero

inline bool isPathSeparator(char c) { return c == '\\' || c == '/'; }

// folder + separator + name, as the platform's path join does (one
// separator, none doubled).  False when the result does not fit.
bool joinPath(const char* folder, const char* name, char separator, char (&out)[kPathSize]);

}  // namespace orv
