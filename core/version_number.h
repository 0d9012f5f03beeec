#pragma once
// Reading the AOL version text as a number: portable, no window system.
#include <optional>
#include <string>

// The number a version text spells ("8.0" → 8, "2.5" → 2.5), or nothing for "n/a" and any
// other text that is not a plain decimal number.
std::optional<double> ReadVersionNumber(const std::wstring& text);
