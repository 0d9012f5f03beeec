// What ends Snorva from outside, in each state it can be in: a log-off, a close, its close glyph.
// (A close while AOL is hung: slow_aol_test.cpp.)
#include "app/resource.h"
#include "tests/e2e/e2e.h"

namespace {

using e2e::Item;
using e2e::Moving;
using e2e::Session;

// AOL closed after start-up, its program gone: what needs no AOL works; Snorva's next line ends it
// in one box, topmost, that disables the strip, under which nothing runs (three ticks of the timer
// and a click on the close glyph change nothing).
bool CloseAol(Session& s) {
    // Only once Snorva has left its last call: AOL gone before the call's end may have lost it,
    // and says so in a box. A command waits for any call to end; minimise's shows it has run.
    PostMessageA(s.Window(), WM_COMMAND, IDM_MINIMIZE, 0);
    return e2e::Sees([&] { return IsIconic(s.Window()) != FALSE; }, "no minimise") && s.Restore() &&
           sim::Control("--close") && s.Aol().Wait(10000).has_value();
}
bool UnderTheBox(Session& s) {
    HWND strip = s.Window();
    const std::wstring counter = e2e::ShownCounter(strip);
    const LPARAM glyph = MAKELPARAM(driver::kCloseGlyph.x, driver::kCloseGlyph.y);
    bool handled = e2e::Send(strip, WM_LBUTTONDOWN, MK_LBUTTON, glyph) &&
                   e2e::Send(strip, WM_LBUTTONUP, 0, glyph);
    for (int i = 0; i < 3; ++i)
        handled &= e2e::Send(strip, WM_TIMER, Form1::kTimer1).has_value();
    const auto box = s.ExpectBox(e2e::kNoAol);
    EXPECT_TRUE(handled) << "a click or tick went unhandled under the box";
    EXPECT_EQ(e2e::Counter(strip), counter);
    EXPECT_EQ(driver::CountVisibleWindows("#32770", s.Program().Id()), 1);
    EXPECT_FALSE(IsWindowEnabled(strip));
    EXPECT_TRUE(box && GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
    return box != nullptr; // what else fails has said so
}

// A log-off, asked first, is never refused; one another program cancelled changes nothing; a real
// one ends Snorva at once, status 0 (under an error's box the error's number), whatever box, loop
// or wait runs (Windows may end the process any time after). So do a close and Alt+F4 inside each
// inner loop. Nothing is posted after.
TEST(EndFromOutside, ALogOffIsNeverRefusedACancelledOneChangesNothingARealOneOrACloseEndsIt) {
    enum End { LogOff, Close, AltF4, CloseGlyph };
    const std::vector<End> logOff{LogOff}, closes{LogOff, Close, AltF4};
    const auto still = [](Session& s) { return s.Expect({}); }; // running, nothing comes
    const struct {
        const char* state;
        bool (*enter)(Session&);
        bool (*holds)(Session&); // the state, still there
        std::vector<End> ends;
        bool greet = true;
        bool boxed = false; // idling on, AOL closed, then `enter`, which ends in the box
    } rows[] = {
        {"AOL gone", CloseAol, still, {LogOff, CloseGlyph}},
        {"waiting",
         [](Session& s) {
             return s.Choose(Item::IdleOn) && s.HangThenTick("--hang-on text 600000");
         },
         still, logOff},
        {"under the box of idle on, the about box shown after AOL went",
         [](Session& s) { return s.Choose(Item::About) && s.Pick(Item::IdleOn); }, UnderTheBox,
         logOff, true, true},
        {"under the box of idle off, minimised and restored after AOL went",
         [](Session& s) {
             return s.Choose(Item::Minimize) && s.Restore() && s.Pick(Item::IdleOff);
         },
         UnderTheBox, logOff, true, true},
        {"under the box of unload, dragged after AOL went",
         [](Session& s) { return s.Drag(100, -75) && s.Pick(Item::Unload); }, UnderTheBox, logOff,
         true, true},
        {"under the box of a tick, its counter raised first",
         [](Session& s) {
             return SendNotifyMessageA(s.Window(), WM_TIMER, Form1::kTimer1, 0) != 0;
         },
         [](Session& s) { return UnderTheBox(s) && e2e::Counter(s.Window()) == L"1"; }, logOff,
         true, true},
        {"popup open", [](Session& s) { return s.OpenPopup() != nullptr; },
         [](Session&) { return driver::FindPopupMenu() != nullptr; }, closes},
        // The box disables the strip, and Windows takes no system command for a disabled window.
        {"about box open",
         [](Session& s) { return s.Pick(Item::About) && s.ExpectBox(e2e::kAbout); },
         [](Session& s) { return s.ExpectBox(e2e::kAbout) != nullptr; },
         {LogOff, Close}},
        {"handle dialog open", [](Session& s) { return s.WaitForHandleDialog() != nullptr; },
         [](Session& s) { return s.WaitForHandleDialog(0) && s.Lines().empty(); }, logOff, false},
        // A drag runs the window system's own move loop, as the system menu's Move does.
        {"dragging",
         [](Session& s) {
             return s.Click(
                 driver::kStrip, [&] { return Moving(s.Window()); }, "no move");
         },
         [](Session& s) { return Moving(s.Window()); }, closes}};
    for (const auto& [state, enter, holds, ends, greet, boxed] : rows) {
        for (End end : ends) {
            SCOPED_TRACE(std::string(state) + ", then end " + std::to_string(end));
            Session s({.at = POINT{0, 700}}, greet); // below the boxes
            ASSERT_TRUE(boxed ? s.Choose(Item::IdleOn) && CloseAol(s) && enter(s) &&
                                    s.ExpectBox(e2e::kNoAol)
                              : enter(s));
            HWND strip = s.Window();
            EXPECT_TRUE(e2e::Send(strip, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF).value_or(0))
                << "the log-off was refused";
            EXPECT_TRUE(e2e::Send(strip, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF));
            EXPECT_TRUE(s.Program().Running()) << "the cancelled log-off ended it";
            EXPECT_TRUE(holds(s)) << "the cancelled log-off changed it";
            const size_t said = s.Lines().size();
            if (end == LogOff) // sent, as Windows sends it
                SendNotifyMessageA(strip, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
            else if (end == CloseGlyph)
                driver::PostClick(strip, driver::kCloseGlyph.x, driver::kCloseGlyph.y);
            else
                PostMessageA(strip, end == Close ? WM_CLOSE : WM_SYSCOMMAND, SC_CLOSE, 0);
            EXPECT_TRUE(s.ExpectEnd(boxed ? 13 : 0));
            EXPECT_EQ(s.Lines().size(), said) << "a line came after the end";
        }
    }
}

} // namespace
