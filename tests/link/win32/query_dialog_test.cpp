// The device query dialog, run modally from the language library's
// template and driven by a timer on the user-interface thread, during
// capture runs against the simulator.
#include <gtest/gtest.h>

#include <cstring>

#include "app/win32/LinkWorker.h"
#include "app/win32/QueryDialog.h"
#include "tests/link/win32/LinkWindowFixture.h"
#include "tests/link/win32/QueryDialogDriver.h"

namespace orv::test {
namespace {

const int kLineFields[4] = {IDC_S_BIT3, IDC_S_BIT2, IDC_S_BIT1, IDC_S_BIT0};

// The real main window owns the dialog and registers it.
class QueryFixture : public LinkWindowFixture {
protected:
    // The handles UM_QUERY_DIALOG carried to the window, in order.
    std::vector<HWND> registrations() const {
        std::vector<HWND> handles;
        for (const Posted& p : received())
            if (p.message == UM_QUERY_DIALOG) handles.push_back(reinterpret_cast<HWND>(p.lParam));
        return handles;
    }
};

// ---- answers from the simulator during a capture ----

struct QueryCase {
    const char* name;
    bool lan;
    int replyGapMs;  // > 0: the two bytes of each reply reach the link in separate chunks
};
void PrintTo(const QueryCase& c, std::ostream* os) { *os << c.name; }

class QueryDuringCapture : public QueryFixture, public ::testing::WithParamInterface<QueryCase> {};

TEST_P(QueryDuringCapture, ShowsTheDevicesAnswers) {
    const QueryCase& c = GetParam();
    std::string options =
        std::string(c.lan ? "--lan 127.0.0.1:0" : "--pty " + comLink(5)) + " --hold --i-value 0x0A --s-lines 0x5";
    if (c.replyGapMs > 0) options += " --reply-gap " + std::to_string(c.replyGapMs);
    DevSim sim(options);
    CaptureState& state = *s;
    ASSERT_TRUE(c.lan ? openLanTo(sim, state) : openSerialOn(sim, state, 5));

    // The script: 'I', then 'S' twice; each press clears its fields at once.
    int stage = 0;
    std::vector<std::string> seen;
    auto step = [&](HWND dialog) {
        switch (stage) {
        case 0:
            EXPECT_EQ(dialog, state.queryDialog.load()) << "registered before any command";
            SetDlgItemTextA(dialog, IDC_I_REPLY, "old");
            press(dialog, IDC_QUERY_I);
            seen.push_back("I pressed: [" + field(dialog, IDC_I_REPLY) + "]");
            ++stage;
            return false;
        case 1:
            if (field(dialog, IDC_I_REPLY).empty()) return false;
            seen.push_back("I: " + field(dialog, IDC_I_REPLY));
            press(dialog, IDC_QUERY_S);
            seen.push_back("S pressed: " + lines(dialog));
            ++stage;
            return false;
        case 2:
        case 3:
            if (lines(dialog).find('-') != std::string::npos) return false;
            seen.push_back("S: " + lines(dialog));
            if (stage == 2) {
                press(dialog, IDC_QUERY_S);
                seen.push_back("S pressed: " + lines(dialog));
            }
            ++stage;
            return false;
        default: return true;
        }
    };
    QueryDialogRun r = runQueryDialogScript(state, step, 20000);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(0, r.result);
    const std::vector<std::string> expected = {"I pressed: []", "I: 0x0A",         "S pressed: ----",
                                               "S: LHLH",       "S pressed: ----", "S: LHLH"};
    EXPECT_EQ(expected, seen);
    // Registered while it ran, unregistered when closed.
    ASSERT_EQ(2u, registrations().size());
    EXPECT_NE(nullptr, registrations()[0]);
    EXPECT_EQ(nullptr, registrations()[1]);
    EXPECT_EQ(nullptr, state.queryDialog.load());

    // The replies are data of the run like any other bytes.
    EXPECT_TRUE(pumpUntil([&] { return state.byteCount.load() == 6u; }, 5000)) << state.byteCount.load();
    state.worker->stop();
    const std::vector<std::uint8_t> replies = {0x07, 0x4A, 0x07, 0x35, 0x07, 0x35};
    EXPECT_EQ(replies, finishFile());
    EXPECT_EQ(0, count(UM_LINK_ERROR, LINK_ERROR_RECEIVE));
    EXPECT_TRUE(messages.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(BothLinks, QueryDuringCapture,
                         ::testing::Values(QueryCase{"LAN", true, 0}, QueryCase{"LAN_split", true, 300},
                                           QueryCase{"COM5", false, 0}, QueryCase{"COM5_split", false, 300}),
                         [](const ::testing::TestParamInfo<QueryCase>& info) { return info.param.name; });

// ---- the link fails while the dialog is open ----

class QueryDialog : public QueryFixture {};

TEST_F(QueryDialog, EndsWhenTheLinkFails) {
    // The device sends a little, then closes the connection.
    DevSim sim("--lan 127.0.0.1:0 --generate 10 --delay-start 800 --close-when-done");
    CaptureState& state = *s;
    ASSERT_TRUE(openLanTo(sim, state));
    QueryDialogRun r = runQueryDialogScript(
        state, [](HWND) { return false; }, 15000);
    EXPECT_FALSE(r.timedOut) << "the dialog must end by itself";
    EXPECT_EQ(1, r.result);
    ASSERT_EQ(2u, registrations().size());
    EXPECT_EQ(nullptr, registrations()[1]);
    EXPECT_EQ(nullptr, state.queryDialog.load());
    // Posted after the dialog's end, so it waits in the queue.
    EXPECT_TRUE(pumpUntil([&] { return count(UM_LINK_ERROR, LINK_ERROR_RECEIVE) == 1; }, 5000));
}

// ---- no link: the commands go nowhere ----

TEST_F(QueryDialog, WithNoLinkOpenTheFieldsStayEmpty) {
    CaptureState& state = *s;
    int ticks = 0;
    std::string shown;
    QueryDialogRun r = runQueryDialogScript(
        state,
        [&](HWND dialog) {
            if (ticks++ == 0) {
                press(dialog, IDC_QUERY_I);
                press(dialog, IDC_QUERY_S);
            }
            shown = field(dialog, IDC_I_REPLY) + "|" + lines(dialog);
            return ticks > 10;
        },
        10000);
    EXPECT_TRUE(r.endedByScript);
    EXPECT_EQ("|----", shown);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(nullptr, state.queryDialog.load());
}

// ---- the chunks' replies reach the open dialog's fields ----

TEST_F(QueryDialog, RepliesInReceivedChunksFillTheirFields) {
    struct Case {
        const char* name;
        std::vector<std::vector<std::uint8_t>> chunks;
        std::string value, lines;  // what the fields show afterwards ("-" for empty)
    };
    const Case cases[] = {
        {"value in the middle", {{0x41, 0x07, 0x4A}}, "0x0A", "----"},
        {"reply across two chunks", {{0x20, 0x07}, {0x35, 0x41}}, "", "LHLH"},
        {"all lines low", {{0x07, 0x30}}, "", "LLLL"},
        {"all lines high", {{0x07, 0x3F}}, "", "HHHH"},
        {"escape after escape", {{0x07, 0x07}}, "", "----"},
        {"two replies in one chunk", {{0x07, 0x4F, 0x07, 0x31}}, "0x0F", "LLLH"},
        {"no escape", {{0x41, 0x4A, 0x35}}, "", "----"},
    };
    CaptureState& state = *s;
    ViewHandoff handoff(state);
    std::size_t next = 0;
    int waited = 0;
    std::vector<std::string> results;
    QueryDialogRun r = runQueryDialogScript(
        state,
        [&](HWND dialog) {
            // One case per two ticks: deliver, then read what the posted
            // replies made of the fields.
            if (waited == 0) {
                if (next == sizeof cases / sizeof cases[0]) return true;
                SetDlgItemTextA(dialog, IDC_I_REPLY, "");
                for (int id : kLineFields) SetDlgItemTextA(dialog, id, "");
                for (const auto& chunk : cases[next].chunks) handoff.received(chunk.data(), chunk.size());
                waited = 1;
                return false;
            }
            if (++waited < 4) return false;
            const Case& c = cases[next++];
            waited = 0;
            results.push_back(std::string(c.name) + ": " + field(dialog, IDC_I_REPLY) + " " + lines(dialog));
            return false;
        },
        20000);
    EXPECT_TRUE(r.endedByScript);
    std::vector<std::string> expected;
    for (const Case& c : cases) expected.push_back(std::string(c.name) + ": " + c.value + " " + c.lines);
    EXPECT_EQ(expected, results);
}

}  // namespace
}  // namespace orv::test
