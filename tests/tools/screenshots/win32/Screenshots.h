// The pictures of the documentation, each taken of a dialog of the program
// run in this process with the real language library.
#pragma once
#include <windows.h>

#include <string>

namespace orv::screenshots {

// The settings dialog on its three pages and with the LAN panel.  For
// each of settings-link, settings-link-lan, settings-files and
// settings-documents it writes
// "<name>.rect" (the dialog's place on the screen, as WxH+X+Y) to folder
// (a Windows path) and holds the dialog until "<name>.done" appears there:
// the caller takes the picture.  0 when all four were taken.  The texts
// are those of the language library Orvantide<language>.dll.
int takeSettingsPictures(const std::string& folder, int language);

// The query dialog showing the simulator's answers, saved as
// query-dialog.png in folder (a Unix path).  0 when it was saved.
int takeQueryPicture(const std::string& folder);

// The main window showing an ESC/P job of the device simulator as text
// and as pages, saved as view-text.png and view-pages.png in folder (a
// Unix path), "-de" before ".png" for a language other than English.  0
// when both were saved.
int takePagesPictures(const std::string& folder, int language);

// The window as it is on the screen (Xvfb), saved as folder/name.png
// (folder a Unix path).  False, said on standard error, when it was not.
bool savePicture(HWND window, const std::string& folder, const std::string& name);

}  // namespace orv::screenshots
