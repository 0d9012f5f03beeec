// The popup menu, the window commands and the idle tick, end to end: items chosen from the
// real popup with the keyboard, clicks posted on the glyphs, lines read from the room.
#include "tests/e2e/e2e.h"

#include <gtest/gtest.h>

namespace {

using driver::SnorvaRun;
using e2e::Choose;
using e2e::Item;
using e2e::Texts;

// Snorva started and greeted; the tests look at what comes after the two greeting lines.
struct Started {
    SnorvaRun run;
    explicit Started(const driver::SnorvaSetup& setup = {}) : run(setup) {
        EXPECT_TRUE(run.Started()) << run.Error();
        EXPECT_TRUE(run.PassStartUp()) << "start-up did not complete";
    }
    HWND Window() const { return run.Window(); }
    // Lines after the greeting, once at least `count` of them are in.
    std::vector<std::string> After(size_t count, DWORD timeoutMs = 30000) const {
        auto lines = Texts(run.WaitForLines(2 + count, timeoutMs));
        return std::vector<std::string>(lines.begin() + std::min<size_t>(2, lines.size()),
                                        lines.end());
    }
    std::vector<driver::PostedLine> RawAfter(size_t count, DWORD timeoutMs = 30000) const {
        auto lines = run.WaitForLines(2 + count, timeoutMs);
        return std::vector<driver::PostedLine>(lines.begin() + std::min<size_t>(2, lines.size()),
                                               lines.end());
    }
};

TEST(PopupMenu, OpensOnTheMenuGlyphAndItsTitleAndInfoChooseNothing) {
    Started s;
    HWND popup = e2e::OpenPopup(s.run);
    ASSERT_TRUE(popup);
    Sleep(300);
    RECT rect;
    GetWindowRect(popup, &rect);
    driver::SaveScreenshot(rect, e2e::ShotPath(L"popup.bmp"));
    // Another process cannot read the popup's items; its height tells six items and three
    // separators apart from anything shorter.
    EXPECT_GT(rect.bottom - rect.top, 6 * 12);
    driver::PostKey(popup, VK_ESCAPE);
    ASSERT_TRUE(driver::WaitUntil([] { return !driver::FindPopupMenu(); }, 5000));

    // Return on the disabled title closes the menu with no command.
    ASSERT_TRUE(Choose(s.run, Item::Title));
    // "info" only opens its submenu: Return on it opens a second popup, nothing runs.
    popup = e2e::OpenPopup(s.run);
    ASSERT_TRUE(popup);
    for (int i = 0; i < 4; ++i)
        driver::PostKey(popup, VK_DOWN);
    driver::PostKey(popup, VK_RETURN);
    int popups = 0;
    driver::WaitUntil(
        [&] {
            popups = 0;
            for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "#32768", nullptr));)
                if (IsWindowVisible(w)) ++popups;
            return popups >= 2;
        },
        5000);
    EXPECT_EQ(popups, 2);
    driver::PostKey(popup, VK_ESCAPE);
    driver::PostKey(popup, VK_ESCAPE);
    ASSERT_TRUE(driver::WaitUntil([] { return !driver::FindPopupMenu(); }, 5000));
    Sleep(700);
    EXPECT_EQ(s.run.Lines().size(), 2u);
    EXPECT_FALSE(FindWindowA("#32770", "Snorva"));
    EXPECT_TRUE(s.run.Program().Running());
}

