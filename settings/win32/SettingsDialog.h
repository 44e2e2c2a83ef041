// The settings dialog: link kind, COM port, LAN host and port, capture
// folder, file name and naming by date, and how captured jobs become
// documents, edited on three tab pages and kept in the profile.
#pragma once
#include <windows.h>

#include <cstdint>

#include "base/FileDialogSeam.h"
#include "base/MessageSeam.h"
#include "settings/Profile.h"

namespace orv {

// What the dialog works with besides the profile: its owner, the language
// library that holds its templates and texts, and the seams to the user.
struct SettingsDialogSeams {
    HWND owner = nullptr;
    HMODULE resources = nullptr;
    const StringTable* strings = nullptr;
    MessageSeam* messages = nullptr;
    FileDialogSeam* fileDialogs = nullptr;
};

// The modal dialog 101 of the language library.  It starts from the
// profile on disk (read as loadProfile reads it with startFlags); OK takes
// every control, saves the profile and copies the settings into profile,
// and returns true; Cancel leaves profile as it was and returns false.
bool editSettings(const SettingsDialogSeams& seams, Profile& profile, std::uint32_t startFlags);

}  // namespace orv
