// What ends Snorva: a close from outside, or a log-off, ends it with nothing running after; with
// AOL gone, what needs no AOL works on, and the first line to post ends Snorva in a run-time error
// under which nothing runs. (A close while AOL is hung: slow_aol_test.cpp.)
#include "sim/sim.h"
#include "tests/e2e/e2e.h"

namespace {

using e2e::Item;
using e2e::Moving;
using e2e::Session;

// A click on the strip starts a drag, and Snorva is in the window system's move loop.
bool Dragging(Session& s) {
    driver::PostClick(s.Window(), driver::kStrip.x, driver::kStrip.y);
    return e2e::Sees([&] { return Moving(s.Window()); }, "a click on the strip started no move");
}

// A log-off in each state Snorva can be in. Asked first (WM_QUERYENDSESSION), Snorva never refuses
// it; one that another program then cancelled (WM_ENDSESSION FALSE) changes nothing; a real one
// (TRUE) ends Snorva at once, status 0, posting nothing more: Windows may end the process any
// time after, AOL may be gone already, and no box, loop or wait may stand in the way. So does a
// close from outside, inside each of Snorva's inner loops (one while AOL is hung: slow_aol_test).
TEST(EndFromOutside, ALogOffIsNeverRefusedACancelledOneChangesNothingAndARealOneOrACloseEndsIt) {
    using Ends = std::vector<std::pair<UINT, WPARAM>>;
    const Ends logOff{{WM_ENDSESSION, TRUE}};
    // The task bar's Close and Alt+F4 post SC_CLOSE; another program WM_CLOSE.
    const Ends closes{{WM_ENDSESSION, TRUE}, {WM_CLOSE, 0}, {WM_SYSCOMMAND, SC_CLOSE}};
    const struct {
        const char* state;
        bool (*enter)(Session&);
        bool (*holds)(Session&); // the state, still there
        Ends ends;
        bool greet = true;
    } rows[] = {
        {"idle", [](Session&) { return true; }, [](Session& s) { return s.Expect({}); }, logOff},
        {"waiting",
         [](Session& s) {
             return s.Choose(Item::IdleOn) && s.HangThenTick("--hang-on text 600000");
         },
         [](Session& s) { return s.Expect({}); }, logOff},
        {"under a box",
         [](Session& s) {
             return sim::Control("--close") && s.Pick(Item::IdleOn) && s.ExpectBox(e2e::kNoAol);
         },
         [](Session& s) { return s.ExpectBox(e2e::kNoAol).has_value(); }, logOff},
        {"popup open", [](Session& s) { return s.OpenPopup() != nullptr; },
         [](Session&) { return driver::FindPopupMenu() != nullptr; }, closes},
        // The box disables the strip, and Windows takes no system command for a disabled window.
        {"about box open",
         [](Session& s) { return s.Pick(Item::About) && s.ExpectBox(e2e::kAbout); },
         [](Session& s) { return s.ExpectBox(e2e::kAbout).has_value(); },
         Ends(closes.begin(), closes.end() - 1)},
        {"handle dialog open", [](Session& s) { return s.WaitForHandleDialog() != nullptr; },
         [](Session& s) { return s.WaitForHandleDialog(0) && s.Lines().empty(); }, logOff, false},
        // A drag runs the window system's own move loop, as the system menu's Move does.
        {"dragging", Dragging, [](Session& s) { return Moving(s.Window()); }, closes}};
    for (const auto& [state, enter, holds, ends, greet] : rows) {
        for (const auto& [message, wParam] : ends) {
            SCOPED_TRACE(std::string(state) + ", then " + std::to_string(message));
            Session s({}, greet);
            ASSERT_TRUE(enter(s));
            HWND strip = s.Window();
            DWORD_PTR answer = 0;
            EXPECT_TRUE(SendMessageTimeoutA(strip, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF,
                                            SMTO_NORMAL, 5000, &answer) &&
                        answer)
                << "the log-off was refused";
            EXPECT_TRUE(SendMessageTimeoutA(strip, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF,
                                            SMTO_NORMAL, 5000, &answer));
            EXPECT_TRUE(s.Program().Running() && holds(s)) << "the cancelled log-off changed it";
            const size_t said = s.Lines().size();
            if (message == WM_ENDSESSION) // sent, as Windows sends it
                SendNotifyMessageA(strip, message, wParam, ENDSESSION_LOGOFF);
            else
                PostMessageA(strip, message, wParam, 0);
            EXPECT_TRUE(s.ExpectEnd(0));
            EXPECT_EQ(s.Lines().size(), said) << "a line came after the end";
        }
    }
}

// Handles, within 5 s, what is sent to Snorva's window now (SendMessage waits until it has).
bool Handled(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result;
    return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 5000, &result);
}

