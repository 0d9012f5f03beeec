// An AOL client that takes no message for many seconds, at each place where Snorva waits on it
// (a text read, the line's text, its Enter, the menu read, or hung before the call began), with
// AOL as a program of its own (as under Wine) or on a thread of Snorva's process (the nearest to
// Windows, where every call waits in Snorva): the strip paints, a close ends Snorva at once, AOL
// gone ends it in error 13, and when AOL answers, every message reached it once. The wait takes
// no CPU to speak of, also with another program's procedure in front of the strip's. (What comes
// meanwhile: wait_rules_test.cpp; a popup opened after a wait: commands_test.cpp.)
#include "aol/aol.h"
#include "app/resource.h"
#include "sim/sim.h"
#include "tests/e2e/e2e.h"

#include <map>

namespace {

using e2e::Item;
using e2e::Session;
using e2e::UserLine;

enum class Point { Read, Text, Enter, Menu, AlreadyHung };
enum class Then { Answers, CloseMessage, CloseGlyph, AltF4, EndSession, AolEnds, AolEndsAtLogOff };

HWND AolFrame() {
    return FindWindowA(aolclass::kFrame, nullptr);
}

// AOL's UI thread ends, as in a crash or when it is killed: its windows go with it.
void EndAolThread() {
    const OwnedHandle thread(
        OpenThread(THREAD_TERMINATE, FALSE, GetWindowThreadProcessId(AolFrame(), nullptr)));
    TerminateThread(thread.get(), 1);
}

// How often each of AOL's windows took each message, in the message log from `from` on.
using Counts = std::map<std::string, int>;
Counts Count(const Session& s, size_t from) {
    Counts counts;
    const std::vector<driver::PostedLine> messages = s.Messages();
    for (size_t i = from; i < messages.size(); ++i)
        ++counts[messages[i].room + " " + messages[i].bytes];
    return counts;
}

TEST(SlowAol, WhereverSnorvaWaitsItPaintsAndClosesAtOnceAndWhenAolAnswersNothingIsLost) {
    const struct {
        Point point;
        bool inside; // AOL on a thread of Snorva's process
        Then then;
        // 10 s of the wait, with another program's procedure in front of the strip's own (as an
        // accessibility tool or an input method puts one): no CPU to speak of, the close not held
        bool watched = false;
    } rows[] = {{Point::Read, false, Then::Answers},
                {Point::Read, true, Then::CloseMessage, true},
                {Point::Text, false, Then::CloseGlyph, true},
                {Point::Text, true, Then::Answers},
                {Point::Enter, false, Then::AolEnds},
                {Point::Enter, true, Then::AltF4},
                {Point::Menu, false, Then::EndSession}, // the menu is read directly inside
                {Point::AlreadyHung, false, Then::AltF4},
                {Point::AlreadyHung, true, Then::AolEndsAtLogOff}};
    // The message Snorva waits in, as AOL's message log names it.
    const char* const hungIn[] = {"transfer static WM_GETTEXTLENGTH", "input WM_SETTEXT",
                                  "input WM_CHAR", "frame WM_NULL"};
    const char* const hangOn[] = {"read", "text", "enter", "menu"};
    for (const auto& [point, inside, then, watched] : rows) {
        const int at = static_cast<int>(point);
        SCOPED_TRACE(std::string(point == Point::AlreadyHung ? "hung before" : hangOn[at]) +
                     (inside ? " inside" : " own") + " then " +
                     std::to_string(static_cast<int>(then)));
        const std::string aol = "--version 8.0 --transfer";
        Session s(inside ? e2e::Inside(aol) : driver::SnorvaSetup{.aol = aol});
        const std::string download = e2e::DownloadLine("snorva_demo.zip, 0%, 12 minutes");
        // What AOL's windows take for one line and for one tick, when AOL answers at once.
        size_t from = s.Messages().size();
        ASSERT_TRUE(s.Choose(Item::IdleOn));
        const Counts oneLine = Count(s, from);
        EXPECT_EQ(oneLine.at("input WM_SETTEXT") + oneLine.at("input WM_CHAR"), 2);
        from = s.Messages().size();
        ASSERT_TRUE(s.Tick({UserLine(1), download}));
        const Counts oneTick = Count(s, from);
        from = s.Messages().size();

        HWND strip = s.Window();
        if (watched) {
            ASSERT_EQ(e2e::Probe(strip, probe::kInFront), L"in front");
        }
        // AOL hangs until the test releases it, which only the row where it answers does: what
        // ends Snorva meanwhile ends it without AOL.
        if (point == Point::AlreadyHung) {
            ASSERT_TRUE(sim::Control("--hang 600000"));
            ASSERT_TRUE(e2e::Sees([] { return IsHungAppWindow(AolFrame()) != FALSE; },
                                  "AOL was not hung after 15 s", 15000));
        } else {
            ASSERT_TRUE(sim::Control(std::string("--hang-on ") + hangOn[at] + " 600000"));
        }
        SendNotifyMessageA(strip, WM_TIMER, Form1::kTimer1, 0);
        // Snorva waits: the tick has raised the counter, and AOL took the message it hangs in.
        ASSERT_TRUE(e2e::Sees(
            [&] {
                const std::vector<driver::PostedLine> log = s.Messages();
                return point == Point::AlreadyHung
                           ? e2e::StripShows(strip, L"2")
                           : log.size() > from &&
                                 log.back().room + " " + log.back().bytes == hungIn[at];
            },
            "Snorva never came to wait"));
        RedrawWindow(strip, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
        EXPECT_TRUE(
            e2e::Sees([&] { return !GetUpdateRect(strip, nullptr, FALSE); }, "no paint", 5000));
        EXPECT_TRUE(e2e::StripShows(strip, L"2"));
        if (watched) { // asked inside the wait, which handles what is sent to Snorva's thread
            const auto cpuMs = [&] { return std::stod(e2e::Probe(strip, probe::kCpuMs)); };
            const double before = cpuMs();
            const DWORD start = GetTickCount();
            Sleep(10000);
            const double cpu = cpuMs() - before, wall = GetTickCount() - start;
            EXPECT_LT(cpu, 0.02 * wall) << cpu << " ms of CPU in " << wall << " ms of waiting";
        }

        const size_t said = s.Lines().size();
        const DWORD pid = s.Program().Id();
        switch (then) {
        case Then::Answers: // the tick goes on, and every message reached AOL once
            ASSERT_TRUE(sim::Release());
            EXPECT_TRUE(s.Expect({UserLine(2), download}, 30000));
            EXPECT_EQ(Count(s, from), oneTick) << "a message reached AOL twice, or never";
            continue;
        case Then::CloseMessage:
            PostMessageA(strip, WM_CLOSE, 0, 0);
            break;
        case Then::CloseGlyph:
            driver::PostClick(strip, driver::kCloseGlyph.x, driver::kCloseGlyph.y);
            break;
        case Then::AltF4: // as the keys and the task bar's Close send it
            PostMessageA(strip, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case Then::EndSession:
            SendNotifyMessageA(strip, WM_ENDSESSION, TRUE, 0);
            break;
        case Then::AolEnds:
        case Then::AolEndsAtLogOff: {
            EndAolThread();
            auto box = s.ExpectBox(e2e::kNoAol);
            ASSERT_TRUE(box);
            EXPECT_EQ(driver::CountVisibleWindows("#32770", pid), 1);
            if (then == Then::AolEnds) {
                driver::DismissMessageBox(box->window);
                EXPECT_TRUE(s.ExpectEnd(13));
                continue;
            }
            // Windows may end AOL before Snorva hears of the log-off: the box must not stay,
            // the log-off is not refused, and Snorva ends with the box's error.
            DWORD_PTR answer = 0;
            EXPECT_TRUE(SendMessageTimeoutA(strip, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF,
                                            SMTO_NORMAL, 5000, &answer) &&
                        answer);
            SendNotifyMessageA(strip, WM_ENDSESSION, TRUE, 0);
            break;
        }
        }
        const std::optional<DWORD> status = s.Program().Wait(10000);
        ASSERT_TRUE(status) << "Snorva still runs 10 s after it was ended, AOL hung all along";
        EXPECT_EQ(*status, then == Then::AolEndsAtLogOff ? 13u : 0u);
        EXPECT_EQ(s.Lines().size(), said) << "a line came after the close";
    }
}

} // namespace
