// Readers for the binary resource formats the tests look into: extended
// dialog templates, icon groups, accelerator tables and PE import tables.
// Every reader checks its bounds and reports a malformed resource as an
// error text instead of reading past the end.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace orv::test {

// A class or menu field of a template: either an ordinal or a name.
struct NameOrOrdinal {
    bool isOrdinal = false;
    uint16_t ordinal = 0;
    std::string name;  // ASCII rendering of the UTF-16 text
};

struct DialogItem {
    uint32_t exStyle = 0;
    uint32_t style = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    int32_t id = 0;
    NameOrOrdinal windowClass;
    NameOrOrdinal title;
};

struct DialogTemplate {
    uint32_t exStyle = 0;
    uint32_t style = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::string title;
    uint16_t pointSize = 0;
    std::string typeface;
    std::vector<DialogItem> items;
};

// Parses a DLGTEMPLATEEX resource; false with a reason in *error when the
// bytes are not one.
bool parseDialogEx(const void* data, size_t size, DialogTemplate* out, std::string* error);

// The class of a control as a plain name: the predefined ordinals become
// "Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox".
std::string className(const NameOrOrdinal& windowClass);

struct IconGroupEntry {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    uint32_t bytes = 0;
    uint16_t iconId = 0;
};
bool parseIconGroup(const void* data, size_t size, std::vector<IconGroupEntry>* out, std::string* error);

struct Accelerator {
    uint16_t flags = 0;  // FVIRTKEY, FSHIFT, FNOINVERT ... (end marker removed)
    uint16_t key = 0;
    uint16_t command = 0;
};
bool parseAccelerators(const void* data, size_t size, std::vector<Accelerator>* out, std::string* error);

// Names of the DLLs a PE file imports, and its entry point address.
struct PeSummary {
    uint32_t entryPoint = 0;
    std::vector<std::string> importedDlls;
};
bool readPeSummary(const std::string& path, PeSummary* out, std::string* error);

// A resource of a module as bytes (empty when missing).
std::vector<unsigned char> resourceBytes(HMODULE module, LPCSTR type, LPCSTR name);

}  // namespace orv::test
