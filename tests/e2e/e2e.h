#pragma once
// What the end-to-end tests share: the lines the room should get, and each thing a person does to
// Snorva as one step that confirms its effect, or fails right there saying what it expected.
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
const std::string kDownload = DownloadLine("snorva_demo.zip, 0%, 12 minutes"); // --transfer's
const std::string kAbout = "i made this because i need an AOL8+win98 idler. iface by ME! -zibbet";
const std::string kNoAol = "Run-time error '13':\n\nType mismatch\n\nNo AOL client is running, or "
                           "its version could not be told: start AOL, enter a chat room, then "
                           "start Snorva again.";
// The strip's 112 x 21 pixels, a line per row: '+' where `inside`, '.' elsewhere.
inline std::string Drawn(const std::function<bool(int x, int y)>& inside) {
    std::string pixels;
    for (int y = 0; y < 21; ++y, pixels += '\n')
        for (int x = 0; x < 112; ++x)
            pixels += inside(x, y) ? '+' : '.';
    return pixels;
}
// The strip's outline, so drawn; "none" without one.
inline std::string Outline(HWND window) {
    OwnedRegion region(CreateRectRgn(0, 0, 0, 0));
    if (GetWindowRgn(window, region.get()) == ERROR) return "none";
    return Drawn([&](int x, int y) { return PtInRegion(region.get(), x, y) != FALSE; });
}
// The outline cut from the shipped skin: its ends slant down to the right a pixel a row from 0
// and 91.
const std::string kSkinOutline = Drawn([](int x, int y) { return x >= y && x < y + 92; });
inline bool HalfASecondApart(double first, double second) { // ms; a busy machine stretches it
    return second - first >= 500.0 - 0.01 && second - first <= 3000.0;
}

// A change to the program folder's copy before Snorva starts; Put copies `from` in as `name`,
// Delete deletes `name`.
using Change = std::function<void(const std::wstring& folder)>;
inline Change Put(const std::string& from, const wchar_t* name) {
    return [=](const std::wstring& folder) {
        CopyFileW(driver::Widen(from).c_str(), (folder + name).c_str(), FALSE);
    };
}
inline Change Delete(const wchar_t* name) {
    return [=](const std::wstring& folder) { DeleteFileW((folder + name).c_str()); };
}
inline std::string NotFound(const std::wstring& path) { // a file of the program folder's copy
    return "Run-time error '53':\n\nFile not found: " + driver::Narrow(path);
}
// The simulated client on a thread of Snorva's process (unseen_windows.cpp), as on Windows.
inline driver::SnorvaSetup Inside(const std::string& options) {
    return {.aol = options, .aolInside = true, .changeFolder = Put(UNSEEN_EXE, L"\\snorva.exe")};
}

// What a window answers to a message sent now, once it has handled it within 5 s.
inline std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wParam = 0,
                                   LPARAM lParam = 0) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 5000, &answer))
        return {};
    return answer;
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

// The minutes counter as a person reads it off the strip on screen; only where the strip shows
// its picture, and its close and menu glyphs under the points a person clicks ("no …" when not).
std::wstring Counter(HWND window);
// The counter once the strip shows whole: a popup just closed leaves its pixels until a redraw.
std::wstring ShownCounter(HWND window);

// What probe.dll, hooked onto the thread of `window` (strip or popup), answers to `ask`.
std::wstring Probe(HWND window, WPARAM ask);
inline double CpuMs(HWND window) { // of Snorva's process so far; throws on no answer
    return std::stod(Probe(window, probe::kCpuMs));
}

// The popup's items as the keyboard walks them; About is the first item of Info's submenu.
enum class Item { Title, IdleOn, IdleOff, Info, Minimize, Unload, About };

class Session : public driver::SnorvaRun {
  public:
    // Snorva beside the simulated client; with `greet`, past its dialog to its greeting, shown.
    explicit Session(const driver::SnorvaSetup& setup = {}, bool greet = true);
    // The room's next lines are `lines`; with none, nothing comes for a second, no box, running.
    bool Expect(const std::vector<std::string>& lines, DWORD timeoutMs = 15000);
    // Clicks the strip at `at` as a person does and sees `took` (the popup, the move loop) hold.
    bool Click(POINT at, const std::function<bool()>& took, const std::string& failure);
    // Opens the popup with a click on the menu glyph, then `meanwhile`; 0 when it did not open.
    HWND OpenPopup(const std::function<void()>& meanwhile = {});
    // Opens the popup so, picks `item` with the keyboard, and sees the popup gone.
    bool Pick(Item item, const std::function<void()>& meanwhile = {});
    // Picks `item` and sees its effect: its lines (unload's, then the end), the strip minimised,
    // the about box answered.
    bool Choose(Item item);
    // Raises the idle tick as the timer does, and sees its lines.
    bool Tick(const std::vector<std::string>& lines);
    // Hangs AOL with the simulated client's option `hang`, if any, until sim::Release; raises
    // the tick and sees the counter rise on the strip: the tick is under way, to wait for AOL.
    bool HangThenTick(const std::string& hang);
    // Restores the minimised strip as its task-bar button does, and sees it shown.
    bool Restore();
    // Drags the strip by (dx, dy) as a person does, and sees it follow the pointer there.
    bool Drag(int dx, int dy);
    // A box of Snorva's saying `text`: titled Snorva, its one button OK, no icon; left open.
    // Null when none came so.
    HWND ExpectBox(const std::string& text);
    bool ExpectEnd(DWORD status);

  private:
    size_t heard_ = 0; // lines of the room that a step confirmed so far
};

// Sees Snorva wait on a hung AOL in `message` ("<window> <message>"), the last one AOL's windows
// took since message `from` of their log.
inline bool SeesWaitIn(const Session& s, size_t from, const std::string& message) {
    const auto waits = [&] {
        const std::vector<driver::PostedLine> log = s.Messages();
        return log.size() > from && log.back().room + " " + log.back().bytes == message;
    };
    return Sees(waits, "Snorva never came to wait in " + message);
}

// Snorva, started without greeting, ends in its box of error `number` saying `text`, its window
// not shown, nothing posted, running until the box is closed. AOL is asked after the handle
// (13, 70); any other error comes before the handle dialog, which would hold it back.
inline void ExpectStartUpError(Session& s, DWORD number, const std::string& text) {
    const bool asksAol = number == 13 || number == 70;
    HWND dialog = asksAol ? s.WaitForHandleDialog() : nullptr;
    ASSERT_TRUE(!asksAol || (dialog && driver::AnswerDialog(dialog, "me")));
    driver::WaitForVisibleWindow("#32770", "Snorva", 30000, s.Program().Id());
    auto box = s.ExpectBox(text);
    ASSERT_TRUE(box);
    EXPECT_FALSE(IsWindowVisible(s.Window()));
    EXPECT_TRUE(s.Program().Running()) << "ended before its box was closed";
    driver::DismissMessageBox(box);
    EXPECT_TRUE(s.ExpectEnd(number));
    EXPECT_TRUE(s.Lines().empty());
}

} // namespace e2e
