// The popup menu, the window's commands, the idle tick and the strip, end to end: items chosen
// from the real popup with the keyboard, glyphs clicked, the room read after every step.
#include "tests/e2e/e2e.h"

#include "sim/sim.h"

namespace {

using e2e::Item;
using e2e::Rect;
using e2e::Session;
using e2e::UserLine;

TEST(Popup, EveryCommandAndTickDoesItsWorkWhateverTheStateAlsoWhenChosenInsideATick) {
    Session s({.aol = "--version 8.0 --transfer"});
    const std::string download = e2e::DownloadLine("snorva_demo.zip, 0%, 12 minutes");
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
    for (int minute = 1; minute <= 3; ++minute) // the download line half a second after
        ASSERT_TRUE(s.Tick({UserLine(minute), download}));
    EXPECT_PRED2(e2e::HalfASecondApart, s.Lines()[s.Lines().size() - 2].ms, s.Lines().back().ms);
    ASSERT_TRUE(s.Choose(Item::IdleOff));
    ASSERT_TRUE(s.Tick({})); // while off the timer's message changes nothing
    ASSERT_TRUE(s.Choose(Item::IdleOn));
    ASSERT_TRUE(s.Tick({UserLine(4), download}));
    EXPECT_TRUE(driver::WaitUntil([&] { return e2e::StripShows(s.Window(), L"4"); }, 5000));
    EXPECT_FALSE(e2e::StripShows(s.Window(), L"3"));
    ASSERT_TRUE(s.Choose(Item::About));
    ASSERT_TRUE(s.Choose(Item::Minimize));
    ASSERT_TRUE(s.Tick({UserLine(5), download})); // minimized, it idles on
    ASSERT_TRUE(s.Restore());
    EXPECT_TRUE(driver::WaitUntil([&] { return e2e::StripShows(s.Window(), L"5"); }, 5000))
        << "the restored strip does not show its minutes";
    // The transfer window closes as the tick reads it, after N reads of its first static: the
    // tick's own lookup (1), the file name's lookup (2) and text (3), the percent's lookup (4).
    // Each field looks it up afresh, so those after the close read n/a.
    int reads = 0;
    for (const char* fields : {"n/a, n/a%, n/a", ", n/a%, n/a", "snorva_demo.zip, n/a%, n/a",
                               "snorva_demo.zip, 0%, n/a"}) {
        SCOPED_TRACE(fields);
        ASSERT_TRUE(sim::Control("--transfer --transfer-close-after " + std::to_string(++reads)));
        ASSERT_TRUE(s.Tick({UserLine(5 + reads), e2e::DownloadLine(fields)}));
    }
    ASSERT_TRUE(sim::Control("--transfer --transfer-close-after never"));
    { // A click on the menu glyph that waited for AOL while another program came to the front:
      // its popup brings Snorva to the front, as a popup needs to close on a click elsewhere,
      // and opens where the click was, not where the pointer has gone since.
        ASSERT_TRUE(sim::Control("--hang-on text 600000"));
        PostMessageA(s.Window(), WM_TIMER, Form1::kTimer1, 0);
        const Owned<HWND, DestroyWindow> other(CreateWindowExA(
            0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 400, 300, 200, 100, 0, 0, 0, 0));
        SetForegroundWindow(other.get());
        ASSERT_EQ(GetForegroundWindow(), other.get());
        SetCursorPos(450, 320); // the pointer has gone on to the other program
        popup = s.OpenPopup([] { ASSERT_TRUE(sim::Release()); });
        ASSERT_TRUE(popup);
        EXPECT_EQ(GetForegroundWindow(), s.Window()) << "opened with another program in front";
        EXPECT_TRUE(Rect(popup).left == pointer.x && Rect(popup).top == pointer.y) << "elsewhere";
        ASSERT_TRUE(e2e::Sees([&] { return e2e::GuiThread(popup).flags & GUI_INMENUMODE; },
                              "the popup's loop never took the mouse"));
        SetCursorPos(500, 350); // a click on the other program, as the mouse makes it
        INPUT click[2] = {{INPUT_MOUSE}, {INPUT_MOUSE}};
        click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, click, sizeof(INPUT));
        EXPECT_TRUE(e2e::Sees([] { return !driver::FindPopupMenu(); }, "the popup stayed open"));
        ASSERT_TRUE(s.Expect({UserLine(10), download})); // and chose nothing
    }
    // A click on the menu glyph queued behind a tick is handled inside the tick's pause: idle
    // off chosen there stands between the tick's lines, and no tick counts after it; unload
    // chosen there ends the program before the download line, its two lines half a second apart.
    // AOL holds the tick in its first line until the click is queued.
    for (Item item : {Item::IdleOff, Item::Unload}) {
        ASSERT_TRUE(sim::Control("--hang-on text 600000"));
        PostMessageA(s.Window(), WM_TIMER, Form1::kTimer1, 0);
        ASSERT_TRUE(s.Pick(item, [] { ASSERT_TRUE(sim::Release()); }));
        if (item == Item::Unload) break;
        ASSERT_TRUE(s.Expect({UserLine(11), e2e::kDisengaged, download}));
        ASSERT_TRUE(s.Tick({}));
        ASSERT_TRUE(s.Choose(Item::IdleOn));
    }
    ASSERT_TRUE(s.Expect({UserLine(12), e2e::kUnloadBy, e2e::kUnloads}));
    EXPECT_PRED2(e2e::HalfASecondApart, s.Lines()[s.Lines().size() - 2].ms, s.Lines().back().ms);
    EXPECT_TRUE(s.ExpectEnd(0));
}

TEST(IdleTick, TheFirstComesAMinuteAfterIdleOnWhichChosenAgainKeepsTheMinute) {
    Session s;
    ASSERT_TRUE(s.Choose(Item::IdleOn));
    const double on = s.Lines().back().ms;
    Sleep(30000); // half the minute gone
    ASSERT_TRUE(s.Choose(Item::IdleOn));
    ASSERT_TRUE(s.Expect({UserLine(1)}, 90000));
    EXPECT_GE(s.Lines().back().ms - on, 55000.0);
    EXPECT_LT(s.Lines().back().ms - on, 75000.0) << "a minute from a later idle on";
}

} // namespace
