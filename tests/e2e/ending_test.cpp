// What ends Snorva and where it runs: a close from outside ends it with nothing running after;
// it starts from any program folder on any drive, the same at any DPI, where its starter asks;
// with AOL gone, what needs no AOL works on, and the first line to post ends Snorva in a
// run-time error under which nothing runs.
#include "sim/sim.h"
#include "tests/e2e/e2e.h"

#include <shlwapi.h>

#include <filesystem>
#include <fstream>
#include <set>

namespace {

using e2e::Item;
using e2e::Session;

using e2e::Moving;

TEST(CloseFromOutside, EndsSnorvaWithinASecondWhateverItIsDoing) {
    // The task bar's Close and Alt+F4 send SC_CLOSE; another program sends WM_CLOSE.
    const struct {
        const char* how;
        UINT message;
        WPARAM command;
    } closes[] = {{"WM_CLOSE", WM_CLOSE, 0}, {"Alt+F4", WM_SYSCOMMAND, SC_CLOSE}};
    // Snorva busy in each of its inner event loops, and the room's lines it is to end with. A drag
    // runs the window system's own move loop, as the system menu's Move does.
    const std::pair<const char*, bool (*)(Session&, size_t&)> insides[] = {
        {"in a tick's pause", // the user line is in, the download line is not
         [](Session& s, size_t& said) {
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
        for (const auto& close : closes) {
            // A modal box disables the strip, and Windows takes no system command for a
            // disabled window: there the box is answered first.
            if (inside == insides[2].first && close.message == WM_SYSCOMMAND) continue;
            SCOPED_TRACE(std::string(close.how) + " " + inside);
            Session s({.aol = "--version 8.0 --transfer"});
            ASSERT_TRUE(s.Choose(Item::IdleOn));
            size_t said = s.Said().size();
            ASSERT_TRUE(enter(s, said));
            PostMessageA(s.Window(), close.message, close.command, 0);
            EXPECT_EQ(s.Program().Wait(1000), std::optional<DWORD>(0))
                << "a second after the close";
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

TEST(Start, FromAnyFolderAtAnyDpiItsDialogThenItsGreetingThenItsStripWhereItsStarterAsks) {
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
        const char* answer; // whatever it is, and on Cancel, the same greeting
        bool ok;
    } runs[] = {{cyrillic, 120, nullptr, ShortForm, "SomeOne Else", true},
                {cyrillic, 96, L"--no-short-names", NameAlone, "typed, then cancelled", false},
                {L"snorva #1 %41 x", 144, nullptr, AsItStands, "", true}};
    for (const auto& [name, dpi, unseen, given, answer, ok] : runs) {
        SCOPED_TRACE(unseen ? unseen : std::to_wstring(dpi).c_str());
        DpiSetting setting(dpi);
        // REGION.DLL writes down what it is given, and cuts the outline as the real one.
        Session s({.folderName = name,
                   .changeFolder =
                       [unseen](const std::wstring& folder) {
                           e2e::Put(PROBE_DLL, L"\\REGION.DLL")(folder);
                           e2e::Put(SNORVA_DIST "\\REGION.DLL", L"\\REGION-real.dll")(folder);
                           if (unseen) e2e::Put(UNSEEN_EXE, L"\\snorva.exe")(folder);
                       },
                   .arguments = unseen ? unseen : L"",
                   .at = POINT{300, 200}},
                  false);
        HWND dialog = s.WaitForHandleDialog();
        ASSERT_TRUE(dialog);
        std::multiset<std::string> texts; // the prompt, the field, OK and Cancel
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            texts.insert(driver::GetText(child));
        EXPECT_EQ(texts, (std::multiset<std::string>{"", "Cancel", "OK", "whats your handle?"}));
        HWND field = FindWindowExA(dialog, nullptr, "Edit", nullptr);
        EXPECT_TRUE(field && driver::GetText(field).empty());
        EXPECT_TRUE(s.Lines().empty() && !IsWindowVisible(s.Window()));
        ASSERT_TRUE(driver::AnswerDialog(dialog, answer, ok));
        bool shownEarly = false;
        driver::WaitUntil(
            [&] {
                const bool shown = IsWindowVisible(s.Window()); // first: then both lines are in
                shownEarly |= shown && s.Lines().size() < 2;
                return shown;
            },
            30000, 5);
        EXPECT_FALSE(shownEarly) << "the window was shown before the loads line";
        ASSERT_TRUE(s.Expect({e2e::kByLine, e2e::kLoadsLine}));
        EXPECT_GE(s.Lines()[1].ms - s.Lines()[0].ms, 500.0 - 0.01);
        HWND strip = s.Window();
        EXPECT_TRUE(GetWindowLongA(strip, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_EQ(driver::GetText(strip), "Snorva");
        EXPECT_EQ(e2e::Rect(strip).left, 300);
        EXPECT_EQ(e2e::Rect(strip).top, 200);
        EXPECT_TRUE(driver::WaitUntil([&] { return e2e::StripShows(strip, L"0"); }, 5000));
        EXPECT_TRUE(e2e::InRegion(strip, 50, 10) && !e2e::InRegion(strip, 111, 0))
            << "REGION.DLL found no skin";
        const std::wstring skin = s.Folder() + L"\\gfx\\main.jpg";
        std::ifstream record(std::filesystem::path(s.Folder() + L"\\MakeRgn.txt"));
        const std::string path{std::istreambuf_iterator<char>(record), {}};
        wchar_t shortSkin[MAX_PATH]; // Wine makes up a short name for every name
        const std::wstring expected[] = {
            skin, {shortSkin, GetShortPathNameW(skin.c_str(), shortSkin, MAX_PATH)}, L"main.jpg"};
        EXPECT_EQ(std::wstring(path.begin(), path.end()), expected[given]) << "given to REGION.DLL";
        EXPECT_EQ(e2e::Probe(strip, probe::kFolder), s.Folder()) << "the current folder";
        EXPECT_EQ(e2e::Probe(strip, probe::kPaintLeaks), L"0")
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