TEST(IdleCommands, EachPostsItsLineWhateverTheStateAndTicksCountOnThroughOffAndOn) {
    Started s;
    EXPECT_TRUE(driver::WaitUntil([&] { return e2e::CounterShows(s.Window(), L"0"); }, 5000));
    ASSERT_TRUE(Choose(s.run, Item::IdleOff)); // while off: only the line
    EXPECT_EQ(s.After(1), std::vector<std::string>({e2e::kDisengaged}));
    ASSERT_TRUE(Choose(s.run, Item::IdleOn));
    ASSERT_TRUE(Choose(s.run, Item::IdleOn));
    EXPECT_EQ(s.After(3),
              std::vector<std::string>({e2e::kDisengaged, e2e::kEngaged, e2e::kEngaged}));
    HWND window = s.Window();
    for (int i = 1; i <= 3; ++i) {
        e2e::Tick(window);
        ASSERT_EQ(s.After(3 + i).back(), e2e::UserLine(i));
    }
    ASSERT_TRUE(Choose(s.run, Item::IdleOff));
    ASSERT_EQ(s.After(7).back(), e2e::kDisengaged);
    // While off, the timer's message changes nothing.
    e2e::Tick(window);
    Sleep(1000);
    EXPECT_EQ(s.run.Lines().size(), 2u + 7u);
    ASSERT_TRUE(Choose(s.run, Item::IdleOn));
    ASSERT_EQ(s.After(8).back(), e2e::kEngaged);
    e2e::Tick(window);
    auto after = s.After(9);
    ASSERT_EQ(after.size(), 9u);
    EXPECT_EQ(after[7], e2e::kEngaged);
    EXPECT_EQ(after[8], e2e::UserLine(4));
    EXPECT_TRUE(driver::WaitUntil([&] { return e2e::CounterShows(window, L"4"); }, 5000));
    EXPECT_FALSE(e2e::CounterShows(window, L"3"));
    RECT rect;
    GetWindowRect(window, &rect);
    Sleep(200);
    driver::SaveScreenshot(rect, e2e::ShotPath(L"counter-4.bmp"));
}

TEST(IdleTick, FirstRealTickComesAMinuteAfterIdleOnAndIdleOnAgainKeepsTheMinute) {
    Started s;
    ASSERT_TRUE(Choose(s.run, Item::IdleOn));
    auto engaged = s.RawAfter(1);
    ASSERT_EQ(engaged.size(), 1u);
    Sleep(20000);
    ASSERT_TRUE(Choose(s.run, Item::IdleOn)); // on while on: the minute runs on
    auto lines = s.RawAfter(3, 120000);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].bytes, e2e::kEngaged);
    EXPECT_EQ(lines[2].bytes, e2e::UserLine(1));
    const double wait = lines[2].ms - lines[0].ms;
    EXPECT_GE(wait, 59000.0);
    EXPECT_LT(wait, 75000.0); // not a minute from the second "idle on"
    EXPECT_TRUE(driver::WaitUntil([&] { return e2e::CounterShows(s.Window(), L"1"); }, 5000));
}

TEST(IdleTick, WithATransferTheDownloadLineFollowsHalfASecondLater) {
    Started s({.aol = "--version 8.0 --transfer"});
    ASSERT_TRUE(Choose(s.run, Item::IdleOn));
    ASSERT_EQ(s.After(1).size(), 1u);
    e2e::Tick(s.Window());
    auto lines = s.RawAfter(3);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].bytes, e2e::UserLine(1));
    EXPECT_EQ(lines[2].bytes, e2e::kPrefix +
                                  "<b>Snorva</b> : <b>F</b>ile <b>d</b>l: snorva_demo.zip, 0%, "
                                  "12 minutesl</font>");
    EXPECT_GE(lines[2].ms - lines[1].ms, 500.0 - 0.01);
}

// A tick raised together with a click on the menu glyph: the click is handled inside the
// tick's half-second pause, so the popup opens between the tick's two lines.
HWND TickWithPopupInsideItsPause(Started& s) {
    // The tick first: the click queues behind it and is handled inside the tick's pause.
    e2e::Tick(s.Window());
    driver::PostClick(s.Window(), driver::kMenuGlyph.x, driver::kMenuGlyph.y);
    HWND popup = nullptr;
    driver::WaitUntil([&] { return (popup = driver::FindPopupMenu()) != nullptr; }, 10000);
    return popup;
}

