#include "ResourceReader.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace orv::test {
namespace {

class Reader {
public:
    Reader(const void* data, size_t size) : base_(static_cast<const unsigned char*>(data)), size_(size) {}

    bool ok() const { return ok_; }
    size_t offset() const { return pos_; }

    template <typename T>
    T get() {
        T value{};
        if (!need(sizeof(T))) return value;
        std::memcpy(&value, base_ + pos_, sizeof(T));
        pos_ += sizeof(T);
        return value;
    }

    void skip(size_t n) {
        if (need(n)) pos_ += n;
    }

    void alignTo(size_t n) {
        size_t aligned = (pos_ + n - 1) / n * n;
        // Trailing padding of the last item may be missing.
        pos_ = aligned <= size_ ? aligned : size_;
    }

    std::string wideString() {
        std::string text;
        for (;;) {
            uint16_t c = get<uint16_t>();
            if (!ok_ || c == 0) break;
            text.push_back(c < 0x80 ? static_cast<char>(c) : '?');
        }
        return text;
    }

    NameOrOrdinal nameOrOrdinal() {
        NameOrOrdinal field;
        uint16_t first = get<uint16_t>();
        if (!ok_) return field;
        if (first == 0xFFFF) {
            field.isOrdinal = true;
            field.ordinal = get<uint16_t>();
        } else if (first != 0) {
            pos_ -= 2;
            field.name = wideString();
        }
        return field;
    }

private:
    bool need(size_t n) {
        if (!ok_ || n > size_ - pos_) {
            ok_ = false;
            return false;
        }
        return true;
    }

    const unsigned char* base_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

}  // namespace

bool parseDialogEx(const void* data, size_t size, DialogTemplate* out, std::string* error) {
    Reader r(data, size);
    uint16_t version = r.get<uint16_t>();
    uint16_t signature = r.get<uint16_t>();
    if (!r.ok() || version != 1 || signature != 0xFFFF) {
        *error = "not an extended dialog template (DIALOGEX)";
        return false;
    }
    DialogTemplate t;
    r.get<uint32_t>();  // help id
    t.exStyle = r.get<uint32_t>();
    t.style = r.get<uint32_t>();
    uint16_t count = r.get<uint16_t>();
    t.x = r.get<int16_t>();
    t.y = r.get<int16_t>();
    t.cx = r.get<int16_t>();
    t.cy = r.get<int16_t>();
    t.menu = r.nameOrOrdinal();
    t.windowClass = r.nameOrOrdinal();
    t.title = r.wideString();
    if (t.style & (DS_SETFONT | DS_SHELLFONT)) {
        t.pointSize = r.get<uint16_t>();
        r.get<uint16_t>();  // weight
        r.get<uint8_t>();   // italic
        r.get<uint8_t>();   // character set
        t.typeface = r.wideString();
    }
    for (uint16_t i = 0; i < count && r.ok(); ++i) {
        r.alignTo(4);
        DialogItem item;
        r.get<uint32_t>();  // help id
        item.exStyle = r.get<uint32_t>();
        item.style = r.get<uint32_t>();
        item.x = r.get<int16_t>();
        item.y = r.get<int16_t>();
        item.cx = r.get<int16_t>();
        item.cy = r.get<int16_t>();
        item.id = r.get<int32_t>();
        item.windowClass = r.nameOrOrdinal();
        item.title = r.nameOrOrdinal();
        uint16_t extra = r.get<uint16_t>();
        r.skip(extra);
        t.items.push_back(item);
    }
    if (!r.ok()) {
        *error = "dialog template ends inside its data";
        return false;
    }
    *out = t;
    return true;
}

std::string className(const NameOrOrdinal& windowClass) {
    if (!windowClass.isOrdinal) return windowClass.name;
    switch (windowClass.ordinal) {
    case 0x80: return "Button";
    case 0x81: return "Edit";
    case 0x82: return "Static";
    case 0x83: return "ListBox";
    case 0x84: return "ScrollBar";
    case 0x85: return "ComboBox";
    default: return "#" + std::to_string(windowClass.ordinal);
    }
}

bool parseIconGroup(const void* data, size_t size, std::vector<IconGroupEntry>* out, std::string* error) {
    Reader r(data, size);
    uint16_t reserved = r.get<uint16_t>();
    uint16_t type = r.get<uint16_t>();
    uint16_t count = r.get<uint16_t>();
    if (!r.ok() || reserved != 0 || type != 1) {
        *error = "not an icon group";
        return false;
    }
    std::vector<IconGroupEntry> entries;
    for (uint16_t i = 0; i < count; ++i) {
        IconGroupEntry e;
        uint8_t w = r.get<uint8_t>();
        uint8_t h = r.get<uint8_t>();
        e.width = w ? w : 256;
        e.height = h ? h : 256;
        r.get<uint8_t>();   // colour count
        r.get<uint8_t>();   // reserved
        r.get<uint16_t>();  // planes
        e.bitCount = r.get<uint16_t>();
        e.bytes = r.get<uint32_t>();
        e.iconId = r.get<uint16_t>();
        entries.push_back(e);
    }
    if (!r.ok()) {
        *error = "icon group ends inside its entries";
        return false;
    }
    *out = entries;
    return true;
}

bool parseAccelerators(const void* data, size_t size, std::vector<Accelerator>* out, std::string* error) {
    Reader r(data, size);
    std::vector<Accelerator> table;
    for (;;) {
        uint16_t flags = r.get<uint16_t>();
        Accelerator a;
        a.key = r.get<uint16_t>();
        a.command = r.get<uint16_t>();
        r.get<uint16_t>();  // padding
        if (!r.ok()) {
            *error = "accelerator table has no end marker";
            return false;
        }
        a.flags = static_cast<uint16_t>(flags & ~0x80);
        table.push_back(a);
        if (flags & 0x80) break;
    }
    *out = table;
    return true;
}

bool readPeSummary(const std::string& path, PeSummary* out, std::string* error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        *error = "cannot open " + path;
        return false;
    }
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    auto at = [&](size_t offset, size_t n) { return offset <= bytes.size() && n <= bytes.size() - offset; };
    IMAGE_DOS_HEADER dos;
    if (!at(0, sizeof dos)) return *error = "file too short", false;
    std::memcpy(&dos, bytes.data(), sizeof dos);
    // The headers of the build's own kind: PE32, or PE32+ in the 64-bit
    // build that stands in on hosts without 32-bit Wine.
    IMAGE_NT_HEADERS nt;
    if (dos.e_magic != IMAGE_DOS_SIGNATURE || !at(dos.e_lfanew, sizeof nt)) return *error = "no PE header", false;
    std::memcpy(&nt, bytes.data() + dos.e_lfanew, sizeof nt);
    if (nt.Signature != IMAGE_NT_SIGNATURE || nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR_MAGIC)
        return *error = "not a PE file of this build's kind", false;

