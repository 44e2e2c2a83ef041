#include "tools/devsim/DataSource.h"

#include "tools/devsim/EscpJobs.h"
#include "tools/devsim/PrinterData.h"
#include "tools/devsim/System.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>

namespace orv {
namespace devsim {
namespace {

class NoData : public DataSource {
public:
    std::size_t read(std::uint8_t*, std::size_t) override { return 0; }
};

// The first `total` bytes of an endless generator (PrinterData or EscpStream).
template <class Generator>
class GeneratedData : public DataSource {
public:
    GeneratedData(std::uint64_t seed, std::uint64_t total) : data_(seed), left_(total) {}
    std::size_t read(std::uint8_t* out, std::size_t max) override {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(max, left_));
        data_.fill(out, n);
        left_ -= n;
        return n;
    }

private:
    Generator data_;
    std::uint64_t left_;
};

class WholeJob : public DataSource {
public:
    explicit WholeJob(std::string bytes) : bytes_(std::move(bytes)) {}
    std::size_t read(std::uint8_t* out, std::size_t max) override {
        const std::size_t n = std::min(max, bytes_.size() - at_);
        std::copy_n(bytes_.data() + at_, n, out);
        at_ += n;
        return n;
    }

private:
    std::string bytes_;
    std::size_t at_ = 0;
};

class FileData : public DataSource {
public:
    explicit FileData(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        if (fd_.get() < 0) throw SystemError(errorText("cannot open " + path));
    }
    std::size_t read(std::uint8_t* out, std::size_t max) override {
        for (;;) {
            const ssize_t n = ::read(fd_.get(), out, max);
            if (n >= 0) return static_cast<std::size_t>(n);
            if (errno != EINTR) throw SystemError(errorText("reading the data file"));
        }
    }

private:
    Fd fd_;
};

}  // namespace

std::unique_ptr<DataSource> makeSource(const Options& o, unsigned job) {
    if (o.hold) return std::make_unique<NoData>();
    if (!o.file.empty()) return std::make_unique<FileData>(o.file);
    if (o.escp && o.generate) return std::make_unique<GeneratedData<EscpStream>>(o.seed, o.generateBytes);
    if (o.escp) return std::make_unique<WholeJob>(deviceEscaped(escpJob(o.seed, job)));
    if (o.generate) return std::make_unique<GeneratedData<PrinterData>>(o.seed, o.generateBytes);
    return std::make_unique<NoData>();
}

void checkDataFile(const std::string& path) { FileData check(path); }

}  // namespace devsim
}  // namespace orv