TEST(IdleTick, IdleOffChosenInsideTheTickStandsBetweenItsLinesAndStopsTheTicks) {
    Started s({.aol = "--version 8.0 --transfer"});
    ASSERT_TRUE(Choose(s.run, Item::IdleOn));
    ASSERT_EQ(s.After(1).size(), 1u);
    HWND popup = TickWithPopupInsideItsPause(s);
    ASSERT_TRUE(popup);
    for (int i = 0; i < 3; ++i)
        driver::PostKey(popup, VK_DOWN);
    driver::PostKey(popup, VK_RETURN);
    auto after = s.After(4);
    ASSERT_EQ(after.size(), 4u);
    EXPECT_EQ(after[1], e2e::UserLine(1));
    EXPECT_EQ(after[2], e2e::kDisengaged);
    EXPECT_NE(after[3].find("<b>F</b>ile <b>d</b>l: snorva_demo.zip"), std::string::npos);
    e2e::Tick(s.Window());
    Sleep(1500);
    EXPECT_EQ(s.run.Lines().size(), 2u + 4u);
}

TEST(IdleTick, UnloadChosenInsideTheTickEndsItWithNoDownloadLine) {
    Started s({.aol = "--version 8.0 --transfer"});
    ASSERT_TRUE(Choose(s.run, Item::IdleOn));
    ASSERT_EQ(s.After(1).size(), 1u);
    HWND popup = TickWithPopupInsideItsPause(s);
    ASSERT_TRUE(popup);
    driver::PostKey(popup, VK_UP); // the last item, "unload"
    driver::PostKey(popup, VK_RETURN);
    auto status = s.run.Program().Wait(30000);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 0u);
    EXPECT_EQ(s.After(4), std::vector<std::string>(
                              {e2e::kEngaged, e2e::UserLine(1), e2e::kUnloadBy, e2e::kUnloads}));
}

TEST(WindowCommands, UnloadPostsTwoLinesHalfASecondApartThenEndsWithStatusZero) {
    Started s;
    ASSERT_TRUE(Choose(s.run, Item::Unload));
    auto status = s.run.Program().Wait(30000);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 0u);
    auto lines = s.RawAfter(2);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].bytes, e2e::kUnloadBy);
    EXPECT_EQ(lines[1].bytes, e2e::kUnloads);
    EXPECT_GE(lines[1].ms - lines[0].ms, 500.0 - 0.01);
}

TEST(WindowCommands, CloseGlyphEndsAtOncePostingNothing) {
    Started s;
    driver::PostClick(s.Window(), driver::kCloseGlyph.x, driver::kCloseGlyph.y);
    auto status = s.run.Program().Wait(10000);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 0u);
    EXPECT_EQ(s.run.Lines().size(), 2u);
}

TEST(WindowCommands, PressOnAGlyphReleasedElsewhereIsNoClick) {
    Started s;
    driver::PostButtonDown(s.Window(), driver::kCloseGlyph.x, driver::kCloseGlyph.y);
    driver::PostButtonUp(s.Window(), 85, 10); // over the counter
    Sleep(1000);
    EXPECT_TRUE(s.run.Program().Running());
}

TEST(WindowCommands, AboutBoxHasTheTextTheTitleAndOneButton) {
    Started s;
    ASSERT_TRUE(Choose(s.run, Item::Info));
    auto box = driver::WaitForMessageBox("Snorva", 10000, s.run.Program().Id());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, "i made this because i need an AOL8+win98 idler. iface by ME! -zibbet");
    EXPECT_EQ(box->buttons, std::vector<std::string>{"OK"});
    EXPECT_FALSE(box->hasIcon);
    driver::DismissMessageBox(box->window);
    EXPECT_TRUE(driver::WaitUntil([] { return !FindWindowA("#32770", "Snorva"); }, 5000));
    EXPECT_TRUE(s.run.Program().Running());
    EXPECT_EQ(s.run.Lines().size(), 2u);
}

TEST(WindowCommands, MinimizeLeavesTheTicksGoing) {
    Started s;
    ASSERT_TRUE(Choose(s.run, Item::IdleOn));
    ASSERT_TRUE(Choose(s.run, Item::Minimize));
    ASSERT_TRUE(driver::WaitUntil([&] { return IsIconic(s.Window()) != FALSE; }, 5000));
    e2e::Tick(s.Window());
    EXPECT_EQ(s.After(2), std::vector<std::string>({e2e::kEngaged, e2e::UserLine(1)}));
}

