// One connection of the simulator: streams the data, answers the peer's
// command bytes in band and records what the peer sends.
#pragma once

#include "tools/devsim/DataSource.h"
#include "tools/devsim/Link.h"
#include "tools/devsim/Options.h"
#include "tools/devsim/Pacing.h"
#include "tools/devsim/System.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orv {
namespace devsim {

struct Totals {
    std::uint64_t sent = 0, received = 0, dataSent = 0, replies = 0;
    std::uint32_t crcAll = 0, crcData = 0;
};

// The line printed after each connection.
void printReport(const Totals& t);

// Writes every received byte to a file; without a path, nowhere.
class Recorder {
public:
    explicit Recorder(const std::string& path);
    void write(const std::uint8_t* p, std::size_t n);

private:
    Fd fd_;
};

class Session {
public:
    // link is connected to the peer for as long as the session lasts.
    Session(const Options& o, Link& link, Recorder& recorder);

    End run();
    // Reads what still arrives, up to the peer's close or the deadline.
    void drainInput(Clock::time_point deadline);
    const Totals& totals() const { return totals_; }

private:
    int msUntilRefill(Clock::time_point now) const;
    void refill(Clock::time_point now);
    std::uint64_t readAllowance(Clock::time_point now);
    int msUntilReadable(Clock::time_point now) const;
    bool receive(bool answer = true, bool paced = true);
    void scanCommands(const std::uint8_t* p, std::size_t n);
    void account(const std::uint8_t* p, std::size_t n, bool data);
    bool transmit();
    bool replyHeld(Clock::time_point now) const;

    const Options& o_;
    Link& link_;
    int fd_;
    Recorder& recorder_;
    std::unique_ptr<DataSource> source_;
    std::vector<std::uint8_t> buffer_;
    std::vector<std::uint8_t> input_;
    std::vector<std::uint8_t> replies_;
    std::size_t replyPos_ = 0;
    std::size_t dataPos_ = 0, dataLen_ = 0;
    std::uint64_t generated_ = 0;
    bool sourceDone_ = false;
    unsigned jobsSent_ = 0;  // jobs whose data is out
    bool openPair_ = false;
    bool repliesSent_ = false;
    Clock::time_point dataStart_;
    Totals totals_;
    Pace dataPace_;
    Pace readPace_;
    bool stalled_ = false, stalling_ = false;
    Clock::time_point stallEnd_;
    // The second byte of a reply held apart from its 0x07.
    Clock::time_point replyDue_;
};

}  // namespace devsim
}  // namespace orv
