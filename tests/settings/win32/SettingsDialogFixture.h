// The settings dialog suite's fixture: the harness of
// SettingsDialogDriver.h, with the start-up that reads the profile and
// what the profile holds afterwards.
#pragma once
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "settings/win32/Folders.h"
#include "settings/win32/Win32IniStore.h"
#include "tests/settings/IniTestFiles.h"
#include "tests/settings/win32/SettingsDialogDriver.h"

namespace orv::test {

class SettingsDialogTest : public ::testing::Test, public SettingsDialogHarness {
protected:
    void SetUp() override {
        ASSERT_NE(nullptr, library);
        ASSERT_NE(nullptr, owner);
    }

    // The program as start-up leaves it: the profile read.
    void startUp() {
        Win32IniStore store;
        loadProfile(profile, store, 0);
    }
    std::map<std::string, std::string> stored() { return iniEntries(ini); }
};

}  // namespace orv::test