TEST(WindowCommands, WithoutAolAboutAndMinimizeWorkAndIdleOnEndsWithTypeMismatch) {
    Started s;
    ASSERT_TRUE(s.run.Aol("--close"));
    ASSERT_TRUE(driver::WaitUntil([] { return !FindWindowA("AOL Frame25", nullptr); }, 10000));
    ASSERT_TRUE(Choose(s.run, Item::Info));
    auto about = driver::WaitForMessageBox("Snorva", 10000, s.run.Program().Id());
    ASSERT_TRUE(about);
    driver::DismissMessageBox(about->window);
    ASSERT_TRUE(driver::WaitUntil([] { return !FindWindowA("#32770", "Snorva"); }, 5000));
    ASSERT_TRUE(Choose(s.run, Item::Minimize));
    EXPECT_TRUE(driver::WaitUntil([&] { return IsIconic(s.Window()) != FALSE; }, 5000));
    ShowWindow(s.Window(), SW_RESTORE);
    ASSERT_TRUE(driver::WaitUntil([&] { return !IsIconic(s.Window()); }, 5000));
    ASSERT_TRUE(Choose(s.run, Item::IdleOn));
    auto box = driver::WaitForMessageBox("Snorva", 10000, s.run.Program().Id());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text.rfind("Run-time error '13':\n\nType mismatch", 0), 0u) << box->text;
    driver::DismissMessageBox(box->window);
    auto status = s.run.Program().Wait(10000);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 13u);
    EXPECT_EQ(s.run.Lines().size(), 2u);
}

TEST(WindowCommands, WithoutAolTheCloseGlyphStillEnds) {
    Started s;
    ASSERT_TRUE(s.run.Aol("--close"));
    ASSERT_TRUE(driver::WaitUntil([] { return !FindWindowA("AOL Frame25", nullptr); }, 10000));
    driver::PostClick(s.Window(), driver::kCloseGlyph.x, driver::kCloseGlyph.y);
    auto status = s.run.Program().Wait(10000);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 0u);
}

RECT WindowRect(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
}

TEST(Drag, PressAloneMovesNothingAndACompletedClickOnTheStripMovesTheWindow) {
    Started s;
    HWND window = s.Window();
    const RECT start = WindowRect(window);
    const POINT onStrip{start.left + driver::kStrip.x, start.top + driver::kStrip.y};
    SetCursorPos(onStrip.x, onStrip.y);
    // Pressed, moved, released over the counter: no click, no move.
    driver::PostButtonDown(window, driver::kStrip.x, driver::kStrip.y);
    Sleep(200);
    SetCursorPos(onStrip.x + 60, onStrip.y + 50);
    Sleep(500);
    EXPECT_EQ(WindowRect(window).left, start.left);
    EXPECT_EQ(WindowRect(window).top, start.top);
    driver::PostButtonUp(window, 85, 10);
    Sleep(300);
    EXPECT_EQ(WindowRect(window).left, start.left);

    // A completed click on the strip, then the pointer moves: the window follows it.
    SetCursorPos(onStrip.x, onStrip.y);
    driver::PostClick(window, driver::kStrip.x, driver::kStrip.y);
    Sleep(500);
    for (int step = 1; step <= 5; ++step) {
        SetCursorPos(onStrip.x + 20 * step, onStrip.y + 15 * step);
        Sleep(100);
    }
    bool moved = driver::WaitUntil(
        [&] {
            return WindowRect(window).left == start.left + 100 &&
                   WindowRect(window).top == start.top + 75;
        },
        5000);
    driver::PostButtonUp(window, driver::kStrip.x, driver::kStrip.y); // ends the move
    EXPECT_TRUE(moved) << WindowRect(window).left << "," << WindowRect(window).top;
    Sleep(300);
    EXPECT_EQ(WindowRect(window).left, start.left + 100);
    EXPECT_TRUE(s.run.Program().Running());
}

} // namespace
