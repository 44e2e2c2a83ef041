// orvantide-screenshots settings WINDOWS_FOLDER [LANGUAGE_ID] | query UNIX_FOLDER
//                       | pages UNIX_FOLDER [LANGUAGE_ID]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/tools/screenshots/win32/Screenshots.h"

int main(int argc, char** argv) {
    const std::string what = argc == 3 || argc == 4 ? argv[1] : "";
    if (what == "settings")
        return orv::screenshots::takeSettingsPictures(argv[2], argc == 4 ? std::atoi(argv[3]) : 1033);
    if (what == "query") return orv::screenshots::takeQueryPicture(argv[2]);
    if (what == "pages") return orv::screenshots::takePagesPictures(argv[2], argc == 4 ? std::atoi(argv[3]) : 1033);
    std::fprintf(stderr,
                 "usage: orvantide-screenshots settings WINDOWS_FOLDER [LANGUAGE_ID] | query UNIX_FOLDER"
                 " | pages UNIX_FOLDER [LANGUAGE_ID]\n");
    return 2;
}
