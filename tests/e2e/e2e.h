#pragma once
// What the end-to-end tests share: the lines the room should get, and each thing a person does
// to Snorva as one step that confirms its effect (lines in the room, a window shown or gone, an
// exit status) and fails right there, saying what it expected, when the effect does not come.
#include "app/form.h"
#include "sim/sim.h"
#include "tests/e2e/probe.h"
#include "tests/support/driver.h"
#include "win/owners.h"

#include <gtest/gtest.h>

namespace e2e {

const std::string kPrefix =
    "<font face=\"arial black\"><font color=#0099FF>::</font> <font face=\"arial narrow\">";
const std::string kByLine = kPrefix + "<b>Snorva</b>   <b>B</b>y <b>Z</b>ibbet</font>";
const std::string kLoadsLine =
    kPrefix + "<b>U</b>ser: <b>Z</b>ibbet \xB7 <b>L</b>oads: <b>0</font>";
const std::string kEngaged = kPrefix + "<b>Snorva</b> : <b>I</b>dler <b>E</b>ngaged</font>";
const std::string kDisengaged = kPrefix + "<b>Snorva</b> : <b>I</b>dler <b>D</b>isengaged</font>";
const std::string kUnloadBy = kPrefix + "<b>Snorva</b>  <b>B</b>y <b>Z</b>ibbet</font>";
const std::string kUnloads =
    kPrefix + "<b>U</b>ser: <b>Z</b>ibbet \xB7 <b>U</b>nloads: <b>0</font>";
inline std::string UserLine(int minute) {
    return kPrefix + "<b>Snorva</b> : <b>U</b>ser: <b>Z</b>ibbet [" + std::to_string(minute) +
           "]</font>";
}
inline std::string DownloadLine(const std::string& fields) { // name, percent%, time left
    return kPrefix + "<b>Snorva</b> : <b>F</b>ile <b>d</b>l: " + fields + "l</font>";
}
// The boxes' texts, whole.
const std::string kAbout = "i made this because i need an AOL8+win98 idler. iface by ME! -zibbet";
const std::string kNoAol = "Run-time error '13':\n\nType mismatch\n\nNo AOL client is running, or "
                           "its version could not be told: start AOL, enter a chat room, then "
                           "start Snorva again.";
// The strip's outline, a line per row of pixels: '+' inside, '.' outside; "none" without one.
inline std::string Outline(HWND window) {
    OwnedRegion region(CreateRectRgn(0, 0, 0, 0));
    if (GetWindowRgn(window, region.get()) == ERROR) return "none";
    std::string pixels;
    for (int y = 0; y < 21; ++y, pixels += '\n')
        for (int x = 0; x < 112; ++x)
            pixels += PtInRegion(region.get(), x, y) ? '+' : '.';
    return pixels;
}
// The outline cut from the shipped skin: its ends slant down to the right a pixel a row from 0
// and 91.
inline std::string SkinOutline() {
    std::string band;
    for (int y = 0; y < 21; ++y, band += '\n')
        for (int x = 0; x < 112; ++x)
            band += x >= y && x < y + 92 ? '+' : '.';
    return band;
}
// Two lines Snorva's half-second pause apart (ms), which a busy machine stretches, never to 3 s.
inline bool HalfASecondApart(double first, double second) {
    return second - first >= 500.0 - 0.01 && second - first <= 3000.0;
}

// A change to the program folder's copy before Snorva starts: `from` copied in as `name`.
using Change = std::function<void(const std::wstring& folder)>;
inline Change Put(const std::string& from, const wchar_t* name) {
    return [=](const std::wstring& folder) {
        CopyFileW(driver::Widen(from).c_str(), (folder + name).c_str(), FALSE);
    };
}
// The simulated client on a thread of Snorva's own process (unseen_windows.cpp), where every call
// to it waits in Snorva as on Windows, with `options`.
inline driver::SnorvaSetup Inside(const std::string& options) {
    return {.aol = options, .aolInside = true, .changeFolder = Put(UNSEEN_EXE, L"\\snorva.exe")};
}

inline RECT Rect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}
// Whether `done` comes true within `timeoutMs`; a failure saying `failure` when not.
bool Sees(const std::function<bool()>& done, const std::string& failure, DWORD timeoutMs = 10000);

// What the window's thread is doing: its capture, its move loop.
inline GUITHREADINFO GuiThread(HWND window) {
    GUITHREADINFO info{sizeof info};
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info;
}
inline bool Moving(HWND window) {
    return GuiThread(window).flags & GUI_INMOVESIZE;
}

// Whether the strip on screen is its picture, glyphs and counter showing `text` (white Tahoma of
// 9 pixels in its 25 x 17 box), pixel by pixel wherever the outline lets it show (most of it).
bool StripShows(HWND window, const std::wstring& text);

// What probe.dll, hooked onto the thread of `window` (strip or popup), answers to `ask`.
std::wstring Probe(HWND window, WPARAM ask);

// The popup's items as the keyboard walks them; About is the first item of Info's submenu.
enum class Item { Title, IdleOn, IdleOff, Info, Minimize, Unload, About };

class Session : public driver::SnorvaRun {
  public:
    // Snorva started beside the simulated client and, with `greet`, taken through the handle
    // dialog to its two greeting lines and its shown window.
    explicit Session(const driver::SnorvaSetup& setup = {}, bool greet = true);
    // The room's next lines are exactly `lines`, within `timeoutMs`; with none, nothing comes
    // for a second, no box opens and Snorva runs on.
    bool Expect(const std::vector<std::string>& lines, DWORD timeoutMs = 15000);
    std::vector<std::string> Said() const; // the room's lines after the greeting
    // Opens the popup with a click on the menu glyph, then `meanwhile`; 0 when it did not open.
    HWND OpenPopup(const std::function<void()>& meanwhile = {});
    // Opens the popup so, picks `item` with the keyboard, and sees the popup gone.
    bool Pick(Item item, const std::function<void()>& meanwhile = {});
    // Picks `item` and sees its effect: idle on and off their line, minimize the iconic window,
    // about its box (no icon; answered), unload its two lines and status 0, the rest nothing.
    bool Choose(Item item);
    // Raises the idle tick as the timer does, and sees its lines.
    bool Tick(const std::vector<std::string>& lines);
    // Restores the minimised strip as its task-bar button does, and sees it shown.
    bool Restore();
    // Drags the strip by (dx, dy) as a person does, and sees it follow the pointer there.
    bool Drag(int dx, int dy);
    // A box of Snorva's titled "Snorva", saying `text`, with one button, OK; left open.
    std::optional<driver::MessageBoxInfo> ExpectBox(const std::string& text);
    bool ExpectEnd(DWORD status);

  private:
    size_t heard_ = 0; // lines of the room that a step confirmed so far
};

} // namespace e2e
