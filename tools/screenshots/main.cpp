// orvantide-screenshots settings WINDOWS_FOLDER | query UNIX_FOLDER
#include <cstdio>
#include <string>

#include "tools/screenshots/Screenshots.h"

int main(int argc, char** argv) {
    const std::string what = argc == 3 ? argv[1] : "";
    if (what == "settings") return orv::screenshots::takeSettingsPictures(argv[2]);
    if (what == "query") return orv::screenshots::takeQueryPicture(argv[2]);
    std::fprintf(stderr, "usage: orvantide-screenshots settings WINDOWS_FOLDER | query UNIX_FOLDER\n");
    return 2;
}
