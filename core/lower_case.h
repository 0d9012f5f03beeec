#pragma once
// The program's one lower-casing rule, for finding words whatever their letter case: in the
// download fields' texts and in AOL's menu items. Portable, no window system.
#include <string>

// Each character to exactly one character, so a position in the lower-cased copy is the same
// position in the text. Covers the letters the ANSI code page (1252) can bring in from AOL's
// windows; the same on every platform, unlike the C library's locale-dependent towlower.
std::wstring LowerCase(std::wstring text);