// AOL closed after start-up: what needs no AOL still works; the first line Snorva then tries to
// post ends it in one box, under which nothing runs.
TEST(AolGone, WhatNeedsNoAolWorksAndTheFirstLineEndsSnorvaInOneTypeMismatchBox) {
    enum class Then { Pick, Tick, CloseGlyph };
    const struct {
        bool (*first)(Session&); // what needs no AOL, done after it has gone
        Then then;
        Item item = Item::Title;
    } rows[] = {{[](Session& s) { return s.Choose(Item::About); }, Then::Pick, Item::IdleOn},
                {[](Session& s) { return s.Choose(Item::Minimize) && s.Restore(); }, Then::Pick,
                 Item::IdleOff},
                {[](Session& s) { return s.Drag(100, -75); }, Then::Pick, Item::Unload},
                {nullptr, Then::Tick},
                {nullptr, Then::CloseGlyph}};
    for (const auto& row : rows) {
        SCOPED_TRACE("row " + std::to_string(&row - rows));
        const auto& [first, then, item] = row;
        Session s({.at = POINT{0, 700}}); // below the box
        ASSERT_TRUE(s.Choose(Item::IdleOn));
        ASSERT_TRUE(sim::Control("--close")); // closed when it answers
        ASSERT_TRUE(!first || first(s));
        HWND strip = s.Window();
        const LPARAM glyph = MAKELPARAM(driver::kCloseGlyph.x, driver::kCloseGlyph.y);
        if (then == Then::Pick)
            ASSERT_TRUE(s.Pick(item));
        else if (then == Then::Tick)
            SendNotifyMessageA(strip, WM_TIMER, Form1::kTimer1, 0);
        else
            driver::PostClick(strip, driver::kCloseGlyph.x, driver::kCloseGlyph.y);
        if (then != Then::CloseGlyph) {
            auto box = s.ExpectBox(e2e::kNoAol);
            ASSERT_TRUE(box);
            // Under the box the timer ticks and the close glyph is clicked: none of it may run.
            for (int i = 0; i < 3; ++i)
                EXPECT_TRUE(Handled(strip, WM_TIMER, Form1::kTimer1));
            EXPECT_TRUE(Handled(strip, WM_LBUTTONDOWN, MK_LBUTTON, glyph) &&
                        Handled(strip, WM_LBUTTONUP, 0, glyph));
            EXPECT_TRUE(s.Program().Running()) << "the close glyph ran under the box";
            // A tick raises its counter before it posts; no tick runs under the box.
            EXPECT_EQ(e2e::Counter(strip), then == Then::Tick ? L"1" : L"0");
            EXPECT_EQ(driver::CountVisibleWindows("#32770", s.Program().Id()), 1);
            EXPECT_FALSE(IsWindowEnabled(strip));
            EXPECT_TRUE(GetWindowLongA(box->window, GWL_EXSTYLE) & WS_EX_TOPMOST) << "behind";
            driver::DismissMessageBox(box->window);
        }
        EXPECT_TRUE(s.ExpectEnd(then == Then::CloseGlyph ? 0 : 13));
        EXPECT_EQ(s.Said(), std::vector<std::string>{e2e::kEngaged});
    }
}

} // namespace
