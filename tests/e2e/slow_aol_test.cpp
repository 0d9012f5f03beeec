// AOL hung wherever Snorva waits on it, apart or on a thread of Snorva's process (as every call
// waits on Windows): the strip paints, a close ends Snorva at once, AOL gone ends it in error 13,
// and when AOL answers every message reached it once. (What comes meanwhile: wait_rules_test.)
#include "aol/aol.h"
#include "tests/e2e/e2e.h"

#include <map>

namespace {

using namespace e2e;

enum class Point { Read, Text, Enter, Menu, AlreadyHung };
enum class Then { Answers, CloseMessage, CloseGlyph, AltF4, AolEnds };

// How often each of AOL's windows took each message, in the message log from `from` on.
std::map<std::string, int> Count(const Session& s, size_t from) {
    std::map<std::string, int> counts;
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
        // 10 s of the wait with another program's procedure in front of the strip's (as an input
        // method puts one): no CPU to speak of, the close not held
        bool watched = false;
    } rows[] = {
        {Point::Read, false, Then::Answers},          {Point::Read, true, Then::CloseMessage, true},
        {Point::Text, false, Then::CloseGlyph, true}, {Point::Text, true, Then::Answers},
        {Point::Enter, false, Then::AolEnds},         {Point::Enter, true, Then::AltF4},
        {Point::Menu, false, Then::Answers}, // the menu is read directly inside
        {Point::AlreadyHung, false, Then::AltF4},     {Point::AlreadyHung, true, Then::AolEnds}};
    // The message Snorva waits in, as AOL's message log names it.
    const char* const hungIn[] = {"transfer static WM_GETTEXTLENGTH", "input WM_SETTEXT",
                                  "input WM_CHAR", "frame WM_NULL"};
    const char* const hangOn[] = {"read", "text", "enter", "menu"};
    for (const auto& [point, inside, then, watched] : rows) {
        const int at = static_cast<int>(point);
        SCOPED_TRACE(testing::Message() << "hung at " << at << (inside ? " inside" : " apart")
                                        << ", then " << static_cast<int>(then));
        const std::string aol = "--version 8.0 --transfer";
        Session s(inside ? Inside(aol) : driver::SnorvaSetup{.aol = aol});
        // What AOL's windows take for one tick, when AOL answers at once.
        ASSERT_TRUE(s.Choose(Item::IdleOn));
        size_t from = s.Messages().size();
        ASSERT_TRUE(s.Tick({UserLine(1), kDownload}));
        const auto oneTick = Count(s, from);
        from = s.Messages().size();

        HWND strip = s.Window();
        ASSERT_TRUE(!watched || Probe(strip, probe::kInFront) == L"in front");
        // AOL hangs until the test releases it, which only the rows where it answers do: what ends
        // Snorva meanwhile ends it without AOL. Snorva waits once AOL took the message it hangs in.
        ASSERT_TRUE(point != Point::AlreadyHung ||
                    (sim::Control("--hang 600000") &&
                     Sees([] { return IsHungAppWindow(FindWindowA(aolclass::kFrame, nullptr)); },
                          "AOL not hung", 15000)));
        ASSERT_TRUE(s.HangThenTick(
            point == Point::AlreadyHung ? "" : std::string("--hang-on ") + hangOn[at] + " 600000"));
        ASSERT_TRUE(point == Point::AlreadyHung || SeesWaitIn(s, from, hungIn[at]));
        RedrawWindow(strip, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
        EXPECT_TRUE(Sees([&] { return !GetUpdateRect(strip, nullptr, FALSE); }, "no paint", 5000));
        EXPECT_EQ(Counter(strip), L"2");
        if (watched) { // asked inside the wait, which handles what is sent to Snorva's thread
            const double cpu = CpuMs(strip);
            Sleep(10000);
            EXPECT_LT(CpuMs(strip) - cpu, 200) << "ms of CPU in 10 s of waiting";
        }

        const size_t said = s.Lines().size();
        switch (then) {
        case Then::Answers: // the tick goes on, and every message reached AOL once
            ASSERT_TRUE(sim::Release());
            EXPECT_TRUE(s.Expect({UserLine(2), kDownload}, 30000));
            EXPECT_EQ(Count(s, from), oneTick) << "a message reached AOL twice, or never";
            continue;
        case Then::CloseGlyph:
            driver::PostClick(strip, driver::kCloseGlyph.x, driver::kCloseGlyph.y);
            break;
        case Then::CloseMessage:
        case Then::AltF4: // as the keys and the task bar's Close send it
            PostMessageA(strip, then == Then::AltF4 ? WM_SYSCOMMAND : WM_CLOSE, SC_CLOSE, 0);
            break;
        case Then::AolEnds: { // AOL's thread ends, as in a crash: its windows go with it
            const DWORD id =
                GetWindowThreadProcessId(FindWindowA(aolclass::kFrame, nullptr), nullptr);
            TerminateThread(OwnedHandle(OpenThread(THREAD_TERMINATE, FALSE, id)).get(), 1);
            auto box = s.ExpectBox(kNoAol);
            ASSERT_TRUE(box);
            EXPECT_EQ(driver::CountVisibleWindows("#32770", s.Program().Id()), 1);
            driver::DismissMessageBox(box);
            EXPECT_TRUE(s.ExpectEnd(13));
            continue;
        }
        }
        EXPECT_TRUE(s.ExpectEnd(0)) << "ended with AOL hung all along";
        EXPECT_EQ(s.Lines().size(), said) << "a line came after the close";
    }
}

} // namespace
