// The one sender over a scripted link: chunks, the end of the data, the
// stop and each failure's stage.
#include "link/Sender.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orv::test {
namespace {

class ScriptedLink final : public DeviceLink {
public:
    explicit ScriptedLink(StopSignal& stop) : stop_(stop) {}
    bool opens = true, finishes = true;
    int failWriteNo = -1;     // this write fails
    int stopAfterWrite = -1;  // the stop comes after this write
    std::vector<std::string> calls;

    bool open(LinkError& e) override {
        calls.push_back("open");
        if (!opens) e.set(LinkFailure::Connect, 10061, "refused");
        return opens;
    }
    long read(std::uint8_t*, std::size_t, int, LinkError&) override { return 0; }
    bool write(const std::uint8_t*, std::size_t size, int stallMs, LinkError& e) override {
        const int n = static_cast<int>(calls.size()) - 1;
        calls.push_back(std::to_string(size));
        EXPECT_EQ(kSendStallMs, stallMs);
        if (n == stopAfterWrite) stop_.request();
        if (n == failWriteNo) e.set(LinkFailure::Stalled, 0, "the device took no byte for 30 s");
        return n != failWriteNo;
    }
    bool finishWrites(int, LinkError& e) override {
        calls.push_back("finish");
        if (!finishes) e.set(LinkFailure::Stalled, 0, "no close");
        return finishes;
    }
    void close() override { calls.push_back("close"); }
    const std::string& name() const override { return name_; }

private:
    StopSignal& stop_;
    std::string name_ = "scripted";
};

using Calls = std::vector<std::string>;

TEST(Sender, ChunksOf1024ThenTheEndOfTheDataThenTheClose) {
    StopSignal stop;
    ScriptedLink link(stop);
    const std::vector<std::uint8_t> data(2500, 0x55);
    const SendResult r = sendToDevice(link, data.data(), data.size(), stop);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(2500u, r.sent);
    EXPECT_EQ((Calls{"open", "1024", "1024", "452", "finish", "close"}), link.calls);

    ScriptedLink empty(stop);
    EXPECT_TRUE(sendToDevice(empty, nullptr, 0, stop).ok());
    EXPECT_EQ((Calls{"open", "finish", "close"}), empty.calls) << "an empty file still ends its data";
}

TEST(Sender, EachFailureSaysWhereItEndedAndClosesTheLink) {
    const std::vector<std::uint8_t> data(3000, 1);
    StopSignal stop;
    ScriptedLink refused(stop);
    refused.opens = false;
    SendResult r = sendToDevice(refused, data.data(), data.size(), stop);
    EXPECT_EQ(SendResult::Stage::Open, r.stage);
    EXPECT_EQ(10061, r.error.code);
    EXPECT_EQ((Calls{"open"}), refused.calls) << "nothing to close";

    ScriptedLink stalled(stop);
    stalled.failWriteNo = 1;
    r = sendToDevice(stalled, data.data(), data.size(), stop);
    EXPECT_EQ(SendResult::Stage::Data, r.stage);
    EXPECT_EQ(1024u, r.sent);
    EXPECT_EQ(LinkFailure::Stalled, r.error.kind);
    EXPECT_EQ("close", stalled.calls.back());

    ScriptedLink unfinished(stop);
    unfinished.finishes = false;
    r = sendToDevice(unfinished, data.data(), data.size(), stop);
    EXPECT_EQ(SendResult::Stage::Finish, r.stage) << "every byte left, but the device never had them all";
    EXPECT_FALSE(r.ok());

    ScriptedLink cancelled(stop);
    cancelled.stopAfterWrite = 0;
    r = sendToDevice(cancelled, data.data(), data.size(), stop);
    EXPECT_EQ(LinkFailure::Stopped, r.error.kind);
    EXPECT_EQ(1024u, r.sent) << "the chunk under way is finished, no other";
    EXPECT_EQ((Calls{"open", "1024", "close"}), cancelled.calls);
}

}  // namespace
}  // namespace orv::test
