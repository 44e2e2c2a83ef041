// Where the data of one connection comes from.
#pragma once

#include "tools/devsim/Options.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace orv {
namespace devsim {

class DataSource {
public:
    virtual ~DataSource() = default;
    // Up to max next bytes; 0 at the end.
    virtual std::size_t read(std::uint8_t* out, std::size_t max) = 0;
};

// A fresh source for each connection and job: each gets the whole data
// (with --escp alone, job number `job` of the series).
std::unique_ptr<DataSource> makeSource(const Options& o, unsigned job = 0);

// Opens and closes the data file, so that a missing one ends the run
// before anything listens.
void checkDataFile(const std::string& path);

}  // namespace devsim
}  // namespace orv
