// What ends Snorva and where it runs: a close from outside ends it with nothing running after;
// it opens where its starter asks, from any program folder, the same at any DPI; a busy AOL is
// waited for, and a hung one ends it in a run-time error under which nothing runs.
#include "sim/sim.h"
#include "tests/e2e/e2e.h"

namespace {

using e2e::Item;
using e2e::Session;

using e2e::Moving;

// Snorva busy in each of its inner event loops when it is closed from outside.
enum class Inside { TickPause, Popup, AboutBox, Drag, SystemMove };

TEST(CloseFromOutside, EndsSnorvaWithinASecondWhateverItIsDoing) {
    // The task bar's Close and Alt+F4 send SC_CLOSE; another program sends WM_CLOSE.
    const struct {
        const char* how;
        UINT message;
        WPARAM command;
    } closes[] = {{"WM_CLOSE", WM_CLOSE, 0}, {"Alt+F4", WM_SYSCOMMAND, SC_CLOSE}};
    const char* names[] = {"in a tick's pause", "in the popup", "under the about box", "in a drag",
                           "in the system menu's move"};
    for (Inside inside :
         {Inside::TickPause, Inside::Popup, Inside::AboutBox, Inside::Drag, Inside::SystemMove}) {
        for (const auto& close : closes) {
            // A modal box disables the strip, and Windows takes no system command for a
            // disabled window: there the box is answered first.
            if (inside == Inside::AboutBox && close.message == WM_SYSCOMMAND) continue;
            SCOPED_TRACE(std::string(close.how) + " " + names[static_cast<int>(inside)]);
            Session s({.aol = "--version 8.0 --transfer"});
            ASSERT_TRUE(s.Choose(Item::IdleOn));
            HWND strip = s.Window();
            switch (inside) {
            case Inside::TickPause: // the user line is in: the tick is in its half second
                SendNotifyMessageA(strip, WM_TIMER, 1, 0);
                ASSERT_TRUE(driver::WaitUntil([&] { return s.Said().size() == 2; }, 10000));
                break;
            case Inside::Popup:
                ASSERT_TRUE(s.OpenPopup());
                break;
            case Inside::AboutBox:
                ASSERT_TRUE(s.Choose(Item::About));
                break;
            case Inside::Drag:
                driver::PostClick(strip, driver::kStrip.x, driver::kStrip.y);
                ASSERT_TRUE(driver::WaitUntil([&] { return Moving(strip); }, 5000));
                break;
            case Inside::SystemMove: // Alt+Space, then M; the task bar's Move does the same
                PostMessageA(strip, WM_SYSCOMMAND, SC_MOVE, 0);
                ASSERT_TRUE(driver::WaitUntil([&] { return Moving(strip); }, 5000));
                break;
            }
            const size_t said = s.Said().size();
            PostMessageA(strip, close.message, close.command, 0);
            std::optional<DWORD> status = s.Program().Wait(1000);
            ASSERT_TRUE(status) << "Snorva still runs a second after the close";
            EXPECT_EQ(*status, 0u);
            EXPECT_EQ(s.Said().size(), said) << "a line came after the close";
        }
    }
}

// Wine's DPI setting, read by each program as it starts; back to 96, the default, when dropped.
struct DpiSetting {
    explicit DpiSetting(DWORD dpi) { Set(dpi); }
    ~DpiSetting() { Set(96); }
    static void Set(DWORD dpi) {
        HKEY key;
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &key, nullptr);
        RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<BYTE*>(&dpi), sizeof dpi);
        RegCloseKey(key);
    }
};

TEST(Start, FromAnyProgramFolderAtAnyDpiTheStripLooksTheSameWhereItsStarterAsks) {
    // Letters no ANSI code page of the West holds, and what a URL would read as its own. Under
    // Wine without a window manager the system's own default place is the screen's corner too:
    // a starter's position tells the two apart.
    const std::pair<const wchar_t*, DWORD> runs[] = {{L"\u0421\u043D\u043E\u0440\u0432\u0430", 120},
                                                     {L"snorva #1 %41 x", 144}};
    for (const auto& [name, dpi] : runs) {
        SCOPED_TRACE(dpi);
        DpiSetting setting(dpi);
        Session s({.folderName = name, .at = POINT{300, 200}});
        EXPECT_TRUE(driver::WaitUntil([&] { return e2e::StripShows(s.Window(), L"0"); }, 5000));
        EXPECT_FALSE(e2e::InRegion(s.Window(), 111, 0)) << "REGION.DLL found no skin";
        RECT rect{};
        GetWindowRect(s.Window(), &rect);
        EXPECT_TRUE(rect.left == 300 && rect.top == 200) << rect.left << ", " << rect.top;
    }
}

TEST(RunTimeError, ABusyAolIsWaitedForAHungOneEndsSnorvaWithOneBoxWhateverComesUnderIt) {
    Session s;
    ASSERT_TRUE(sim::Control("--hang 3000")); // busy, and alive
    const DWORD start = GetTickCount();
    ASSERT_TRUE(s.Choose(Item::IdleOn));
    EXPECT_GE(GetTickCount() - start, 2500u) << "the line came before AOL could take it";
    ASSERT_TRUE(sim::Control("--hang 15000"));
    Sleep(6000); // five seconds without taking a message: hung, as Windows counts it
    ASSERT_TRUE(s.Pick(Item::IdleOn));
    const DWORD asked = GetTickCount();
    auto box = s.ExpectBox("Run-time error '13':\n\nType mismatch");
    ASSERT_TRUE(box);
    EXPECT_LT(GetTickCount() - asked, 3000u) << "Snorva waited for a hung AOL";
    // AOL answers again while the box is up, and under it the timer ticks and the close glyph is
    // clicked: none of it may run.
    ASSERT_TRUE(sim::Control("")); // waits until AOL answers again
    HWND strip = s.Window();
    for (int i = 0; i < 3; ++i)
        SendNotifyMessageA(strip, WM_TIMER, 1, 0);
    driver::PostClick(strip, driver::kCloseGlyph.x, driver::kCloseGlyph.y);
    Sleep(1000);
    EXPECT_EQ(driver::CountVisibleWindows("#32770", s.Program().Id()), 1);
    EXPECT_FALSE(IsWindowEnabled(strip));
    EXPECT_TRUE(GetWindowLongA(box->window, GWL_EXSTYLE) & WS_EX_TOPMOST) << "behind the strip";
    driver::DismissMessageBox(box->window);
    EXPECT_TRUE(s.ExpectEnd(13));
    EXPECT_EQ(s.Said(), std::vector<std::string>{e2e::kEngaged});
}

} // namespace
