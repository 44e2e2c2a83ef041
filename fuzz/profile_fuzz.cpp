// The profile reader over a file that users edit by hand.  Every key the
// program reads, into buffers of the program's sizes and of a few small
// ones: the value is the longest read cut to size - 1, terminated within
// the buffer, the same when read again, and nothing is written past the
// buffer (each is an exactly-sized heap block, so AddressSanitizer sees a
// write past its end).  Then the program's own loading of the profile:
// every field terminated, and the values it took from the file.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include "base/Text.h"
#include "settings/IniFile.h"
#include "settings/Profile.h"

namespace {

// The input as a file, one per process.  It is unlinked as soon as it is
// made and reached through /proc/self/fd, so that nothing is left behind
// however the run ends (a finding aborts, with no destructors run).
struct ProfileFile {
    int fd = -1;
    std::string path;
    ProfileFile() {
        const char* tmp = std::getenv("TMPDIR");
        const std::string name =
            std::string(tmp && *tmp ? tmp : "/tmp") + "/orv_profile_fuzz." + std::to_string(::getpid()) + ".ini";
        fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 || ::unlink(name.c_str()) != 0) std::abort();
        path = "/proc/self/fd/" + std::to_string(fd);
    }
    void write(const std::uint8_t* data, std::size_t size) {
        if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
    }
};

struct Key {
    const char* section;
    const char* key;
    const char* defaultValue;
    std::uint32_t size;  // the program's buffer
};

// As settings/Profile.cpp reads them.
const Key kKeys[] = {
    {"connection", "method", "", orv::kProfileValueSize},
    {"connection", "host", "0", orv::kProfileValueSize},
    {"connection", "dService", "", orv::kProfileValueSize},
    {"connection", "com", "", orv::kProfileValueSize},
    {"buffer", "path", "", orv::kPathSize},
    {"buffer", "filename", "", orv::kPathSize},
    {"buffer", "flag", "NO", orv::kProfileValueSize},
};

std::string readInto(orv::IniStore& store, const Key& k, std::uint32_t size, const char* path) {
    std::unique_ptr<char[]> buffer(new char[size]);
    std::memset(buffer.get(), 0x5A, size);
    const std::uint32_t n = store.readString(k.section, k.key, k.defaultValue, buffer.get(), size, path);
    if (n > size - 1 || buffer[n] != '\0' || std::strlen(buffer.get()) != n) std::abort();
    return std::string(buffer.get(), n);
}

// The value read with a buffer no value can fill, cut to size - 1.
std::string cut(const std::string& whole, std::uint32_t size) { return whole.substr(0, size - 1); }

bool terminated(const char* field, std::size_t size) { return std::memchr(field, '\0', size) != nullptr; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ProfileFile file;
    file.write(data, size);
    const char* path = file.path.c_str();
    orv::IniFile store;

    std::string values[sizeof kKeys / sizeof kKeys[0]];
    for (std::size_t i = 0; i < sizeof kKeys / sizeof kKeys[0]; ++i) {
        const Key& k = kKeys[i];
        const std::string whole = readInto(store, k, static_cast<std::uint32_t>(size) + 8, path);
        for (std::uint32_t s : {k.size, 1u, 2u, 7u})
            if (readInto(store, k, s, path) != cut(whole, s)) std::abort();
        values[i] = cut(whole, k.size);
        if (readInto(store, k, k.size, path) != values[i]) std::abort();
    }

    // Loading writes missing keys back, so it comes after the reads.
    orv::Profile p;
    orv::copyCut(p.profilePath, path);
    orv::copyCut(p.documentsFolder, "/home/user/Documents");
    orv::loadProfile(p, store, 0, '/');
    const orv::ConnectionSettings& c = p.connection;
    const orv::CaptureFileSettings& f = p.files;
    if (!terminated(c.comPort, sizeof c.comPort) || !terminated(c.lanHost, sizeof c.lanHost) ||
        !terminated(c.dService, sizeof c.dService) || !terminated(f.captureFolder, sizeof f.captureFolder) ||
        !terminated(f.captureFileName, sizeof f.captureFileName) || !terminated(p.fileBaseName, sizeof p.fileBaseName))
        std::abort();
    if (c.method != (values[0] == "lan" ? 1 : 0) || f.autoNameFiles != (values[6] == "YES" ? 1 : 0)) std::abort();
    const std::string com = values[3].empty() ? orv::kDefaultComPort : cut(values[3], orv::kPathSize);
    if (com != c.comPort || std::strncmp(f.captureFileName, p.fileBaseName, std::strlen(p.fileBaseName)) != 0)
        std::abort();

    // As a run takes them: the port number parsed from the COM text.
    orv::LinkKind linkKind = static_cast<orv::LinkKind>(-1);
    std::uint8_t port = 0;
    char host[orv::kHostSize];
    char dataPort[orv::kDataPortSize];
    orv::applyLinkSettings(c, linkKind, port, host, dataPort);
    if (static_cast<std::int32_t>(linkKind) != c.method || !terminated(host, sizeof host) ||
        !terminated(dataPort, sizeof dataPort))
        std::abort();
    return 0;
}
