#pragma once
// What the end-to-end tests share: the expected lines and small steps on Snorva.
#include "tests/support/snorva_run.h"

#include <string>

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
inline std::string UserLine(int count) {
    return kPrefix + "<b>Snorva</b> : <b>U</b>ser: <b>Z</b>ibbet [" + std::to_string(count) +
           "]</font>";
}

// The items of the popup in order, as the keyboard walks them (separators skipped).
enum class Item { Title, IdleOn, IdleOff, Info, Minimize, Unload };

// Opens the popup with a click on the menu glyph; 0 when it did not open.
HWND OpenPopup(driver::SnorvaRun& run);
// Opens the popup and chooses an item with the keyboard (for Info: its submenu's "about").
bool Choose(driver::SnorvaRun& run, Item item);
// The bytes of the transcript's lines, in order.
std::vector<std::string> Texts(const std::vector<driver::PostedLine>& lines);
// Raises a tick as the timer does, without waiting for it (the tick may pause). It queues
// behind what is already posted: wait for a command's line before ticking after it.
void Tick(HWND window);
// Whether the minutes counter on screen shows `text`: the strip with the text drawn over it
// as the counter draws it, compared pixel by pixel with the screen.
bool CounterShows(HWND window, const std::wstring& text);
// Where screenshots go for people to look at.
std::wstring ShotPath(const std::wstring& name);

} // namespace e2e
