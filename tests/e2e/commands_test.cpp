// The popup menu, the window's commands, the idle tick and the strip, end to end: items chosen
// from the real popup with the keyboard, glyphs clicked, the room read after every step.
#include "tests/e2e/e2e.h"

#include "sim/sim.h"

namespace {

using e2e::Item;
using e2e::Moving;
using e2e::Rect;
using e2e::Session;
using e2e::UserLine;

TEST(Popup, EveryCommandDoesItsWorkWhateverTheStateAndTheTicksCountOn) {
    Session s;
    EXPECT_TRUE(driver::WaitUntil([&] { return e2e::StripShows(s.Window(), L"0"); }, 5000));
    ASSERT_TRUE(s.Choose(Item::Info));    // only opens its submenu
    ASSERT_TRUE(s.Choose(Item::IdleOff)); // while off: the line alone
    ASSERT_TRUE(s.Choose(Item::IdleOn));
    ASSERT_TRUE(s.Choose(Item::IdleOn));
    // Opened by a click on the menu glyph with idling on, the popup has its corner at the
    // pointer, its heading greyed and no item checked.
    const RECT strip = Rect(s.Window());
    const POINT pointer{strip.left + driver::kMenuGlyph.x, strip.top + driver::kMenuGlyph.y};
    SetCursorPos(pointer.x, pointer.y);
    HWND popup = s.OpenPopup();
    ASSERT_TRUE(popup);
    EXPECT_EQ(Rect(popup).left, pointer.x);
    EXPECT_EQ(Rect(popup).top, pointer.y);
    EXPECT_EQ(e2e::Probe(popup, probe::kPopup), L"Snorva (greyed)\n-\nidle on\nidle off\n-\ninfo\n"
                                                L"  about\n-\nminimize\nunload\n");
    driver::PostKey(popup, VK_ESCAPE);
    ASSERT_TRUE(driver::WaitUntil([] { return !driver::FindPopupMenu(); }, 10000));
    for (int minute = 1; minute <= 3; ++minute)
        ASSERT_TRUE(s.Tick({UserLine(minute)}));
    ASSERT_TRUE(s.Choose(Item::IdleOff));
    ASSERT_TRUE(s.Tick({})); // while off the timer's message changes nothing
    ASSERT_TRUE(s.Choose(Item::IdleOn));
    ASSERT_TRUE(s.Tick({UserLine(4)}));
    EXPECT_TRUE(driver::WaitUntil([&] { return e2e::StripShows(s.Window(), L"4"); }, 5000));
    EXPECT_FALSE(e2e::StripShows(s.Window(), L"3"));
    ASSERT_TRUE(s.Choose(Item::About));
    ASSERT_TRUE(s.Choose(Item::Minimize));
    ASSERT_TRUE(s.Tick({UserLine(5)})); // minimized, it idles on
    ASSERT_TRUE(s.Restore());
    EXPECT_TRUE(driver::WaitUntil([&] { return e2e::StripShows(s.Window(), L"5"); }, 5000))
        << "the restored strip does not show its minutes";
    ASSERT_TRUE(s.Choose(Item::Unload));
    auto lines = s.Lines();
    EXPECT_GE(lines.back().ms - lines[lines.size() - 2].ms, 500.0 - 0.01);
}

TEST(IdleTick, TheFirstComesAMinuteAfterIdleOnWhichChosenAgainKeepsTheMinute) {
    Session s;
    ASSERT_TRUE(s.Choose(Item::IdleOn));
    const double on = s.Lines().back().ms;
    Sleep(30000); // half the minute gone
    ASSERT_TRUE(s.Choose(Item::IdleOn));
    ASSERT_TRUE(s.Expect({UserLine(1)}, 90000));
    EXPECT_GE(s.Lines().back().ms - on, 59000.0);
    EXPECT_LT(s.Lines().back().ms - on, 75000.0) << "a minute from a later idle on";
    EXPECT_TRUE(driver::WaitUntil([&] { return e2e::StripShows(s.Window(), L"1"); }, 5000));
}

TEST(IdleTick, DownloadLineFollowsHalfASecondLaterAndCommandsChosenInTheTickRunInside) {
    Session s({.aol = "--version 8.0 --transfer"});
    const std::string download = e2e::DownloadLine("snorva_demo.zip, 0%, 12 minutes");
    ASSERT_TRUE(s.Choose(Item::IdleOn));
    ASSERT_TRUE(s.Tick({UserLine(1), download}));
    auto lines = s.Lines();
    EXPECT_GE(lines.back().ms - lines[lines.size() - 2].ms, 500.0 - 0.01);
    // The transfer window closes as the tick reads it, after N reads of its first static: the
    // tick's own lookup (1), the file name's lookup (2) and text (3), the percent's lookup (4).
    // Each field looks it up afresh, so those after the close read n/a.
    int minute = 1;
    for (const char* fields : {"n/a, n/a%, n/a", ", n/a%, n/a", "snorva_demo.zip, n/a%, n/a",
                               "snorva_demo.zip, 0%, n/a"}) {
        SCOPED_TRACE(fields);
        ASSERT_TRUE(sim::Control("--transfer --transfer-close-after " + std::to_string(minute)));
        ASSERT_TRUE(s.Tick({UserLine(++minute), e2e::DownloadLine(fields)}));
    }
    ASSERT_TRUE(sim::Control("--transfer --transfer-close-after never"));
    // A click on the menu glyph queued behind a tick is handled inside the tick's pause: idle
    // off chosen there stands between the tick's lines, and no tick counts after it; unload
    // chosen there ends the program before the download line.
    for (Item item : {Item::IdleOff, Item::Unload}) {
        SendNotifyMessageA(s.Window(), WM_TIMER, Form1::kTimer1, 0);
        ASSERT_TRUE(s.Pick(item));
        if (item == Item::Unload) break;
        ASSERT_TRUE(s.Expect({UserLine(6), e2e::kDisengaged, download}));
        ASSERT_TRUE(s.Tick({}));
        ASSERT_TRUE(s.Choose(Item::IdleOn));
    }
    ASSERT_TRUE(s.Expect({UserLine(7), e2e::kUnloadBy, e2e::kUnloads}));
    EXPECT_TRUE(s.ExpectEnd(0));
}

TEST(Glyphs, OnlyACompletedClickActsTheStripMovesWithThePointerTheCloseGlyphEnds) {
    Session s;
    HWND window = s.Window();
    const RECT start = Rect(window);
    const POINT grip{start.left + driver::kStrip.x, start.top + driver::kStrip.y};
    auto at = [&](int dx, int dy) {
        return Rect(window).left == start.left + dx && Rect(window).top == start.top + dy;
    };
    // Pressed (the window takes the capture), moved, released over the close glyph: no move, and
    // no close either.
    SetCursorPos(grip.x, grip.y);
    driver::PostButton(window, WM_LBUTTONDOWN, driver::kStrip.x, driver::kStrip.y);
    ASSERT_TRUE(driver::WaitUntil(
        [&] { return e2e::GuiThread(window).hwndCapture == window || Moving(window); }, 5000));
    SetCursorPos(grip.x + 60, grip.y + 50);
    driver::PostButton(window, WM_LBUTTONUP, driver::kCloseGlyph.x, driver::kCloseGlyph.y);
    ASSERT_TRUE(s.Expect({}));
    EXPECT_TRUE(at(0, 0) && !Moving(window));
    // A completed click hands the window to the move loop: it follows the pointer until the
    // button comes up.
    ASSERT_TRUE(s.Drag(100, 75));
    ASSERT_TRUE(s.Expect({}));
    // The close glyph likewise: a press released over the strip does nothing, a click ends Snorva.
    driver::PostButton(window, WM_LBUTTONDOWN, driver::kCloseGlyph.x, driver::kCloseGlyph.y);
    driver::PostButton(window, WM_LBUTTONUP, driver::kStrip.x, driver::kStrip.y);
    ASSERT_TRUE(s.Expect({}));
    EXPECT_FALSE(Moving(window));
    driver::PostClick(window, driver::kCloseGlyph.x, driver::kCloseGlyph.y);
    EXPECT_TRUE(s.ExpectEnd(0));
    EXPECT_TRUE(s.Said().empty());
}

} // namespace
