#pragma once
// The lines Snorva posts into the chat room, and the minutes counter's text rules; no window
// system. The counter's rules are tested alone; the lines byte for byte as the simulated
// client's rooms receive them.
#include <string>

namespace lines {

// Every announcement begins with this markup.
inline const std::wstring kPrefix =
    L"<font face=\"arial black\"><font color=#0099FF>::</font> <font face=\"arial narrow\">";

// Three blanks after the name here; the unload by-line has two.
inline std::wstring StartupByLine() {
    return kPrefix + L"<b>Snorva</b>   <b>B</b>y <b>Z</b>ibbet</font>";
}
// The "<b>" before the count stays open, as the room has always seen it.
inline std::wstring LoadsLine(const std::wstring& loads) {
    return kPrefix + L"<b>U</b>ser: <b>Z</b>ibbet \u00B7 <b>L</b>oads: <b>" + loads + L"</font>";
}
inline std::wstring EngagedLine() {
    return kPrefix + L"<b>Snorva</b> : <b>I</b>dler <b>E</b>ngaged</font>";
}
inline std::wstring DisengagedLine() {
    return kPrefix + L"<b>Snorva</b> : <b>I</b>dler <b>D</b>isengaged</font>";
}
inline std::wstring UnloadByLine() {
    return kPrefix + L"<b>Snorva</b>  <b>B</b>y <b>Z</b>ibbet</font>";
}
inline std::wstring UnloadsLine(const std::wstring& loads) {
    return kPrefix + L"<b>U</b>ser: <b>Z</b>ibbet \u00B7 <b>U</b>nloads: <b>" + loads + L"</font>";
}
inline std::wstring UserLine(const std::wstring& minutes) {
    return kPrefix + L"<b>Snorva</b> : <b>U</b>ser: <b>Z</b>ibbet [" + minutes + L"]</font>";
}
// The fields go in as they come: nothing trimmed or escaped, NULs included.
inline std::wstring DownloadLine(const std::wstring& file, const std::wstring& percent,
                                 const std::wstring& timeLeft) {
    return kPrefix + L"<b>Snorva</b> : <b>F</b>ile <b>d</b>l: " + file + L", " + percent + L"%, " +
           timeLeft + L"l</font>";
}

// The numeric value of a counter caption; a caption that holds no number counts as 0.
double CounterValue(const std::wstring& caption);
// A whole number in plain decimal digits: no sign, grouping, decimal point or leading zeros.
std::wstring CounterText(double value);

} // namespace lines
