// The device query dialog, run modally from the language library's
// template and driven by a timer on the user-interface thread, during
// capture runs against the simulator.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "link/win32/LanLink.h"
#include "link/win32/QueryDialog.h"
#include "link/win32/ReceivePath.h"
#include "link/win32/SerialLink.h"
#include "tests/link/win32/LinkHarness.h"
#include "tests/link/win32/MainStandIn.h"

namespace orv::test {
namespace {


const int kLineFields[4] = {IDC_S_BIT3, IDC_S_BIT2, IDC_S_BIT1, IDC_S_BIT0};

std::string field(HWND dialog, int id) {
    char text[32] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

std::string lines(HWND dialog) {
    std::string all;
    for (int id : kLineFields) all += field(dialog, id).empty() ? "-" : field(dialog, id);
    return all;
}

void press(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Runs the query dialog modally.  step is called every 20 ms on the
// user-interface thread with the dialog and returns true when the script
// is done; the dialog is then closed with its Close button.  A script that
// is not done within limitMs is closed too, and timedOut tells.
struct DialogRun {
    INT_PTR result = -1;
    bool timedOut = false;
    bool endedByScript = false;
    std::vector<HWND> registrations;  // what UM_QUERY_DIALOG carried
};

DialogRun runDialog(LinkRun& run, MainStandIn& main, const std::function<bool(HWND)>& step, DWORD limitMs) {
    DialogRun r;
    CaptureState& s = run.state();
    HWND dialog = nullptr;
    main.onQueryDialog = [&](HWND d) {
        r.registrations.push_back(d);
        if (d) dialog = d;
    };
    const DWORD start = GetTickCount();
    bool done = false;
    main.onTimer = [&] {
        if (!dialog || done) return;
        if (step(dialog)) {
            r.endedByScript = done = true;
        } else if (GetTickCount() - start > limitMs) {
            r.timedOut = done = true;
        }
        if (done) press(dialog, IDCANCEL);
    };
    SetTimer(main.window(), 1, 20, nullptr);
    r.result = DialogBoxParamA(s.resourceLibrary, MAKEINTRESOURCEA(IDD_QUERY), main.window(), queryDialogProc,
                               reinterpret_cast<LPARAM>(&s));
    if (r.result == -1) std::printf("DialogBoxParamA failed: error %lu\n", GetLastError());
    KillTimer(main.window(), 1);
    main.onTimer = nullptr;
    main.onQueryDialog = nullptr;
    return r;
}

// Saves the dialog as it is on the screen to $ORV_SCREENSHOT_DIR/query-dialog.png
// (a Unix folder), when that is set.
void screenshot(HWND dialog) {
    const char* folder = std::getenv("ORV_SCREENSHOT_DIR");
    if (!folder || !*folder) return;
    const std::string picture = std::string("Z:") + folder + "/query-dialog.png";
    DeleteFileA(picture.c_str());
    RECT r{};
    GetWindowRect(dialog, &r);
    char command[1024];
    std::snprintf(command, sizeof command,
                  "Z:\\bin\\sh -c \"/usr/bin/import -window root -crop %ldx%ld+%ld+%ld +repage '%s/query-dialog.png'\"",
                  r.right - r.left, r.bottom - r.top, r.left, r.top, folder);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    // Wine does not wait for a Unix program through its handle: wait for
    // the picture to be written out.
    auto size = [&] {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        return GetFileAttributesExA(picture.c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow : 0ul;
    };
    unsigned long last = 0;
    for (int waited = 0; waited < 30000; waited += 250) {
        Sleep(250);
        if (size() > 0 && size() == last) break;
        last = size();
    }
    EXPECT_GT(size(), 0ul) << command;
    std::printf("screenshot: %s/query-dialog.png\n", folder);
}

// ---- answers from the simulator during a capture ----

struct QueryCase {
    const char* name;
    bool lan;
    int replyGapMs;  // > 0: the two bytes of each reply reach the link in separate chunks
    bool screenshot;
};
void PrintTo(const QueryCase& c, std::ostream* os) { *os << c.name; }

class QueryDuringCapture : public ::testing::TestWithParam<QueryCase> {};

TEST_P(QueryDuringCapture, ShowsTheDevicesAnswers) {
    const QueryCase& c = GetParam();
    std::string options = std::string(c.lan ? "--lan 127.0.0.1:0" : "--pty " + comLink(5)) +
                          " --hold --i-value 0x0A --s-lines 0x5";
    if (c.replyGapMs > 0) options += " --reply-gap " + std::to_string(c.replyGapMs);
    DevSim sim(options);
    LinkRun run;
    MainStandIn main(run);
    CaptureState& s = run.state();
    ASSERT_TRUE(c.lan ? openLanTo(sim, run) : openSerialOn(sim, run, 5));

    // The script: 'I', then 'S' twice; each press clears its fields at once.
    int stage = 0;
    DWORD shownAt = 0;
    std::vector<std::string> seen;
    auto step = [&](HWND dialog) {
        switch (stage) {
        case 0:
            EXPECT_EQ(dialog, s.queryDialog.load()) << "registered before any command";
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
            shownAt = GetTickCount();
            ++stage;
            return false;
        default:
            // Wine puts a window's painting on the screen lazily: give the
            // answers time to get there before the picture is taken.
            if (c.screenshot && std::getenv("ORV_SCREENSHOT_DIR") && GetTickCount() - shownAt < 3000)
                return false;
            if (c.screenshot) screenshot(dialog);
            return true;
        }
    };
    DialogRun r = runDialog(run, main, step, 20000);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(0, r.result);
    const std::vector<std::string> expected = {"I pressed: []", "I: 0x0A", "S pressed: ----", "S: LHLH",
                                               "S pressed: ----", "S: LHLH"};
    EXPECT_EQ(expected, seen);
    // Registered while it ran, unregistered when closed.
    ASSERT_EQ(2u, r.registrations.size());
    EXPECT_NE(nullptr, r.registrations[0]);
    EXPECT_EQ(nullptr, r.registrations[1]);
    EXPECT_EQ(nullptr, s.queryDialog.load());

    // The replies are data of the run like any other bytes.
    EXPECT_TRUE(run.pumpUntil([&] { return s.byteCount.load() == 6u; }, 5000)) << s.byteCount.load();
    if (c.lan)
        closeLanCapture(s, nullptr);
    else
        closeSerialCapture(s, nullptr);
    const std::vector<std::uint8_t> replies = {0x07, 0x4A, 0x07, 0x35, 0x07, 0x35};
    EXPECT_EQ(replies, run.finishFile());
    EXPECT_EQ(0, main.count(UM_LINK_ERROR, LINK_ERROR_RECEIVE));
    EXPECT_TRUE(run.messages.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(BothLinks, QueryDuringCapture,
                         ::testing::Values(QueryCase{"LAN", true, 0, true}, QueryCase{"LAN_split", true, 300, false},
                                           QueryCase{"COM5", false, 0, false},
                                           QueryCase{"COM5_split", false, 300, false}),
                         [](const ::testing::TestParamInfo<QueryCase>& info) { return info.param.name; });

// ---- the link fails while the dialog is open ----

TEST(QueryDialog, EndsWhenTheLinkFails) {
    // The device sends a little, then closes the connection.
    DevSim sim("--lan 127.0.0.1:0 --generate 10 --delay-start 800 --close-when-done");
    LinkRun run;
    MainStandIn main(run);
    CaptureState& s = run.state();
    ASSERT_TRUE(openLanTo(sim, run));
    DialogRun r = runDialog(run, main, [](HWND) { return false; }, 15000);
    EXPECT_FALSE(r.timedOut) << "the dialog must end by itself";
    EXPECT_EQ(1, r.result);
    ASSERT_EQ(2u, r.registrations.size());
    EXPECT_EQ(nullptr, r.registrations[1]);
    EXPECT_EQ(nullptr, s.queryDialog.load());
    // Posted after the dialog's end, so it waits in the queue.
    EXPECT_TRUE(run.pumpUntil([&] { return main.count(UM_LINK_ERROR, LINK_ERROR_RECEIVE) == 1; }, 5000));
    closeLanCapture(s, nullptr);
}

// ---- no link: the commands go nowhere ----

TEST(QueryDialog, WithNoLinkOpenTheFieldsStayEmpty) {
    LinkRun run;
    MainStandIn main(run);
    int ticks = 0;
    std::string shown;
    DialogRun r = runDialog(run, main, [&](HWND dialog) {
        if (ticks++ == 0) {
            press(dialog, IDC_QUERY_I);
            press(dialog, IDC_QUERY_S);
        }
        shown = field(dialog, IDC_I_REPLY) + "|" + lines(dialog);
        return ticks > 10;
    }, 10000);
    EXPECT_TRUE(r.endedByScript);
    EXPECT_EQ("|----", shown);
    EXPECT_TRUE(run.messages.shown.empty());
    EXPECT_EQ(nullptr, run.state().queryDialog.load());
}

// ---- the chunks' replies reach the open dialog's fields ----

TEST(QueryDialog, RepliesInReceivedChunksFillTheirFields) {
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
        {"second reply unseen", {{0x07, 0x4F, 0x07, 0x31}}, "0x0F", "----"},
        {"no escape", {{0x41, 0x4A, 0x35}}, "", "----"},
    };
    LinkRun run;
    MainStandIn main(run);
    CaptureState& s = run.state();
    ReceivePath path(s);
    std::size_t next = 0;
    int waited = 0;
    std::vector<std::string> results;
    DialogRun r = runDialog(run, main, [&](HWND dialog) {
        // One case per two ticks: deliver, then read what the posted
        // replies made of the fields.
        if (waited == 0) {
            if (next == sizeof cases / sizeof cases[0]) return true;
            SetDlgItemTextA(dialog, IDC_I_REPLY, "");
            for (int id : kLineFields) SetDlgItemTextA(dialog, id, "");
            for (const auto& chunk : cases[next].chunks) path.handoff().deliver(chunk.data(), chunk.size());
            waited = 1;
            return false;
        }
        if (++waited < 4) return false;
        const Case& c = cases[next++];
        waited = 0;
        results.push_back(std::string(c.name) + ": " + field(dialog, IDC_I_REPLY) + " " + lines(dialog));
        return false;
    }, 20000);
    EXPECT_TRUE(r.endedByScript);
    std::vector<std::string> expected;
    for (const Case& c : cases) expected.push_back(std::string(c.name) + ": " + c.value + " " + c.lines);
    EXPECT_EQ(expected, results);
}

}  // namespace
}  // namespace orv::test
