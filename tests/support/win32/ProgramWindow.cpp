#include "tests/support/win32/ProgramWindow.h"

#include <cstdio>

#include "app/win32/Startup.h"
#include "tests/support/win32/Win32TestSupport.h"

namespace orv::test {

ProgramWindow::ProgramWindow(const std::string& folder, int language, int showCommand) {
    char name[32];
    std::snprintf(name, sizeof name, "\\Orvantide%04d.dll", language);
    library = LoadLibraryA((folder + name).c_str());
    if (!library) {
        std::fprintf(stderr, "no language library %s in %s\n", name + 1, folder.c_str());
        return;
    }
    s->resourceLibrary = library;
    s->messages = &messages;
    s->strings = &strings;
    s->fileDialogs = &dialogs;
    s->appInstance = GetModuleHandleA(nullptr);
    s->languageId = std::uint16_t(language);
    registerMainClass(s->appInstance);  // a second registration in one process fails harmlessly
    if (!createMainWindow(*s, s->appInstance, showCommand)) std::fprintf(stderr, "no main window\n");
}

ProgramWindow::~ProgramWindow() {
    if (s->mainWindow && IsWindow(s->mainWindow)) DestroyWindow(s->mainWindow);
    pumpMessages();
    if (library) FreeLibrary(library);
}

}  // namespace orv::test
