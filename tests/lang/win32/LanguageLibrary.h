// What every resource test shares: where the build put the language
// libraries and the program, and the fixture that runs a check over each
// language library of the build.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "ResourceReader.h"

namespace orv::test {

// A file in the folder relative to the test program's own.
std::string besideTest(const char* relative, const char* file);

std::string languageLibraryPath(int language);
// Loaded once each, the way Orvantide loads its one.
HMODULE languageLibrary(int language);

std::string programPath();
HMODULE programAsData();

// The string as LoadStringA gives it, without any length limit of ours.
bool loadString(HMODULE library, UINT id, std::string* text);

// Each check on it runs over every language library of the build, so a
// new language cannot ship with a gap.
class LanguageLibrary : public ::testing::TestWithParam<int> {
protected:
    HMODULE library() const { return languageLibrary(GetParam()); }
    std::string libraryPath() const { return languageLibraryPath(GetParam()); }
    bool loadString(UINT id, std::string* text) const { return orv::test::loadString(library(), id, text); }
    bool loadDialog(int id, DialogTemplate* dialog, std::string* error) const;
};

}  // namespace orv::test
