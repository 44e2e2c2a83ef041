// Whether two names or handles are one file on the disk, whatever the
// spelling, case or links: for a check that a command does not write over
// what it reads.
#pragma once
#include <windows.h>

namespace orv {

// A disk file, not a folder, a pipe or a console.
bool isDiskFile(HANDLE file);
// Two open handles of one disk file.
bool sameFile(HANDLE a, HANDLE b);
// Two paths (in the ANSI code page) of one existing disk file.
bool sameFile(const char* a, const char* b);

}  // namespace orv