    size_t sectionTable =
        dos.e_lfanew + offsetof(IMAGE_NT_HEADERS, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader;
    std::vector<IMAGE_SECTION_HEADER> sections(nt.FileHeader.NumberOfSections);
    if (!at(sectionTable, sections.size() * sizeof(IMAGE_SECTION_HEADER)))
        return *error = "section table cut off", false;
    std::memcpy(sections.data(), bytes.data() + sectionTable, sections.size() * sizeof(IMAGE_SECTION_HEADER));
    auto fileOffset = [&](uint32_t rva, size_t* offset) {
        for (const auto& s : sections) {
            uint32_t extent = s.Misc.VirtualSize ? s.Misc.VirtualSize : s.SizeOfRawData;
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + extent) {
                *offset = s.PointerToRawData + (rva - s.VirtualAddress);
                return true;
            }
        }
        return false;
    };

    PeSummary summary;
    summary.entryPoint = nt.OptionalHeader.AddressOfEntryPoint;
    const IMAGE_DATA_DIRECTORY& imports = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress != 0 && imports.Size != 0) {
        size_t offset = 0;
        if (!fileOffset(imports.VirtualAddress, &offset)) return *error = "import table outside sections", false;
        for (;; offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
            IMAGE_IMPORT_DESCRIPTOR d;
            if (!at(offset, sizeof d)) return *error = "import table cut off", false;
            std::memcpy(&d, bytes.data() + offset, sizeof d);
            if (d.Name == 0 && d.FirstThunk == 0) break;
            size_t nameOffset = 0;
            std::string name = "?";
            if (fileOffset(d.Name, &nameOffset) && at(nameOffset, 1)) {
                name.clear();
                for (size_t i = nameOffset; i < bytes.size() && bytes[i]; ++i)
                    name.push_back(static_cast<char>(bytes[i]));
            }
            summary.importedDlls.push_back(name);
        }
    }
    *out = summary;
    return true;
}

std::vector<unsigned char> resourceBytes(HMODULE module, LPCSTR type, LPCSTR name) {
    HRSRC found = FindResourceA(module, name, type);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    DWORD size = SizeofResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data || size == 0) return {};
    const unsigned char* p = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(p, p + size);
}

}  // namespace orv::test
