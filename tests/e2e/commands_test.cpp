// The popup menu, the window's commands, the idle tick and the strip, end to end: items chosen
// from the real popup with the keyboard, glyphs clicked, the room read after every step.
#include "tests/e2e/e2e.h"

namespace {

using namespace e2e;

TEST(Popup, EveryCommandAndTickDoesItsWorkWhateverTheStateAlsoWhenChosenInsideATick) {
    Session s({.aol = "--version 8.0 --transfer"});
    // Info only opens its submenu; idle off while off says its line alone.
    for (Item item : {Item::Info, Item::IdleOff, Item::IdleOn, Item::IdleOn})
        ASSERT_TRUE(s.Choose(item));
    // Opened by a click on the menu glyph with idling on, the popup has its corner where the
    // click was (not where the pointer has gone since), its heading greyed and no item checked.
    const RECT strip = Rect(s.Window());
    const POINT click{strip.left + driver::kMenuGlyph.x, strip.top + driver::kMenuGlyph.y};
    SetCursorPos(click.x + 200, click.y + 150);
    HWND popup = s.OpenPopup();
    ASSERT_TRUE(popup);
    EXPECT_TRUE(Rect(popup).left == click.x && Rect(popup).top == click.y);
    EXPECT_EQ(Probe(popup, probe::kPopup), L"Snorva (greyed)\n-\nidle on\nidle off\n-\ninfo\n"
                                           L"  about\n-\nminimize\nunload\n");
    driver::PostKey(popup, VK_ESCAPE);
    ASSERT_TRUE(driver::WaitUntil([] { return !driver::FindPopupMenu(); }, 10000));
    for (int minute = 1; minute <= 3; ++minute) // the download line half a second after
        ASSERT_TRUE(s.Tick({UserLine(minute), kDownload}));
    EXPECT_PRED2(HalfASecondApart, s.Lines()[s.Lines().size() - 2].ms, s.Lines().back().ms);
    ASSERT_TRUE(s.Choose(Item::IdleOff));
    ASSERT_TRUE(s.Tick({})); // while off the timer's message changes nothing
    ASSERT_TRUE(s.Choose(Item::IdleOn));
    ASSERT_TRUE(s.Tick({UserLine(4), kDownload}));
    ASSERT_TRUE(s.Choose(Item::About));
    ASSERT_TRUE(s.Choose(Item::Minimize));
    ASSERT_TRUE(s.Tick({UserLine(5), kDownload})); // minimized, it idles on
    ASSERT_TRUE(s.Restore());
    EXPECT_EQ(ShownCounter(s.Window()), L"5") << "the restored strip does not show its minutes";
    // The transfer window closes after N reads of its first static (the tick's lookup, the name's
    // lookup and text, the percent's lookup); each field looks it up afresh, later ones read n/a.
    int reads = 0;
    for (const char* fields : {"n/a, n/a%, n/a", ", n/a%, n/a", "snorva_demo.zip, n/a%, n/a",
                               "snorva_demo.zip, 0%, n/a"}) {
        SCOPED_TRACE(fields);
        ASSERT_TRUE(sim::Control("--transfer --transfer-close-after " + std::to_string(++reads)));
        ASSERT_TRUE(s.Tick({UserLine(5 + reads), DownloadLine(fields)}));
    }
    ASSERT_TRUE(sim::Control("--transfer --transfer-close-after never"));
    // A click on the menu glyph while a tick waits for AOL waits for AOL's answer (a minimise
    // posted after it runs at once; no popup yet), then runs in the tick's pause, its popup in
    // front of the program that came to the front meanwhile: idle off chosen there stands between
    // the tick's lines, and no tick counts after it; unload ends Snorva before the download line.
    const Owned<HWND, DestroyWindow> other(CreateWindowExA(
        0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 400, 300, 200, 100, 0, 0, 0, 0));
    for (Item item : {Item::IdleOff, Item::Unload}) {
        ASSERT_TRUE(s.HangThenTick("--hang-on text 600000"));
        ASSERT_TRUE(s.Pick(item, [&] {
            PostMessageA(s.Window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
            EXPECT_TRUE(Sees([&] { return IsIconic(s.Window()) && !driver::FindPopupMenu(); },
                             "the click ran while Snorva waited for AOL"));
            ASSERT_TRUE(s.Restore());
            // The restore may activate the strip after it shows: the other program is put in
            // front until it is still there once Snorva has handled what came before.
            ASSERT_TRUE(Sees(
                [&] {
                    return SetForegroundWindow(other.get()) && Send(s.Window(), WM_NULL) &&
                           GetForegroundWindow() == other.get();
                },
                "the other program did not come to the front"));
            ASSERT_TRUE(sim::Release());
        }));
        if (item == Item::Unload) break;
        EXPECT_EQ(GetForegroundWindow(), s.Window()) << "the popup opened behind another program";
        ASSERT_TRUE(s.Expect({UserLine(10), kDisengaged, kDownload}));
        ASSERT_TRUE(s.Tick({}));
        ASSERT_TRUE(s.Choose(Item::IdleOn));
    }
    ASSERT_TRUE(s.Expect({UserLine(11), kUnloadBy, kUnloads}));
    EXPECT_PRED2(HalfASecondApart, s.Lines()[s.Lines().size() - 2].ms, s.Lines().back().ms);
    EXPECT_TRUE(s.ExpectEnd(0));
}

// Meanwhile Snorva, its calls to AOL made, idles: it takes no CPU to speak of.
TEST(IdleTick, TheFirstComesAMinuteAfterIdleOnWhichChosenAgainKeepsTheMinute) {
    Session s;
    ASSERT_TRUE(s.Choose(Item::IdleOn));
    const double on = s.Lines().back().ms;
    const double cpu = CpuMs(s.Window());
    Sleep(30000); // half the minute gone
    EXPECT_LT(CpuMs(s.Window()) - cpu, 600) << "ms of CPU in 30 idle seconds";
    ASSERT_TRUE(s.Choose(Item::IdleOn));
    ASSERT_TRUE(s.Expect({UserLine(1)}, 90000));
    EXPECT_NEAR(s.Lines().back().ms - on, 65000.0, 10000.0) << "a minute from a later idle on";
}

} // namespace
