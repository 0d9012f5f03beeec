// What arrives while Snorva waits for a hung AOL, message by message as the window system brings
// it: what waits runs afterwards in the order it came (a tick once, anything else as often as it
// came), what may not wait runs at once; the wait itself sleeps, on the one caller thread of the
// run. And the log-off's two messages in every state Snorva can be in.
#include "app/resource.h"
#include "sim/sim.h"
#include "tests/e2e/e2e.h"

#include <tlhelp32.h>

namespace {

using e2e::Item;
using e2e::Session;
using e2e::UserLine;

// A tick raised as the timer raises it, with AOL hung in its first line (the text) until the
// test releases it; true once Snorva waits there.
bool TickIntoAHang(Session& s) {
    const size_t from = s.Messages().size();
    if (!sim::Control("--hang-on text 600000")) return false;
    PostMessageA(s.Window(), WM_TIMER, Form1::kTimer1, 0);
    return e2e::Sees(
        [&] {
            const std::vector<driver::PostedLine> log = s.Messages();
            return log.size() > from &&
                   log.back().room + " " + log.back().bytes == "input WM_SETTEXT";
        },
        "Snorva never came to wait");
}

// The threads of Snorva's process, and the kernel handles it holds; the seconds of processor
// time it has used.
std::pair<int, std::wstring> ThreadsAndHandles(Session& s) {
    const OwnedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 thread{sizeof thread};
    int threads = 0;
    for (BOOL more = Thread32First(snapshot.get(), &thread); more;
         more = Thread32Next(snapshot.get(), &thread))
        threads += thread.th32OwnerProcessID == s.Program().Id();
    return {threads, e2e::Probe(s.Window(), probe::kHandles)};
}
double CpuSeconds(HWND strip) {
    return std::stod(e2e::Probe(strip, probe::kCpuMs)) / 1000;
}

TEST(WhileSnorvaWaits, EachMessageWaitsOrRunsByItsRuleAndTheWaitSleepsOnOneThreadForTheRun) {
    Session s({.aol = "--version 8.0 --transfer"});
    const std::string download = e2e::DownloadLine("snorva_demo.zip, 0%, 12 minutes");
    ASSERT_TRUE(s.Choose(Item::IdleOn));
    ASSERT_TRUE(s.Tick({UserLine(1), download})); // the caller thread is there from here on
    const auto threadsAndHandles = ThreadsAndHandles(s);
    ASSERT_NE(threadsAndHandles.second, L"0") << "no handles counted";
    HWND strip = s.Window();
    ASSERT_TRUE(TickIntoAHang(s));
    const double cpu = CpuSeconds(strip), start = MonotonicSeconds();
    // In this order: posted, as the timer and the popup post them, or sent, as the task bar and
    // the window system send them; what a sent one does has been done once it is answered.
    const struct {
        UINT message;
        WPARAM wParam;
        bool (*meanwhile)(HWND strip); // for a sent one: what holds after it, during the wait
    } rows[] = {{WM_TIMER, Form1::kTimer1},
                {WM_COMMAND, IDM_IDLEON},
                {WM_TIMER, Form1::kTimer1}, // a tick that waits already: not a second one
                {WM_COMMAND, IDM_IDLEON},   // a command that waits already: once more
                {WM_SYSCOMMAND, SC_MINIMIZE, [](HWND w) { return IsIconic(w) != FALSE; }},
                {WM_SYSCOMMAND, SC_RESTORE, [](HWND w) { return !IsIconic(w); }},
                // A drag (as the system menu) runs a loop of its own: after the wait, once.
                {WM_SYSCOMMAND, SC_MOVE | HTCAPTION, [](HWND w) { return !e2e::Moving(w); }}};
    for (const auto& [message, wParam, meanwhile] : rows) {
        SCOPED_TRACE(std::to_string(message) + " " + std::to_string(wParam));
        DWORD_PTR answer;
        if (!meanwhile)
            PostMessageA(strip, message, wParam, 0);
        else
            EXPECT_TRUE(
                SendMessageTimeoutA(strip, message, wParam, 0, SMTO_NORMAL, 5000, &answer) &&
                meanwhile(strip));
    }
    Sleep(1000);
    EXPECT_LT(CpuSeconds(strip) - cpu, (MonotonicSeconds() - start) / 10) << "the wait spins a core";
    ASSERT_TRUE(sim::Release());
    // The tick that waited ends after the one that came meanwhile, and the drag runs inside its
    // pause after the two commands.
    ASSERT_TRUE(s.Expect({UserLine(2), UserLine(3), e2e::kEngaged, e2e::kEngaged}));
    ASSERT_TRUE(e2e::Sees([&] { return e2e::Moving(strip); }, "the drag never ran"));
    driver::PostButton(strip, WM_LBUTTONUP, driver::kStrip.x, driver::kStrip.y);
    EXPECT_TRUE(s.Expect({download, download}));
    EXPECT_FALSE(e2e::Moving(strip)) << "the drag ran twice";
    EXPECT_EQ(ThreadsAndHandles(s), threadsAndHandles) << "threads and handles";
}

// A log-off first asks every window whether it may end the session (WM_QUERYENDSESSION), then
// says whether it does (WM_ENDSESSION): Snorva never refuses, a log-off that another program
// cancelled changes nothing, and one that goes on ends Snorva at once; under an error's box (an
// error raised inside a call to AOL) a close ends it too.
TEST(LogOff, NeverRefusedIdleWaitingOrUnderABoxAndOnlyOneThatGoesOnEndsSnorva) {
    enum class State { Idle, Waiting, UnderABox };
    for (State state : {State::Idle, State::Waiting, State::UnderABox}) {
        SCOPED_TRACE(static_cast<int>(state));
        // AOL in Snorva's process under the box: between processes, Wine hands on no length
        // that large.
        const std::string aol = "--version 8.0 --transfer";
        Session s(state == State::UnderABox ? e2e::Inside(aol) : driver::SnorvaSetup{.aol = aol});
        ASSERT_TRUE(s.Choose(Item::IdleOn));
        HWND strip = s.Window();
        std::optional<driver::MessageBoxInfo> box;
        if (state == State::Waiting) {
            ASSERT_TRUE(TickIntoAHang(s)); // never released
        } else if (state == State::UnderABox) {
            // A text longer than any: the tick's read raises Overflow in the call that reads it.
            ASSERT_TRUE(sim::Control("--transfer --transfer-static1-extra 2147483647"));
            PostMessageA(strip, WM_TIMER, Form1::kTimer1, 0);
            ASSERT_TRUE(box = s.ExpectBox("Run-time error '6':\n\nOverflow"));
        }
        for (BOOL goesOn : {FALSE, TRUE}) {
            DWORD_PTR answer = 0;
            EXPECT_TRUE(SendMessageTimeoutA(strip, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF,
                                            SMTO_NORMAL, 5000, &answer) &&
                        answer)
                << "refused";
            if (goesOn && box)
                PostMessageA(strip, WM_CLOSE, 0, 0);
            else if (goesOn)
                SendNotifyMessageA(strip, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
            else
                EXPECT_TRUE(SendMessageTimeoutA(strip, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF,
                                                SMTO_NORMAL, 5000, &answer) &&
                            s.Program().Running() && (!box || IsWindowVisible(box->window)))
                    << "a cancelled log-off ended Snorva";
        }
        EXPECT_TRUE(s.ExpectEnd(box ? 6 : 0));
    }
}

} // namespace
