// What ends Snorva: a close from outside ends it with nothing running after; with AOL gone,
// what needs no AOL works on, and the first line to post ends Snorva in a run-time error under
// which nothing runs.
#include "sim/sim.h"
#include "tests/e2e/e2e.h"

namespace {

using e2e::Item;
using e2e::Moving;
using e2e::Session;

TEST(CloseFromOutside, EndsSnorvaAtOnceWhateverItIsDoing) {
    // The task bar's Close and Alt+F4 send SC_CLOSE; another program sends WM_CLOSE.
    const std::pair<UINT, WPARAM> closes[] = {{WM_CLOSE, 0}, {WM_SYSCOMMAND, SC_CLOSE}};
    // Snorva busy in each of its inner event loops, and the room's lines it is to end with. A drag
    // runs the window system's own move loop, as the system menu's Move does.
    const std::pair<const char*, bool (*)(Session&, size_t&)> insides[] = {
        {"in a tick", // the user line is in; AOL, hung from then on, holds the download line
         [](Session& s, size_t& said) {
             if (!sim::Control("--hang-after-line 600000")) return false;
             SendNotifyMessageA(s.Window(), WM_TIMER, Form1::kTimer1, 0);
             return driver::WaitUntil([&] { return s.Said().size() > said; }, 10000, 1) && ++said;
         }},
        {"in the popup", [](Session& s, size_t&) { return s.OpenPopup() != nullptr; }},
        {"under the about box",
         [](Session& s, size_t&) { return s.Pick(Item::About) && s.ExpectBox(e2e::kAbout); }},
        {"in a drag", [](Session& s, size_t&) {
             driver::PostClick(s.Window(), driver::kStrip.x, driver::kStrip.y);
             return driver::WaitUntil([&] { return Moving(s.Window()); }, 5000);
         }}};
    for (const auto& [inside, enter] : insides) {
        for (const auto& [message, command] : closes) {
            // A modal box disables the strip, and Windows takes no system command for a
            // disabled window: there the box is answered first.
            if (inside == insides[2].first && message == WM_SYSCOMMAND) continue;
            SCOPED_TRACE(std::string(command ? "Alt+F4 " : "WM_CLOSE ") + inside);
            Session s({.aol = "--version 8.0 --transfer"});
            ASSERT_TRUE(s.Choose(Item::IdleOn));
            size_t said = s.Said().size();
            ASSERT_TRUE(enter(s, said));
            PostMessageA(s.Window(), message, command, 0);
            EXPECT_EQ(s.Program().Wait(10000), std::optional<DWORD>(0)) << "10 s after the close";
            EXPECT_EQ(s.Said().size(), said) << "a line came after the close";
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
            EXPECT_TRUE(e2e::StripShows(strip, then == Then::Tick ? L"1" : L"0"));
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
