// What ends Snorva and where it runs: a close from outside ends it with nothing running after;
// it opens where its starter asks, from any program folder on any drive, the same at any DPI;
// with AOL gone, what needs no AOL works on, and the first line to post ends Snorva in a
// run-time error under which nothing runs.
#include "sim/sim.h"
#include "tests/e2e/e2e.h"

#include <shlwapi.h>

#include <filesystem>
#include <fstream>

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
            size_t said = s.Said().size(); // the lines the room is to have had in the end
            switch (inside) {
            case Inside::TickPause: // the user line is in: the tick is in its half second
                SendNotifyMessageA(strip, WM_TIMER, Form1::kTimer1, 0);
                ASSERT_TRUE(driver::WaitUntil([&] { return s.Said().size() > said; }, 10000, 1));
                ++said; // and not the download line
                break;
            case Inside::Popup:
                ASSERT_TRUE(s.OpenPopup());
                break;
            case Inside::AboutBox:
                ASSERT_TRUE(s.Pick(Item::About) && s.ExpectBox(e2e::kAbout));
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
        SHSetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi,
                    sizeof dpi);
    }
};

// The short form of a path; Wine makes one up for every name.
std::wstring ShortPath(const std::wstring& path) {
    wchar_t shortPath[MAX_PATH];
    return std::wstring(shortPath, GetShortPathNameW(path.c_str(), shortPath, MAX_PATH));
}

TEST(Start, FromAnyProgramFolderAtAnyDpiTheStripLooksTheSameWhereItsStarterAsks) {
    // Letters no ANSI code page of the West holds (on a drive without short names the folder
    // then has no name such a code page can hold), and what a URL would read as its own. Under
    // Wine without a window manager the system's own default place is the screen's corner too:
    // a starter's position tells the two apart.
    const wchar_t* cyrillic = L"\u0421\u043D\u043E\u0440\u0432\u0430";
    // What REGION.DLL is given: the skin's path as it stands where the code page holds it, else
    // its short form; on a drive without short names, its name alone, from its folder made the
    // current one for the call and no longer.
    enum Given { AsItStands, ShortForm, NameAlone };
    const struct {
        const wchar_t* name;
        DWORD dpi;
        const wchar_t* unseen; // Windows as Wine does not show it
        Given given;
    } runs[] = {{cyrillic, 120, nullptr, ShortForm},
                {cyrillic, 96, L"--no-short-names", NameAlone},
                {L"snorva #1 %41 x", 144, nullptr, AsItStands}};
    for (const auto& [name, dpi, unseen, given] : runs) {
        SCOPED_TRACE(unseen ? unseen : std::to_wstring(dpi).c_str());
        DpiSetting setting(dpi);
        // REGION.DLL writes down what it is given, and cuts the outline as the real one.
        driver::SnorvaSetup setup{.folderName = name,
                                  .changeFolder =
                                      [](const std::wstring& folder) {
                                          e2e::Put(REGION_RECORDER_DLL, L"\\REGION.DLL")(folder);
                                          e2e::Put(SNORVA_DIST "\\REGION.DLL",
                                                   L"\\REGION-real.dll")(folder);
                                      },
                                  .at = POINT{300, 200}};
        Session s(unseen ? e2e::Unseen(unseen, setup) : setup);
        EXPECT_TRUE(driver::WaitUntil([&] { return e2e::StripShows(s.Window(), L"0"); }, 5000));
        EXPECT_TRUE(e2e::InRegion(s.Window(), 50, 10) && !e2e::InRegion(s.Window(), 111, 0))
            << "REGION.DLL found no skin";
        EXPECT_EQ(e2e::Rect(s.Window()).left, 300);
        EXPECT_EQ(e2e::Rect(s.Window()).top, 200);
        const std::wstring skin = s.Folder() + L"\\gfx\\main.jpg";
        std::ifstream record(std::filesystem::path(s.Folder() + L"\\MakeRgn.txt"));
        const std::string path{std::istreambuf_iterator<char>(record), {}};
        const std::wstring expected[] = {skin, ShortPath(skin), L"main.jpg"};
        EXPECT_EQ(std::wstring(path.begin(), path.end()), expected[given]) << "given to REGION.DLL";
        EXPECT_EQ(e2e::Probe(s.Window(), probe::kFolder), s.Folder()) << "the current folder";
        EXPECT_EQ(e2e::Probe(s.Window(), probe::kPaintLeaks), L"0")
            << "GDI objects left by painting the strip " << probe::kPaints << " times";
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
