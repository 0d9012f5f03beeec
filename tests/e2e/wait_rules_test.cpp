// What arrives while Snorva waits for a hung AOL, as the window system brings it: what waits runs
// after, in order (a tick once, the rest as often as it came), the rest at once; one caller thread
// serves the whole run.
#include "app/resource.h"
#include "tests/e2e/e2e.h"

namespace {

using namespace e2e;

// Snorva's threads as probe.h's kThreads gives them (its own, AOL's and the caller thread at
// least, or the answer fails), and the handles it holds.
std::pair<std::wstring, int> Threads(HWND strip) {
    const std::wstring answer = Probe(strip, probe::kThreads);
    EXPECT_GE(std::count(answer.begin(), answer.end(), L'@'), 3)
        << "the probe answered: " << driver::Narrow(answer);
    return {answer.substr(answer.find(L':') + 1), _wtoi(answer.c_str())};
}

TEST(WhileSnorvaWaits, EachMessageWaitsOrRunsByItsRuleOnOneCallerThreadAndAnErrorShowsItsBox) {
    // AOL in Snorva's process: between processes, Wine hands on no text length that large.
    Session s(Inside("--version 8.0 --transfer"));
    ASSERT_TRUE(s.Choose(Item::IdleOn));
    ASSERT_TRUE(s.Tick({UserLine(1), kDownload})); // the caller thread is there from here on
    HWND strip = s.Window();
    const auto [threads, handles] = Threads(strip);
    ASSERT_TRUE(s.HangThenTick("--hang-on text 600000"));
    EXPECT_EQ(Threads(strip).first, threads) << "a thread more, or another, for this call";
    // In this order, posted as the timer and popup post them, or sent as the task bar sends them.
    const struct {
        UINT message;
        WPARAM wParam;
        bool (*meanwhile)(HWND strip); // sent: what holds once it is answered, during the wait
    } rows[] = {{WM_TIMER, Form1::kTimer1},
                {WM_COMMAND, IDM_IDLEON},
                {WM_TIMER, Form1::kTimer1}, // a tick that waits already: not a second one
                {WM_COMMAND, IDM_IDLEON},   // a command that waits already: once more
                {WM_SYSCOMMAND, SC_MINIMIZE, [](HWND w) { return IsIconic(w) != FALSE; }},
                {WM_SYSCOMMAND, SC_RESTORE, [](HWND w) { return !IsIconic(w); }},
                // A drag (as the system menu) runs a loop of its own: after the wait, once.
                {WM_SYSCOMMAND, SC_MOVE | HTCAPTION, [](HWND w) { return !Moving(w); }}};
    for (const auto& [message, wParam, meanwhile] : rows) {
        if (!meanwhile) PostMessageA(strip, message, wParam, 0);
        EXPECT_TRUE(!meanwhile || (Send(strip, message, wParam) && meanwhile(strip)))
            << "system command " << std::hex << wParam;
    }
    ASSERT_TRUE(sim::Release());
    // The waiting tick ends after the one held meanwhile; the drag runs in that one's pause.
    ASSERT_TRUE(s.Expect({UserLine(2), UserLine(3), kEngaged, kEngaged}));
    ASSERT_TRUE(Sees([&] { return Moving(strip); }, "the drag never ran"));
    // Released until the ticks' last lines come: the flag Moving reads may go while the loop
    // runs on (Wine takes the capture from a move loop, as a change of focus does, and leaves
    // the loop to its next release).
    EXPECT_TRUE(Sees(
        [&] {
            driver::PostButton(strip, WM_LBUTTONUP, driver::kStrip.x, driver::kStrip.y);
            return std::ranges::count(s.Lines(), kDownload, &driver::PostedLine::bytes) == 3;
        },
        "the drag outlived the button", 15000));
    EXPECT_TRUE(s.Expect({kDownload, kDownload}));
    const auto [threadsAfter, handlesAfter] = Threads(strip);
    EXPECT_EQ(threadsAfter, threads) << "the caller thread did not serve the whole run";
    EXPECT_LE(handlesAfter, handles + 1) << "handles left by the calls (AOL may hold its log)";
    // A tick waits inside the about box's loop while more moves come over the box than Windows
    // queues for a program: they merge, what came after them still runs, in order, and Snorva's
    // queue is never filled.
    const OwnedHandle queueFull(CreateEventA(nullptr, TRUE, FALSE, probe::kQueueFull));
    ASSERT_TRUE(s.Pick(Item::About));
    const auto about = s.ExpectBox(kAbout);
    ASSERT_TRUE(about && sim::Control("--hang-on text 600000")); // the tick posted, as a timer's
    PostMessageA(strip, WM_TIMER, Form1::kTimer1, 0);
    ASSERT_TRUE(Sees([&] { return Counter(strip) == L"4"; }, "the tick never came"));
    for (int i = 0; i <= 10000; ++i)
        PostMessageA(about, WM_MOUSEMOVE, 0, MAKELPARAM(i % 100, 10));
    PostMessageA(strip, WM_COMMAND, IDM_IDLEOFF, 0);
    driver::PostClick(GetDlgItem(about, IDOK), 1, 1);
    PostMessageA(strip, WM_COMMAND, IDM_IDLEON, 0);
    ASSERT_TRUE(sim::Release());
    EXPECT_TRUE(Sees([&] { return !IsWindow(about); }, "the box's OK never ran"));
    EXPECT_TRUE(s.Expect({UserLine(4), kDisengaged, kEngaged, kDownload}));
    EXPECT_EQ(WaitForSingleObject(queueFull.get(), 0), WAIT_TIMEOUT) << "the queue was filled";
    // An error raised inside a call (a text longer than any, AOL hung in it while the about box is
    // up) shows its box; a move of the about box held meanwhile does not run under it, and a close
    // under it ends Snorva with the error's number.
    ASSERT_TRUE(
        sim::Control("--transfer --transfer-static1-extra 2147483647 --hang-on read 600000"));
    ASSERT_TRUE(s.Pick(Item::About));
    const auto box = s.ExpectBox(kAbout);
    ASSERT_TRUE(box);
    const size_t from = s.Messages().size();
    PostMessageA(strip, WM_TIMER, Form1::kTimer1, 0);
    ASSERT_TRUE(SeesWaitIn(s, from, "transfer static WM_GETTEXTLENGTH"));
    PostMessageA(box, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
    ASSERT_TRUE(sim::Release());
    ASSERT_TRUE(s.ExpectBox("Run-time error '6':\n\nOverflow"));
    EXPECT_FALSE(driver::WaitUntil([&] { return Moving(strip); }, 1000)) << "it ran";
    PostMessageA(strip, WM_CLOSE, 0, 0);
    EXPECT_TRUE(s.ExpectEnd(6));
}

} // namespace
